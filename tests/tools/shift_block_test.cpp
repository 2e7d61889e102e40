#include "tools/shift_block.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

class ShiftBlockWindow : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form = app->single<Form15>();
  }

  // Buttons: 0 up, 1 left, 2 down, 3 right.
  void arrow(int index) {
    auto* b = form->findChild<QPushButton*>(QStringLiteral("Command1_%1").arg(index));
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton);
  }
  void blockMode() {
    auto* c = form->findChild<QCheckBox*>("Check1");
    clickIndicator(c);
    ASSERT_TRUE(c->isChecked());
  }
  QLineEdit* corner(int i) { return form->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(i)); }
  std::uint8_t mask(int x, int y) { return state().MaskGrid[static_cast<std::size_t>(y * 32 + x)]; }
  // A picture where every pixel differs from its neighbours.
  void fillPattern() {
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) setPixel(x, y, 1 + (x + 3 * y) % 15);
  }

  Form15* form = nullptr;
};

TEST_F(ShiftBlockWindow, WholePictureShiftsCarryTheMaskAlong) {
  EXPECT_EQ(form->windowTitle(), "位置移動");
  EXPECT_TRUE(state().Form15Open);
  const struct {
    int button;
    int toX, toY;  // where the pixel at (10, 10), counted from the top, goes
  } cases[] = {{0, 10, 9}, {1, 9, 10}, {2, 10, 11}, {3, 11, 10}};
  for (const auto& c : cases) {
    state().IconPixels.fill(0);
    state().MaskGrid.fill(0);
    setPixel(10, 10, 6);
    state().MaskGrid[10 * 32 + 10] = 1;
    arrow(c.button);
    EXPECT_EQ(pixel(c.toX, c.toY), 6) << "button " << c.button;
    EXPECT_EQ(mask(c.toX, c.toY), 1) << "button " << c.button;
    EXPECT_EQ(pixel(10, 10), 0) << "button " << c.button;
    EXPECT_EQ(mask(10, 10), 0) << "button " << c.button;
  }
}

TEST_F(ShiftBlockWindow, RightThenLeftLosesTheLastColumn) {
  fillPattern();
  for (int y = 0; y < 32; ++y) state().MaskGrid[static_cast<std::size_t>(y * 32 + 31)] = 1;
  state().MaskGrid[5 * 32 + 0] = 1;
  const auto before = state().IconPixels;
  const int history = state().HistoryIndex;
  arrow(3);
  arrow(1);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 31; ++x) ASSERT_EQ(pixel(x, y), before[(31 - y) * 32 + x]) << x << "," << y;
    EXPECT_EQ(pixel(31, y), 0);
    EXPECT_EQ(mask(31, y), 0);
  }
  EXPECT_EQ(mask(0, 5), 1);
  EXPECT_EQ(state().HistoryIndex, history + 2) << "each press is an undo step";
  form->findChild<QAction*>("mnuEND")->trigger();
  EXPECT_FALSE(state().Form15Open);
}

TEST_F(ShiftBlockWindow, BlockIsStampedAlongItsPath) {
  fillPattern();
  const auto before = state().IconPixels;
  const auto original = [&](int x, int y) { return before[static_cast<std::size_t>((31 - y) * 32 + x)]; };
  form->SetXY(1, 2 * 8, 57 + 3 * 16);
  EXPECT_EQ(corner(0)->text(), "") << "corners are only taken in block mode";
  blockMode();
  form->SetXY(1, 2 * 8, 57 + 3 * 16);
  form->SetXY(2, 5 * 8 + 7, 57 + 6 * 16 + 15);
  form->SetXY(4, 9 * 8, 57 + 9 * 16);  // the middle button sets nothing
  EXPECT_EQ(corner(0)->text(), "2,3");
  EXPECT_EQ(corner(1)->text(), "5,6");
  const auto maskBefore = state().MaskGrid;
  arrow(3);
  arrow(3);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      int expected = original(x, y);
      if (y >= 3 && y <= 6 && x >= 2 && x <= 7) expected = x <= 4 ? original(2, y) : original(x - 2, y);
      ASSERT_EQ(pixel(x, y), expected) << x << "," << y;
    }
  }
  EXPECT_EQ(state().MaskGrid, maskBefore) << "block moves leave the mask alone";
}

TEST_F(ShiftBlockWindow, EmptyOrInvertedBlocksChangeNothing) {
  fillPattern();
  const auto before = state().IconPixels;
  blockMode();
  form->SetXY(1, 2 * 8, 57 + 6 * 16);
  form->SetXY(2, 5 * 8, 57 + 3 * 16);  // first row below the last
  arrow(3);
  arrow(0);
  EXPECT_EQ(state().IconPixels, before);

  // A box emptied after an edit: the press does nothing at all, not even an undo step.
  form->SetXY(2, 5 * 8, 57 + 8 * 16);
  corner(0)->selectAll();
  QTest::keyClick(corner(0), Qt::Key_Backspace);
  ASSERT_EQ(corner(0)->text(), "");
  const int history = state().HistoryIndex;
  arrow(3);
  EXPECT_EQ(state().IconPixels, before);
  EXPECT_EQ(state().HistoryIndex, history);

  // Typing the corner back in works like a click.
  QTest::keyClicks(corner(0), "2,6");
  arrow(0);
  EXPECT_EQ(pixel(2, 5), before[(31 - 6) * 32 + 2]) << "row 6 lifted one row up";
}

}  // namespace
}  // namespace pf
