#include "model/clipboard_picture.h"

#include <gtest/gtest.h>

#include <string>

namespace pf {
namespace {

PixelArray Numbered() {
  PixelArray p{};
  for (int i = 0; i < kPixelCount; ++i) p[i] = std::uint8_t((i * 7 + i / 32) & 15);
  return p;
}

TEST(ClipboardPicture, GridTextIsTheGridTopRowFirstAndReadsBack) {
  const PixelArray p = Numbered();
  const std::string text = GridText(p, 32);
  ASSERT_EQ(text.size(), 33u * 32u);
  EXPECT_EQ(text[0], "0123456789ABCDEF"[p[31 * 32]]) << "top-left first";
  const std::string quarter = GridText(p, 16);
  ASSERT_EQ(quarter.size(), 17u * 16u);
  EXPECT_EQ(quarter.substr(17 * 15, 16), text.substr(33 * 31, 16)) << "the bottom row's left half";

  for (const std::string& t : {text, quarter}) {
    std::optional<IndexedPicture> back = ParseGridText(t);
    ASSERT_TRUE(back);
    PixelArray q = Numbered();
    std::fill_n(q.begin(), kPixelCount, 0);
    ASSERT_TRUE(PlacePicture(*back, q));
    const int n = back->width;
    for (int y = 32 - n; y < 32; ++y)
      for (int x = 0; x < n; ++x)
        ASSERT_EQ(q[(31 - y) * 32 + x], p[(31 - y) * 32 + x]) << n << " " << x << "," << y;
  }
  std::string lower = "\r\n  " + quarter;
  for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_TRUE(ParseGridText(lower + "\n\n")) << "lower case, blanks and empty lines around";
  for (const std::string& bad : {std::string(), quarter.substr(17), quarter + "0123456789ABCDEF\n",
                                 "G" + quarter.substr(1), text.substr(0, 33 * 31) + std::string(31, '0')}) {
    EXPECT_FALSE(ParseGridText(bad)) << bad.substr(0, 40);
  }
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

TEST(ClipboardPicture, SmallPicturesGoToTheLowerLeftQuarterLargerOnesToTheTop) {
  PixelArray p{};
  ASSERT_TRUE(PlacePicture({16, 2, std::vector<std::uint8_t>(32, 7)}, p));
  EXPECT_EQ(p[15 * 32], 7) << "display row 16";
  EXPECT_EQ(p[14 * 32 + 15], 7);
  EXPECT_EQ(p[13 * 32], 0);
  ASSERT_TRUE(PlacePicture({17, 1, std::vector<std::uint8_t>(17, 5)}, p));
  EXPECT_EQ(p[31 * 32 + 16], 5) << "top row";
  EXPECT_FALSE(PlacePicture({2, 2, {1, 2, 3}}, p));
  EXPECT_FALSE(PlacePicture({0, 0, {}}, p));
}

}  // namespace
}  // namespace pf
