#include "platform/local_path.h"

#include <unistd.h>

#include <QDir>
#include <cerrno>
#include <vector>

namespace pf {

QString AbsoluteLocalPath(const char* argument) {
  const QString name = FromLocalPath(argument);
  if (name.startsWith(u'/')) return QDir::cleanPath(name);
  // The working folder as bytes too: Qt's own would replace what is not UTF-8 in it.
  std::vector<char> folder(4096);
  while (::getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE || folder.size() > (1u << 20))
      return QDir::cleanPath(QDir::currentPath() + u'/' + name);
    folder.resize(folder.size() * 2);
  }
  return QDir::cleanPath(FromLocalPath(folder.data()) + u'/' + name);
}

}  // namespace pf
