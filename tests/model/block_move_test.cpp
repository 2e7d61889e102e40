#include "model/block_move.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

// (x, y) with y from the top, as the canvas shows it.
std::uint8_t& Px(PixelArray& p, int x, int y) {
  return p[(31 - y) * 32 + x];
}

PixelArray Numbered() {
  PixelArray p{};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) Px(p, x, y) = static_cast<std::uint8_t>(1 + (x + 3 * y) % 15);
  return p;
}

TEST(ShiftWholeImage, MaskMovesWithThePicture) {
  for (ShiftDirection dir :
       {ShiftDirection::Up, ShiftDirection::Down, ShiftDirection::Left, ShiftDirection::Right}) {
    PixelArray p{};
    MaskGridArray m{};
    Px(p, 10, 12) = 7;
    m[12 * 32 + 10] = 1;
    ShiftWholeImage(p, m, dir);
    const auto found = std::find(p.begin(), p.end(), 7) - p.begin();
    const int x = static_cast<int>(found % 32);
    const int y = 31 - static_cast<int>(found / 32);
    EXPECT_EQ(m[y * 32 + x], 1) << static_cast<int>(dir);
    EXPECT_EQ(std::count(m.begin(), m.end(), 1), 1);
    const int expectY = dir == ShiftDirection::Up ? 11 : dir == ShiftDirection::Down ? 13 : 12;
    const int expectX = dir == ShiftDirection::Left ? 9 : dir == ShiftDirection::Right ? 11 : 10;
    EXPECT_EQ(x, expectX);
    EXPECT_EQ(y, expectY);
  }
}

TEST(ShiftWholeImage, RightThenLeftLosesTheLastColumn) {
  PixelArray p = Numbered();
  MaskGridArray m;
  m.fill(1);
  const PixelArray start = p;
  ShiftWholeImage(p, m, ShiftDirection::Right);
  ShiftWholeImage(p, m, ShiftDirection::Left);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 31; ++x) {
      ASSERT_EQ(p[y * 32 + x], start[y * 32 + x]);
      ASSERT_EQ(m[y * 32 + x], 1);
    }
    EXPECT_EQ(p[y * 32 + 31], 0);
    EXPECT_EQ(m[y * 32 + 31], 0);
  }
}

TEST(CornerText, ClicksAndParsing) {
  const auto left = CornerFromClick(1, 2 * 8 + 3, 57 + 3 * 16 + 15);
  ASSERT_TRUE(left);
  EXPECT_EQ(left->box, 0);
  EXPECT_EQ(left->text, "2,3");
  const auto right = CornerFromClick(2, 5 * 8, 57 + 6 * 16);
  ASSERT_TRUE(right);
  EXPECT_EQ(right->box, 1);
  EXPECT_EQ(right->text, "5,6");
  EXPECT_EQ(CornerFromClick(2, 3, 50)->text, "0,0");  // (50 - 57) / 16 truncates to 0
  EXPECT_FALSE(CornerFromClick(4, 10, 100));

  const struct {
    const char* text;
    bool ok;
    int x, y;
  } cases[] = {{"2,3", true, 2, 3}, {"-5,40", true, 0, 31}, {" 7 , 8", true, 7, 8}, {"1,2,3", true, 1, 2},
               {"4", false, 0, 0},  {"", false, 0, 0},      {",", true, 0, 0}};
  for (auto c : cases) {
    const auto corner = ParseCorner(c.text);
    ASSERT_EQ(corner.has_value(), c.ok) << c.text;
    if (corner) {
      EXPECT_EQ(corner->x, c.x) << c.text;
      EXPECT_EQ(corner->y, c.y) << c.text;
    }
  }
}

TEST(BlockMove, BlockIsStampedAlongItsPath) {
  PixelArray p = Numbered();
  const PixelArray start = p;
  BlockMoveState st;
  CornerBoxesChanged(st, "2,3", "5,6");
  ASSERT_TRUE(BlockMovePress(st, p, "2,3", "5,6", ShiftDirection::Right));
  EXPECT_FALSE(st.changed);
  ASSERT_TRUE(BlockMovePress(st, p, "2,3", "5,6", ShiftDirection::Right));
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      int from = x;  // the column of the original picture this pixel should show
      if (y >= 3 && y <= 6 && x >= 2 && x <= 7) from = x <= 3 ? 2 : x - 2;
      ASSERT_EQ(Px(p, x, y), start[(31 - y) * 32 + from]) << x << "," << y;
    }
}

TEST(BlockMove, EmptyBlocksLeaveThePicture) {
  const struct {
    const char* a;
    const char* b;
  } empty[] = {{"2,6", "5,3"}, {"5,3", "2,6"}, {"2", "5,6"}, {"2,3", "56"}};
  for (auto c : empty) {
    PixelArray p = Numbered();
    BlockMoveState st;
    st.layer.fill(9);  // an earlier block must not survive a changed, empty one
    st.mask.fill(kBlockPresent);
    CornerBoxesChanged(st, c.a, c.b);
    EXPECT_TRUE(BlockMovePress(st, p, c.a, c.b, ShiftDirection::Up));
    EXPECT_TRUE(BlockMovePress(st, p, c.a, c.b, ShiftDirection::Left));
    EXPECT_EQ(p, Numbered()) << c.a << " " << c.b;
  }
}

TEST(BlockMove, EmptiedCornerBoxMakesThePressDoNothing) {
  PixelArray p = Numbered();
  BlockMoveState st;
  CornerBoxesChanged(st, "2,3", "5,6");
  ASSERT_TRUE(BlockMovePress(st, p, "2,3", "5,6", ShiftDirection::Right));
  const PixelArray afterFirst = p;
  CornerBoxesChanged(st, "2,3", "5,");
  CornerBoxesChanged(st, "2,3", "");  // both must hold text to mark the change; the flag stays set
  EXPECT_TRUE(st.changed);
  EXPECT_FALSE(BlockMovePress(st, p, "2,3", "", ShiftDirection::Right));
  EXPECT_EQ(p, afterFirst);
  EXPECT_TRUE(st.changed);
}

}  // namespace
}  // namespace pf
