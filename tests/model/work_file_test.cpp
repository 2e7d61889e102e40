#include "model/work_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <utility>

#include "model/icon_file.h"

namespace pf {
namespace {

std::unique_ptr<ArchiveSlots> RandomSlots(unsigned seed) {
  std::mt19937 rng(seed);
  auto slots = std::make_unique<ArchiveSlots>();
  for (ArchiveSlot& slot : *slots) {
    for (auto& p : slot.pixels) p = static_cast<std::uint8_t>(rng() % 16);
    for (auto& e : slot.palette) e = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
  }
  return slots;
}

// Slots whose every byte is 0xEE: shows what an unpack leaves alone and what it overwrites.
std::unique_ptr<ArchiveSlots> JunkSlots() {
  auto slots = std::make_unique<ArchiveSlots>();
  for (ArchiveSlot& slot : *slots) {
    slot.pixels.fill(0xEE);
    slot.palette.fill({0xEE, 0xEE, 0xEE, 0xEE});
  }
  return slots;
}

bool SamePixels(const ArchiveSlot& a, const ArchiveSlot& b, int count = 1024) {
  return std::equal(a.pixels.begin(), a.pixels.begin() + count, b.pixels.begin());
}

TEST(WorkFile, FreshArchivePacksToZerosAndAnEmptyFileReadsAsFresh) {
  const auto fresh = std::make_unique<ArchiveSlots>();
  const auto bytes = PackWorkFile(*fresh);
  ASSERT_EQ(bytes.size(), kWorkFileSize);
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), 11521);

  auto back = JunkSlots();
  UnpackWorkFile({}, *back);
  for (std::size_t i = 1; i <= 20; ++i) {
    EXPECT_TRUE(SamePixels(back->at(i), fresh->at(i))) << "slot " << i;
    EXPECT_EQ(back->at(i).palette, Palette{});
  }
}

TEST(WorkFile, RoundTripKeepsSlotsOneToTwentyButNotTheSpareOrSlotZero) {
  auto slots = RandomSlots(11);
  slots->at(4).palette[9].reserved = 0x5A;  // written as stored
  const auto bytes = PackWorkFile(*slots);

  auto back = JunkSlots();
  UnpackWorkFile(bytes, *back);
  for (std::size_t i = 1; i <= 20; ++i) {
    EXPECT_TRUE(SamePixels(back->at(i), slots->at(i))) << "slot " << i;
    EXPECT_EQ(back->at(i).palette, slots->at(i).palette) << "slot " << i;
    EXPECT_EQ(back->at(i).pixels[1024], 0xEE) << "the spare element is neither stored nor cleared";
  }
  EXPECT_EQ(back->at(0), JunkSlots()->at(0)) << "the drop slot is never loaded";

  // Nor does anything outside slots 1..20 reach the file.
  slots->at(0) = RandomSlots(12)->at(0);
  for (ArchiveSlot& slot : *slots) slot.pixels[1024] ^= 0x0F;
  EXPECT_EQ(PackWorkFile(*slots), bytes);

  // Whatever follows the 11,521 bytes is ignored.
  auto longer = bytes;
  longer.insert(longer.end(), 300, 0xFF);
  auto fromLonger = JunkSlots();
  UnpackWorkFile(longer, *fromLonger);
  EXPECT_EQ(*fromLonger, *back);
}

TEST(WorkFile, ByteLayout) {
  auto slots = std::make_unique<ArchiveSlots>();
  slots->at(3).pixels[0] = 7;  // left pixel of the pair: high nibble
  slots->at(3).pixels[1] = 2;
  slots->at(20).pixels[1023] = 9;
  slots->at(2).palette[0] = {1, 2, 3, 4};
  slots->at(20).palette[15] = {5, 6, 7, 0};
  const auto bytes = PackWorkFile(*slots);
  const std::pair<std::size_t, int> expected[] = {{1024, 0x72}, {10239, 0x09}, {10304, 1}, {10305, 2},
                                                  {10306, 3},   {10307, 4},    {11516, 5}, {11518, 7}};
  for (const auto& [offset, value] : expected) EXPECT_EQ(bytes[offset], value) << offset;
  EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0), 11521 - 9);
}

TEST(WorkFile, ShortFileReadsMissingTailAsZero) {
  const auto original = RandomSlots(21);
  auto bytes = PackWorkFile(*original);
  bytes.resize(10000);  // 272 bytes of slot 20's image, no palettes

  auto back = JunkSlots();
  UnpackWorkFile(bytes, *back);
  for (std::size_t i = 1; i <= 19; ++i) EXPECT_TRUE(SamePixels(back->at(i), original->at(i))) << i;
  const auto& last = back->at(20).pixels;
  EXPECT_TRUE(SamePixels(back->at(20), original->at(20), 544));
  EXPECT_EQ(std::count(last.begin() + 544, last.begin() + 1024, 0), 1024 - 544);
  for (std::size_t i = 1; i <= 20; ++i) EXPECT_EQ(back->at(i).palette, Palette{}) << "slot " << i;
}

TEST(WorkFile, ExtensionIsAddedOnlyWhenMissing) {
  struct Case {
    const char* name;
    const char* ext;
    const char* expected;
  };
  const Case cases[] = {
      {"x", ".wrk", "x.wrk"},
      {"/a/b.WRK", ".wrk", "/a/b.WRK"},
      {"a.Wrk", ".wrk", "a.Wrk"},
      {"a.wrk.bak", ".wrk", "a.wrk.bak"},
      {"a.wr", ".wrk", "a.wr.wrk"},
      {"保管.W24", ".w24", "保管.W24"},
      {"p.wrk", ".msk", "p.wrk.msk"},
      // Only the file's own name counts: a folder with the extension in its name does not.
      {"/home/u/my.icons/face", ".ico", "/home/u/my.icons/face.ico"},
      {"/a.wrk/b", ".wrk", "/a.wrk/b.wrk"},
  };
  for (const Case& c : cases) EXPECT_EQ(WithWorkExtension(c.name, c.ext), c.expected) << c.name;
}

TEST(WorkFile, PressSelectsTheCellUnderIt) {
  struct Case {
    int x, y, expected;
  };
  const Case cases[] = {
      {65, 0, 1},    {96, 319, 10},  {80, 32, 2},   {190, 0, 11}, {222, 31, 11},
      {222, 32, 12}, {200, 319, 20}, {64, 10, 7},   {97, 10, 7},  {189, 10, 7},
      {223, 10, 7},  {65, 320, 7},   {200, 400, 7}, {80, -1, 7},  {130, 100, 7},
  };
  for (const Case& c : cases) EXPECT_EQ(SlotAt(c.x, c.y, 7), c.expected) << c.x << "," << c.y;
}

TEST(WorkFile, NewWindowTakesTheLowestNumberNoCaptionContains) {
  const std::string base = "保管庫　";
  struct Case {
    std::vector<std::string> captions;
    int expected;
  };
  const Case cases[] = {
      {{}, 1},
      {{"保管庫　1", "保管庫　3"}, 2},
      {{"保管庫　12"}, 2},
      {{"フルカラー保管庫　1", "画像合成1"}, 2},
      {{"保管庫　2", "保管庫　1   pf7.wrk"}, 3},
      {{"保管庫 1", "保管庫1"}, 1},  // the base ends in an ideographic space
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LowestFreeNumber(c.captions, base), c.expected) << ::testing::PrintToString(c.captions);
  }
}

TEST(WorkFile, DroppedNameDecidesTheReader) {
  using K = PictureKind;
  const std::vector<std::uint8_t> bm = {'B', 'M', 0, 0}, ico = {0, 0, 1, 0}, other = {0, 0, 2, 0};
  const struct {
    const char* name;
    const std::vector<std::uint8_t>& start;
    PictureKind kind;
  } cases[] = {
      {"a.ico", bm, K::Icon},  // the name wins over the bytes
      {"A.ICO", other, K::Icon},
      {"a.Ico", other, K::Icon},
      {"a.bmp", ico, K::Bitmap},
      {"a.BmP", other, K::Bitmap},
      {"x.ico.bmp", other, K::Bitmap},
      {"/home/u/.icons/face.bmp", ico, K::Bitmap},
      {"my.icons/face", bm, K::Bitmap},
      {"/ico/bmp.png", other, K::Unknown},
      {"noending", ico, K::Icon},
      {"face.ico.bak", ico, K::Icon},
      {"face.png", bm, K::Bitmap},
      {"face", other, K::Unknown},
      {"short", std::vector<std::uint8_t>{'B'}, K::Unknown},
      {"ico", ico, K::Icon},
      {"dir.bmp/", other, K::Unknown},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PictureKindOf(c.name, c.start), c.kind) << c.name;
  }
}

}  // namespace
}  // namespace pf
