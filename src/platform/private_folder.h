// Folders the program keeps its user's private files in: the file-name channel's fallback folder and the
// recovery journal's state folder. Another user who could replace such a folder, or put a link into it,
// could make the program read their files or write over the user's own.
#pragma once

#include <QString>

namespace pf {

// Why `folder` is no place for the user's private files, as the end of a sentence ("a symbolic link",
// "owned by another user", "open to other users (mode 777)"), or empty when it is one: a real folder, not
// a symbolic link, owned by this user, with none of the permission bits `forbiddenModeBits` set (077: open
// to nobody else; 022: written by nobody else).
QString PrivateFolderProblem(const QString& folder, unsigned forbiddenModeBits);

// Makes `folder` (and what is missing above it) when it does not exist, the folder itself with mode 0700.
// An existing one is left as it is, for PrivateFolderProblem to judge.
void MakePrivateFolder(const QString& folder);

}  // namespace pf
