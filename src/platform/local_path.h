// File names cross into the model as the bytes the file system uses for them. A name that is not valid
// UTF-8 on disk still round-trips: its stray bytes are kept in the QString as escapes (model/local_name.h)
// and given back here.
#pragma once

#include <QFile>
#include <QString>
#include <string>

#include "model/local_name.h"

namespace pf {

inline std::string LocalPath(const QString& path) {
  return EncodeLocalName(std::u16string_view(reinterpret_cast<const char16_t*>(path.utf16()),
                                             static_cast<std::size_t>(path.size())));
}

inline QString FromLocalPath(const std::string& path) {
  const std::u16string name = DecodeLocalName(path);
  return QString::fromUtf16(name.data(), static_cast<qsizetype>(name.size()));
}

// A name from the command line (the bytes as given) made absolute against the working folder.
QString AbsoluteLocalPath(const char* argument);

}  // namespace pf
