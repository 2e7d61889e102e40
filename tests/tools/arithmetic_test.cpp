#include <QLineEdit>
#include <QRadioButton>
#include <functional>
#include <set>

#include "support/app_fixture.h"
#include "tools/arithmetic.h"

namespace pf {
namespace {

using testing::AppFixture;

class Arithmetic : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form = app->single<Form5>();
  }
  QLineEdit* operand() { return form->findChild<QLineEdit*>("Text1"); }
  void type(const QString& text) { typeInto(operand(), text); }
  void chooseMode(int k) {
    clickIndicator(form->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(k)));
  }
  void execute() { QTest::mouseClick(form->findChild<QPushButton*>("Command1"), Qt::LeftButton); }
  void fillRamp() {
    for (int i = 0; i < kPixelCount; ++i) state().IconPixels[static_cast<std::size_t>(i)] = (i * 7) % 16;
  }
  int rampAt(int i) { return (i * 7) % 16; }
  bool fileMenuEnabled() { return ic->menu("mnuF")->menuAction()->isEnabled(); }

  Form5* form = nullptr;
};

TEST_F(Arithmetic, LoadsInInvertModeLocksTheFileMenuAndUnlocksOnClose) {
  EXPECT_EQ(form->windowTitle(), "演算処理");
  EXPECT_TRUE(state().Form5Open);
  EXPECT_TRUE(form->Option1[0]->isChecked());
  EXPECT_FALSE(fileMenuEnabled());
  form->findChild<QAction*>("mnuEND")->trigger();
  EXPECT_FALSE(state().Form5Open);
  EXPECT_TRUE(fileMenuEnabled());
}

TEST_F(Arithmetic, OperandAboveFBecomesF) {
  const struct {
    const char* typed;
    const char* shown;
  } cases[] = {{"1A", "F"}, {"10", "F"}, {"G", "G"}, {"f", "f"}, {"9", "9"}, {"ff", "F"}, {"", ""}};
  for (const auto& c : cases) {
    type(QString::fromLatin1(c.typed));
    EXPECT_EQ(operand()->text(), QString::fromLatin1(c.shown)) << c.typed;
  }
}

TEST_F(Arithmetic, BitwiseOperationsOnEveryPixelEachStoreAnUndoRecord) {
  using Expect = std::function<int(int)>;
  const struct {
    const char* name;
    int mode;
    const char* operand;
    Expect expect;
  } cases[] = {
      {"invert", 0, "3", [](int v) { return v ^ 15; }},
      {"XOR 0", 1, "0", [](int v) { return v; }},
      {"XOR 5", 1, "5", [](int v) { return v ^ 5; }},
      {"OR 0", 2, "0", [](int v) { return v; }},
      {"OR 8", 2, "8", [](int v) { return v | 8; }},
      {"AND F", 3, "F", [](int v) { return v; }},
      {"AND 0", 3, "0", [](int) { return 0; }},
      {"AND with G reads 0", 3, "G", [](int) { return 0; }},
      {"AND with 1A capped to F", 3, "1A", [](int v) { return v; }},
  };
  for (const auto& c : cases) {
    state().IconPixels.fill(1);
    ic->DoShow();
    fillRamp();
    chooseMode(c.mode);
    type(QString::fromLatin1(c.operand));
    const int historyBefore = state().HistoryIndex;
    execute();
    for (int i = 0; i < kPixelCount; ++i) {
      ASSERT_EQ(state().IconPixels[static_cast<std::size_t>(i)], c.expect(rampAt(i)))
          << c.name << " at " << i;
    }
    EXPECT_EQ(state().HistoryIndex, historyBefore + 1) << c.name;
  }
}

TEST_F(Arithmetic, InvertTwiceRestoresThePicture) {
  fillRamp();
  const PixelArray before = state().IconPixels;
  execute();
  EXPECT_NE(state().IconPixels, before);
  execute();
  EXPECT_EQ(state().IconPixels, before);
}

TEST_F(Arithmetic, RandomFillStaysWithinThePalette) {
  chooseMode(4);
  execute();
  std::set<int> seen;
  for (std::uint8_t v : state().IconPixels) {
    ASSERT_LE(v, 15);
    seen.insert(v);
  }
  // 1025 draws: each of the 16 indices (0 and 15 at half weight) turns up.
  EXPECT_EQ(seen.size(), 16u);
  EXPECT_EQ(state().HistoryIndex, 0);
}

}  // namespace
}  // namespace pf
