#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <functional>

#include "support/app_fixture.h"
#include "tools/check_pattern.h"

namespace pf {
namespace {

using testing::AppFixture;

class CheckPatternWindow : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ic->SelectPalNum = 3;
    form = app->single<Form7>();
  }
  QLineEdit* box(int k) { return form->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(k)); }
  QLabel* swatch(int k) { return form->findChild<QLabel*>(QStringLiteral("Label2_%1").arg(k)); }
  void type(int k, const QString& text) { typeInto(box(k), text); }
  void chooseMode(int k) {
    clickIndicator(form->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(k)));
  }
  void settings(const char* c1, const char* c2, const char* size, int mode) {
    type(0, QString::fromLatin1(c1));
    type(1, QString::fromLatin1(c2));
    type(2, QString::fromLatin1(size));
    chooseMode(mode);
  }
  void apply() { form->findChild<QAction*>("mnuDo")->trigger(); }
  // What the main window does after a palette pick while the window is open.
  void pickPalette(int n) {
    ic->SelectPalNum = n;
    form->RGBSET();
  }
  // Storage row y from the bottom, column x.
  int at(int x, int y) { return state().IconPixels[static_cast<std::size_t>(y * 32 + x)]; }
  bool showsColourOf(int k, int entry) {
    const QColor c = swatch(k)->palette().color(QPalette::Window);
    const ColorRef want = paletteColour(entry);
    return swatch(k)->autoFillBackground() && c == QColor(RedOf(want), GreenOf(want), BlueOf(want));
  }

  Form7* form = nullptr;
};

TEST_F(CheckPatternWindow, LoadsWithTheSelectedEntryEntryOneAndSizeTwo) {
  EXPECT_EQ(form->windowTitle(), "チェック");
  EXPECT_TRUE(state().Form7Open);
  EXPECT_EQ(box(0)->text(), "3");
  EXPECT_EQ(box(1)->text(), "1");
  EXPECT_EQ(box(2)->text(), "2");
  EXPECT_TRUE(showsColourOf(0, 3));
  EXPECT_TRUE(showsColourOf(1, 1));
  EXPECT_TRUE(form->Option1[0]->isChecked());
  form->findChild<QAction*>("mnuEND")->trigger();
  EXPECT_FALSE(state().Form7Open);
}

TEST_F(CheckPatternWindow, CellsStartWithColourTwoAtTheBottomLeftAndAreCutAtTheEdges) {
  settings("0", "15", "1", 0);
  apply();
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(at(x, y), (x + y) % 2 == 0 ? 15 : 0) << x << "," << y;
  }
  // Size 31: a 31 x 31 cell, a column and a row of 1 pixel, and the 1 x 1 corner.
  settings("4", "9", "31", 0);
  apply();
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_EQ(at(x, y), (x == 31) == (y == 31) ? 9 : 4) << x << "," << y;
  }
}

TEST_F(CheckPatternWindow, CombinesThePatternWithEveryMode) {
  using Expect = std::function<int(int pixel, int pattern)>;
  const struct {
    int mode;
    Expect expect;
  } cases[] = {{0, [](int, int p) { return p; }},
               {1, [](int v, int p) { return v ^ p; }},
               {2, [](int v, int p) { return v | p; }},
               {3, [](int v, int p) { return v & p; }}};
  for (const auto& c : cases) {
    for (int i = 0; i < kPixelCount; ++i) state().IconPixels[static_cast<std::size_t>(i)] = (i * 5) % 16;
    settings("3", "12", "4", c.mode);
    const int historyBefore = state().HistoryIndex;
    apply();
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        const int pattern = ((y / 4) + (x / 4)) % 2 == 0 ? 12 : 3;
        ASSERT_EQ(at(x, y), c.expect(((y * 32 + x) * 5) % 16, pattern)) << "mode " << c.mode;
      }
    }
    EXPECT_EQ(state().HistoryIndex, historyBefore + 1) << "mode " << c.mode;
  }
}

TEST_F(CheckPatternWindow, CopyThenXorWithTheSameSettingsClearsThePicture) {
  settings("0", "15", "4", 0);
  apply();
  chooseMode(1);
  apply();
  for (int i = 0; i < kPixelCount; ++i) ASSERT_EQ(state().IconPixels[static_cast<std::size_t>(i)], 0);
}

TEST_F(CheckPatternWindow, NothingHappensWithoutAUsableSizeOrColour) {
  const struct {
    const char* c1;
    const char* c2;
    const char* size;
  } cases[] = {{"0", "15", "0"},  {"0", "15", ""},  {"0", "15", "-3"}, {"0", "15", "x"},
               {"20", "15", "2"}, {"0", "-1", "2"}, {"0", "16", "2"}};
  state().IconPixels.fill(6);
  ic->DoShow();
  for (const auto& c : cases) {
    settings(c.c1, c.c2, c.size, 0);
    const int historyBefore = state().HistoryIndex;
    apply();
    for (int i = 0; i < kPixelCount; ++i) {
      ASSERT_EQ(state().IconPixels[static_cast<std::size_t>(i)], 6) << c.c1 << " " << c.c2 << " " << c.size;
    }
    EXPECT_EQ(state().HistoryIndex, historyBefore);
  }
  // A box that holds no palette number shows no colour.
  type(0, "20");
  EXPECT_FALSE(swatch(0)->autoFillBackground());
  type(0, "7");
  EXPECT_TRUE(showsColourOf(0, 7));
}

TEST_F(CheckPatternWindow, SizeAbove31BecomesThirtyOne) {
  const struct {
    const char* typed;
    const char* shown;
  } cases[] = {{"45", "31"}, {"32", "31"}, {"31", "31"}, {"7", "7"}, {"-5", "-5"}};
  for (const auto& c : cases) {
    type(2, QString::fromLatin1(c.typed));
    EXPECT_EQ(box(2)->text(), QString::fromLatin1(c.shown)) << c.typed;
  }
}

TEST_F(CheckPatternWindow, PalettePickGoesToTheLastClickedBox) {
  pickPalette(9);
  EXPECT_EQ(box(0)->text(), "9");
  EXPECT_TRUE(showsColourOf(0, 9));

  QTest::mouseClick(box(1), Qt::LeftButton);
  EXPECT_EQ(form->targetBox(), 1);
  pickPalette(12);
  EXPECT_EQ(box(1)->text(), "12");
  EXPECT_TRUE(showsColourOf(1, 12));
  EXPECT_EQ(box(0)->text(), "9");
  EXPECT_TRUE(ui.messages.isEmpty());

  QTest::mouseClick(box(2), Qt::LeftButton);
  pickPalette(5);
  EXPECT_EQ(box(2)->text(), "5") << "the size box still takes the number";
  EXPECT_EQ(ui.messages, QStringList{QStringLiteral("フォーカスがずれています。")});
  EXPECT_EQ(box(1)->text(), "12");

  // Typing a number into a palette box moves its swatch too.
  type(1, "15");
  EXPECT_TRUE(showsColourOf(1, 15));
}

}  // namespace
}  // namespace pf
