#include "model/colour_table.h"

#include <gtest/gtest.h>

#include <vector>

namespace pf {
namespace {

// An icon file with one image at offset 22: directory, 40-byte header, then `entries` colour entries
// whose bytes are (n, n + 1, n + 2, n + 3) for entry n (mod 256).
std::vector<std::uint8_t> Icon(int bitCount, int entries, std::uint16_t count = 1) {
  std::vector<std::uint8_t> f(22 + 40 + 4 * static_cast<std::size_t>(entries), 0);
  f[2] = 1;
  f[4] = static_cast<std::uint8_t>(count);
  f[5] = static_cast<std::uint8_t>(count >> 8);
  f[6 + 12] = 22;
  f[22] = 40;
  f[22 + 14] = static_cast<std::uint8_t>(bitCount);
  for (int n = 0; n < entries; ++n)
    for (int b = 0; b < 4; ++b) f[62 + 4 * n + b] = static_cast<std::uint8_t>(n + b);
  return f;
}

std::vector<std::uint8_t> Prefix(std::vector<std::uint8_t> bytes, std::size_t n) {
  bytes.resize(n);
  return bytes;
}

using Sets = std::array<Palette, kPaletteSetCount>;

Sets Marked() {
  Sets s;
  for (auto& row : s) row.fill(PaletteEntry{1, 2, 3, 4});
  return s;
}

bool RowFromTable(const Palette& row, int firstEntry) {
  for (int c = 0; c < 16; ++c) {
    const auto n = static_cast<std::uint8_t>(firstEntry + c);
    if (!(row[c] == PaletteEntry{n, static_cast<std::uint8_t>(n + 1), static_cast<std::uint8_t>(n + 2),
                                 static_cast<std::uint8_t>(n + 3)}))
      return false;
  }
  return true;
}

TEST(ColourTable, SixteenColoursFillExactlyTheTargetRow) {
  Sets s = Marked();
  const auto r = ExtractColourTable(Icon(4, 16), s, 5);
  EXPECT_EQ(r.status, ColourTableStatus::Ok);
  EXPECT_EQ(r.firstRow, 5);
  EXPECT_EQ(r.rowsTouched, 1);
  EXPECT_TRUE(RowFromTable(s[4], 0));
  for (int row = 0; row < 20; ++row)
    if (row != 4) {
      EXPECT_EQ(s[row], Marked()[row]) << row;
    }
}

TEST(ColourTable, TwoHundredFiftySixColoursStopAtTheLastRowAndTheEndOfTheFile) {
  const struct {
    int target, entries, rows, fullRows;
  } cases[] = {{1, 256, 16, 16}, {18, 256, 3, 3}, {20, 256, 1, 1}, {2, 40, 3, 2}, {1, 16, 1, 1}};
  for (auto c : cases) {
    Sets s = Marked();
    const auto r = ExtractColourTable(Icon(8, c.entries), s, c.target);
    ASSERT_EQ(r.status, ColourTableStatus::Ok) << c.target << "/" << c.entries;
    EXPECT_EQ(r.rowsTouched, c.rows) << c.target << "/" << c.entries;
    for (int k = 0; k < c.fullRows; ++k) EXPECT_TRUE(RowFromTable(s[c.target - 1 + k], 16 * k));
    for (int row = 0; row < c.target - 1; ++row) EXPECT_EQ(s[row], Marked()[row]);
    if (c.entries == 40) {  // 8 entries of the third row, the rest as it was
      EXPECT_EQ(s[3][7].blue, 39);
      EXPECT_EQ(s[3][8], (PaletteEntry{1, 2, 3, 4}));
    }
  }
}

TEST(ColourTable, UnsupportedAndColourlessFilesChangeNothing) {
  std::vector<std::uint8_t> farOffset = Icon(4, 16);
  farOffset[6 + 12] = 0xF0;
  farOffset[6 + 15] = 0xFF;  // an offset near 4 GiB must not wrap
  std::vector<std::uint8_t> shortTable = Icon(4, 16);
  shortTable.pop_back();
  const struct {
    const char* name;
    std::vector<std::uint8_t> bytes;
    ColourTableStatus status;
  } cases[] = {
      {"empty", {}, ColourTableStatus::Unsupported},
      {"header only", Prefix(Icon(4, 16), 6), ColourTableStatus::Unsupported},
      {"no info header", Prefix(Icon(4, 16), 40), ColourTableStatus::Unsupported},
      {"count 0", Icon(4, 16, 0), ColourTableStatus::Unsupported},
      {"far offset", farOffset, ColourTableStatus::Unsupported},
      {"short 16-colour table", shortTable, ColourTableStatus::Unsupported},
      {"short 256-colour table", Icon(8, 15), ColourTableStatus::Unsupported},
      {"24 bits", Icon(24, 0), ColourTableStatus::NoColours},
      {"1 bit", Icon(1, 2), ColourTableStatus::NoColours},
  };
  for (const auto& c : cases) {
    Sets s = Marked();
    const auto r = ExtractColourTable(c.bytes, s, 1);
    EXPECT_EQ(r.status, c.status) << c.name;
    EXPECT_EQ(r.rowsTouched, 0) << c.name;
    EXPECT_EQ(s, Marked()) << c.name;
    if (c.status == ColourTableStatus::Unsupported) {
      EXPECT_FALSE(r.description.empty()) << c.name;
    }
  }
}

TEST(ColourTable, TargetRowOutsideTheArray) {
  for (int target : {0, 21, -3}) {
    Sets s = Marked();
    EXPECT_EQ(ExtractColourTable(Icon(8, 256), s, target).status, ColourTableStatus::InvalidTarget);
    EXPECT_EQ(s, Marked());
  }
}

}  // namespace
}  // namespace pf
