#include "model/full_colour_work_files.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace pf {
namespace {

// The window tests cover the left column, short and long files; these are the far corners of both layouts.
TEST(FullColourWorkFiles, RightColumnAndLastSlotLieAtTheEndOfTheirFiles) {
  CellColumnColours colours(kCellColumnPixelCount, 0);
  colours[CellColumnIndex(1, 0, 0)] = Rgb(10, 11, 12);
  colours[CellColumnIndex(1, 31, 319)] = Rgb(13, 14, 15);
  const auto bytes = PackFullColourWorkFile(colours);
  ASSERT_EQ(bytes.size(), 61441u);
  EXPECT_EQ((std::vector<std::uint8_t>(bytes.begin() + 30720, bytes.begin() + 30723)),
            (std::vector<std::uint8_t>{12, 11, 10}));
  EXPECT_EQ((std::vector<std::uint8_t>(bytes.end() - 4, bytes.end())),
            (std::vector<std::uint8_t>{15, 14, 13, 0}));
  EXPECT_EQ(UnpackFullColourWorkFile(bytes), colours);

  MaskSlots masks{};
  masks[0].fill(0xEE);  // never saved
  masks[20].fill(0x81);
  const auto msk = PackMaskWorkFile(masks);
  ASSERT_EQ(msk.size(), 2560u);
  EXPECT_EQ(std::count(msk.begin() + 2432, msk.end(), 0x81), 128);
  EXPECT_EQ(std::count(msk.begin(), msk.end(), 0), 2432);
}

TEST(FullColourWorkFiles, ComposeLeavesAShorterMaskAndTheBytesBeyond128Alone) {
  SlotMask slot{};
  slot.fill(0xF0);
  std::vector<std::uint8_t> shortMask(127, 9);
  ComposeMask(slot, shortMask, ComposeOperation::Copy);
  EXPECT_EQ(shortMask, std::vector<std::uint8_t>(127, 9));
  std::vector<std::uint8_t> mask(512, 0x0F);
  ComposeMask(slot, mask, ComposeOperation::Or);
  EXPECT_EQ(std::count(mask.begin(), mask.begin() + 128, 0xFF), 128);
  EXPECT_EQ(std::count(mask.begin() + 128, mask.end(), 0x0F), 384);
}

}  // namespace
}  // namespace pf
