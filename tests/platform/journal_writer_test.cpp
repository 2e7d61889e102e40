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

}  // namespace
}  // namespace pf
