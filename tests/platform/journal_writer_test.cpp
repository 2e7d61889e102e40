#include "platform/journal_writer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "model/file_io.h"
#include "platform/local_path.h"

namespace pf {
namespace {

// Sets an environment variable for the length of a scope (unset when `value` is null).
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value)
      : name_(name), old_(qgetenv(name)), had_(qEnvironmentVariableIsSet(name)) {
    if (value) {
      qputenv(name, value);
    } else {
      qunsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (had_) {
      qputenv(name_, old_);
    } else {
      qunsetenv(name_);
    }
  }

 private:
  const char* name_;
  QByteArray old_;
  bool had_;
};

TEST(JournalPlace, PortableCopiesKeepItBesideThemInstalledOnesInTheStateFolder) {
  const QString home = QDir::homePath();
  struct Case {
    bool perUser;
    const char* xdgState;
    QString expected;
  };
  const Case cases[] = {
      {false, "/state", QStringLiteral("/opt/pf")},
      {true, "/state", QStringLiteral("/state/pictoforge")},
      {true, nullptr, home + QStringLiteral("/.local/state/pictoforge")},
      {true, "relative/state", home + QStringLiteral("/.local/state/pictoforge")},
  };
  for (const Case& c : cases) {
    ScopedEnv env("XDG_STATE_HOME", c.xdgState);
    EXPECT_EQ(JournalFolder(c.perUser, QStringLiteral("/opt/pf")), c.expected)
        << (c.xdgState ? c.xdgState : "unset");
  }
}

TEST(JournalPlace, AnEnvironmentVariableOrPfIniTurnsItOff) {
  QTemporaryDir dir;
  ProfileFile settings(LocalPath(dir.filePath(QStringLiteral("PF.ini"))));
  struct Case {
    const char* env;
    const char* iniValue;
    bool off;
  };
  const Case cases[] = {
      {nullptr, nullptr, false}, {"1", nullptr, true}, {"0", nullptr, false},
      {"", nullptr, false},      {nullptr, "0", true}, {nullptr, "1", false},
  };
  for (const Case& c : cases) {
    ScopedEnv env("PICTOFORGE_NO_JOURNAL", c.env);
    if (c.iniValue) settings.WriteSetting("Recovery", "Journal", c.iniValue);
    EXPECT_EQ(JournalTurnedOff(settings), c.off)
        << (c.env ? c.env : "-") << " " << (c.iniValue ? c.iniValue : "-");
    settings.ClearIniSection("Recovery");
  }
}

TEST(JournalWriterTest, ABurstOfChangesIsOneSnapshotAndOneWrite) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("j.pfj"));
  int captures = 0;
  RecoveryState state;
  state.picture = JournalPicture{};
  JournalWriter writer(
      path,
      [&] {
        ++captures;
        return state;
      },
      20);
  for (int i = 0; i < 100; ++i) writer.changed();
  EXPECT_EQ(captures, 0);  // noted, not taken
  for (int i = 0; i < 500 && writer.writes() == 0; ++i) QTest::qWait(10);
  EXPECT_EQ(captures, 1);
  EXPECT_EQ(writer.writes(), 1);
  EXPECT_EQ(ReadWholeFile(LocalPath(path)), EncodeJournal(state));

  // Nothing left to keep: the journal goes.
  state = {};
  writer.writeNow();
  EXPECT_FALSE(QFile::exists(path));
}

}  // namespace
}  // namespace pf
