#include "platform/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>

namespace pf {

QString PrivateFolderProblem(const QString& folder, unsigned forbiddenModeBits) {
  const QByteArray native = QFile::encodeName(folder);
  struct stat st {};
  if (::lstat(native.constData(), &st) != 0)
    return QStringLiteral("unreachable (%1)").arg(QString::fromLocal8Bit(std::strerror(errno)));
  if (S_ISLNK(st.st_mode)) return QStringLiteral("a symbolic link");
  if (!S_ISDIR(st.st_mode)) return QStringLiteral("not a folder");
  if (st.st_uid != ::geteuid()) return QStringLiteral("owned by another user");
  if ((st.st_mode & forbiddenModeBits) != 0)
    return QStringLiteral("open to other users (mode %1)").arg(st.st_mode & 0777, 3, 8, QLatin1Char('0'));
  return {};
}

void MakePrivateFolder(const QString& folder) {
  const QString parent = QFileInfo(folder).path();
  if (!parent.isEmpty()) QDir().mkpath(parent);
  const QByteArray native = QFile::encodeName(folder);
  // mkdir does not follow a link or reuse anything already there; the umask may have taken bits away
  // but never adds any, so the chmod only makes sure of 0700.
  if (::mkdir(native.constData(), 0700) == 0) ::chmod(native.constData(), 0700);
}

}  // namespace pf
