#include "model/mouse_draw_model.h"

#include <gtest/gtest.h>

#include <vector>

namespace pf {
namespace {

TEST(MouseDrawReadBack, FirstMatchingIndexAndRowOrder) {
  Palette pal{};
  for (int k = 0; k < 16; ++k)
    pal[k] = PaletteEntry{static_cast<std::uint8_t>(k), 0, static_cast<std::uint8_t>(k * 10), 0};
  pal[9] = pal[3];  // two entries of the same colour
  const ColourMap map = BuildColourMap(pal);
  EXPECT_EQ(map[5], Rgb(50, 0, 5));

  std::vector<ColorRef> screen(1024, Rgb(1, 2, 3));  // matches nothing
  screen[0] = map[9];                                // top-left on screen
  screen[31 * 32 + 31] = map[7];                     // bottom-right
  Image32 work;
  work.fill(12);
  ReadBack(screen, map, work);
  EXPECT_EQ(work[31 * 32 + 0], 3);  // drawn with 9, read back as 3
  EXPECT_EQ(work[0 * 32 + 31], 7);
  EXPECT_EQ(std::count(work.begin(), work.end(), 12), 1022);

  // A short surface reads what it has and nothing past it, though the memory behind it is readable.
  const std::vector<ColorRef> wide(1024, map[4]);
  work.fill(12);
  ReadBack(std::span<const ColorRef>(wide.data(), 10), map, work);
  EXPECT_EQ(std::count(work.begin(), work.end(), 4), 10);
  EXPECT_EQ(work[31 * 32 + 9], 4);
  EXPECT_EQ(work[31 * 32 + 10], 12);
}

TEST(MouseDrawMix, CheckerboardOfTheTwoColours) {
  EXPECT_EQ(MixIndex(0, 0, 1, 2), 2);
  EXPECT_EQ(MixIndex(1, 0, 1, 2), 1);
  EXPECT_EQ(MixIndex(0, 0, 1, 40), 15);
}

}  // namespace
}  // namespace pf
