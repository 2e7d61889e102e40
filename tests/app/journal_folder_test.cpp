// The recovery journal's folder as it is found on disk: open to others, unwritable, or on a full disk.
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <cerrno>
#include <cstring>
#include <tuple>

#include "app/recovery.h"
#include "model/file_io.h"
#include "platform/local_path.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

// A folder this process cannot write for the length of a scope, though it stays the user's own.
// Permissions do not bind root, so root becomes nobody meanwhile, over a folder handed to nobody.
class ReadOnlyFolder {
 public:
  ReadOnlyFolder(const QString& top, const QString& folder) : top_(top), folder_(folder) {
    if (root_) {
      ::chmod(LocalPath(top_).c_str(), 0711);
      own(kNobody);
    }
    ::chmod(LocalPath(folder_).c_str(), 0500);
    if (root_) {
      EXPECT_TRUE(::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0);
    }
  }
  ~ReadOnlyFolder() {
    if (root_) {
      EXPECT_TRUE(::seteuid(0) == 0 && ::setegid(0) == 0);
    }
    ::chmod(LocalPath(folder_).c_str(), 0700);
    if (root_) {
      own(0);
      ::chmod(LocalPath(top_).c_str(), 0700);
    }
  }

 private:
  static constexpr uid_t kNobody = 65534;
  void own(uid_t user) {
    QDirIterator files(folder_, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    while (files.hasNext()) (void)::lchown(LocalPath(files.next()).c_str(), user, user);
    (void)::chown(LocalPath(folder_).c_str(), user, user);
  }
  const bool root_ = ::geteuid() == 0;
  QString top_;
  QString folder_;
};

class JournalFolderTest : public AppFixture {
 protected:
  void TearDown() override {
    journal.reset();
    AppFixture::TearDown();
  }
  QString journalFolder() { return folder.filePath(QStringLiteral("state")); }
  QStringList journals() { return QDir(journalFolder()).entryList({QStringLiteral("*.pfj")}, QDir::Files); }
  int questionsAsked() const {
    return static_cast<int>(std::count_if(ui.requests.begin(), ui.requests.end(), [](const auto& r) {
      return r.text.startsWith(QString::fromUtf8(kRecoveryQuestion));
    }));
  }
  void newApp() {
    app = std::make_unique<App>(ui, folder.path(), folder.filePath(QStringLiteral("channel.sock")));
    ic = app->start();
    if (!ic->wasActivated()) ic->activate();
  }
  // 1, 2 and 3 typed along the top row, the journal written, then the process killed: the work it left.
  RecoveryState killedSession() {
    journal = std::make_unique<SessionJournal>(*app, journalFolder());
    journal->offerAndStart();
    clickCell(0, 0);
    for (Qt::Key k : {Qt::Key_1, Qt::Key_Right, Qt::Key_2, Qt::Key_Right, Qt::Key_3}) key(k);
    EXPECT_TRUE(journal->writer()->writeNow());
    RecoveryState left = CaptureRecoveryState(*app);
    journal.reset();
    app.reset();
    newApp();
    return left;
  }
  // What a journal in the folder reads back as.
  RecoveryState readBack(const QString& name) {
    const QString path = QDir(journalFolder()).filePath(name);
    const auto bytes = ReadWholeFile(LocalPath(path));
    const auto blobs = ReadWholeFile(LocalPath(JournalBlobPath(path)));
    return bytes && blobs ? DecodeJournal(*bytes, *blobs).state : RecoveryState{};
  }

  std::unique_ptr<SessionJournal> journal;
};

TEST_F(JournalFolderTest, AFullDiskNeverCostsTheJournalItWasRestoredFrom) {
  auto fails = [](const std::string&, auto&&... args) {
    std::string* error = std::get<sizeof...(args) - 1>(std::forward_as_tuple(args...));
    if (error) *error = std::strerror(ENOSPC);
    return false;
  };
  auto isBlobFile = [](const std::string& path) { return path.ends_with(".blobs"); };
  JournalFileOps working;
  struct Case {
    const char* what;
    JournalFileOps ops;
  };
  const Case cases[] = {
      {"nothing can be written", {fails, fails}},
      {"the blobs cannot be written",
       {[&](const std::string& path, std::span<const std::uint8_t> bytes, std::string* error) {
          return !isBlobFile(path) && working.replace(path, bytes, error);
        },
        fails}},
      // A disk that says yes to half a journal: only reading it back tells.
      {"the journal is cut short",
       {[&](const std::string& path, std::span<const std::uint8_t> bytes, std::string* error) {
          return working.replace(path, isBlobFile(path) ? bytes : bytes.first(bytes.size() / 2), error);
        },
        working.writeAt}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ui.requests.clear();
    const RecoveryState left = killedSession();
    ASSERT_EQ(journals().size(), 1);

    journal = std::make_unique<SessionJournal>(*app, journalFolder());
    journal->writer()->setFileOps(c.ops);
    ui.yesNoAnswers = {true};
    EXPECT_TRUE(journal->offerAndStart());
    EXPECT_TRUE(CaptureRecoveryState(*app) == left);
    // The work is on screen and still on disk, in the one journal that holds it.
    ASSERT_EQ(journals().size(), 1) << journals().join(QLatin1Char(' ')).toStdString();
    EXPECT_TRUE(readBack(journals().first()) == left);

    // Killed again before anything could be written: offered again, and now the disk has room.
    journal.reset();
    app.reset();
    newApp();
    journal = std::make_unique<SessionJournal>(*app, journalFolder());
    ui.yesNoAnswers = {true};
    EXPECT_TRUE(journal->offerAndStart());
    EXPECT_EQ(questionsAsked(), 2);
    EXPECT_TRUE(CaptureRecoveryState(*app) == left);
    EXPECT_EQ(journals(), QStringList{QFileInfo(journal->journalPath()).fileName()});
    EXPECT_TRUE(readBack(journals().first()) == left);
    journal->end();
    EXPECT_TRUE(QDir(journalFolder()).isEmpty());
  }
}

TEST_F(JournalFolderTest, AFolderThatCannotBeWrittenStillOffersItsWork) {
  const RecoveryState left = killedSession();
  const QStringList before = journals();
  ASSERT_EQ(before.size(), 1);
  {
    ReadOnlyFolder readOnly(folder.path(), journalFolder());
    journal = std::make_unique<SessionJournal>(*app, journalFolder());
    EXPECT_FALSE(journal->active());
    ui.yesNoAnswers = {true};
    EXPECT_TRUE(journal->offerAndStart());
  }
  EXPECT_TRUE(CaptureRecoveryState(*app) == left);
  // After the question, once.
  EXPECT_EQ(ui.messages.count(QString::fromUtf8(kNoNewJournalMessage)), 1);
  EXPECT_EQ(ui.messages.back(), QString::fromUtf8(kNoNewJournalMessage));
  // Restoring only read it: it is there for the next start.
  EXPECT_EQ(journals(), before);
  // The program runs on without a journal.
  clickCell(5, 5);
  key(Qt::Key_7);
  EXPECT_EQ(pixel(5, 5), 7);
  journal->end();
  EXPECT_EQ(journals(), before);
}

TEST_F(JournalFolderTest, AFolderOthersMayWriteInIsNotUsedAtAll) {
  killedSession();
  ASSERT_EQ(::chmod(LocalPath(journalFolder()).c_str(), 0777), 0);
  const QStringList before = QDir(journalFolder()).entryList(QDir::Files | QDir::Hidden);
  journal = std::make_unique<SessionJournal>(*app, journalFolder());
  EXPECT_FALSE(journal->active());
  // What someone else may have put there is not offered either.
  EXPECT_FALSE(journal->offerAndStart());
  EXPECT_EQ(questionsAsked(), 0);
  clickCell(0, 0);
  key(Qt::Key_5);
  EXPECT_EQ(pixel(0, 0), 5);
  journal->end();
  EXPECT_EQ(QDir(journalFolder()).entryList(QDir::Files | QDir::Hidden), before);
}

}  // namespace
}  // namespace pf
