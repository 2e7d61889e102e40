#include "model/history.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

class History : public ::testing::Test {
 protected:
  SharedState s;
  // Changes one pixel to a fresh value and records, like a typed digit followed by the redisplay.
  void change(int value) {
    s.IconPixels[0] = static_cast<std::uint8_t>(value % 16);
    s.IconPixels[1] = static_cast<std::uint8_t>(value / 16 % 16);
    s.IconPixels[2] = static_cast<std::uint8_t>(value / 256 % 16 + 1);
    RecordHistory(s);
  }
};

TEST_F(History, BlankPictureStoresNothingAndStepsDoNothing) {
  EXPECT_FALSE(RecordHistory(s));
  EXPECT_EQ(s.HistoryIndex, -1);
  EXPECT_EQ(StepHistory(s, 0), -1);
  EXPECT_EQ(StepHistory(s, 1), -1);
  EXPECT_EQ(HistoryLabel(s), "-1/-1");
}

TEST_F(History, PaletteOrMaskAloneStoresNothingButTravelsWithTheNextChange) {
  change(1);
  s.IconPalette[3].red = 200;
  s.MaskGrid[5] = 1;
  EXPECT_FALSE(RecordHistory(s));
  change(2);
  EXPECT_EQ(s.HistoryIndex, 1);
  EXPECT_EQ(s.History[1].palette[3].red, 200);
  EXPECT_EQ(s.History[1].mask[124], 0x04);
}

TEST_F(History, BackAtRecordZeroReloadsIt) {
  change(1);
  EXPECT_EQ(HistoryLabel(s), "0/0");
  s.IconPixels[0] = 9;
  EXPECT_EQ(StepHistory(s, 0), 0);
  EXPECT_EQ(s.HistoryIndex, 0);
  EXPECT_EQ(s.IconPixels[0], 1);
  EXPECT_EQ(StepHistory(s, 1), -1) << "forward at the last record";
}

TEST_F(History, BackTwiceThenChangeKeepsTheRecordsBeyond) {
  for (int v = 1; v <= 6; ++v) change(v);
  ASSERT_EQ(HistoryLabel(s), "5/5");
  StepHistory(s, 0);
  StepHistory(s, 0);
  EXPECT_EQ(HistoryLabel(s), "3/5");
  // The zeroed snapshot makes the next redisplay store a record even without a change in between.
  change(40);
  EXPECT_EQ(HistoryLabel(s), "4/5");
  EXPECT_EQ(StepHistory(s, 1), 0);
  EXPECT_EQ(s.IconPixels[0], 6 % 16) << "forward reaches the old record 5";
}

TEST_F(History, StepRestoresPaletteAndMaskToo) {
  s.IconPalette[1].green = 10;
  s.MaskGrid[0] = 1;
  change(1);
  s.IconPalette[1].green = 20;
  s.MaskGrid[0] = 0;
  change(2);
  StepHistory(s, 0);
  EXPECT_EQ(s.IconPalette[1].green, 10);
  EXPECT_EQ(s.MaskGrid[0], 1);
  EXPECT_EQ(s.IconMask[124], 0x80);
  EXPECT_EQ(s.PixelSnapshot, PixelArray{}) << "snapshot zeroed after a step";
}

TEST_F(History, FullHistoryDropsTheOldest) {
  for (int v = 1; v <= 201; ++v) change(v);
  ASSERT_EQ(HistoryLabel(s), "200/200");
  const auto secondOldest = s.History[1].pixels;
  change(500);
  EXPECT_EQ(HistoryLabel(s), "200/200");
  EXPECT_EQ(s.History[0].pixels, secondOldest);
  EXPECT_EQ(s.History[200].pixels[0], 500 % 16);
}

}  // namespace
}  // namespace pf
