// The main window draws only what a change touches. Two editors take the same steps, one redrawing every
// cell each time; after every step both windows hold the same pixels, and the screen shows exactly the
// window painted afresh, so that drawing less can never show something different.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "app/app.h"
#include "editor/main_window.h"
#include "model/file_io.h"
#include "model/icon_file.h"
#include "platform/fonts.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

struct Editor {
  QTemporaryDir folder;
  ScriptedUi ui;
  std::unique_ptr<App> app;
  IC* ic = nullptr;

  explicit Editor(bool whole) {
    InstallFontSubstitutes();
    QFile::copy(QStringLiteral(PF_SOURCE_DIR "/data/Pal.pal"), folder.filePath("Pal.pal"));
    app = std::make_unique<App>(ui, folder.path(), folder.filePath("channel.sock"));
    ic = app->start();
    if (!ic->wasActivated()) ic->activate();
    // Blinks come from the test alone, at the same moments in both editors.
    ic->stopBlinking();
    ic->setRedrawWhole(whole);
  }
  void key(Qt::Key k) { QTest::keyClick(ic->clientArea(), k); }
  void keys(std::initializer_list<Qt::Key> ks) {
    for (Qt::Key k : ks) key(k);
  }
  void clickCell(int column, int row) {
    QTest::mouseClick(ic->clientArea(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(8 * column + 3, 57 + 16 * row + 5));
  }
  // Blinks until the caret shows on its own background.
  void showCaret() {
    ic->Timer1_Timer();
    if (!ic->Flag) ic->Timer1_Timer();
  }
  void trigger(const char* name) { ic->menuAction(QString::fromLatin1(name))->trigger(); }
  void label(const char* name) {
    QTest::mouseClick(ic->findChild<QLabel*>(QString::fromLatin1(name)), Qt::LeftButton);
  }
  // What the screen shows of the window's client area.
  QImage onScreen() const {
    const QPoint at = ic->clientArea()->mapTo(ic, QPoint(0, 0));
    return ic->screen()
        ->grabWindow(ic->winId(), at.x(), at.y(), ic->client().width(), ic->client().height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
  }
};

struct Step {
  const char* what;
  std::function<void(Editor&)> act;
};

TEST(Redraw, EveryStepShowsWhatAWholeRedrawShows) {
  Editor partial(false);
  Editor whole(true);
  const std::vector<Step> steps = {
      {"a digit", [](Editor& e) { e.key(Qt::Key_5); }},
      {"the same digit again", [](Editor& e) { e.key(Qt::Key_5); }},
      {"a move and a letter",
       [](Editor& e) {
         e.keys({Qt::Key_Right, Qt::Key_A});
       }},
      {"a row of digits",
       [](Editor& e) {
         for (int i = 0; i < 12; ++i) e.keys({Qt::Key(Qt::Key_0 + i % 10), Qt::Key_Right});
       }},
      {"a blink, then a digit under the caret",
       [](Editor& e) {
         e.showCaret();
         e.key(Qt::Key_9);
       }},
      {"blinks while the caret moves, then a digit",
       [](Editor& e) {
         e.showCaret();
         e.keys({Qt::Key_Down, Qt::Key_Down});
         e.showCaret();
         e.keys({Qt::Key_Left, Qt::Key_C});
       }},
      {"the caret shown", [](Editor& e) { e.showCaret(); }},
      {"a pixel elsewhere changed by a tool window while the caret shows",
       [](Editor& e) {
         e.app->state.IconPixels[5] = 14;
         e.ic->DoShow();
       }},
      {"a click on a cell and a digit",
       [](Editor& e) {
         e.clickCell(31, 31);
         e.key(Qt::Key_F);
       }},
      {"the bottom-left cell, where the caret wraps",
       [](Editor& e) {
         e.clickCell(0, 31);
         e.keys({Qt::Key_Left, Qt::Key_3, Qt::Key_Up, Qt::Key_Delete});
       }},
      {"shift right", [](Editor& e) { e.trigger("mnuBSR"); }},
      {"shift up", [](Editor& e) { e.trigger("mnuBSUP"); }},
      {"back twice",
       [](Editor& e) {
         e.label("Label1_0");
         e.label("Label1_0");
       }},
      {"forward", [](Editor& e) { e.label("Label1_1"); }},
      {"a digit after going back", [](Editor& e) { e.key(Qt::Key_7); }},
      {"a palette entry changed by a tool window",
       [](Editor& e) {
         e.showCaret();
         e.app->state.IconPalette[5] = PaletteEntry{10, 200, 30, 0};
         e.ic->DoShow();
       }},
      {"clear", [](Editor& e) { e.trigger("mnuBCLS"); }},
      {"digits on the cleared picture",
       [](Editor& e) {
         e.keys({Qt::Key_2, Qt::Key_Down, Qt::Key_4});
       }},
      {"a new 16 x 16 icon", [](Editor& e) { e.trigger("mnuNew16"); }},
      {"a digit on it",
       [](Editor& e) {
         e.keys({Qt::Key_Right, Qt::Key_B});
       }},
  };
  for (const Step& step : steps) {
    step.act(partial);
    step.act(whole);
    QApplication::processEvents();
    SCOPED_TRACE(step.what);
    ASSERT_EQ(partial.ic->client().image(), whole.ic->client().image());
    // The screen against the whole client area painted afresh, its labels included.
    ASSERT_EQ(partial.onScreen(),
              partial.ic->clientArea()->grab().toImage().convertToFormat(QImage::Format_RGB32));
    // And the whole window: menus, labels and the status bar.
    const auto [screen, fresh] = testing::ScreenAgainstFreshPaint(partial.ic);
    ASSERT_EQ(screen, fresh);
  }
}

// The status bar is laid out again only when a panel's text changes what the panel needs: a long file
// name still takes room from the other panels, and gives it back.
TEST(Redraw, StatusPanelsMakeRoomForALongFileName) {
  Editor e(false);
  // A new text asks the panel's holder, which asks the bar: two rounds of posted events.
  auto settle = [] {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  };
  auto widths = [&] {
    std::vector<int> w;
    for (int i = 1; i <= 3; ++i)
      w.push_back(e.ic->findChild<QLabel*>(QStringLiteral("StatusBar1Panel%1").arg(i))->width());
    return w;
  };
  settle();
  const std::vector<int> plain = widths();
  const QString name = e.folder.filePath(
      QStringLiteral("an_icon_whose_name_is_far_longer_than_its_panel_of_the_status_bar.ico"));
  ASSERT_TRUE(
      WriteFileAtomically(name.toStdString(), BuildIcon32(Palette{}, std::array<std::uint8_t, kPackedSize>{},
                                                          std::array<std::uint8_t, kMaskSize>{})));
  e.ic->AutoFileOpen(name);
  settle();
  QLabel* panel2 = e.ic->findChild<QLabel*>(QStringLiteral("StatusBar1Panel2"));
  ASSERT_EQ(e.ic->statusPanel(2), QFileInfo(name).fileName());
  EXPECT_GT(widths()[1], plain[1]);
  EXPECT_LT(widths()[0], plain[0]);
  for (int i = 0; i < 20; ++i) e.keys({Qt::Key_Right, Qt::Key_7});
  settle();
  EXPECT_EQ(panel2->width(), widths()[1]);
  e.trigger("mnuNEW");
  settle();
  EXPECT_EQ(widths(), plain);
}

}  // namespace
}  // namespace pf
