#include "model/palette_set.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace pf {
namespace {

std::string Line(int row, int flag, int base) {
  std::string s = std::to_string(row) + "," + std::to_string(flag);
  for (int i = 0; i < 48; ++i) {
    char buf[8];
    std::snprintf(buf, sizeof buf, ",%X", (base + i) & 0xFF);
    s += buf;
  }
  return s + "\r\n";
}

struct Targets {
  std::array<Palette, kPaletteSetCount> sets{};
  int current = 0;
  Palette icon{};
  PaletteSetTargets refs() { return {sets, current, icon}; }
};

TEST(PaletteSetFile, WriterLineFormatIsExact) {
  std::array<Palette, kPaletteSetCount> sets{};
  sets[0][0] = {0x0A, 0x00, 0xFF, 0x77};  // reserved byte is not stored
  sets[19][15] = {1, 2, 3, 0};
  const std::string text = WritePaletteSets(sets, 19);
  const std::string first = text.substr(0, text.find("\r\n"));
  std::string expected = "0,0,A,0,FF";
  for (int i = 0; i < 15; ++i) expected += ",0,0,0";
  EXPECT_EQ(first, expected);
  EXPECT_NE(text.find("\r\n19,1,0,0,0,"), std::string::npos);
  EXPECT_EQ(text.substr(text.size() - 8), ",1,2,3\r\n") << "blue, green, red";
  int lines = 0;
  for (std::size_t p = 0; (p = text.find("\r\n", p)) != std::string::npos; p += 2) ++lines;
  EXPECT_EQ(lines, 20);
}

TEST(PaletteSetFile, SaveThenReadRestoresEverything) {
  std::mt19937 rng(11);
  std::array<Palette, kPaletteSetCount> sets{};
  for (auto& row : sets) {
    for (auto& e : row)
      e = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
           static_cast<std::uint8_t>(rng()), 0};
  }
  Targets t;
  t.icon[4].reserved = 9;
  EXPECT_EQ(ReadPaletteSets(WritePaletteSets(sets, 7), t.refs()), PaletteSetRead::Ok);
  EXPECT_EQ(t.sets, sets);
  EXPECT_EQ(t.current, 7);
  for (int c = 0; c < 16; ++c) {
    EXPECT_EQ(t.icon[c].red, sets[7][c].red);
    EXPECT_EQ(t.icon[c].blue, sets[7][c].blue);
  }
  EXPECT_EQ(t.icon[4].reserved, 9) << "byte 3 of the icon palette is left alone";
}

TEST(PaletteSetFile, FlagDecidesTheCurrentSetWhateverFieldZeroSays) {
  Targets t;
  const std::string text = Line(5, 0, 0) + Line(9, 0, 1) + Line(0, 1, 2) + Line(1, 0, 3);
  EXPECT_EQ(ReadPaletteSets(text, t.refs()), PaletteSetRead::Ok);
  EXPECT_EQ(t.current, 2);
  EXPECT_EQ(t.icon[0].blue, 2);
  EXPECT_EQ(t.icon[0].green, 3);
  EXPECT_EQ(t.icon[0].red, 4);
}

TEST(PaletteSetFile, LastFlaggedLineWinsAndNoFlagChangesNothing) {
  Targets t;
  t.current = 4;
  t.icon[0].blue = 99;
  EXPECT_EQ(ReadPaletteSets(Line(0, 0, 1) + Line(1, 0, 2), t.refs()), PaletteSetRead::Ok);
  EXPECT_EQ(t.current, 4);
  EXPECT_EQ(t.icon[0].blue, 99);
  EXPECT_EQ(ReadPaletteSets(Line(0, 1, 1) + Line(1, 1, 2), t.refs()), PaletteSetRead::Ok);
  EXPECT_EQ(t.current, 1);
  EXPECT_EQ(t.icon[0].blue, 2);
}

TEST(PaletteSetFile, FiveLinesKeepTheOtherRows) {
  Targets t;
  t.sets[10][3].green = 77;
  std::string text;
  for (int r = 0; r < 5; ++r) text += Line(r, 0, 100 + r);
  EXPECT_EQ(ReadPaletteSets(text, t.refs()), PaletteSetRead::Ok);
  EXPECT_EQ(t.sets[4][0].blue, 104);
  EXPECT_EQ(t.sets[10][3].green, 77);
}

TEST(PaletteSetFile, TwentyFiveLinesStopAfterTwenty) {
  Targets t;
  std::string text;
  for (int r = 0; r < 25; ++r) text += Line(r, r == 22 ? 1 : 0, r);
  std::vector<int> stored;
  EXPECT_EQ(ReadPaletteSets(text, t.refs(), [&](int row) { stored.push_back(row); }),
            PaletteSetRead::TooManySets);
  EXPECT_EQ(stored.size(), 20u);
  EXPECT_EQ(t.sets[19][0].blue, 19);
  EXPECT_EQ(t.current, 0) << "the flag on line 23 is never read";
}

TEST(PaletteSetFile, BadInputStopsWithWhatWasReadKept) {
  struct Case {
    const char* name;
    std::string text;
    int rowsKept;
  };
  std::string shortLine = Line(1, 0, 0);
  shortLine = shortLine.substr(0, shortLine.rfind(',')) + "\r\n";  // 49 fields
  std::string bigComponent = Line(1, 0, 0);
  bigComponent.replace(bigComponent.find(",2,"), 3, ",1FF,");
  const Case cases[] = {
      {"empty file", "", 0},
      {"short line", Line(0, 0, 5) + shortLine, 1},
      {"component above FF", Line(0, 0, 5) + bigComponent, 1},
      {"empty line", Line(0, 0, 5) + "\r\n" + Line(2, 0, 5), 1},
  };
  for (const Case& c : cases) {
    Targets t;
    int stored = 0;
    EXPECT_EQ(ReadPaletteSets(c.text, t.refs(), [&](int) { ++stored; }), PaletteSetRead::Invalid) << c.name;
    EXPECT_EQ(stored, c.rowsKept) << c.name;
  }
}

TEST(PaletteSetFile, LenientFieldsReadTheirLeadingHexDigits) {
  Targets t;
  std::string text = Line(0, 0, 0);
  text.replace(text.find(",1,"), 3, ",zz,");  // not hexadecimal: 0
  text.replace(text.find(",3,"), 3, ",3q,");  // leading digit counts
  EXPECT_EQ(ReadPaletteSets(text, t.refs()), PaletteSetRead::Ok);
  EXPECT_EQ(t.sets[0][0].green, 0);
  EXPECT_EQ(t.sets[0][1].blue, 3);
}

}  // namespace
}  // namespace pf
