#include "platform/program_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cerrno>
#include <string>

#include "model/file_io.h"
#include "platform/local_path.h"

#ifndef PF_DATA_FROM_BIN
#define PF_DATA_FROM_BIN "../share/pictoforge"
#endif

namespace pf {

namespace {

const QString kPaletteFile = QStringLiteral("Pal.pal");
const QString kSettingsFile = QStringLiteral("PF.ini");

// The palette file in a folder, in whatever letter case it was given (the editor accepts any); empty
// when there is none.
QString FindPaletteFile(const QString& folder) {
  if (folder.isEmpty()) return {};
  const QDir dir(folder);
  const QStringList found = dir.entryList({QStringLiteral("pal.pal")}, QDir::Files, QDir::Name);
  return found.isEmpty() ? QString() : dir.filePath(found.first());
}

bool IsFolder(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isDir();
}

// A new empty file readable by its owner only, so that the atomic writes that fill it keep that mode.
// False when something is there already or it cannot be made.
bool CreatePrivateFile(const QString& path) {
  const int fd =
      ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  ::fchmod(fd, 0600);
  ::close(fd);
  return true;
}

void PrepareUserFolder(const ProgramFolderPlaces& places, ProgramFolder& result) {
  const QString& folder = places.userFolder;
  if (!MakePrivateFolders(folder) || !IsFolder(folder)) {
    result.problems << QStringLiteral("cannot create the settings folder %1").arg(folder);
    return;
  }
  if (!QFileInfo(folder).isWritable()) {
    result.problems
        << QStringLiteral("the settings folder %1 is not writable; settings will not be kept").arg(folder);
  }
  // The settings file holds the user's folder paths: a new one is the user's alone. One already there
  // keeps its mode.
  CreatePrivateFile(QDir(folder).filePath(kSettingsFile));
  if (!FindPaletteFile(folder).isEmpty()) return;  // the user's own palette file stays as it is

  QString source = FindPaletteFile(places.dataFolder);
  if (source.isEmpty()) source = FindPaletteFile(places.executableFolder);
  if (source.isEmpty()) {
    result.problems << QStringLiteral("%1 is missing from %2")
                           .arg(kPaletteFile,
                                places.dataFolder.isEmpty() ? places.executableFolder : places.dataFolder);
    return;
  }
  std::string error;
  const auto bytes = ReadWholeFile(LocalPath(source), &error);
  const QString target = QDir(folder).filePath(kPaletteFile);
  // Written whole or not at all: a full disk must not leave half a palette file (nor an empty one) for
  // the editor to read.
  const bool made = CreatePrivateFile(target);
  if (!bytes || !WriteFileAtomically(LocalPath(target), *bytes, &error)) {
    if (made) QFile::remove(target);
    result.problems << QStringLiteral("cannot copy %1 into %2: %3")
                           .arg(source, folder, QString::fromLocal8Bit(error.c_str()));
  }
}

}  // namespace

bool MakePrivateFolders(const QString& folder) {
  const QString clean = QDir::cleanPath(QDir(folder).absolutePath());
  const QStringList parts = clean.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  QString path;
  for (const QString& part : parts) {
    path += QLatin1Char('/') + part;
    const QByteArray native = QFile::encodeName(path);
    // mkdir reuses nothing: what is there already (a folder, a link to one) keeps its mode.
    if (::mkdir(native.constData(), 0700) == 0) {
      ::chmod(native.constData(), 0700);
    } else if (errno != EEXIST) {
      return false;
    }
  }
  return QFileInfo(clean).isDir();
}

ProgramFolder ChooseProgramFolder(const ProgramFolderPlaces& places) {
  ProgramFolder result;
  // The build and a portable copy carry Pal.pal beside the executable; an installed copy keeps it in its
  // data folder instead, and is recognised by that whoever runs it and whatever they may write.
  const bool besideExecutable = !FindPaletteFile(places.executableFolder).isEmpty();
  const bool installed = !besideExecutable && IsFolder(places.dataFolder);
  const bool writable = IsFolder(places.executableFolder) && QFileInfo(places.executableFolder).isWritable();
  if ((!installed && writable) || places.userFolder.isEmpty()) {
    result.path = places.executableFolder;
    if (places.userFolder.isEmpty() && !writable)
      result.problems
          << QStringLiteral("no settings folder: %1 is not writable").arg(places.executableFolder);
    return result;
  }
  result.path = places.userFolder;
  result.perUser = true;
  PrepareUserFolder(places, result);
  return result;
}

ProgramFolderPlaces RunningProgramPlaces() {
  ProgramFolderPlaces places;
  places.executableFolder = QCoreApplication::applicationDirPath();
  places.dataFolder =
      QDir::cleanPath(QDir(places.executableFolder).filePath(QStringLiteral(PF_DATA_FROM_BIN)));
  const QString config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
  if (!config.isEmpty()) places.userFolder = QDir(config).filePath(QStringLiteral("pictoforge"));
  return places;
}

}  // namespace pf
