// The editor closed while one of its dialogs runs a modal loop: the dialog ends, the window is deleted
// only after the loop, and nothing of it is used after it is gone.
#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "settings/screen_settings.h"
#include "support/app_fixture.h"
#include "tools/bitmap_size.h"

namespace pf {
namespace {

std::vector<QDialog*> OpenDialogs() {
  std::vector<QDialog*> open;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* d = qobject_cast<QDialog*>(w); d && d->isVisible()) open.push_back(d);
  }
  return open;
}

// Presses the close-everything button of the screen setting window, as assistive technology can while a
// modal dialog is open, once `ready` holds. A second timer dismisses whatever dialog is left, so that a
// failure shows as a failed expectation and not as a test that never ends.
class CloseFromOutside {
 public:
  CloseFromOutside(Form27* settings, std::function<bool()> ready) {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this, settings, ready] {
      if (!pressed_ && ready()) {
        pressed_ = true;
        settings->Command1->click();
      } else if (++ticks_ > 200) {
        for (QDialog* left : OpenDialogs()) {
          leftOpen_ = true;
          left->reject();
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
          leftOpen_ = true;
          modal->close();
        }
      }
    });
    timer_.start();
  }
  bool pressed() const { return pressed_; }
  bool dialogLeftOpen() const { return leftOpen_; }

 private:
  QTimer timer_;
  bool pressed_ = false;
  int ticks_ = 0;
  bool leftOpen_ = false;
};

TEST(Ending, TheEditorClosedUnderItsMessageBoxWaitsForTheBoxAndCancelsIt) {
  InstallFontSubstitutes();
  QTemporaryDir folder;
  ASSERT_TRUE(QFile::copy(QStringLiteral(PF_SOURCE_DIR "/data/Pal.pal"), folder.filePath("Pal.pal")));
  QtUi ui;
  App app(ui, folder.path(), folder.filePath("channel.sock"));
  QPointer<IC> ic = app.start();
  if (!ic->wasActivated()) ic->activate();
  Form27* settings = app.single<Form27>();

  // The version box is a real QMessageBox, modal, on the stack of the command showing it.
  CloseFromOutside closer(settings, [] { return !OpenDialogs().empty(); });
  ic->menuAction(QStringLiteral("mnuVersion"))->trigger();
  EXPECT_TRUE(closer.pressed());
  EXPECT_FALSE(closer.dialogLeftOpen()) << "closing the editor ends its box";
  ASSERT_FALSE(ic.isNull()) << "still there while its command returns";
  EXPECT_TRUE(ic->isUnloaded());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(ic.isNull());
  EXPECT_TRUE(app.forms.forms().empty());
}

class EndingWithScriptedDialogs : public testing::AppFixture {};

TEST_F(EndingWithScriptedDialogs, TheEditorClosedUnderTheBitmapSizeWindowFinishesTheSaveFirst) {
  Form27* settings = app->single<Form27>();
  const QString file = folder.filePath("closing.bmp");
  ui.fileAnswers.push_back(file);
  setPixel(0, 31, 5);
  // The changed picture is asked about before everything closes.
  ui.yesNoAnswers.push_back(true);
  QPointer<IC> editor = ic;
  CloseFromOutside closer(settings, [this] { return app->find<Form6>() != nullptr; });
  trigger("mnuFBSAVE");
  EXPECT_TRUE(closer.pressed());
  EXPECT_FALSE(closer.dialogLeftOpen());
  ASSERT_FALSE(editor.isNull()) << "the save command runs to its end on a live window";
  EXPECT_TRUE(editor->isUnloaded());
  EXPECT_EQ(app->settings.ReadSetting("DIR", "LoadBitmap"), folder.path().toStdString())
      << "the command's last step ran";
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(editor.isNull());
}

TEST(Starting, AKeyTypedBeforeTheEditorsFirstActivationLandsOnTheNewPicture) {
  InstallFontSubstitutes();
  QTemporaryDir folder;
  ASSERT_TRUE(QFile::copy(QStringLiteral(PF_SOURCE_DIR "/data/Pal.pal"), folder.filePath("Pal.pal")));
  ScriptedUi ui;
  App app(ui, folder.path(), folder.filePath("channel.sock"));
  // Loaded, not yet shown or activated: what a slow start gives the first keys.
  IC* ic = app.singleLoaded<IC>();
  ASSERT_FALSE(ic->wasActivated());
  QTest::keyClick(ic->clientArea(), Qt::Key_5);
  EXPECT_TRUE(ic->wasActivated());
  ic->show();
  // The caret starts on the top-left cell.
  EXPECT_EQ(app.state.IconPixels[31 * 32 + 0], 5) << "the first key is kept, also once the window shows";
}

}  // namespace
}  // namespace pf
