#include <QLineEdit>
#include <QRadioButton>
#include <functional>

#include "support/app_fixture.h"
#include "tools/arithmetic.h"
#include "tools/palette_conversion.h"

namespace pf {
namespace {

using testing::AppFixture;

class PaletteConversion : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form = app->single<Form4>();
  }
  QLineEdit* box(int k) { return form->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(k)); }
  void type(int k, const QString& text) { typeInto(box(k), text); }
  void chooseMode(int k) {
    clickIndicator(form->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(k)));
  }
  void execute() { QTest::mouseClick(form->findChild<QPushButton*>("Command2"), Qt::LeftButton); }
  bool fileMenuEnabled() { return ic->menu("mnuF")->menuAction()->isEnabled(); }
  // Every index 0..15 appears 64 times.
  void fillRamp() {
    for (int i = 0; i < kPixelCount; ++i) state().IconPixels[static_cast<std::size_t>(i)] = i % 16;
  }

  Form4* form = nullptr;
};

TEST_F(PaletteConversion, LoadsInReplaceModeAndLocksTheFileMenu) {
  EXPECT_EQ(form->windowTitle(), "パレット変換");
  EXPECT_TRUE(state().Form4Open);
  EXPECT_FALSE(fileMenuEnabled());
  EXPECT_TRUE(form->Option1[0]->isChecked());
  // Palette 2 only takes part in replace and exchange.
  const bool enabled[4] = {true, true, false, false};
  for (int k : {2, 1, 3, 0}) {
    chooseMode(k);
    EXPECT_EQ(form->mode(), k);
    EXPECT_EQ(box(1)->isEnabled(), enabled[k]) << "mode " << k;
    EXPECT_EQ(form->Label1[1]->isEnabled(), enabled[k]) << "mode " << k;
  }

  form->findChild<QAction*>("mnuEND")->trigger();
  EXPECT_FALSE(state().Form4Open);
  EXPECT_TRUE(fileMenuEnabled());
}

TEST_F(PaletteConversion, NumberBoxesTurnHexDigitsIntoDecimalAndClearOutOfRange) {
  const struct {
    const char* typed;
    const char* shown;
  } cases[] = {{"b", "11"}, {"F", "15"}, {"1b", "1b"}, {"12", "12"}, {"16", ""},
               {"-1", ""},  {"x", "x"},  {"7", "7"},   {"15.6", ""}};
  for (int k = 0; k < 2; ++k) {
    for (const auto& c : cases) {
      type(k, QString::fromLatin1(c.typed));
      EXPECT_EQ(box(k)->text(), QString::fromLatin1(c.shown)) << "box " << k << " typed " << c.typed;
    }
  }
}

TEST_F(PaletteConversion, ConvertsEveryPixelAndStoresAnUndoRecord) {
  using Expect = std::function<int(int)>;
  const struct {
    const char* name;
    int mode;
    const char* p1;
    const char* p2;
    int transparent;
    Expect expect;
  } cases[] = {
      {"replace 3 by 7", 0, "3", "7", 0, [](int v) { return v == 3 ? 7 : v; }},
      {"exchange 3 and 7", 1, "3", "7", 0, [](int v) { return v == 3   ? 7
                                                              : v == 7 ? 3
                                                                       : v; }},
      {"exchange with itself", 1, "5", "5", 0, [](int v) { return v; }},
      {"both boxes empty", 0, "", "", 0, [](int v) { return v; }},
      {"1b executes with 1", 0, "1b", "2", 0, [](int v) { return v == 1 ? 2 : v; }},
      {"erase all but 4 to 9", 2, "4", "12", 9, [](int v) { return v == 4 ? 4 : 9; }},
      {"erase all but the transparent index", 2, "4", "", 4, [](int) { return 4; }},
      {"erase 6 to 2", 3, "6", "", 2, [](int v) { return v == 6 ? 2 : v; }},
  };
  for (const auto& c : cases) {
    // A blank record first, so that every result differs from the last record.
    state().IconPixels.fill(0);
    ic->DoShow();
    fillRamp();
    state().TransparentIndex = c.transparent;
    chooseMode(c.mode);
    type(0, QString::fromLatin1(c.p1));
    type(1, QString::fromLatin1(c.p2));
    const int historyBefore = state().HistoryIndex;
    execute();
    for (int i = 0; i < kPixelCount; ++i) {
      ASSERT_EQ(state().IconPixels[static_cast<std::size_t>(i)], c.expect(i % 16)) << c.name << " at " << i;
    }
    EXPECT_EQ(state().HistoryIndex, historyBefore + 1) << c.name << ": the repaint stores the record";
  }
}

TEST_F(PaletteConversion, FileMenuStaysLockedWhileTheArithmeticWindowIsOpen) {
  Form5* arithmetic = app->single<Form5>();
  EXPECT_FALSE(fileMenuEnabled());
  form->unload();
  EXPECT_FALSE(fileMenuEnabled()) << "the arithmetic window still relies on the lock";
  arithmetic->unload();
  EXPECT_TRUE(fileMenuEnabled());
  EXPECT_FALSE(state().Form4Open);
  EXPECT_FALSE(state().Form5Open);
}

}  // namespace
}  // namespace pf
