#include "settings/screen_settings.h"

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QPointer>
#include <QScreen>

#include "archive/archive_window.h"
#include "archive/composition_window.h"
#include "archive/file_browser.h"
#include "archive/work_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/photo_window.h"
#include "model/file_io.h"
#include "model/profile.h"
#include "model/window_layouts.h"
#include "settings/window_layout.h"
#include "support/app_fixture.h"
#include "tools/arithmetic.h"
#include "tools/check_pattern.h"
#include "tools/palette_array.h"

namespace pf {
namespace {

using testing::AppFixture;

class ScreenSettings : public AppFixture {
 protected:
  // Written before the program starts, when set.
  std::optional<QByteArray> startSettings;

  void SetUp() override {
    if (startSettings) {
      QFile f(folder.filePath(QStringLiteral("PF.ini")));
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(*startSettings);
    }
    AppFixture::SetUp();
  }
  void TearDown() override {
    ::chmod(iniPath().toLocal8Bit().constData(), 0644);
    AppFixture::TearDown();
  }

  QString iniPath() const { return folder.filePath(QStringLiteral("PF.ini")); }
  std::string ini() const {
    const auto bytes = ReadWholeFile(iniPath().toStdString());
    return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<unreadable>");
  }
  std::string stored(int pattern, const std::string& key) {
    return app->settings.ReadSetting(LayoutSection(pattern), key);
  }
  QString path(const char* name) const { return folder.filePath(QString::fromUtf8(name)); }
  // A work file whose first slot is all one palette index.
  void writeWork(const char* name, std::uint8_t index) {
    std::vector<std::uint8_t> bytes(kWorkFileSize, 0);
    std::fill_n(bytes.begin(), 512, static_cast<std::uint8_t>(index * 0x11));
    ASSERT_TRUE(WriteFileAtomically(path(name).toStdString(), bytes));
  }
  Form10* openArchive() {
    trigger("mnuHKN");
    auto* archive = qobject_cast<Form10*>(app->forms.forms().back());
    if (archive && !archive->wasActivated()) archive->activate();
    return archive;
  }
  Form27* openSettings() {
    key(Qt::Key_W);
    Form27* f = app->find<Form27>();
    EXPECT_NE(f, nullptr);
    return f;
  }
  static void run(Form* form, const char* action) {
    QAction* a = form->findChild<QAction*>(QString::fromLatin1(action));
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
  }
  // Chooses a pattern (1..10) the way a user does, by its option button.
  static void choose(Form27* f, int pattern) {
    clickIndicator(f->Option1[static_cast<std::size_t>(pattern - 1)]);
  }
  template <class F>
  std::vector<F*> all() const {
    std::vector<F*> out;
    for (Form* f : app->forms.forms()) {
      if (auto* typed = qobject_cast<F*>(f)) out.push_back(typed);
    }
    return out;
  }
  // Whether the screen setting window is gone (closed, or closed and deleted).
  static bool closed(const QPointer<Form27>& f) { return f.isNull() || f->isUnloaded(); }
  static QRect screen() { return QGuiApplication::primaryScreen()->availableGeometry(); }
  // Types a name as an input method commits Japanese text.
  static void typeName(QLineEdit* box, const QString& text) {
    box->setFocus();
    box->selectAll();
    QInputMethodEvent commit;
    commit.setCommitString(text);
    QCoreApplication::sendEvent(box, &commit);
  }
  void saveIconAs(const char* name) {
    ui.fileAnswers.push_back(path(name));
    trigger("mnuSAVE");
  }
};

TEST_F(ScreenSettings, FirstStartWritesExactlyTheStartLines) {
  // The editor's place is taken while it first shows, before the desktop may have settled its frame.
  const std::string text = ini();
  const auto top = ProfileRead(text, "FORM0", "MainTop").value_or("?");
  const auto left = ProfileRead(text, "FORM0", "MainLeft").value_or("?");
  const QString expected =
      QStringLiteral(
          "[FORM0]\r\nName = START\r\nnForm = 0\r\nMainVisible = True\r\nMainTop = %1\r\nMainLeft = %2\r\n"
          "[FORM1]\r\n[FORM2]\r\n[FORM3]\r\n[FORM4]\r\n[FORM5]\r\n[FORM6]\r\n[FORM7]\r\n[FORM8]\r\n[FORM9]"
          "\r\n"
          "[DIR]\r\nInput = %3\r\nOutput = %3\r\n")
          .arg(QString::fromStdString(top), QString::fromStdString(left), folder.path());
  EXPECT_EQ(text, expected.toStdString());
  const int t = std::stoi(top), l = std::stoi(left);
  EXPECT_EQ(t % 15, 0);
  EXPECT_EQ(l % 15, 0);
  // Pattern 0 then puts the editor there (onto the screen, had its frame started above it).
  const QRect frame = ic->frameGeometry();
  EXPECT_EQ(frame.topLeft(), ReachablePosition(QRect(QPoint(l / 15, t / 15), frame.size())));
  EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(ScreenSettings, WindowSettingOpensOneWindowOfTenNamedPatterns) {
  Form27* f = openSettings();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->windowTitle(), "画面設定フォーム");
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(f->Option1[i]->text(), QStringLiteral("パターン%1").arg(i + 1));
    EXPECT_EQ(f->Text1[i]->text(), i == 0 ? "START" : "");
    EXPECT_EQ(f->Option1[i]->geometry().top(), 4 + 32 * i);
  }
  EXPECT_TRUE(f->Option1[0]->isChecked());
  EXPECT_EQ(f->patternSection(), "FORM0");
  EXPECT_EQ(f->Command1->text(), "全てを閉じてPictoforgeを終了します。");
  trigger("mnuSaveWindow");
  EXPECT_EQ(all<Form27>().size(), 1u) << "the menu item shows the same window";
  choose(f, 7);
  EXPECT_EQ(f->patternSection(), "FORM6");
  run(f, "mnuEND");
  EXPECT_TRUE(f->isUnloaded());
  EXPECT_EQ(openSettings()->patternSection(), "FORM6") << "the choice is kept while the program runs";
}

TEST_F(ScreenSettings, SavedWindowsComeBackWithTheirPlacesAndFiles) {
  writeWork("pf1.wrk", 9);
  writeWork("pf2.wrk", 3);
  saveIconAs("shown.ico");
  Form10* first = openArchive();
  Form10* second = openArchive();
  key(Qt::Key_P);
  auto* palettes = app->find<Form12>();
  ASSERT_TRUE(first && second && palettes);
  ic->move(100, 30);
  first->move(40, 60);
  second->move(300, 90);
  palettes->move(450, 20);

  Form27* f = openSettings();
  choose(f, 3);
  run(f, "mnuSAVE");
  EXPECT_TRUE(f->isUnloaded());
  EXPECT_EQ(stored(2, "Name"), "パターン3") << "an empty box and no old name";
  EXPECT_EQ(stored(2, "nForm"), "3");
  EXPECT_EQ(stored(2, "MainVisible"), "True");
  EXPECT_EQ(stored(2, "MainTop"), "450");
  EXPECT_EQ(stored(2, "MainLeft"), "1500");
  EXPECT_EQ(stored(2, "File"), path("shown.ico").toStdString());
  const char* names[] = {"Form10", "Form10", "Form12"};
  const QPoint places[] = {{40, 60}, {300, 90}, {450, 20}};
  for (int i = 1; i <= 3; ++i) {
    const std::string n = std::to_string(i);
    EXPECT_EQ(stored(2, "Chld" + n), names[i - 1]);
    EXPECT_EQ(stored(2, "ChldTop" + n), std::to_string(places[i - 1].y() * 15));
    EXPECT_EQ(stored(2, "ChldLeft" + n), std::to_string(places[i - 1].x() * 15));
  }
  EXPECT_EQ(stored(2, "ChldFile1"), path("pf1.wrk").toStdString()) << "each archive its own file key";
  EXPECT_EQ(stored(2, "ChldFile2"), path("pf2.wrk").toStdString());
  EXPECT_EQ(ini().find("ChldFile3"), std::string::npos);
  EXPECT_EQ(stored(0, "Name"), "START");

  // Another arrangement, then pattern 3 by its key.
  trigger("mnuCHLDCLOSE");
  key(Qt::Key_G);
  ic->move(0, 0);
  key(Qt::Key_7);
  f = openSettings();
  EXPECT_TRUE(f->Option1[2]->isChecked());
  EXPECT_EQ(f->Text1[2]->text(), "パターン3");
  QTest::keyClick(f->Option1[2], Qt::Key_3);
  EXPECT_TRUE(closed(f));
  EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(' ').toStdString();
  EXPECT_TRUE(all<Form8>().empty()) << "what was open is closed";
  EXPECT_EQ(ic->frameGeometry().topLeft(), QPoint(100, 30));
  EXPECT_EQ(ic->FileName, path("shown.ico"));
  EXPECT_EQ(pixel(0, 0), 0) << "the saved file is open again";
  const std::vector<Form10*> archives = all<Form10>();
  ASSERT_EQ(archives.size(), 2u);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(archives[i]->frameGeometry().topLeft(), places[i]);
    EXPECT_EQ(archives[i]->archiveSlots()[1].pixels[0], i == 0 ? 9 : 3) << "its work file is loaded";
  }
  ASSERT_NE(app->find<Form12>(), nullptr);
  EXPECT_EQ(app->find<Form12>()->frameGeometry().topLeft(), places[2]);
}

TEST_F(ScreenSettings, PatternsLoadByKeyPadAndDoubleClickButNotWhileTypingAName) {
  key(Qt::Key_M);
  Form27* f = openSettings();
  choose(f, 2);
  typeName(f->Text1[1], QStringLiteral("移動用"));
  run(f, "mnuSAVE");
  EXPECT_EQ(stored(1, "Name"), "移動用");
  EXPECT_EQ(stored(1, "Chld1"), "Form15");

  trigger("mnuCHLDCLOSE");
  f = openSettings();
  QTest::keyClick(f->Text1[4], Qt::Key_2);
  EXPECT_FALSE(f->isUnloaded()) << "a digit typed into a name box is part of the name";
  EXPECT_EQ(f->Text1[4]->text(), "2");
  QTest::keyClick(f->Option1[1], Qt::Key_2, Qt::KeypadModifier);
  EXPECT_TRUE(closed(f));
  EXPECT_TRUE(app->state.Form15Open);

  trigger("mnuCHLDCLOSE");
  EXPECT_FALSE(app->state.Form15Open);
  f = openSettings();
  choose(f, 1);
  QTest::mouseDClick(f->Option1[1], Qt::LeftButton, Qt::NoModifier, QPoint(8, 12));
  EXPECT_TRUE(closed(f));
  EXPECT_TRUE(app->state.Form15Open);
  EXPECT_EQ(app->SelectedPattern, 1);
}

TEST_F(ScreenSettings, ClearingEmptiesAPatternButKeepsItsHeaderAndPatternOne) {
  key(Qt::Key_P);
  Form27* f = openSettings();
  choose(f, 2);
  typeName(f->Text1[1], QStringLiteral("仕事"));
  run(f, "mnuSAVE");
  f = openSettings();
  typeInto(f->Text1[1], QString());
  run(f, "mnuSAVE");
  EXPECT_EQ(stored(1, "Name"), "仕事") << "an emptied box keeps the old name";
  const std::string saved = ini();

  f = openSettings();
  ui.yesNoAnswers = {false};
  run(f, "mnuDel");
  ASSERT_EQ(ui.requests.size(), 1u);
  EXPECT_EQ(ui.requests[0].text, "削除してもいいですか？");
  EXPECT_EQ(ini(), saved) << "No changes nothing";
  EXPECT_EQ(f->Text1[1]->text(), "仕事");

  ui.yesNoAnswers = {true};
  run(f, "mnuDel");
  EXPECT_NE(ini().find("\r\n[FORM1]\r\n[FORM2]\r\n"), std::string::npos) << ini();
  EXPECT_EQ(f->Text1[1]->text(), "");
  run(f, "mnuLOAD");
  EXPECT_EQ(ui.messages.last(), "設定されていません。");
  EXPECT_FALSE(f->isUnloaded());

  choose(f, 1);
  run(f, "mnuDel");
  EXPECT_EQ(ui.messages.last(), "パターン１は削除できません。");
  EXPECT_EQ(ui.requests.size(), 2u) << "not even asked";
  EXPECT_EQ(stored(0, "Name"), "START");
  EXPECT_EQ(app->SelectedPattern, 0);
}

TEST_F(ScreenSettings, EditorRecordedHiddenBesideTheFullColourWindowStaysHiddenAndOpensNoFile) {
  saveIconAs("shown.ico");
  trigger("mnuFullColIcon");
  ASSERT_FALSE(ic->isVisible());
  ic->mnuSaveWindow_Click();  // what the full colour window's own item does
  Form27* f = app->find<Form27>();
  ASSERT_NE(f, nullptr);
  choose(f, 4);
  run(f, "mnuSAVE");
  EXPECT_EQ(stored(3, "MainVisible"), "False");
  EXPECT_EQ(stored(3, "File"), path("shown.ico").toStdString());
  EXPECT_EQ(stored(3, "Chld1"), "Form18");
  EXPECT_EQ(stored(3, "Chld2"), "Form20");
  EXPECT_EQ(stored(3, "ChldFile1"), "") << "no photo open";

  app->find<Form18>()->unload();
  ASSERT_TRUE(ic->isVisible());
  key(Qt::Key_7);
  f = openSettings();
  QTest::keyClick(f->Option1[0], Qt::Key_4);
  EXPECT_FALSE(ic->isVisible());
  EXPECT_EQ(pixel(0, 0), 7) << "the recorded file is not opened";
  ASSERT_NE(app->find<Form18>(), nullptr);
  ASSERT_NE(app->find<Form20>(), nullptr);
  EXPECT_EQ(all<Form20>().size(), 1u);
  app->find<Form18>()->unload();
  EXPECT_TRUE(ic->isVisible()) << "closing the photo window brings the editor back";
}

TEST_F(ScreenSettings, TheCloseAllButtonClosesEveryWindowAndTheEditor) {
  key(Qt::Key_P);
  Form27* f = openSettings();
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  EXPECT_TRUE(app->forms.forms().empty());
  EXPECT_TRUE(ic->isUnloaded());
}

TEST_F(ScreenSettings, ABrowserShowingAFolderNamedPictoforgeIsStillOneOfTheWindows) {
  const QString named = path("Pictoforge icons");
  ASSERT_TRUE(QDir().mkpath(named));
  app->settings.WriteSetting("DIR", "Input", named.toStdString());
  key(Qt::Key_L);
  ASSERT_NE(app->find<Form16>(), nullptr);
  ASSERT_TRUE(app->find<Form16>()->windowTitle().contains("Pictoforge"));
  Form27* f = openSettings();
  choose(f, 5);
  run(f, "mnuSAVE");
  EXPECT_EQ(stored(4, "Chld1"), "Form16");
  trigger("mnuCHLDCLOSE");
  EXPECT_EQ(app->find<Form16>(), nullptr);
}

TEST_F(ScreenSettings, FullColourWindowsComeBackAtTheirSizeAboveTheFullColourWindow) {
  QImage photo(640, 480, QImage::Format_RGB32);
  photo.fill(qRgb(10, 200, 30));
  ASSERT_TRUE(photo.save(path("photo.jpg"), "JPEG"));
  // A short work file whose first pixel (the top of the left cell column) is a colour no fresh window shows.
  std::vector<std::uint8_t> w24(100, 0);
  w24[0] = 0x10;  // blue, green, red
  w24[1] = 0x20;
  w24[2] = 0x30;
  ASSERT_TRUE(WriteFileAtomically(path("colours.w24").toStdString(), w24));
  LayoutRecord record;
  record.name = "full colour";
  record.mainVisible = false;
  record.children = {{"Form18", 0, 0, path("photo.jpg").toStdString()},
                     {"Form20", 0, 7500, ""},
                     {"Form25", 1500, 0, ""},
                     {"Form19", 1500, 0, ""},
                     {"Form23", 3000, 3000, path("colours.w24").toStdString()},
                     {"Form24", 4500, 3000, path("gone.msk").toStdString()}};
  ASSERT_TRUE(StoreLayoutPattern(app->settings.path(), 1, record));

  QTest::keyClick(openSettings()->Option1[0], Qt::Key_2);
  EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(' ').toStdString();
  EXPECT_FALSE(ic->isVisible());
  ASSERT_NE(app->find<Form18>(), nullptr);
  EXPECT_EQ(app->find<Form18>()->FileName, path("photo.jpg"));
  Form20* icon = app->find<Form20>();
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->SelectNum, 1) << "the 64 x 64 mask window chose its size first";
  EXPECT_EQ(app->state.FullColourMask.size(), 512u);
  const Form* mask = app->forms.findByName(QStringLiteral("Form25"));
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(mask->parentWidget(), icon);
  EXPECT_EQ(app->forms.findByName(QStringLiteral("Form19")), nullptr) << "one mask window at a time";
  const auto* colours = qobject_cast<ArchiveWindow*>(app->forms.findByName(QStringLiteral("Form23")));
  ASSERT_NE(colours, nullptr);
  EXPECT_EQ(colours->WorkFile, path("colours.w24"));
  EXPECT_EQ(colours->client().getPixel(65, 0), Rgb(0x30, 0x20, 0x10)) << "the cells show the work file";
  EXPECT_EQ(colours->client().getPixel(65, 1), 0);
  EXPECT_EQ(colours->parentWidget(), icon);
  EXPECT_EQ(colours->frameGeometry().topLeft(), QPoint(200, 200));
  const auto* masks = qobject_cast<ArchiveWindow*>(app->forms.findByName(QStringLiteral("Form24")));
  ASSERT_NE(masks, nullptr);
  EXPECT_NE(masks->WorkFile, path("gone.msk"));
}

class ScreenSettingsHandEdited : public ScreenSettings {
 protected:
  ScreenSettingsHandEdited() {
    // LF line ends, no [DIR], patterns missing, and everything a hand can get wrong.
    startSettings = QByteArray(
                        "[FORM0]\n"
                        "Name = START\n"
                        "nForm = 2\n"
                        "MainVisible = True\n"
                        "MainTop = 1500\n"
                        "MainLeft = 3000\n"
                        "Chld1 = Form10\n"
                        "ChldTop1 = 750\n"
                        "ChldLeft1 = 4500\n"
                        "ChldFile1 = ") +
                    path("mine.wrk").toUtf8() +
                    "\n"
                    "Chld2 = Form27\n"
                    "[FORM5]\n"
                    "Name=手書き\n"
                    "nForm=9999\n"
                    "MainVisible=true\n"
                    "MainTop=-99999999\n"
                    "MainLeft=1e30\n"
                    "File=/gone/x.ico\n"
                    "Chld1=Form27\n"
                    "Chld2=Form1; rm -rf ~\n"
                    "Chld3=Form10\n"
                    "ChldTop3=abc\n"
                    "ChldFile3=/gone/pf9.wrk\n"
                    "Chld4=Form7\n"
                    "ChldTop4=90000000\n"
                    "ChldLeft4=-90000000\n"
                    "Chld5=IC\n"
                    "Chld9998=Form18\n"
                    "ChldFile9998=/gone/photo.jpg\n"
                    "[FORM6]\n"
                    "Name=壊れ\n"
                    "nForm=1\n"
                    "MainVisible=\n"
                    "Chld1=Form5\n"
                    "[FORM7]\n"
                    "Name=隠すだけ\n"
                    "nForm=1\n"
                    "MainVisible=False\n"
                    "Chld1=Form27\n";
  }
  void SetUp() override {
    writeWork("mine.wrk", 5);
    ScreenSettings::SetUp();
  }
};

TEST_F(ScreenSettingsHandEdited, StartUpPatternReopensItsArchiveWithItsFile) {
  EXPECT_EQ(ic->frameGeometry().topLeft(), QPoint(200, 100));
  const std::vector<Form10*> archives = all<Form10>();
  ASSERT_EQ(archives.size(), 1u);
  EXPECT_EQ(archives[0]->WorkFile, path("mine.wrk"));
  EXPECT_EQ(archives[0]->frameGeometry().topLeft(), QPoint(300, 50));
  EXPECT_EQ(archives[0]->archiveSlots()[1].pixels[0], 5);
  EXPECT_EQ(app->find<Form27>(), nullptr) << "the screen setting window is never restored";
  EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(ScreenSettingsHandEdited, BrokenEntriesArePassedOverSilentlyAndNothingIsWritten) {
  const std::string before = ini();
  Form27* f = openSettings();
  EXPECT_EQ(f->Text1[5]->text(), "手書き");
  choose(f, 6);
  run(f, "mnuLOAD");
  EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(' ').toStdString();
  EXPECT_TRUE(ic->isVisible());
  EXPECT_TRUE(screen().contains(ic->frameGeometry().topLeft())) << "brought back onto the screen";
  EXPECT_EQ(ic->FileName, "") << "the recorded file is gone";
  const std::vector<Form10*> archives = all<Form10>();
  ASSERT_EQ(archives.size(), 1u);
  EXPECT_EQ(archives[0]->WorkFile, "") << "its file is gone: it opens empty";
  Form7* check = app->find<Form7>();
  ASSERT_NE(check, nullptr);
  EXPECT_TRUE(screen().intersects(check->frameGeometry()));
  ASSERT_NE(app->find<Form18>(), nullptr);
  EXPECT_EQ(app->find<Form18>()->FileName, "");
  EXPECT_EQ(app->find<Form27>(), nullptr);
  EXPECT_EQ(ini(), before) << "loading writes nothing";

  // A named pattern whose visibility is no boolean closes the windows and opens none.
  f = openSettings();
  choose(f, 7);
  run(f, "mnuLOAD");
  EXPECT_TRUE(closed(f));
  EXPECT_EQ(app->forms.forms(), std::vector<Form*>({ic}));
  EXPECT_TRUE(ui.messages.isEmpty());

  // One that would hide the editor with no window left to come back from leaves it shown.
  f = openSettings();
  choose(f, 8);
  run(f, "mnuLOAD");
  EXPECT_TRUE(closed(f));
  EXPECT_TRUE(ic->isVisible());
}

class ScreenSettingsUnwritable : public ScreenSettings {
 protected:
  ScreenSettingsUnwritable() {
    startSettings = QByteArray("[FORM0]\r\nName=START\r\n[FORM1]\r\nName=keep\r\nnForm=0\r\n");
  }
};

TEST_F(ScreenSettingsUnwritable, ReadOnlySettingsAreNeitherSavedNorCleared) {
  ASSERT_EQ(::chmod(iniPath().toLocal8Bit().constData(), 0444), 0);
  const std::string before = ini();
  key(Qt::Key_P);
  Form27* f = openSettings();
  choose(f, 2);
  run(f, "mnuSAVE");
  EXPECT_EQ(ui.messages, QStringList({"SAVEできませんでした。"}));
  EXPECT_FALSE(f->isUnloaded()) << "not closed as if saved";
  ui.yesNoAnswers = {true};
  run(f, "mnuDel");
  EXPECT_EQ(ui.messages.last(), "SAVEできませんでした。") << "a 削除 that did not happen says so";
  EXPECT_EQ(f->Text1[1]->text(), "keep") << "still in the file";
  EXPECT_EQ(ini(), before);
}

TEST_F(ScreenSettings, SettingsThatAreAFolderLeaveTheProgramWorking) {
  // Replace the file by a folder, then start a second program in the same folder.
  app.reset();
  ASSERT_TRUE(QFile::remove(iniPath()));
  ASSERT_TRUE(QDir().mkdir(iniPath()));
  app = std::make_unique<App>(ui, folder.path(), folder.filePath("channel2.sock"));
  ic = app->start();
  if (!ic->wasActivated()) ic->activate();
  EXPECT_TRUE(QFileInfo(iniPath()).isDir());
  Form27* f = openSettings();
  for (QLineEdit* box : f->Text1) EXPECT_EQ(box->text(), "");
  run(f, "mnuLOAD");
  run(f, "mnuSAVE");
  EXPECT_EQ(ui.messages, QStringList({"設定されていません。", "SAVEできませんでした。"}));
  ASSERT_TRUE(QDir().rmdir(iniPath()));
}

}  // namespace
}  // namespace pf
