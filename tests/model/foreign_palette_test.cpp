#include "model/foreign_palette.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace pf {
namespace {

using Bytes = std::vector<std::uint8_t>;
struct Rgb3 {
  int r, g, b;
};

Bytes Text(std::string_view s) {
  return Bytes(s.begin(), s.end());
}
void Le(Bytes& b, std::uint32_t v, int n) {
  for (int i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
// An Adobe table: `colours` triples filled out to 256, and the count and transparent index when given.
Bytes Act(std::vector<Rgb3> colours, int count = -1, int transparent = 0xFFFF, std::size_t size = 768) {
  Bytes b(size, 0);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    b[3 * i] = static_cast<std::uint8_t>(colours[i].r);
    b[3 * i + 1] = static_cast<std::uint8_t>(colours[i].g);
    b[3 * i + 2] = static_cast<std::uint8_t>(colours[i].b);
  }
  if (count >= 0) {
    for (int v : {count >> 8, count, transparent >> 8, transparent})
      b.push_back(static_cast<std::uint8_t>(v));
  }
  return b;
}
// A RIFF palette: an optional chunk before "data", a version, `count` entries and a data chunk `spare`
// bytes longer or shorter than they need; `formExtra` lengthens the form beyond the file.
Bytes Riff(std::vector<Rgb3> colours, int count, int version = 0x300, int spare = 0, bool otherChunk = false,
           int formExtra = 0) {
  Bytes body = Text("PAL ");
  if (otherChunk) {
    body.insert(body.end(), {'o', 'f', 'f', 's'});
    Le(body, 3, 4);
    body.insert(body.end(), {1, 2, 3, 0});  // padded to an even length
  }
  body.insert(body.end(), {'d', 'a', 't', 'a'});
  Le(body, static_cast<std::uint32_t>(4 + 4 * colours.size() + spare), 4);
  Le(body, static_cast<std::uint32_t>(version), 2);
  Le(body, static_cast<std::uint32_t>(count), 2);
  for (const Rgb3& c : colours)
    body.insert(body.end(), {std::uint8_t(c.r), std::uint8_t(c.g), std::uint8_t(c.b), 0});
  Bytes b = Text("RIFF");
  Le(b, static_cast<std::uint32_t>(body.size() + formExtra), 4);
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

TEST(ForeignPalette, EachFormatFromBytes) {
  std::string gimp20 = "GIMP Palette\nName: many\n";
  for (int i = 0; i < 20; ++i) gimp20 += std::to_string(i) + " 1 2\n";
  std::string ownLines;
  while (ownLines.size() < 768) {
    ownLines += "0,0";
    for (int i = 0; i < 48; ++i) ownLines += ",FF";
    ownLines += "\r\n";
  }
  const struct {
    const char* name;
    Bytes bytes;
    std::string fileName;
    PaletteFileKind kind;
    int count;  // 0: refused
    std::vector<Rgb3> first;
  } cases[] = {
      {"gimp",
       Text("GIMP Palette\nName: x\nColumns: 16\n# note\n255   0  0\tRed\n  0 128 255 Blue sky\n"),
       "a.gpl",
       PaletteFileKind::Gimp,
       2,
       {{255, 0, 0}, {0, 128, 255}}},
      {"gimp, BOM and CR LF",
       Text("\xEF\xBB\xBFGIMP Palette\r\n\r\n1 2 3\r\n"),
       "a.gpl",
       PaletteFileKind::Gimp,
       1,
       {{1, 2, 3}}},
      {"gimp, 20 colours", Text(gimp20), "a.gpl", PaletteFileKind::Gimp, 20, {{0, 1, 2}, {1, 1, 2}}},
      {"gimp, 256", Text("GIMP Palette\n256 0 0\n"), "a.gpl", PaletteFileKind::Gimp, 0, {}},
      {"gimp, two values", Text("GIMP Palette\n12 34\n"), "a.gpl", PaletteFileKind::Gimp, 0, {}},
      {"gimp, 3x", Text("GIMP Palette\n1 2 3x\n"), "a.gpl", PaletteFileKind::Gimp, 0, {}},
      {"gimp, no colours", Text("GIMP Palette\nName: none\n"), "a.gpl", PaletteFileKind::Gimp, 0, {}},
      {"jasc",
       Text("JASC-PAL\r\n0100\r\n2\r\n255 0 0\r\n1 2 3 255\r\n\r\n"),
       "a.pal",
       PaletteFileKind::Jasc,
       2,
       {{255, 0, 0}, {1, 2, 3}}},
      {"jasc, count above the lines",
       Text("JASC-PAL\n0100\n3\n1 2 3\n4 5 6\n"),
       "a.pal",
       PaletteFileKind::Jasc,
       0,
       {}},
      {"jasc, other version", Text("JASC-PAL\n0200\n1\n1 2 3\n"), "a.pal", PaletteFileKind::Jasc, 0, {}},
      {"jasc, five values", Text("JASC-PAL\n0100\n1\n1 2 3 4 5\n"), "a.pal", PaletteFileKind::Jasc, 0, {}},
      {"hex list",
       Text("#FF0000\nff8800\n\n"),
       "a.hex",
       PaletteFileKind::HexList,
       2,
       {{255, 0, 0}, {255, 136, 0}}},
      {"paint.net",
       Text(";paint.net Palette File\r\n;Colors: 2\r\nFFFF0000\r\n8000FF00\r\n"),
       "a.txt",
       PaletteFileKind::HexList,
       2,
       {{255, 0, 0}, {0, 255, 0}}},
      {"hex list, short line", Text("#FF0000\n#FF00\n"), "a.hex", PaletteFileKind::HexList, 0, {}},
      {"hex list, not hex", Text("#FF0000\nGG0000\n"), "a.hex", PaletteFileKind::HexList, 0, {}},
      {"act", Act({{9, 8, 7}}), "a.act", PaletteFileKind::Act, 256, {{9, 8, 7}, {0, 0, 0}}},
      {"act, by its length", Act({{9, 8, 7}}), "noext", PaletteFileKind::Act, 256, {{9, 8, 7}}},
      {"act with count",
       Act({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, 3, 1),
       "a.ACT",
       PaletteFileKind::Act,
       3,
       {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}},
      {"act, count 0", Act({}, 0), "a.act", PaletteFileKind::Act, 0, {}},
      {"act, count 300", Act({}, 300), "a.act", PaletteFileKind::Act, 0, {}},
      {"act, transparent beyond", Act({}, 3, 3), "a.act", PaletteFileKind::Act, 0, {}},
      {"act, short", Act({}, -1, 0, 700), "a.act", PaletteFileKind::Act, 0, {}},
      {"riff",
       Riff({{10, 20, 30}, {40, 50, 60}}, 2, 0x300, 0, true),
       "a.pal",
       PaletteFileKind::Riff,
       2,
       {{10, 20, 30}, {40, 50, 60}}},
      {"riff, count above the chunk", Riff({{1, 2, 3}}, 2), "a.pal", PaletteFileKind::Riff, 0, {}},
      {"riff, other version", Riff({{1, 2, 3}}, 1, 0x200), "a.pal", PaletteFileKind::Riff, 0, {}},
      {"riff, chunk beyond the form", Riff({{1, 2, 3}}, 1, 0x300, 8), "a.pal", PaletteFileKind::Riff, 0, {}},
      {"riff, form beyond the file",
       Riff({{1, 2, 3}}, 1, 0x300, 0, false, 4),
       "a.pal",
       PaletteFileKind::Riff,
       0,
       {}},
      {"riff, cut short",
       Text(std::string_view("RIFF\x04\0\0\0PAL ", 12)),
       "a.pal",
       PaletteFileKind::Riff,
       0,
       {}},
      {"own palette-set file", Text("0,1,FF,0,0\r\n"), "a.pal", PaletteFileKind::PaletteSets, 0, {}},
      {"own palette-set lines, 768 bytes",
       Text(ownLines.substr(0, 768)),
       "b.pal",
       PaletteFileKind::PaletteSets,
       0,
       {}},
  };
  for (const auto& c : cases) {
    const PaletteFileKind kind = DetectPaletteFile(c.bytes, c.fileName);
    EXPECT_EQ(kind, c.kind) << c.name;
    const std::optional<ForeignPalette> read = ReadForeignPalette(kind, c.bytes);
    ASSERT_EQ(read.has_value(), c.count > 0) << c.name;
    if (!read) continue;
    EXPECT_EQ(read->count, c.count) << c.name;
    for (std::size_t i = 0; i < c.first.size(); ++i) {
      const PaletteEntry& e = read->colours[i];
      EXPECT_EQ((std::vector<int>{e.red, e.green, e.blue, e.reserved}),
                (std::vector<int>{c.first[i].r, c.first[i].g, c.first[i].b, 0}))
          << c.name << " colour " << i;
    }
    for (int i = c.count; i < 16; ++i) EXPECT_EQ(read->colours[i], PaletteEntry{}) << c.name;
  }
}

TEST(ForeignPalette, GimpWriterReadsBackAndTheFileReaderFillsUpWithTheFirstColour) {
  Palette p{};
  for (int i = 0; i < 16; ++i) p[i] = {std::uint8_t(i * 16), std::uint8_t(255 - i), std::uint8_t(i * 3), 0};
  const std::string text = WriteGimpPalette(p, "row\n5");
  EXPECT_TRUE(text.starts_with("GIMP Palette\nName: row5\nColumns: 16\n#\n  0 255   0\tIndex 0\n")) << text;
  const std::optional<ForeignPalette> back = ReadGimpPalette(Text(text));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->count, 16);
  EXPECT_EQ(back->colours, p);

  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "pf_foreign_palette_test";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "two.hex") << "#102030\n#405060\n";
  std::ofstream(dir / "sets.pal") << "0,1,FF,0,0\r\n";
  const std::optional<Palette> two = ReadForeignPaletteFile((dir / "two.hex").string());
  ASSERT_TRUE(two);
  EXPECT_EQ((*two)[1], (PaletteEntry{0x60, 0x50, 0x40, 0}));
  for (int i = 2; i < 16; ++i) EXPECT_EQ((*two)[i], (*two)[0]) << "never nearer than the first: " << i;
  EXPECT_FALSE(ReadForeignPaletteFile((dir / "sets.pal").string())) << "left to the palette-set reader";
  EXPECT_FALSE(ReadForeignPaletteFile((dir / "missing.gpl").string()));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace pf
