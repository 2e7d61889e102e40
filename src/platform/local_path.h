// File names cross into the model as the bytes the file system uses for them. A name that is not valid
// UTF-8 on disk still round-trips: Qt keeps such bytes in the QString and gives them back here.
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace pf {

inline std::string LocalPath(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

inline QString FromLocalPath(const std::string& path) {
  return QFile::decodeName(QByteArray::fromStdString(path));
}

}  // namespace pf
