#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/program_folder.h"

namespace pf {
namespace {

QByteArray Contents(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(path).path());
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// An installed tree (usr/bin without Pal.pal, usr/share/pictoforge with it) and a home of its own.
class ProgramFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(root.isValid());
    QDir().mkpath(root.filePath("usr/bin"));
    Write(root.filePath("usr/share/pictoforge/Pal.pal"), shipped);
    places.executableFolder = root.filePath("usr/bin");
    places.dataFolder = root.filePath("usr/share/pictoforge");
    places.userFolder = root.filePath("home/.config/pictoforge");
  }
  QStringList binFiles() const { return QDir(places.executableFolder).entryList(QDir::Files | QDir::Hidden); }

  QTemporaryDir root;
  ProgramFolderPlaces places;
  const QByteArray shipped = "0,1,0,0,0\r\n";
};

TEST_F(ProgramFolderTest, InstalledCopyKeepsItsFilesPerUser) {
  const ProgramFolder first = ChooseProgramFolder(places);
  EXPECT_EQ(first.path, places.userFolder);
  EXPECT_TRUE(first.perUser);
  EXPECT_TRUE(first.problems.isEmpty()) << first.problems.join('\n').toStdString();
  EXPECT_EQ(Contents(QDir(places.userFolder).filePath("Pal.pal")), shipped);
  EXPECT_TRUE(binFiles().isEmpty()) << "nothing is written beside an installed executable, even by root";

  // The user's own palette file, in whatever case, survives later starts.
  QFile::remove(QDir(places.userFolder).filePath("Pal.pal"));
  Write(QDir(places.userFolder).filePath("PAL.PAL"), "mine");
  const ProgramFolder again = ChooseProgramFolder(places);
  EXPECT_EQ(again.path, places.userFolder);
  EXPECT_EQ(QDir(places.userFolder).entryList(QDir::Files), (QStringList{"PAL.PAL", "PF.ini"}));
  EXPECT_EQ(Contents(QDir(places.userFolder).filePath("PAL.PAL")), "mine");
}

TEST_F(ProgramFolderTest, BuildAndPortableCopiesKeepTheExecutableFolder) {
  // The build copies Pal.pal beside the executable; so does anyone who carries the program around.
  Write(QDir(places.executableFolder).filePath("pal.pal"), shipped);
  const ProgramFolder chosen = ChooseProgramFolder(places);
  EXPECT_EQ(chosen.path, places.executableFolder);
  EXPECT_FALSE(chosen.perUser);
  EXPECT_FALSE(QFileInfo::exists(places.userFolder));

  // Without any data folder a writable executable folder is used as it always was, palette or not.
  QFile::remove(QDir(places.executableFolder).filePath("pal.pal"));
  places.dataFolder = root.filePath("nowhere");
  EXPECT_EQ(ChooseProgramFolder(places).path, places.executableFolder);
  EXPECT_FALSE(QFileInfo::exists(places.userFolder));
}

TEST_F(ProgramFolderTest, TroubleWithThePerUserFolderIsReportedNeverFatal) {
  // Pal.pal gone from the install: the folder is still made; the editor shows its own palette message.
  QFile::remove(QDir(places.dataFolder).filePath("Pal.pal"));
  ProgramFolder chosen = ChooseProgramFolder(places);
  EXPECT_EQ(chosen.path, places.userFolder);
  EXPECT_TRUE(QFileInfo(places.userFolder).isDir());
  ASSERT_EQ(chosen.problems.size(), 1);
  EXPECT_TRUE(chosen.problems[0].contains("Pal.pal is missing from " + places.dataFolder))
      << chosen.problems[0].toStdString();

  // A folder that cannot be made (a file stands where its parent should be).
  Write(root.filePath("blocked"), "x");
  places.userFolder = root.filePath("blocked/pictoforge");
  chosen = ChooseProgramFolder(places);
  EXPECT_EQ(chosen.path, places.userFolder);
  ASSERT_EQ(chosen.problems.size(), 1);
  EXPECT_TRUE(chosen.problems[0].startsWith("cannot create the settings folder"));
  EXPECT_TRUE(binFiles().isEmpty());
}

TEST_F(ProgramFolderTest, ReadOnlyFoldersAreNotWrittenTo) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes through read-only permissions";
  // A read-only per-user folder: the palette cannot be copied, and nothing half-written is left.
  QDir().mkpath(places.userFolder);
  QFile::setPermissions(places.userFolder, QFile::ReadOwner | QFile::ExeOwner);
  ProgramFolder chosen = ChooseProgramFolder(places);
  EXPECT_EQ(chosen.path, places.userFolder);
  ASSERT_EQ(chosen.problems.size(), 2) << chosen.problems.join('\n').toStdString();
  EXPECT_TRUE(chosen.problems[0].contains("is not writable"));
  EXPECT_TRUE(chosen.problems[1].startsWith("cannot copy"));
  EXPECT_TRUE(QDir(places.userFolder).isEmpty());
  QFile::setPermissions(places.userFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

  // A build folder the user may not write: the per-user folder, with the palette from beside the program.
  Write(QDir(places.executableFolder).filePath("Pal.pal"), "beside");
  places.dataFolder.clear();
  QFile::remove(QDir(places.userFolder).filePath("Pal.pal"));
  QFile::setPermissions(places.executableFolder, QFile::ReadOwner | QFile::ExeOwner);
  chosen = ChooseProgramFolder(places);
  QFile::setPermissions(places.executableFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  EXPECT_EQ(chosen.path, places.userFolder);
  EXPECT_EQ(Contents(QDir(places.userFolder).filePath("Pal.pal")), "beside");
}

TEST(RunningProgramPlaces, FollowTheExecutableAndXdgConfigHome) {
  QTemporaryDir config;
  const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  const ProgramFolderPlaces places = RunningProgramPlaces();
  if (saved.isNull()) {
    qunsetenv("XDG_CONFIG_HOME");
  } else {
    qputenv("XDG_CONFIG_HOME", saved);
  }
  EXPECT_EQ(places.userFolder, config.filePath("pictoforge"));
  EXPECT_EQ(places.executableFolder, QCoreApplication::applicationDirPath());
  EXPECT_EQ(places.dataFolder,
            QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/pictoforge"));
}

TEST_F(ProgramFolderTest, NewFoldersAndSettingsAreTheUsersAloneWhatExistsKeepsItsMode) {
  const auto modeOf = [](const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0u;
  };
  const mode_t oldMask = ::umask(022);
  const QString home = root.filePath("home");
  const QString config = root.filePath("home/.config");
  const QString pal = QDir(places.userFolder).filePath("Pal.pal");
  const QString ini = QDir(places.userFolder).filePath("PF.ini");
  const struct {
    const char* why;
    bool existing;  // ~/.config/pictoforge is there already, 0755, with a 0644 PF.ini
    unsigned config, folder, ini, pal;
  } cases[] = {{"fresh account", false, 0700, 0700, 0600, 0600},
               {"the user's own folder and settings", true, 0755, 0755, 0644, 0600}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.why);
    QDir(home).removeRecursively();
    ASSERT_TRUE(QDir().mkpath(home));
    if (c.existing) {
      Write(ini, "[DIR]\r\n");
      ASSERT_EQ(::chmod(QFile::encodeName(config).constData(), 0755), 0);
      ASSERT_EQ(::chmod(QFile::encodeName(places.userFolder).constData(), 0755), 0);
      ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), 0644), 0);
    }
    const ProgramFolder chosen = ChooseProgramFolder(places);
    EXPECT_TRUE(chosen.problems.isEmpty()) << chosen.problems.join('\n').toStdString();
    EXPECT_EQ(modeOf(config), c.config);
    EXPECT_EQ(modeOf(places.userFolder), c.folder);
    EXPECT_EQ(modeOf(ini), c.ini);
    EXPECT_EQ(modeOf(pal), c.pal);
    EXPECT_EQ(Contents(pal), shipped);
  }
  ::umask(oldMask);
}

}  // namespace
}  // namespace pf
