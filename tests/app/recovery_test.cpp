#include "app/recovery.h"

#include <QDir>
#include <QFile>

#include "archive/work_archive.h"
#include "fullcolour/full_colour_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/mask_archive.h"
#include "model/file_io.h"
#include "model/history.h"
#include "platform/local_path.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

const QString kQuestion = QString::fromUtf8(kRecoveryQuestion);

class Recovery : public AppFixture {
 protected:
  QString journalFolder() { return folder.filePath(QStringLiteral("state")); }
  QStringList journals() { return QDir(journalFolder()).entryList({QStringLiteral("*.pfj")}, QDir::Files); }
  QStringList blobFiles() {
    return QDir(journalFolder()).entryList({QStringLiteral("*.blobs")}, QDir::Files);
  }

  // A session with its journal, asking about what earlier ones left.
  void startJournal() {
    journal = std::make_unique<SessionJournal>(*app, journalFolder());
    ASSERT_TRUE(journal->active());
    journal->offerAndStart();
  }
  // The process dies: the journal stays as last written, the windows go without a clean end.
  void crash() {
    journal.reset();
    app.reset();
  }
  void cleanEnd() {
    journal->end();
    journal.reset();
    app.reset();
  }
  void startAgain() {
    app = std::make_unique<App>(ui, folder.path(), folder.filePath(QStringLiteral("channel.sock")));
    ic = app->start();
    if (!ic->wasActivated()) ic->activate();
    startJournal();
  }
  int questionsAsked() const {
    return static_cast<int>(std::count_if(ui.requests.begin(), ui.requests.end(),
                                          [](const ScriptedUi::Request& r) { return r.text.startsWith(kQuestion); }));
  }

  // 1, 2 and 3 along the top row, then the picture taken into slot 1 of a new archive.
  Form10* editAndTakeIntoArchive() {
    clickCell(0, 0);
    for (Qt::Key k : {Qt::Key_1, Qt::Key_Right, Qt::Key_2, Qt::Key_Right, Qt::Key_3}) key(k);
    trigger("mnuHKN");
    auto* archive = qobject_cast<Form10*>(app->forms.forms().back());
    if (!archive) return nullptr;
    if (!archive->wasActivated()) archive->activate();
    QTest::mouseDClick(archive->clientArea(), Qt::RightButton, Qt::NoModifier,
                       ArchiveWindow::cellOrigin(1) + QPoint(10, 10));
    return archive;
  }

  std::unique_ptr<SessionJournal> journal;
};

TEST_F(Recovery, AKilledSessionComesBackWithItsHistoryAndArchive) {
  startJournal();
  Form10* archive = editAndTakeIntoArchive();
  ASSERT_NE(archive, nullptr);
  ASSERT_EQ(HistoryLabel(state()), "2/2");
  const RecoveryState before = CaptureRecoveryState(*app);
  ASSERT_EQ(before.archives.size(), 1u);
  const std::vector<std::uint8_t> slotFile = archive->slotBytes();
  journal->writer()->writeNow();
  crash();

  ui.yesNoAnswers = {true};
  startAgain();
  EXPECT_EQ(questionsAsked(), 1);
  EXPECT_EQ(ui.requests.back().title, QString());  // the Ui's own title, "Pictoforge"
  EXPECT_TRUE(CaptureRecoveryState(*app) == before);
  EXPECT_EQ(HistoryLabel(state()), "2/2");
  EXPECT_EQ(ic->findChild<QLabel*>(QStringLiteral("Label4"))->text(), "2/2");
  EXPECT_EQ(pixel(2, 0), 3);

  auto* restored = app->find<Form10>();
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(restored->windowTitle(), QStringLiteral("保管庫　1 *"));
  EXPECT_EQ(restored->slotBytes(), slotFile);
  EXPECT_EQ(restored->archiveSlots()[1].pixels[31 * 32], 1);

  // 戻す walks back through the edits made before the kill.
  QTest::mouseClick(ic->findChild<QLabel*>(QStringLiteral("Label1_0")), Qt::LeftButton);
  EXPECT_EQ(HistoryLabel(state()), "1/2");
  EXPECT_EQ(pixel(1, 0), 2);
  EXPECT_EQ(pixel(2, 0), 0);

  // The restored work is this session's now; the old journal is gone.
  EXPECT_EQ(journals().size(), 1);
  EXPECT_EQ(QDir(journalFolder()).filePath(journals().first()), journal->journalPath());

  // Saving the archive clears its mark.
  ui.fileAnswers = {folder.filePath(QStringLiteral("kept.wrk"))};
  restored->mnuFSAVE_Click();
  EXPECT_EQ(restored->windowTitle(), QStringLiteral("保管庫　1"));
  EXPECT_EQ(ReadWholeFile(LocalPath(folder.filePath(QStringLiteral("kept.wrk")))), slotFile);
  EXPECT_TRUE(CaptureRecoveryState(*app).archives.empty());
}

TEST_F(Recovery, TheFullColourWorkAndItsArchivesComeBack) {
  startJournal();
  auto open = [this](const char* name) {
    Form* form = app->createByName(QString::fromLatin1(name));
    if (form && !form->wasActivated()) form->activate();
    return form;
  };
  auto take = [](Form* archive, int slot) {
    QTest::mouseDClick(archive->clientArea(), Qt::RightButton, Qt::NoModifier,
                       ArchiveWindow::cellOrigin(slot) + QPoint(10, 10));
  };
  clickCell(4, 4);
  key(Qt::Key_C);
  auto* icon = static_cast<Form20*>(open("Form20"));
  ASSERT_NE(icon, nullptr);
  ASSERT_TRUE(icon->selectSize(1));
  const QPoint work = icon->workAreaOrigin();
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x)
      icon->client().setPixel(work.x() + x, work.y() + y, Rgb(4 * x, 4 * y, x ^ y));
  }
  icon->client().setPixel(3, 300, Rgb(1, 2, 3));  // in the 128 x 128 slot
  take(open("Form21"), 2);                        // the editor's picture
  ASSERT_TRUE(icon->selectSize(0));
  take(open("Form23"), 5);  // the work area
  state().FullColourMask.assign(128, 0x3C);
  take(open("Form24"), 9);  // the icon's mask
  const RecoveryState before = CaptureRecoveryState(*app);
  ASSERT_TRUE(before.fullColour);
  ASSERT_EQ(before.archives.size(), 3u);
  journal->writer()->writeNow();
  crash();

  ui.yesNoAnswers = {true};
  startAgain();
  EXPECT_TRUE(CaptureRecoveryState(*app) == before);
  for (const char* name : {"Form21", "Form23", "Form24"}) {
    auto* archive = qobject_cast<ArchiveWindow*>(app->forms.findByName(QString::fromLatin1(name)));
    ASSERT_NE(archive, nullptr) << name;
    EXPECT_TRUE(archive->windowTitle().endsWith(QStringLiteral("1 *")))
        << archive->windowTitle().toStdString();
  }
}

TEST_F(Recovery, ACleanEndLeavesNothingToOffer) {
  startJournal();
  ASSERT_NE(editAndTakeIntoArchive(), nullptr);
  journal->writer()->writeNow();
  ASSERT_EQ(journals().size(), 1);
  cleanEnd();
  EXPECT_TRUE(journals().isEmpty());
  EXPECT_TRUE(QDir(journalFolder()).entryList(QDir::Files).isEmpty());  // no lock file either

  startAgain();
  EXPECT_EQ(questionsAsked(), 0);
}

TEST_F(Recovery, DeclinedOnceIsOfferedOnceMoreThenDiscarded) {
  struct Case {
    const char* what;
    bool secondSessionEndsCleanly;
  };
  for (const Case c : {Case{"second no", false}, Case{"clean end", true}}) {
    SCOPED_TRACE(c.what);
    startJournal();
    ASSERT_NE(editAndTakeIntoArchive(), nullptr);
    journal->writer()->writeNow();
    crash();

    ui.yesNoAnswers = {false};
    startAgain();
    EXPECT_EQ(questionsAsked(), 1);
    ASSERT_EQ(journals().size(), 1);
    EXPECT_TRUE(journals().first().contains(QStringLiteral(".declined")));
    // Its blobs went with it.
    EXPECT_EQ(blobFiles(), QStringList{journals().first() + QStringLiteral(".blobs")});
    EXPECT_EQ(HistoryLabel(state()), "-1/-1");  // nothing restored
    if (c.secondSessionEndsCleanly) {
      cleanEnd();
    } else {
      crash();
      ui.yesNoAnswers = {false};
      startAgain();
      EXPECT_EQ(questionsAsked(), 2);
      crash();
    }
    EXPECT_TRUE(journals().isEmpty());
    EXPECT_TRUE(blobFiles().isEmpty());

    startAgain();
    EXPECT_EQ(questionsAsked(), c.secondSessionEndsCleanly ? 1 : 2);
    cleanEnd();
    ui.requests.clear();
    startAgain();
  }
}

TEST_F(Recovery, OnlyJournalsOfEndedProcessesAreOffered) {
  QDir().mkpath(journalFolder());
  // Unreadable: kept under another name, never deleted and never offered.
  const QString garbage = QDir(journalFolder()).filePath(QStringLiteral("journal-1-1.pfj"));
  ASSERT_TRUE(WriteFileAtomically(LocalPath(garbage), std::vector<std::uint8_t>(100, 0x55)));
  ASSERT_TRUE(WriteFileAtomically(LocalPath(JournalBlobPath(garbage)), std::vector<std::uint8_t>(10, 0x55)));
  // Blobs whose journal an ended editor never wrote: nothing to offer, so they go.
  const QString stray = QDir(journalFolder()).filePath(QStringLiteral("journal-2-2.pfj.blobs"));
  ASSERT_TRUE(WriteFileAtomically(LocalPath(stray), std::vector<std::uint8_t>(10, 0x55)));
  // A journal of a running editor: its lock is held.
  QString problem;
  std::unique_ptr<JournalStore> running = JournalStore::open(journalFolder(), &problem);
  ASSERT_NE(running, nullptr) << problem.toStdString();
  RecoveryState work;
  work.picture = JournalPicture{};
  const EncodedJournal encoded = EncodeJournal(work);
  ASSERT_TRUE(WriteFileAtomically(LocalPath(JournalBlobPath(running->journalPath())),
                                  EncodeJournalBlobFile(encoded.blobs)));
  ASSERT_TRUE(WriteFileAtomically(LocalPath(running->journalPath()), encoded.journal));

  startJournal();
  EXPECT_EQ(questionsAsked(), 0);
  EXPECT_TRUE(QFile::exists(garbage + QStringLiteral(".unreadable")));
  EXPECT_TRUE(QFile::exists(JournalBlobPath(garbage + QStringLiteral(".unreadable"))));
  EXPECT_FALSE(QFile::exists(stray));
  EXPECT_TRUE(QFile::exists(running->journalPath()));
  EXPECT_TRUE(QFile::exists(JournalBlobPath(running->journalPath())));

  // Once that editor has gone, its journal is offered.
  running.reset();
  crash();
  startAgain();
  EXPECT_EQ(questionsAsked(), 1);
}

TEST_F(Recovery, AFolderThatCannotBeWrittenMeansNoJournal) {
  QFile blocker(folder.filePath(QStringLiteral("file")));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  SessionJournal none(*app, folder.filePath(QStringLiteral("file/state")));
  EXPECT_FALSE(none.active());
  EXPECT_FALSE(none.offerAndStart());
  // The program runs on: typing works, and nothing waits on a journal.
  clickCell(0, 0);
  key(Qt::Key_5);
  EXPECT_EQ(pixel(0, 0), 5);
  none.end();
}

TEST_F(Recovery, UnchangedWorkIsNotWrittenAgain) {
  startJournal();
  ASSERT_NE(editAndTakeIntoArchive(), nullptr);
  journal->writer()->writeNow();
  journal->writer()->writeNow();
  EXPECT_EQ(journal->writer()->writes(), 1);
  // A new session that declined the old work has nothing of its own to keep yet.
  crash();
  startAgain();
  EXPECT_TRUE(CaptureRecoveryState(*app).empty());
}

}  // namespace
}  // namespace pf
