#include "model/packing.h"

#include <gtest/gtest.h>

#include <random>

namespace pf {
namespace {

TEST(Packing, PixelsRoundTripAndNibbleOrder) {
  std::mt19937 rng(7);
  PixelArray pixels{};
  for (int i = 0; i < kPixelCount; ++i) pixels[static_cast<std::size_t>(i)] = rng() % 16;
  PackedArray packed{};
  PackPixels32(std::span<const std::uint8_t>(pixels.data(), kPixelCount),
               std::span<std::uint8_t>(packed.data(), kPackedSize));
  // High nibble is the left pixel.
  EXPECT_EQ(packed[0], pixels[0] * 16 + pixels[1]);
  EXPECT_EQ(packed[511], pixels[1022] * 16 + pixels[1023]);
  EXPECT_EQ(packed[512], 0) << "the spare byte is never written";

  PixelArray back{};
  UnpackPixels32(packed, back);
  for (int i = 0; i < kPixelCount; ++i)
    ASSERT_EQ(back[static_cast<std::size_t>(i)], pixels[static_cast<std::size_t>(i)]);
  EXPECT_EQ(back[1024], 0);
}

TEST(Packing, SixteenBySixteenLandsInTheLowerLeftQuarter) {
  std::array<std::uint8_t, 128> packed{};
  for (int i = 0; i < 128; ++i) packed[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 37);

  PixelArray filled{};
  filled.fill(9);
  UnpackPixels16(packed, filled);
  PixelArray kept{};
  kept.fill(9);
  Unpack16Rows(packed, kept);

  for (int row = 0; row < 32; ++row) {
    for (int x = 0; x < 32; ++x) {
      const std::size_t i = static_cast<std::size_t>(row * 32 + x);
      if (row < 16 && x < 16) {
        const std::uint8_t byte = packed[static_cast<std::size_t>(row * 8 + x / 2)];
        const int expected = x % 2 == 0 ? byte >> 4 : byte & 15;
        ASSERT_EQ(filled[i], expected);
        ASSERT_EQ(kept[i], expected);
      } else {
        ASSERT_EQ(filled[i], 15) << "row " << row << " x " << x;
        ASSERT_EQ(kept[i], 9) << "row " << row << " x " << x;
      }
    }
  }
  EXPECT_EQ(filled[1024], 15) << "the whole target is filled, spare element included";
}

TEST(Packing, MaskCornersAndRoundTrip) {
  MaskGridArray grid{};
  grid[0] = 1;             // top-left
  grid[31 * 32 + 31] = 1;  // bottom-right
  std::array<std::uint8_t, kMaskSize> mask{};
  PackMask(grid, mask);
  EXPECT_EQ(mask[124], 0x80) << "top-left is the most significant bit of the top row's first byte";
  EXPECT_EQ(mask[3], 0x01) << "bottom-right is the least significant bit of byte 3";
  int set = 0;
  for (auto b : mask) set += __builtin_popcount(b);
  EXPECT_EQ(set, 2);

  std::mt19937 rng(3);
  for (auto& b : mask) b = static_cast<std::uint8_t>(rng());
  MaskGridArray unpacked{};
  UnpackMask(mask, unpacked);
  std::array<std::uint8_t, kMaskSize> repacked{};
  PackMask(unpacked, repacked);
  EXPECT_EQ(repacked, mask);
}

TEST(Packing, ShortBuffersAreNeverOverrun) {
  std::array<std::uint8_t, 10> small{};
  PixelArray pixels{};
  pixels.fill(3);
  UnpackPixels32(small, pixels);  // only 20 pixels change
  EXPECT_EQ(pixels[19], 0);
  EXPECT_EQ(pixels[20], 3);
  MaskGridArray grid{};
  grid.fill(1);
  UnpackMask(small, grid);  // missing bytes read as clear
  EXPECT_EQ(grid[0], 0);
}

}  // namespace
}  // namespace pf
