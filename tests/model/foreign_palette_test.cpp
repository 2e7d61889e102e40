#include "model/foreign_palette.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pf {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}
// An Adobe table whose first colour is 9, 8, 7; with a count, the big-endian count and transparent index.
Bytes Act(int count = -1, int transparent = 0xFFFF, std::size_t size = 768) {
  Bytes b(size, 0);
  b[0] = 9, b[1] = 8, b[2] = 7;
  if (count >= 0)
    for (int v : {count >> 8, count, transparent >> 8, transparent})
      b.push_back(static_cast<std::uint8_t>(v));
  return b;
}
// A RIFF palette of the colours 10, 20, 30 and 40, 50, 60 behind an odd-sized chunk that is padded;
// `count`, `version`, the data chunk's `spare` bytes and the form's `formExtra` to spoil it.
Bytes Riff(int count = 2, int version = 0x300, int spare = 0, int formExtra = 0) {
  const auto le = [](Bytes& b, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  };
  Bytes body = Text(std::string_view("PAL offs\x03\0\0\0\x01\x02\x03\0data", 20));
  le(body, static_cast<std::uint32_t>(12 + spare), 4);
  le(body, static_cast<std::uint32_t>(version), 2);
  le(body, static_cast<std::uint32_t>(count), 2);
  body.insert(body.end(), {10, 20, 30, 0, 40, 50, 60, 0});
  Bytes b = Text("RIFF");
  le(b, static_cast<std::uint32_t>(body.size() + formExtra), 4);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

TEST(ForeignPalette, EachFormatFromBytes) {
  std::string gimp20 = "GIMP Palette\nName: many\n", ownLines;
  for (int i = 0; i < 20; ++i) gimp20 += std::to_string(i) + " 1 2\n";
  while (ownLines.size() < 768) ownLines += "0,0" + std::string(48, ',') + "\r\n";  // 50 empty-ish fields
  using K = PaletteFileKind;
  const struct {
    const char* name;
    Bytes bytes;
    const char* file;
    K kind;
    int count;                              // 0: refused
    std::vector<std::array<int, 3>> first;  // red, green, blue of the first colours
  } cases[] = {
      {"gimp",
       Text("GIMP Palette\nName: x\nColumns: 16\n# n\n255   0  0\tRed\n  0 128 255 Blue sky\n"),
       "a.gpl",
       K::Gimp,
       2,
       {{255, 0, 0}, {0, 128, 255}}},
      {"gimp, BOM and CR LF",
       Text("\xEF\xBB\xBFGIMP Palette\r\n\r\n1 2 3\r\n"),
       "a.gpl",
       K::Gimp,
       1,
       {{1, 2, 3}}},
      {"gimp, 20 colours", Text(gimp20), "a.gpl", K::Gimp, 20, {{0, 1, 2}, {1, 1, 2}}},
      {"gimp, 256", Text("GIMP Palette\n256 0 0\n"), "a.gpl", K::Gimp, 0, {}},
      {"gimp, two values", Text("GIMP Palette\n12 34\n"), "a.gpl", K::Gimp, 0, {}},
      {"gimp, 3x", Text("GIMP Palette\n1 2 3x\n"), "a.gpl", K::Gimp, 0, {}},
      {"gimp, no colours", Text("GIMP Palette\nName: none\n"), "a.gpl", K::Gimp, 0, {}},
      {"jasc",
       Text("JASC-PAL\r\n0100\r\n2\r\n255 0 0\r\n1 2 3 255\r\n\r\n"),
       "a.pal",
       K::Jasc,
       2,
       {{255, 0, 0}, {1, 2, 3}}},
      {"jasc, count above the lines", Text("JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n"), "a.pal", K::Jasc, 0, {}},
      {"jasc, other version", Text("JASC-PAL\n0200\n1\n1 2 3\n"), "a.pal", K::Jasc, 0, {}},
      {"jasc, five values", Text("JASC-PAL\n0100\n1\n1 2 3 4 5\n"), "a.pal", K::Jasc, 0, {}},
      {"hex list", Text("#FF0000\nff8800\n\n"), "a.hex", K::HexList, 2, {{255, 0, 0}, {255, 136, 0}}},
      {"paint.net",
       Text(";paint.net Palette File\r\nFFFF0000\r\n8000FF00\r\n"),
       "a.txt",
       K::HexList,
       2,
       {{255, 0, 0}, {0, 255, 0}}},
      {"hex list, short line", Text("#FF0000\n#FF00\n"), "a.hex", K::HexList, 0, {}},
      {"hex list, not hex", Text("#FF0000\nGG0000\n"), "a.hex", K::HexList, 0, {}},
      {"act", Act(), "a.act", K::Act, 256, {{9, 8, 7}, {0, 0, 0}}},
      {"act, by its length", Act(), "noext", K::Act, 256, {{9, 8, 7}}},
      {"act with count", Act(3, 1), "a.ACT", K::Act, 3, {{9, 8, 7}}},
      {"act, count 0", Act(0), "a.act", K::Act, 0, {}},
      {"act, count 300", Act(300), "a.act", K::Act, 0, {}},
      {"act, transparent beyond", Act(3, 3), "a.act", K::Act, 0, {}},
      {"act, short", Act(-1, 0, 700), "a.act", K::Act, 0, {}},
      {"riff", Riff(), "a.pal", K::Riff, 2, {{10, 20, 30}, {40, 50, 60}}},
      {"riff, count above the chunk", Riff(3), "a.pal", K::Riff, 0, {}},
      {"riff, other version", Riff(2, 0x200), "a.pal", K::Riff, 0, {}},
      {"riff, chunk beyond the form", Riff(2, 0x300, 8), "a.pal", K::Riff, 0, {}},
      {"riff, form beyond the file", Riff(2, 0x300, 0, 4), "a.pal", K::Riff, 0, {}},
      {"riff, cut short", Text(std::string_view("RIFF\x04\0\0\0PAL ", 12)), "a.pal", K::Riff, 0, {}},
      {"own palette-set file", Text("0,1,FF,0,0\r\n"), "a.pal", K::PaletteSets, 0, {}},
      {"own lines, 768 bytes",
       Text(std::string_view(ownLines).substr(0, 768)),
       "b.pal",
       K::PaletteSets,
       0,
       {}},
  };
  for (const auto& c : cases) {
    const PaletteFileKind kind = DetectPaletteFile(c.bytes, c.file);
    EXPECT_EQ(kind, c.kind) << c.name;
    const std::optional<ForeignPalette> read = ReadForeignPalette(kind, c.bytes);
    ASSERT_EQ(read.has_value(), c.count > 0) << c.name;
    if (!read) continue;
    EXPECT_EQ(read->count, c.count) << c.name;
    for (std::size_t i = 0; i < c.first.size(); ++i) {
      const PaletteEntry& e = read->colours[i];
      EXPECT_EQ((std::array<int, 4>{e.red, e.green, e.blue, e.reserved}),
                (std::array<int, 4>{c.first[i][0], c.first[i][1], c.first[i][2], 0}))
          << c.name << " colour " << i;
    }
    for (int i = c.count; i < 16; ++i) EXPECT_EQ(read->colours[i], PaletteEntry{}) << c.name;
  }
}

}  // namespace
}  // namespace pf
