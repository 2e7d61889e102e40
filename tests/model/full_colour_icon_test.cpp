#include "model/full_colour_icon.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "model/icon_test_support.h"

namespace pf {
namespace {

namespace fs = std::filesystem;
using namespace icontest;

Bytes randomBytes(std::mt19937& rng, std::size_t n) {
  Bytes b(n);
  for (auto& x : b) x = static_cast<std::uint8_t>(rng());
  return b;
}

// A folder of its own for each test that writes files.
struct TempDir {
  fs::path path =
      fs::temp_directory_path() / ("pf-fc-" + std::to_string(::getpid()) + "-" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  TempDir() { fs::create_directories(path); }
  ~TempDir() { fs::remove_all(path); }
  std::string file(const std::string& name) const { return (path / name).string(); }
};

TEST(FullColourLayout, WriterHeaderMatchesTheLayoutForEachEdge) {
  struct Case {
    int edge;
    std::size_t fileSize;
  };
  for (const Case c : {Case{32, 3262}, Case{64, 12862}}) {
    SCOPED_TRACE(c.edge);
    std::mt19937 rng(c.edge);
    const std::uint32_t p = 3 * c.edge * c.edge, m = c.edge * c.edge / 8;
    const Bytes pixels = randomBytes(rng, p), mask = randomBytes(rng, m);
    const Bytes f = BuildFullColourIcon(pixels, mask, c.edge);
    ASSERT_EQ(f.size(), c.fileSize);
    const std::vector<std::pair<std::size_t, std::uint32_t>> fields16 = {{0, 0},  {2, 1},  {4, 1},  {10, 0},
                                                                         {12, 0}, {34, 1}, {36, 24}};
    for (const auto& [at, want] : fields16) EXPECT_EQ(get16(f, at), want) << "offset " << at;
    const std::vector<std::pair<std::size_t, std::uint32_t>> fields32 = {
        {14, 40 + p + m},  {18, 22}, {22, 40},    {26, static_cast<std::uint32_t>(c.edge)},
        {30, 2u * c.edge}, {38, 0},  {42, p + m}, {46, 0},
        {50, 0},           {54, 0},  {58, 0}};
    for (const auto& [at, want] : fields32) EXPECT_EQ(get32(f, at), want) << "offset " << at;
    EXPECT_EQ(f[6], c.edge);
    EXPECT_EQ(f[7], c.edge);
    EXPECT_EQ(f[8], 0);  // colour count
    EXPECT_TRUE(std::equal(pixels.begin(), pixels.end(), f.begin() + 62));
    EXPECT_TRUE(std::equal(mask.begin(), mask.end(), f.begin() + 62 + p));
  }
}

TEST(FullColourLayout, SixteenByWriterKeepsEvenRowsAndColumns) {
  // Even stored rows red, odd blue: only red survives.
  Bytes striped(3072);
  for (std::size_t r = 0; r < 32; ++r) {
    const auto bgr = ColorRefToBgr(r % 2 == 0 ? Rgb(255, 0, 0) : Rgb(0, 0, 255));
    for (std::size_t x = 0; x < 32; ++x) std::copy_n(bgr.begin(), 3, striped.begin() + 96 * r + 3 * x);
  }
  const Bytes f = BuildFullColourIcon16(striped);
  ASSERT_EQ(f.size(), 894u);
  EXPECT_EQ(get32(f, 14), 872u);
  EXPECT_EQ(get32(f, 42), 832u);
  EXPECT_EQ(get32(f, 26), 16u);
  EXPECT_EQ(get32(f, 30), 32u);
  EXPECT_EQ(get16(f, 36), 24u);
  EXPECT_EQ(f[6], 16);
  EXPECT_EQ(f[8], 0);
  for (std::size_t i = 0; i < 256; ++i) {
    ASSERT_EQ(f[62 + 3 * i], 0) << i;
    ASSERT_EQ(f[62 + 3 * i + 1], 0) << i;
    ASSERT_EQ(f[62 + 3 * i + 2], 255) << i;
  }
  EXPECT_TRUE(std::all_of(f.begin() + 62 + 768, f.end(), [](std::uint8_t b) { return b == 0; }));

  // Every source pixel named by its row and column: output (r, c) must be source (2r, 2c).
  Bytes named(3072);
  for (std::size_t r = 0; r < 32; ++r) {
    for (std::size_t x = 0; x < 32; ++x) {
      named[96 * r + 3 * x] = static_cast<std::uint8_t>(r);
      named[96 * r + 3 * x + 1] = static_cast<std::uint8_t>(x);
      named[96 * r + 3 * x + 2] = 7;
    }
  }
  const Bytes g = BuildFullColourIcon16(named);
  ASSERT_EQ(g.size(), 894u);
  for (std::size_t r = 0; r < 16; ++r) {
    for (std::size_t c = 0; c < 16; ++c) {
      const std::size_t at = 62 + 48 * r + 3 * c;
      EXPECT_EQ(g[at], 2 * r);
      EXPECT_EQ(g[at + 1], 2 * c);
      EXPECT_EQ(g[at + 2], 7);
    }
  }
}

TEST(FullColourLayout, BuildersAndWritersRefuseShortOrWrongInput) {
  const Bytes big(3 * 64 * 64 + 1), mask(64 * 64 / 8 + 1);
  struct Case {
    std::size_t pixels, mask;
    int edge;
  };
  for (const Case c : {Case{3071, 128, 32}, Case{3072, 127, 32}, Case{12287, 512, 64}, Case{12288, 511, 64},
                       Case{big.size(), mask.size(), 16}, Case{big.size(), mask.size(), 48},
                       Case{big.size(), mask.size(), 96}, Case{big.size(), mask.size(), 0}}) {
    EXPECT_TRUE(
        BuildFullColourIcon(std::span(big).first(c.pixels), std::span(mask).first(c.mask), c.edge).empty())
        << c.pixels << " " << c.mask << " " << c.edge;
  }
  EXPECT_TRUE(BuildFullColourIcon16(std::span(big).first(3071)).empty());

  TempDir dir;
  EXPECT_FALSE(WriteFullColourIcon(dir.file("no/such/folder.ico"), big, mask, 32));
  EXPECT_FALSE(WriteFullColourIcon16(dir.file("no/such/folder.ico"), big));
  EXPECT_FALSE(WriteFullColourIcon(dir.file("short.ico"), std::span(big).first(10), mask, 32));
  EXPECT_FALSE(fs::exists(dir.file("short.ico")));
}

TEST(FullColourLayout, ColorRefToBgrStoresBlueGreenRed) {
  using Out = std::array<std::uint8_t, 4>;
  const std::vector<std::pair<ColorRef, Out>> cases = {
      {Rgb(18, 52, 86), {86, 52, 18, 0}},
      {Rgb(255, 0, 0), {0, 0, 255, 0}},
      {Rgb(0, 0, 255), {255, 0, 0, 0}},
      {0x00FFFFFF, {255, 255, 255, 0}},
  };
  for (const auto& [colour, want] : cases) EXPECT_EQ(ColorRefToBgr(colour), want) << colour;
}

TEST(FullColourRead, RandomIconsComeBackUnchanged) {
  TempDir dir;
  for (const int edge : {32, 64}) {
    for (unsigned seed = 1; seed <= 3; ++seed) {
      SCOPED_TRACE(edge * 100 + seed);
      std::mt19937 rng(seed * edge);
      const Bytes pixels = randomBytes(rng, 3 * edge * edge), mask = randomBytes(rng, edge * edge / 8);
      // One file per edge: a save into a file of the other edge would keep that image beside its own.
      const std::string path = dir.file("r" + std::to_string(edge) + ".ico");
      ASSERT_TRUE(WriteFullColourIcon(path, pixels, mask, edge));
      SharedState state;
      const auto icon = ReadFullColourIcon(path, state);
      ASSERT_TRUE(icon);
      EXPECT_EQ(icon->size, edge);
      EXPECT_EQ(icon->pixels, pixels);
      EXPECT_EQ(icon->mask, mask);

      // The header copies are the file's own bytes.
      const Bytes file = BuildFullColourIcon(pixels, mask, edge);
      ASSERT_EQ(state.IconDirEntries.size(), 1u);
      ASSERT_EQ(state.IconImageHeaders.size(), 1u);
      EXPECT_TRUE(std::equal(state.IconDirHeader.begin(), state.IconDirHeader.end(), file.begin()));
      EXPECT_TRUE(
          std::equal(state.IconDirEntries[0].begin(), state.IconDirEntries[0].end(), file.begin() + 6));
      EXPECT_TRUE(
          std::equal(state.IconImageHeaders[0].begin(), state.IconImageHeaders[0].end(), file.begin() + 22));
    }
  }
}

TEST(FullColourRead, TakesTheFirstQualifyingEntry) {
  std::mt19937 rng(5);
  auto image = [&](int w, int h, int colours, int bits) {
    const std::size_t n = colours == 0 ? 3 * w * h + w * h / 8 : w * h / 2 + 64 + w * h / 8;
    return TestImage{w, h, colours, bits, randomBytes(rng, n)};
  };
  struct Case {
    const char* what;
    std::vector<TestImage> images;
    int chosen;  // -1: rejected
  };
  const std::vector<Case> cases = {
      {"16-colour 32 passed over", {image(32, 32, 16, 4), image(32, 32, 0, 24)}, 1},
      {"64 ahead of 32 wins", {image(64, 64, 0, 24), image(32, 32, 0, 24)}, 0},
      {"32 ahead of 64 wins", {image(32, 32, 0, 24), image(64, 64, 0, 24)}, 0},
      {"other edges passed over", {image(48, 48, 0, 24), image(16, 16, 0, 24), image(64, 64, 0, 24)}, 2},
      {"width and height must agree", {image(32, 64, 0, 24), image(32, 32, 0, 24)}, 1},
      {"no qualifying entry", {image(32, 32, 16, 4), image(16, 16, 0, 24)}, -1},
      {"a 32-bit entry passed over", {image(32, 32, 0, 32), image(32, 32, 0, 24)}, 1},
      {"only 32-bit entries", {image(32, 32, 0, 32), image(64, 64, 0, 32)}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SharedState state;
    const auto icon = ReadFullColourIcon(makeIcon(c.images), state);
    ASSERT_EQ(state.IconDirEntries.size(), c.images.size());
    if (c.chosen < 0) {
      EXPECT_FALSE(icon);
      continue;
    }
    ASSERT_TRUE(icon);
    const TestImage& want = c.images[static_cast<std::size_t>(c.chosen)];
    const std::size_t p = 3 * want.width * want.width;
    EXPECT_EQ(icon->size, want.width);
    EXPECT_EQ(icon->pixels, Bytes(want.body.begin(), want.body.begin() + static_cast<std::ptrdiff_t>(p)));
    EXPECT_EQ(icon->mask, Bytes(want.body.begin() + static_cast<std::ptrdiff_t>(p), want.body.end()));
    EXPECT_EQ(state.IconDirEntries[static_cast<std::size_t>(c.chosen)][0], want.width);
    EXPECT_EQ(get16(Bytes(state.IconImageHeaders[static_cast<std::size_t>(c.chosen)].begin(),
                          state.IconImageHeaders[static_cast<std::size_t>(c.chosen)].end()),
                    14),
              24u);
  }
}

// A one-image icon as other programs may write it; `pixels` and `mask` are bottom row first.
struct Written {
  std::uint32_t headerSize = 40, used = 0, compression = 0, bits = 24, width = 0;  // width 0: the edge
  bool topDown = false;
};
Bytes OtherWriters(int edge, const Bytes& pixels, const Bytes& mask, const Written& w) {
  // The fields are laid out as in a 40-byte header; a shorter header keeps only its first bytes.
  const std::size_t laidOut = std::max<std::size_t>(w.headerSize, 40);
  Bytes file(22 + laidOut + 4 * w.used, 0);
  put16(file, 2, 1);
  put16(file, 4, 1);
  file[6] = file[7] = static_cast<std::uint8_t>(edge);
  put32(file, 18, 22);
  put32(file, 22, w.headerSize);
  put32(file, 26, w.width != 0 ? w.width : static_cast<std::uint32_t>(edge));
  put32(file, 30, static_cast<std::uint32_t>(w.topDown ? -2 * edge : 2 * edge));
  put16(file, 36, w.bits);
  put32(file, 38, w.compression);
  put32(file, 54, w.used);
  file.erase(file.begin() + 22 + w.headerSize, file.begin() + 22 + static_cast<std::ptrdiff_t>(laidOut));
  const auto e = static_cast<std::size_t>(edge);
  for (const auto& [bytes, row] : {std::pair{&pixels, 3 * e}, std::pair{&mask, e / 8}}) {
    for (std::size_t r = 0; r < e; ++r) {
      const auto at = bytes->begin() + static_cast<std::ptrdiff_t>((w.topDown ? e - 1 - r : r) * row);
      file.insert(file.end(), at, at + static_cast<std::ptrdiff_t>(row));
    }
  }
  return file;
}

TEST(FullColourRead, LargerHeadersTopDownRowsAndWhatCannotBeRead) {
  std::mt19937 rng(23);
  const std::pair<Written, bool> cases[] = {
      {{}, true},
      {{.headerSize = 108}, true},
      {{.headerSize = 124}, true},
      {{.headerSize = 124, .topDown = true}, true},
      {{.used = 16}, true},  // a colour table before the rows
      {{.compression = 3}, false},
      {{.bits = 32}, false},
      {{.headerSize = 12}, false},  // the old 12-byte header
      {{.width = 48}, false},       // the header's width is not the entry's
  };
  for (const int edge : {32, 64}) {
    const Bytes pixels = randomBytes(rng, 3 * edge * edge), mask = randomBytes(rng, edge * edge / 8);
    for (const auto& [how, readable] : cases) {
      SCOPED_TRACE(testing::Message() << edge << " header " << how.headerSize << " bits " << how.bits);
      SharedState state;
      const auto icon = ReadFullColourIcon(OtherWriters(edge, pixels, mask, how), state);
      ASSERT_EQ(icon.has_value(), readable);
      if (icon) {
        EXPECT_TRUE(icon->size == edge && icon->pixels == pixels && icon->mask == mask);
      }
    }
  }
  // A file with only a 32-bit image and a PNG has nothing to show.
  Bytes file =
      makeIcon({TestImage{32, 32, 0, 32, randomBytes(rng, 4096 + 128)}, TestImage{32, 32, 0, 24, {}}});
  const Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::copy(png.begin(), png.end(), file.begin() + get32(file, 6 + 16 + 12));
  file.resize(file.size() + 200, 0);
  SharedState state;
  EXPECT_FALSE(ReadFullColourIcon(file, state));
}

TEST(FullColourRead, ShortOrInconsistentFilesAreRejected) {
  std::mt19937 rng(11);
  for (const int edge : {32, 64}) {
    const Bytes file =
        BuildFullColourIcon(randomBytes(rng, 3 * edge * edge), randomBytes(rng, edge * edge / 8), edge);
    for (std::size_t cut = 0; cut < file.size(); ++cut) {
      SharedState state;
      // A copy of exactly `cut` bytes, so the sanitizers see any read past it.
      const Bytes shortFile(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
      ASSERT_FALSE(ReadFullColourIcon(shortFile, state)) << edge << " cut at " << cut;
    }
  }
  const Bytes good = BuildFullColourIcon(Bytes(3072, 1), Bytes(128, 2), 32);
  auto variant = [&](auto change) {
    Bytes f = good;
    change(f);
    return f;
  };
  const std::vector<Bytes> bad = {
      variant([](Bytes& f) { put32(f, 18, 0xFFFFFFF0u); }),                                // offset wraps
      variant([](Bytes& f) { put32(f, 18, static_cast<std::uint32_t>(f.size()) - 40); }),  // no pixels
      variant([](Bytes& f) { put16(f, 4, 0xFFFF); }),                                      // huge count
      variant([](Bytes& f) { put16(f, 4, 0); }),                                           // no images
      variant([](Bytes& f) { f[6] = f[7] = 64; }),  // claims 64 x 64 with 32 x 32 data
  };
  for (std::size_t i = 0; i < bad.size(); ++i) {
    SharedState state;
    EXPECT_FALSE(ReadFullColourIcon(bad[i], state)) << i;
  }
  SharedState state;
  EXPECT_FALSE(ReadFullColourIcon("/nonexistent/pictoforge.ico", state));
}

// Another decoder's opinion: Pillow must see the same colours, and transparency exactly where the mask
// bits are set.
TEST(FullColourIndependentDecoder, PillowSeesTheSamePictures) {
  const fs::path script = icontest::PillowScript();
  if (script.empty()) PF_SKIP_CROSS_CHECK("PF_SOURCE_DIR is not set, so pillow_check.py cannot be found");
  ASSERT_TRUE(fs::exists(script)) << script;
  TempDir dir;

  std::ostringstream json;
  json << "[";
  // Stored rows run bottom first; the expectation is written top row first.
  auto describe = [&](const std::string& file, int edge, const Bytes& pixels, const Bytes& mask,
                      std::size_t maskRow) {
    json << (json.tellp() > 1 ? "," : "") << "{\"file\":\"" << file << "\",\"width\":" << edge
         << ",\"height\":" << edge << ",\"rgb\":[";
    for (int y = 0; y < edge; ++y) {
      for (int x = 0; x < edge; ++x) {
        const std::size_t at = 3 * static_cast<std::size_t>((edge - 1 - y) * edge + x);
        json << (y || x ? "," : "") << "[" << +pixels[at + 2] << "," << +pixels[at + 1] << "," << +pixels[at]
             << "]";
      }
    }
    json << "],\"mask\":[";
    for (int y = 0; y < edge; ++y) {
      for (int x = 0; x < edge; ++x) {
        const std::uint8_t byte = mask[maskRow * static_cast<std::size_t>(edge - 1 - y) + x / 8];
        json << (y || x ? "," : "") << ((byte >> (7 - x % 8)) & 1);
      }
    }
    json << "]}";
  };

  std::mt19937 rng(99);
  Bytes pixels32;
  for (const int edge : {32, 64}) {
    const Bytes pixels = randomBytes(rng, 3 * edge * edge), mask = randomBytes(rng, edge * edge / 8);
    const std::string name = "f" + std::to_string(edge) + ".ico";
    ASSERT_TRUE(WriteFullColourIcon(dir.file(name), pixels, mask, edge));
    describe(name, edge, pixels, mask, edge / 8);
    if (edge == 32) pixels32 = pixels;
  }
  ASSERT_TRUE(WriteFullColourIcon16(dir.file("f16.ico"), pixels32));
  Bytes small;
  for (std::size_t r = 0; r < 16; ++r) {
    for (std::size_t c = 0; c < 16; ++c) {
      const auto from = pixels32.begin() + static_cast<std::ptrdiff_t>(96 * 2 * r + 3 * 2 * c);
      small.insert(small.end(), from, from + 3);
    }
  }
  describe("f16.ico", 16, small, Bytes(64, 0), 4);
  json << "]";
  std::ofstream(dir.path / "expected.json") << json.str();

  std::string command;
  const int status = icontest::RunPillowCheck(dir.path, command);
  if (status == 77) PF_SKIP_CROSS_CHECK("Pillow is not installed (Debian package python3-pil)");
  EXPECT_EQ(status, 0) << command;
}

}  // namespace
}  // namespace pf
