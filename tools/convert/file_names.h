// File names as the shell hands them over: bytes, in whatever encoding the file was named in.
//
// Inside the program a name is a QString, so the option parsing stays what it is; bytes that are not
// UTF-8 are carried as the lone surrogates U+DC80..U+DCFF (one per byte) and turned back into the same
// bytes whenever a file is opened. Messages show such bytes as \xNN.
#pragma once

#include <QByteArray>
#include <QString>
#include <string>

namespace pf::convert {

// A command-line argument as a QString that LocalName turns back into exactly these bytes.
QString FromLocalBytes(const QByteArray& bytes);
// The bytes of a name for the system's calls.
QByteArray LocalName(const QString& name);
std::string LocalPath(const QString& name);
// The name for a message: as typed where it is UTF-8, each other byte as \xNN.
QString Shown(const QString& name);

}  // namespace pf::convert
