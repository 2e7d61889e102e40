#include "app/recovery.h"

#include <QtTest/qtestspontaneevent.h>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QPushButton>
#include <algorithm>
#include <functional>

#include "archive/work_archive.h"
#include "fullcolour/full_colour_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/mask_archive.h"
#include "fullcolour/photo_window.h"
#include "model/file_io.h"
#include "model/history.h"
#include "model/work_file.h"
#include "platform/file_name_sender.h"
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
  // A new process up to its editor, before the journal's question.
  void startEditor() {
    app = std::make_unique<App>(ui, folder.path(), folder.filePath(QStringLiteral("channel.sock")));
    ic = app->start();
    if (!ic->wasActivated()) ic->activate();
  }
  void startAgain() {
    startEditor();
    startJournal();
  }
  std::array<std::uint8_t, kPixelCount> shownPixels() {
    std::array<std::uint8_t, kPixelCount> p{};
    std::copy_n(state().IconPixels.begin(), kPixelCount, p.begin());
    return p;
  }
  void press(int label) {  // 0 戻す, 1 進む
    QTest::mouseClick(ic->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(label)), Qt::LeftButton);
  }
  // Ten digits along the top row: ten undo records, 9/9.
  void typeTenDigits() {
    clickCell(0, 0);
    for (int i = 0; i < 10; ++i) {
      key(static_cast<Qt::Key>(Qt::Key_1 + i % 9));
      key(Qt::Key_Right);
    }
  }
  Form* open(const char* name) {
    Form* form = app->createByName(QString::fromLatin1(name));
    if (form && !form->wasActivated()) form->activate();
    return form;
  }
  int questionsAsked() const {
    return static_cast<int>(
        std::count_if(ui.requests.begin(), ui.requests.end(),
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
    startEditor();
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

TEST_F(Recovery, AfterStepsTheRestoreIsExactlyWhatWasLeft) {
  struct Case {
    int back, forward;
    const char* label;
  };
  for (const Case c : {Case{2, 0, "7/9"}, Case{2, 1, "8/9"}, Case{1, 1, "9/9"}, Case{0, 0, "9/9"}}) {
    SCOPED_TRACE(c.label);
    startJournal();
    typeTenDigits();
    for (int i = 0; i < c.back; ++i) press(0);
    for (int i = 0; i < c.forward; ++i) press(1);
    ASSERT_EQ(HistoryLabel(state()), c.label);
    const SharedState before = state();
    journal->writer()->writeNow();
    crash();

    ui.yesNoAnswers = {true};
    startAgain();
    EXPECT_EQ(HistoryLabel(state()), c.label);
    EXPECT_EQ(ic->findChild<QLabel*>(QStringLiteral("Label4"))->text(), c.label);
    ASSERT_EQ(state().HistoryLast, before.HistoryLast);
    for (int i = 0; i <= before.HistoryLast; ++i) {
      const auto n = static_cast<std::size_t>(i);
      EXPECT_TRUE(state().History[n].pixels == before.History[n].pixels) << "record " << i;
      EXPECT_TRUE(state().History[n].palette == before.History[n].palette) << "record " << i;
    }
    EXPECT_TRUE(state().IconPixels == before.IconPixels);
    // 進む reaches every record it reached before the kill, 戻す the first.
    for (int i = before.HistoryIndex + 1; i <= before.HistoryLast; ++i) {
      press(1);
      EXPECT_TRUE(shownPixels() == before.History[static_cast<std::size_t>(i)].pixels) << i;
    }
    for (int i = 0; i < 10; ++i) press(0);
    EXPECT_EQ(HistoryLabel(state()), "0/9");
    EXPECT_TRUE(shownPixels() == before.History[0].pixels);
    cleanEnd();
    startEditor();
    ui.requests.clear();
  }
}

TEST_F(Recovery, HandedFilesOpenAfterTheAnswer) {
  // A file to hand over: a 5 in the top-left corner.
  setPixel(0, 0, 5);
  const QString handed = folder.filePath(QStringLiteral("other.ico"));
  ui.fileAnswers = {handed};
  trigger("mnuSAVE");
  startJournal();
  typeTenDigits();
  press(0);
  const auto left = shownPixels();
  journal->writer()->writeNow();
  crash();

  // Named on the command line: the question first, then the file, one 戻す after the work.
  ui.yesNoAnswers = {true};
  startEditor();
  journal = std::make_unique<SessionJournal>(*app, journalFolder());
  EXPECT_TRUE(OfferRecoveryThenOpen(*app, journal.get(), handed));
  EXPECT_EQ(questionsAsked(), 1);
  EXPECT_EQ(ic->FileName, handed);
  EXPECT_EQ(pixel(0, 0), 5);
  EXPECT_EQ(HistoryLabel(state()), "9/9");
  press(0);
  EXPECT_TRUE(shownPixels() == left);

  // Through the channel while the question holds them: opened when the editor lets go.
  ic->holdHandedFiles(true);
  QLocalSocket socket;
  socket.connectToServer(folder.filePath(QStringLiteral("channel.sock")));
  ASSERT_TRUE(socket.waitForConnected(2000));
  socket.write(FileNameMessages(handed, kNameIsPictureFile));
  socket.waitForBytesWritten(2000);
  for (int i = 0; i < 50; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(pixel(0, 0), 1);
  ic->holdHandedFiles(false);
  EXPECT_EQ(pixel(0, 0), 5);
}

TEST_F(Recovery, ADamagedJournalSaysWhatIsLostAndIsKept) {
  struct Case {
    const char* what;
    bool cutBlobs;  // else a byte of the archive's section flipped
    const char* names;
  };
  for (const Case c : {Case{"a byte flipped", false, "保管庫の一つ"},
                       Case{"the blob file cut", true, "絵、戻す・進むの履歴、保管庫　1"}}) {
    SCOPED_TRACE(c.what);
    startJournal();
    ASSERT_NE(editAndTakeIntoArchive(), nullptr);
    journal->writer()->writeNow();
    const QString path = journal->journalPath();
    crash();
    std::vector<std::uint8_t> bytes = ReadWholeFile(LocalPath(path)).value();
    if (c.cutBlobs) {
      ASSERT_TRUE(WriteFileAtomically(LocalPath(JournalBlobPath(path)), JournalBlobFileHeader()));
    } else {
      const std::string tag = "ARCH";
      const auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
      ASSERT_NE(at, bytes.end());
      at[14] ^= 0x40;  // inside the payload, after the 12-byte section head
      ASSERT_TRUE(WriteFileAtomically(LocalPath(path), bytes));
    }
    ui.messages.clear();
    ui.yesNoAnswers = {true};
    startAgain();
    const QString kept = path + QStringLiteral(".unreadable");
    ASSERT_FALSE(ui.messages.isEmpty());
    EXPECT_TRUE(ui.messages.back().contains(QString::fromUtf8(c.names) + u'。'))
        << ui.messages.back().toStdString();
    EXPECT_TRUE(ui.messages.back().contains(kept)) << ui.messages.back().toStdString();
    EXPECT_TRUE(QFile::exists(kept));
    EXPECT_TRUE(QFile::exists(JournalBlobPath(kept)));
    // This session's own journal only: the damaged one is no journal any more.
    EXPECT_EQ(journals(),
              c.cutBlobs ? QStringList{} : QStringList{QFileInfo(journal->journalPath()).fileName()});
    if (c.cutBlobs) {
      EXPECT_EQ(questionsAsked(), 0);  // nothing to offer
    } else {
      EXPECT_EQ(pixel(2, 0), 3);  // the picture came back, the archive did not
      EXPECT_EQ(app->find<Form10>(), nullptr);
    }
    cleanEnd();
    QFile::remove(kept);
    QFile::remove(JournalBlobPath(kept));
    ui.requests.clear();
    startEditor();
  }
}

TEST_F(Recovery, TheQuestionSaysWhenAndWhatAndWhatNoDoes) {
  const QDateTime now(QDate(2026, 12, 9), QTime(15, 0));
  RecoveryState picture;
  picture.picture = JournalPicture{};
  RecoveryState all = picture;
  all.archives.resize(2);
  all.fullColour = JournalFullColour{};
  struct Case {
    const RecoveryState* work;
    QDateTime at;
    bool declined;
    const char* line;
    const char* no;
  };
  const Case cases[] = {
      {&picture, QDateTime(QDate(2026, 12, 9), QTime(12, 4)), false, "12:04 の作業: 絵", "もう一度だけ"},
      {&all, QDateTime(QDate(2026, 12, 8), QTime(9, 30)), true,
       "12月8日 09:30 の作業: 絵、保管庫 2 つとフルカラーアイコン", "この作業は破棄されます"},
  };
  for (const Case& c : cases) {
    const QString text = RecoveryQuestionText(*c.work, c.at, now, c.declined);
    SCOPED_TRACE(text.toStdString());
    EXPECT_TRUE(text.startsWith(kQuestion));
    EXPECT_TRUE(text.contains(u'\n' + QString::fromUtf8(c.line) + u'\n'));
    EXPECT_TRUE(text.contains(QString::fromUtf8(c.no)));
  }
  // The question asked names the work too.
  startJournal();
  ASSERT_NE(editAndTakeIntoArchive(), nullptr);
  journal->writer()->writeNow();
  crash();
  startAgain();
  EXPECT_TRUE(ui.requests.back().text.contains(QStringLiteral(" の作業: 絵と保管庫 1 つ\n")));
}

TEST_F(Recovery, ArchivesCountAsUnsavedOnlyWhenASlotChanged) {
  startJournal();
  // A work file longer than its format, whose last byte the window does not write itself either.
  std::vector<std::uint8_t> bytes(kWorkFileSize + 300, 0xAB);
  for (std::size_t i = 0; i < kWorkFileSize - 1; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  const QString file = folder.filePath(QStringLiteral("longer.wrk"));
  ASSERT_TRUE(WriteFileAtomically(LocalPath(file), bytes));
  auto* archive = static_cast<Form10*>(app->loadByName(QStringLiteral("Form10")));
  archive->WorkFile = file;
  app->show(archive);
  if (!archive->wasActivated()) archive->activate();
  ASSERT_NE(archive->slotBytes(), bytes);  // what the window writes differs from the file
  EXPECT_FALSE(archive->holdsUnsavedSlots());
  EXPECT_TRUE(CaptureRecoveryState(*app).archives.empty());
  EXPECT_TRUE(ic->unsavedWork().isEmpty());

  QTest::mouseDClick(archive->clientArea(), Qt::RightButton, Qt::NoModifier,
                     ArchiveWindow::cellOrigin(4) + QPoint(10, 10));
  EXPECT_TRUE(archive->holdsUnsavedSlots());
  EXPECT_EQ(CaptureRecoveryState(*app).archives.size(), 1u);
  EXPECT_EQ(ic->unsavedWork(), QStringList{archive->archiveName()});
  ui.fileAnswers = {file + QStringLiteral(".saved.wrk")};
  archive->mnuFSAVE_Click();
  EXPECT_FALSE(archive->holdsUnsavedSlots());
  archive->unload();
}

TEST_F(Recovery, ARestoredArchiveTakesItsNumberFromTheLayoutsEmptyOne) {
  startJournal();
  ASSERT_NE(editAndTakeIntoArchive(), nullptr);
  journal->writer()->writeNow();
  crash();
  ui.yesNoAnswers = {true};
  startEditor();
  // As a start-up layout would: 保管庫　1 with no work file behind it, and 保管庫　2 showing one.
  auto* empty = qobject_cast<Form10*>(open("Form10"));
  ASSERT_NE(empty, nullptr);
  empty->move(40, 50);
  const QString other = folder.filePath(QStringLiteral("other.wrk"));
  ASSERT_TRUE(WriteFileAtomically(LocalPath(other), std::vector<std::uint8_t>(kWorkFileSize, 0x11)));
  auto* second = static_cast<Form10*>(app->loadByName(QStringLiteral("Form10")));
  second->WorkFile = other;
  app->show(second);
  if (!second->wasActivated()) second->activate();
  ASSERT_EQ(empty->windowTitle(), QStringLiteral("保管庫　1"));
  ASSERT_EQ(second->archiveName(), QStringLiteral("保管庫　2"));
  startJournal();
  EXPECT_TRUE(empty->isUnloaded());
  EXPECT_FALSE(second->isUnloaded());
  std::vector<QString> titles;
  for (Form* f : app->forms.forms()) {
    if (qobject_cast<Form10*>(f) && !f->isUnloaded()) titles.push_back(f->windowTitle());
  }
  EXPECT_EQ(titles, (std::vector<QString>{QStringLiteral("保管庫　2"), QStringLiteral("保管庫　1 *")}));
}

TEST_F(Recovery, TheEditorStaysHiddenBehindThePhotoWindow) {
  startJournal();
  trigger("mnuFullColIcon");
  auto* photo = app->find<Form18>();
  auto* icon = app->find<Form20>();
  ASSERT_NE(photo, nullptr);
  ASSERT_NE(icon, nullptr);
  ASSERT_FALSE(ic->isVisible());
  if (!icon->wasActivated()) icon->activate();
  icon->client().setPixel(icon->workAreaOrigin().x() + 3, icon->workAreaOrigin().y() + 3, Rgb(9, 8, 7));
  const RecoveryState before = CaptureRecoveryState(*app);
  ASSERT_TRUE(before.view && before.view->editorHidden && before.view->photoWindowOpen);
  journal->writer()->writeNow();
  crash();

  ui.yesNoAnswers = {true};
  startAgain();
  ASSERT_NE(app->find<Form18>(), nullptr);
  EXPECT_TRUE(app->find<Form18>()->isVisible());
  EXPECT_FALSE(ic->isVisible());
  EXPECT_TRUE(CaptureRecoveryState(*app) == before);
  // Closing the photo window brings the editor back, as it did before the crash.
  app->find<Form18>()->unload();
  EXPECT_TRUE(ic->isVisible());
}

TEST_F(Recovery, EndingAsksFirstWhenWorkIsUnsaved) {
  const QString question =
      QStringLiteral("保存されていない変更があります（アイコン、保管庫　1）。終了しますか？");
  auto viaMenu = [this] { trigger("mnuEND"); };
  auto viaCloseButton = [this] {
    // As the window system hands over the title bar's close button: a spontaneous event.
    QCloseEvent event;
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(ic, &event);
  };
  auto viaLayoutWindow = [this] {
    trigger("mnuSaveWindow");
    QPushButton* all = app->forms.findByName(QStringLiteral("Form27"))->findChild<QPushButton*>("Command1");
    QTest::mouseClick(all, Qt::LeftButton);
  };
  struct Case {
    const char* how;
    std::function<void()> end;
  };
  for (const Case& c :
       {Case{"終了", viaMenu}, Case{"close button", viaCloseButton}, Case{"全てを閉じて", viaLayoutWindow}}) {
    SCOPED_TRACE(c.how);
    startJournal();
    Form10* archive = editAndTakeIntoArchive();
    ASSERT_NE(archive, nullptr);
    for (const bool answer : {false, true}) {
      ui.requests.clear();
      ui.yesNoAnswers = {answer};
      c.end();
      ASSERT_EQ(ui.requests.size(), 1u);
      EXPECT_EQ(ui.requests[0].text, question);
      EXPECT_EQ(ic->isUnloaded(), answer);
      // いいえ keeps everything open.
      if (!answer) {
        EXPECT_FALSE(archive->isUnloaded());
      }
    }
    cleanEnd();
    startEditor();

    // A change saved: nothing to ask.
    startJournal();
    clickCell(3, 3);
    key(Qt::Key_7);
    ui.fileAnswers = {folder.filePath(QString::fromUtf8(c.how) + QStringLiteral(".ico"))};
    trigger("mnuSAVE");
    ui.requests.clear();
    c.end();
    EXPECT_TRUE(ic->isUnloaded());
    EXPECT_TRUE(ui.requests.empty());
    cleanEnd();
    startEditor();
  }
}

}  // namespace
}  // namespace pf
