#include "model/full_colour_mask.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "model/packing.h"
#include "model/shared_state.h"

namespace pf {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes RandomBytes(std::mt19937& rng, std::size_t n, unsigned modulo = 256) {
  Bytes b(n);
  for (auto& v : b) v = static_cast<std::uint8_t>(rng() % modulo);
  return b;
}

// A picture of edge S whose cell (column, row) has the colour f(column, row), stored bottom row first.
template <class F>
Bytes Picture(int s, F f) {
  Bytes p(FullColourPixelBytesOf(s));
  for (int row = 0; row < s; ++row) {
    for (int column = 0; column < s; ++column) {
      const PaletteEntry c = f(column, row);
      const std::size_t at = 3 * static_cast<std::size_t>((s - 1 - row) * s + column);
      p[at] = c.blue;
      p[at + 1] = c.green;
      p[at + 2] = c.red;
    }
  }
  return p;
}

TEST(FullColourMask, PacksBottomRowFirstLeftmostInTheTopBitAndRoundTrips) {
  std::mt19937 rng(5);
  for (const int s : {32, 64}) {
    const std::size_t cells = static_cast<std::size_t>(s * s);
    // Bit 7 of byte 0 is the bottom-left cell; the last bit of the last byte the top-right one.
    Bytes mask(FullColourMaskBytes(s), 0);
    mask[0] = 0x80;
    mask.back() = 0x01;
    Bytes grid(cells, 7);
    ASSERT_TRUE(UnpackFullColourMask(mask, s, grid));
    for (std::size_t i = 0; i < cells; ++i) {
      const bool set = i == cells - static_cast<std::size_t>(s) || i == static_cast<std::size_t>(s - 1);
      ASSERT_EQ(grid[i], set ? 1 : 0) << s << " " << i;
    }

    const Bytes randomMask = RandomBytes(rng, FullColourMaskBytes(s));
    ASSERT_TRUE(UnpackFullColourMask(randomMask, s, grid));
    Bytes packed(FullColourMaskBytes(s), 0xAA);
    ASSERT_TRUE(PackFullColourMask(grid, s, packed));
    EXPECT_EQ(packed, randomMask) << s;
  }

  // For 32 x 32 the layout is the editor's own mask packing.
  const Bytes grid32 = RandomBytes(rng, kPixelCount, 2);
  MaskGridArray editorGrid{};
  std::copy(grid32.begin(), grid32.end(), editorGrid.begin());
  Bytes editorMask(kMaskSize), ours(kMaskSize);
  PackMask(editorGrid, editorMask);
  ASSERT_TRUE(PackFullColourMask(grid32, 32, ours));
  EXPECT_EQ(ours, editorMask);
}

TEST(FullColourMask, RefusesArraysThatDoNotFitTheEdge) {
  Bytes grid(64 * 64, 1);
  const Bytes before = grid;
  // The 64 x 64 mask is not a 32 x 32 one with extra bytes, nor is a short array read.
  EXPECT_FALSE(UnpackFullColourMask(Bytes(512, 0), 32, grid));
  EXPECT_FALSE(UnpackFullColourMask(Bytes(127, 0), 32, grid));
  EXPECT_FALSE(UnpackFullColourMask(Bytes(128, 0), 32, std::span(grid).first(1023)));
  EXPECT_FALSE(UnpackFullColourMask(Bytes(0), 0, grid));
  EXPECT_FALSE(UnpackFullColourMask(Bytes(72, 0), 24 + 1, grid));
  EXPECT_EQ(grid, before);

  Bytes mask(512, 0x55);
  EXPECT_FALSE(PackFullColourMask(grid, 32, mask));
  EXPECT_FALSE(PackFullColourMask(std::span(grid).first(4095), 64, mask));
  EXPECT_EQ(mask, Bytes(512, 0x55));

  // Pixels of the wrong length read as black rather than past their end.
  const Bytes shortPixels(3071, 200);
  EXPECT_EQ(FullColourCell(shortPixels, 32, 0, 0), PaletteEntry{});
  EXPECT_EQ(FullColourCell(Bytes(3072, 200), 32, 32, 0), PaletteEntry{});
  Bytes g(1024, 0);
  SelectColourRange(g, shortPixels, 32, PaletteEntry{}, 255, true);
  EXPECT_EQ(g, Bytes(1024, 0));
}

TEST(FullColourMask, ExactColourSelectionAddsAndDeletesOnlyThatColour) {
  const PaletteEntry ref{10, 20, 30, 0};
  const PaletteEntry near{10, 20, 31, 0};
  // The reference colour on the diagonal and in the bottom row, a near miss beside it.
  const Bytes pixels = Picture(32, [&](int column, int row) {
    if (column == row || row == 31) return ref;
    return column == row + 1 ? near : PaletteEntry{0, 0, 0, 0};
  });
  Bytes grid(1024, 0);
  grid[1] = 1;  // a near-miss cell already transparent stays so
  SelectExactColour(grid, pixels, 32, ref, true);
  for (int row = 0; row < 32; ++row) {
    for (int column = 0; column < 32; ++column) {
      const bool want = column == row || row == 31 || (column == 1 && row == 0);
      ASSERT_EQ(grid[static_cast<std::size_t>(row * 32 + column)], want ? 1 : 0) << column << "," << row;
    }
  }
  SelectExactColour(grid, pixels, 32, ref, false);
  Bytes onlyNear(1024, 0);
  onlyNear[1] = 1;
  EXPECT_EQ(grid, onlyNear);
}

TEST(FullColourMask, ColourRangeTakesCellsWithinTheRoundedDistance) {
  // sqrt(2) = 1.41 rounds to 1, sqrt(3) = 1.73 to 2, sqrt(12) = 3.46 to 3; white to black is 441.67, 442.
  EXPECT_EQ(ColourDistance({0, 0, 0, 0}, {1, 1, 0, 0}), 1);
  EXPECT_EQ(ColourDistance({0, 0, 0, 0}, {1, 1, 1, 0}), 2);
  EXPECT_EQ(ColourDistance({5, 5, 5, 0}, {7, 7, 7, 0}), 3);
  EXPECT_EQ(ColourDistance({255, 255, 255, 0}, {0, 0, 0, 0}), 442);

  const PaletteEntry colours[] = {{100, 100, 100, 0}, {101, 101, 100, 0}, {101, 101, 101, 0},
                                  {0, 0, 0, 0},       {255, 255, 255, 0}, {200, 200, 200, 0}};
  const Bytes pixels = Picture(64, [&](int column, int) { return colours[column % 6]; });
  const auto takenColumns = [&](const PaletteEntry& ref, int range) {
    Bytes grid(64 * 64, 0);
    SelectColourRange(grid, pixels, 64, ref, range, true);
    std::vector<int> taken;
    for (int column = 0; column < 6; ++column) {
      // Every row alike.
      for (int row = 1; row < 64; ++row)
        EXPECT_EQ(grid[std::size_t(row * 64 + column)], grid[std::size_t(column)]);
      if (grid[static_cast<std::size_t>(column)] == 1) taken.push_back(column);
    }
    return taken;
  };
  const PaletteEntry grey{100, 100, 100, 0};
  EXPECT_EQ(takenColumns(grey, 0), (std::vector<int>{0}));
  EXPECT_EQ(takenColumns(grey, 1), (std::vector<int>{0, 1}));
  EXPECT_EQ(takenColumns(grey, 2), (std::vector<int>{0, 1, 2}));
  // At the slider's end a white reference still leaves black (442) and grey (268.47) alone; the range is
  // compared with the rounded distance.
  const PaletteEntry white{255, 255, 255, 0};
  EXPECT_EQ(takenColumns(white, 255), (std::vector<int>{4, 5}));
  EXPECT_EQ(takenColumns(white, 266), (std::vector<int>{4, 5}));
  EXPECT_EQ(takenColumns(white, 267), (std::vector<int>{1, 2, 4, 5}));
  EXPECT_EQ(takenColumns(white, 268), (std::vector<int>{0, 1, 2, 4, 5}));

  // Deleting makes the same cells opaque and leaves the rest.
  Bytes grid(64 * 64, 1);
  SelectColourRange(grid, pixels, 64, grey, 1, false);
  for (int column = 0; column < 64; ++column) EXPECT_EQ(grid[std::size_t(column)], column % 6 < 2 ? 0 : 1);

  // Inverting flips every cell, and a second inversion brings the grid back.
  const Bytes before = grid;
  InvertMaskGrid(grid);
  EXPECT_EQ(grid[0], 1);
  EXPECT_EQ(grid[2], 0);
  InvertMaskGrid(grid);
  EXPECT_EQ(grid, before);
}

}  // namespace
}  // namespace pf
