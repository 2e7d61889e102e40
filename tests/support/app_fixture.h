// A running program for window tests: a fresh App in a temporary program folder holding the shipped
// Pal.pal, dialogs answered by ScriptedUi, and helpers that press keys and click the way a user does.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "app/app.h"
#include "editor/main_window.h"
#include "platform/fonts.h"

namespace pf::testing {

// What the screen shows of a widget after the pending repaints, and the widget painted afresh. Windows
// repaint only what changed; the two are equal when nothing that changed was left out.
struct ScreenAndFresh {
  QImage screen;
  QImage fresh;
};
inline ScreenAndFresh ScreenAgainstFreshPaint(QWidget* widget) {
  QApplication::processEvents();
  QWidget* top = widget->window();
  const QPoint at = widget->mapTo(top, QPoint(0, 0));
  return {top->screen()
              ->grabWindow(top->winId(), at.x(), at.y(), widget->width(), widget->height())
              .toImage()
              .convertToFormat(QImage::Format_RGB32),
          widget->grab().toImage().convertToFormat(QImage::Format_RGB32)};
}

class AppFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFontSubstitutes();
    ASSERT_TRUE(folder.isValid());
    if (withPaletteFile) {
      ASSERT_TRUE(QFile::copy(QStringLiteral(PF_SOURCE_DIR "/data/Pal.pal"), folder.filePath("Pal.pal")));
    }
    app = std::make_unique<App>(ui, folder.path(), folder.filePath("channel.sock"));
    ic = app->start();
    // The offscreen platform may not activate windows by itself.
    if (!ic->wasActivated()) ic->activate();
  }

  void TearDown() override { app.reset(); }

  SharedState& state() { return app->state; }
  QWidget* canvas() { return ic->clientArea(); }

  void key(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(canvas(), k, modifiers);
  }
  void click(Qt::MouseButton button, int x, int y) {
    QTest::mouseClick(canvas(), button, Qt::NoModifier, QPoint(x, y));
  }
  // A menu command of the shared window F, as a step a table of commands can run.
  template <class F>
  std::function<void()> command(const char* action) {
    return [this, action] {
      F* form = app->single<F>();
      if (!form->wasActivated()) form->activate();
      form->template findChild<QAction*>(QString::fromLatin1(action))->trigger();
    };
  }
  void trigger(const char* actionName) {
    QAction* a = ic->menuAction(QString::fromLatin1(actionName));
    ASSERT_NE(a, nullptr) << actionName;
    ASSERT_TRUE(a->isEnabled()) << actionName;
    a->trigger();
  }
  // Puts the caret on a cell by clicking it.
  void clickCell(int column, int row) { click(Qt::LeftButton, 8 * column + 3, 57 + 16 * row + 5); }
  // The pixel at a display position (row counted from the top).
  std::uint8_t pixel(int column, int displayRow) {
    return state().IconPixels[static_cast<std::size_t>((31 - displayRow) * 32 + column)];
  }
  void setPixel(int column, int displayRow, int v) {
    state().IconPixels[static_cast<std::size_t>((31 - displayRow) * 32 + column)] =
        static_cast<std::uint8_t>(v);
  }
  // How many pixels of a window rectangle have exactly this colour.
  int countColour(int left, int top, int right, int bottom, ColorRef colour) {
    int n = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) {
        if (ic->client().getPixel(x, y) == static_cast<std::int64_t>(colour)) ++n;
      }
    }
    return n;
  }
  // Replaces a text box's text the way a user does: select all, then type (or delete).
  static void typeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    if (text.isEmpty()) {
      QTest::keyClick(box, Qt::Key_Delete);
    } else {
      QTest::keyClicks(box, text);
    }
  }
  // Clicks the indicator of an option button or check box.
  static void clickIndicator(QAbstractButton* button) {
    QTest::mouseClick(button, Qt::LeftButton, Qt::NoModifier, QPoint(8, button->height() / 2));
  }
  ColorRef paletteColour(int index) {
    return EntryColour(state().IconPalette[static_cast<std::size_t>(index)]);
  }

  bool withPaletteFile = true;
  QTemporaryDir folder;
  ScriptedUi ui;
  std::unique_ptr<App> app;
  IC* ic = nullptr;
};

}  // namespace pf::testing
