#include "model/clipboard_picture.h"

#include <gtest/gtest.h>

#include <string>

namespace pf {
namespace {

TEST(ClipboardPicture, OnlyGridsOfSixteenOrThirtyTwoLinesAreText) {
  PixelArray p{};
  p[31 * 32] = 10;
  const std::string quarter = GridText(p, 16), whole = GridText(p, 32);
  EXPECT_EQ(whole.substr(0, 3), "A00") << "top row first";
  std::string lower = "\r\n  " + quarter + "\n\n";
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_TRUE(ParseGridText(lower)) << "lower case, blanks and empty lines around";
  for (const std::string& bad : {std::string(), quarter.substr(17), quarter + "0123456789ABCDEF\n",
                                 "G" + quarter.substr(1), whole.substr(0, 33 * 31) + std::string(31, '0')})
    EXPECT_FALSE(ParseGridText(bad)) << bad.substr(0, 40);
}

TEST(ClipboardPicture, ImageColoursTurnIntoPaletteNumbers) {
  Palette pal{};
  for (int i = 0; i < 16; ++i) pal[i] = {std::uint8_t(i * 10), std::uint8_t(i), 0, 0};
  pal[9] = pal[4];  // a repeated colour
  const auto argb = [&](int i) {
    return 0xFF000000u | std::uint32_t(pal[i].red) << 16 | pal[i].green << 8 | pal[i].blue;
  };
  const int t = 4;
  // 2 x 2: a transparent pixel, entry 4's colour (also entry 9's), entry 1, entry 15.
  const ArgbPicture image{2, 2, {0x00123456u, argb(4), argb(1), argb(15)}};
  const std::optional<IndexedPicture> in = IndicesInPalette(image, pal, t);
  ASSERT_TRUE(in);
  EXPECT_EQ(in->indices, (std::vector<std::uint8_t>{4, 9, 1, 15}))
      << "the shared colour avoids the transparent entry";
  EXPECT_TRUE(GridShowsPicture({2, 2, {4, 4, 1, 15}}, image, pal, t));
  EXPECT_FALSE(GridShowsPicture({2, 2, {4, 4, 2, 15}}, image, pal, t));
  EXPECT_FALSE(IndicesInPalette({1, 1, {0xFFFFFFFFu}}, pal, t)) << "white is not in the palette";
  EXPECT_FALSE(IndicesInPalette({33, 1, std::vector<std::uint32_t>(33, argb(1))}, pal, t));

  // Own colours: the transparent entry is kept out, so 15 colours fit beside transparency, 16 without.
  ArgbPicture few{16, 1, {}};
  for (int i = 0; i < 16; ++i) few.pixels.push_back(0xFF000000u | std::uint32_t(i * 0x111111));
  const std::optional<PalettedPicture> sixteen = OwnColours(few, t);
  ASSERT_TRUE(sixteen);
  EXPECT_EQ(sixteen->picture.indices[4], 4);
  EXPECT_EQ(sixteen->palette[15], (PaletteEntry{0xFF, 0xFF, 0xFF, 0}));
  few.pixels[0] = 0;
  const std::optional<PalettedPicture> fifteen = OwnColours(few, t);
  ASSERT_TRUE(fifteen);
  EXPECT_EQ(fifteen->picture.indices,
            (std::vector<std::uint8_t>{4, 0, 1, 2, 3, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
  EXPECT_EQ(fifteen->palette[t], PaletteEntry{});
  few.width = 17;
  few.pixels.push_back(0xFF010203u);
  EXPECT_FALSE(OwnColours(few, t)) << "16 colours and transparency";

  // Reduced: any number of colours; opaque pixels never take the transparent entry.
  ArgbPicture many{32, 32, {}};
  for (int i = 0; i < 1024; ++i)
    many.pixels.push_back(i % 5 == 0 ? 0u : 0xFF000000u | std::uint32_t(i * 2654435761u >> 8));
  const std::optional<PalettedPicture> reduced = ReducedColours(many, t, 10);
  ASSERT_TRUE(reduced);
  for (int i = 0; i < 1024; ++i) EXPECT_EQ(reduced->picture.indices[i] == t, i % 5 == 0) << i;
}

}  // namespace
}  // namespace pf
