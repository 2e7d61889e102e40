#include "platform/journal_writer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <functional>

#include <sys/stat.h>
#include <unistd.h>
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
  EXPECT_EQ(ReadWholeFile(LocalPath(path)), EncodeJournal(state).journal);
  EXPECT_TRUE(QFile::exists(JournalBlobPath(path)));

  // Nothing left to keep: the journal goes, and its blobs with it.
  state = {};
  writer.writeNow();
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_FALSE(QFile::exists(JournalBlobPath(path)));
}

HistoryRecord NumberedRecord(int n) {
  HistoryRecord r;
  for (std::size_t k = 0; k < r.pixels.size(); ++k) r.pixels[k] = static_cast<std::uint8_t>((k * 7 + n) % 16);
  r.pixels[static_cast<std::size_t>(n) % r.pixels.size()] = static_cast<std::uint8_t>(n / 1024 % 16);
  r.palette[0].red = static_cast<std::uint8_t>(n);
  r.palette[1].red = static_cast<std::uint8_t>(n >> 8);
  return r;
}

// A full undo history gaining one record per change, as steady typing does, over five unsaved archives.
struct Typing {
  RecoveryState state;
  int typed = 0;

  Typing() {
    JournalHistory h;
    for (int n = 0; n < kHistorySize; ++n) h.records.push_back(NumberedRecord(n));
    h.index = h.last = kHistorySize - 1;
    state.history = h;
    state.picture = JournalPicture{};
    for (int n = 1; n <= 5; ++n) {
      JournalArchive a{JournalArchiveKind::Colour16, n, "/home/u/a" + std::to_string(n) + ".wrk",
                       std::vector<std::uint8_t>(JournalArchiveSize(JournalArchiveKind::Colour16))};
      for (std::size_t k = 0; k < a.bytes.size(); ++k)
        a.bytes[k] = static_cast<std::uint8_t>(k * n + k / 256);
      state.archives.push_back(a);
    }
    show();
  }
  void show() {
    JournalHistory& h = *state.history;
    const HistoryRecord& shown = h.records.back();
    h.snapshot = shown.pixels;
    state.picture->pixels = shown.pixels;
    state.picture->palette = shown.palette;
    state.picture->mask = shown.mask;
  }
  void type() {
    JournalHistory& h = *state.history;
    h.records.erase(h.records.begin());
    h.records.push_back(NumberedRecord(kHistorySize + typed++));
    show();
  }
};

RecoveryState ReadBack(const QString& path, const std::vector<std::uint8_t>* blobs = nullptr) {
  const auto journal = ReadWholeFile(LocalPath(path));
  const auto blobFile = ReadWholeFile(LocalPath(JournalBlobPath(path)));
  if (!journal || !blobFile) return {};
  return DecodeJournal(*journal, blobs ? *blobs : *blobFile).state;
}

TEST(JournalWriterTest, TypingAppendsItsRecordsAndTheBlobFileIsKeptToWhatIsLive) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("j.pfj"));
  Typing typing;
  JournalWriter writer(
      path, [&] { return typing.state; }, 60000);
  writer.writeNow();
  const std::int64_t first = writer.bytesWritten();
  const std::size_t live = EncodeJournalBlobFile(EncodeJournal(typing.state).blobs).size();
  EXPECT_EQ(ReadBack(path), typing.state);
  RecordProperty("first_write_bytes", static_cast<int>(first));

  std::int64_t minute = 0;
  std::size_t lastSize = 0;
  bool rewritten = false;
  for (int change = 1; change <= 600; ++change) {
    const RecoveryState before = typing.state;
    const std::vector<std::uint8_t> journalBefore = *ReadWholeFile(LocalPath(path));
    typing.type();
    const std::int64_t start = writer.bytesWritten();
    writer.writeNow();
    if (change <= 60) minute += writer.bytesWritten() - start;
    const std::vector<std::uint8_t> blobs = *ReadWholeFile(LocalPath(JournalBlobPath(path)));
    // Each change reads back whole; and a kill after the blobs but before the journal leaves the
    // previous journal whole beside them, an appended tail or a compacted file alike.
    ASSERT_EQ(ReadBack(path), typing.state) << change;
    ASSERT_EQ(DecodeJournal(journalBefore, blobs).state, before) << change;
    // Torn anywhere in what this change appended, the blob file still serves the journal before it.
    if (change % 50 == 0) {
      for (std::size_t n = blobs.size() - 800; n < blobs.size(); n += 37)
        ASSERT_EQ(DecodeJournal(journalBefore, std::span(blobs).first(n)).state, before)
            << change << " " << n;
    }
    EXPECT_LE(blobs.size(), 2 * live + kBlobFileSlack + 4096) << change;
    rewritten = rewritten || blobs.size() < lastSize;
    lastSize = blobs.size();
  }
  EXPECT_TRUE(rewritten);  // what is no longer named went
  RecordProperty("bytes_per_60_changes", static_cast<int>(minute));
  RecordProperty("bytes_per_600_changes", static_cast<int>(writer.bytesWritten() - first));
  // A minute of typing adds its records and a small journal a second, not the whole history again.
  EXPECT_LT(minute, 150 * 1024);
  // Over ten minutes, the rewrites that keep the blob file small included.
  EXPECT_LT(writer.bytesWritten() - first, 10 * 200 * 1024);
}

mode_t ModeOf(const QString& path) {
  struct stat st {};
  return ::lstat(LocalPath(path).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST(JournalStoreTest, OnlyAStateFolderOfTheUsersOwnIsTrusted) {
  QTemporaryDir dir;
  const QString mine = dir.filePath(QStringLiteral("mine"));
  ASSERT_TRUE(QDir().mkpath(mine));
  struct Case {
    const char* name;
    std::function<void(const QString&)> make;  // nothing made: the store makes the folder
    bool privateFolder;
    const char* refusedAs;  // nullptr: trusted
  };
  auto withMode = [](mode_t mode) {
    return [mode](const QString& f) {
      QDir().mkpath(f);
      ::chmod(LocalPath(f).c_str(), mode);
    };
  };
  const std::vector<Case> cases = {
      {"new/pictoforge", nullptr, true, nullptr},
      {"readable", withMode(0755), true, nullptr},
      {"everyones", withMode(0777), true, "open to other users (mode 777)"},
      {"groups", withMode(0770), true, "open to other users (mode 770)"},
      {"link", [&](const QString& f) { QFile::link(mine, f); }, true, "a symbolic link"},
      {"file",
       [](const QString& f) {
         QFile file(f);
         file.open(QIODevice::WriteOnly);
       },
       true, "not a folder"},
      {"others",
       [&](const QString& f) {
         withMode(0700)(f);
         EXPECT_EQ(::chown(LocalPath(f).c_str(), 65534, 65534), 0);
       },
       true, "owned by another user"},
      // A portable copy's program folder is its user's business; its files are private all the same.
      {"portable", withMode(0777), false, nullptr},
  };
  for (const Case& c : cases) {
    const QString folder = dir.filePath(QString::fromLatin1(c.name));
    if (std::string(c.name) == "others" && ::geteuid() != 0) continue;  // only root can hand a folder over
    if (c.make) c.make(folder);
    QString problem;
    const std::unique_ptr<JournalStore> store = JournalStore::open(folder, &problem, c.privateFolder);
    if (c.refusedAs) {
      EXPECT_EQ(store, nullptr) << c.name;
      EXPECT_EQ(problem,
                QStringLiteral("no recovery journal: %1 is %2").arg(folder, QString::fromLatin1(c.refusedAs)))
          << c.name;
      EXPECT_TRUE(QDir(mine).isEmpty()) << c.name << ": nothing made through the link";
      continue;
    }
    ASSERT_NE(store, nullptr) << c.name << " " << problem.toStdString();
    EXPECT_TRUE(store->writable()) << c.name;
    EXPECT_TRUE(problem.isEmpty()) << c.name;
    if (std::string(c.name) == "new/pictoforge") {
      EXPECT_EQ(ModeOf(folder), 0700u);
    }
    JournalWriter writer(
        store->journalPath(),
        [] {
          RecoveryState state;
          state.picture = JournalPicture{};
          return state;
        },
        60000);
    EXPECT_TRUE(writer.writeNow()) << c.name;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
      EXPECT_EQ(ModeOf(QDir(folder).filePath(name)), 0600u) << c.name << " " << name.toStdString();
  }
}

TEST(JournalStoreTest, NoWriteGoesThroughALinkPutInTheFolder) {
  QTemporaryDir dir;
  const QString victim = dir.filePath(QStringLiteral("notes.txt"));
  const QString folder = dir.filePath(QStringLiteral("state"));
  ASSERT_TRUE(WriteFileAtomically(LocalPath(victim), std::vector<std::uint8_t>{'n', 'o', 't', 'e', 's'}));
  QString problem;
  const std::unique_ptr<JournalStore> store = JournalStore::open(folder, &problem);
  ASSERT_NE(store, nullptr) << problem.toStdString();
  int version = 0;
  JournalWriter writer(
      store->journalPath(),
      [&] {
        RecoveryState state;
        state.picture = JournalPicture{};
        state.picture->pixels[0] = static_cast<std::uint8_t>(version % 16);
        state.picture->fileName = std::to_string(version);
        return state;
      },
      60000);
  ASSERT_TRUE(writer.writeNow());
  // Each of the two files swapped for a link to the user's notes: the write is refused, the link and the
  // notes stay as they were, and once the link is gone the journal is written again.
  for (const QString& swapped : {store->journalPath(), JournalBlobPath(store->journalPath())}) {
    ASSERT_TRUE(QFile::remove(swapped));
    ASSERT_TRUE(QFile::link(victim, swapped));
    ++version;
    EXPECT_FALSE(writer.writeNow()) << swapped.toStdString();
    EXPECT_EQ(ReadWholeFile(LocalPath(victim)), (std::vector<std::uint8_t>{'n', 'o', 't', 'e', 's'}));
    EXPECT_TRUE(QFileInfo(swapped).isSymLink());
    ASSERT_TRUE(QFile::remove(swapped));
    EXPECT_TRUE(writer.writeNow()) << swapped.toStdString();
  }
  // A link named like a journal is never offered.
  QFile::link(victim, QDir(folder).filePath(QStringLiteral("journal-1-1-0.pfj")));
  const std::unique_ptr<JournalStore> next = JournalStore::open(folder, &problem);
  ASSERT_NE(next, nullptr);
  EXPECT_TRUE(next->takeOrphans().empty());
}

TEST(JournalStoreTest, LocksAndTemporaryFilesOfEndedEditorsGo) {
  QTemporaryDir dir;
  const QDir folder(dir.filePath(QStringLiteral("state")));
  QString problem;
  std::unique_ptr<JournalStore> running = JournalStore::open(folder.path(), &problem);
  ASSERT_NE(running, nullptr) << problem.toStdString();
  const QString live = QFileInfo(running->journalPath()).completeBaseName();  // journal-<pid>-<ms>-<n>
  auto put = [&](const QString& name) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("picture");
  };
  struct Case {
    QString name;
    bool stays;
  };
  const std::vector<Case> cases = {
      // An editor killed before its first write, and one killed between a temporary file and its rename.
      {QStringLiteral("journal-11-1-0.lock"), false},
      {QStringLiteral(".journal-12-1-0.pfj.tmp-12-0-1f-0"), false},
      {QStringLiteral(".journal-12-1-0.pfj.blobs.tmp-12-1-2f-0"), false},
      {QStringLiteral("journal-12-1-0.lock"), false},
      // Nothing of a running editor is touched, nor what is not the journal's.
      {live + QStringLiteral(".lock"), true},
      {QStringLiteral(".") + live + QStringLiteral(".pfj.tmp-1-0-1f-0"), true},
      {QStringLiteral("PF.ini"), true},
      {QStringLiteral(".journal-notes"), true},
  };
  for (const Case& c : cases) {
    if (!QFile::exists(folder.filePath(c.name))) put(c.name);
  }
  const std::unique_ptr<JournalStore> starting = JournalStore::open(folder.path(), &problem);
  ASSERT_NE(starting, nullptr);
  EXPECT_TRUE(starting->takeOrphans().empty());
  starting->releaseOrphans();
  for (const Case& c : cases)
    EXPECT_EQ(QFile::exists(folder.filePath(c.name)), c.stays) << c.name.toStdString();
}

}  // namespace
}  // namespace pf
