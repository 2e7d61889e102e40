// Small pictures to and from the editor's picture: the indexed PNG it writes, read by Pillow, and the
// pictures of at most 32 x 32 and 16 colours it takes exactly.
#include "model/indexed_picture.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "model/file_io.h"
#include "model/icon_test_support.h"

namespace pf {
namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kClear = 0x00000000;

DecodedPicture Truecolour(int w, int h, std::vector<std::uint32_t> argb) {
  return {w, h, std::move(argb), {}, {}};
}

TEST(SmallPicture, ColoursNumbersAndTransparency) {
  const std::uint32_t red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
  std::vector<std::uint32_t> sixteen;
  for (std::uint32_t i = 0; i < 16; ++i) sixteen.push_back(0xFF000000 | i);
  std::vector<std::uint32_t> seventeen = sixteen;
  seventeen.push_back(0xFF123456);
  std::vector<std::uint32_t> sixteenAndClear = sixteen;
  sixteenAndClear.push_back(kClear);
  // A palette picture keeps its numbers; its transparent entry becomes the transparent colour.
  DecodedPicture indexed{2, 2, {}, {0xFF000000, 0xFF111111, 0xFF222222, 0x00FFFFFF}, {3, 1, 2, 3}};
  for (std::uint8_t n : indexed.indices) indexed.argb.push_back(indexed.table[n]);
  DecodedPicture wideTable = indexed;
  wideTable.table.resize(256, 0xFF000000);

  struct Case {
    const char* name;
    DecodedPicture picture;
    SmallPictureStatus status;
    std::vector<int> bottomRow;  // the palette numbers of storage row 0 from column 0
    int transparent;
  };
  const Case cases[] = {
      {"first appearance", Truecolour(3, 1, {green, red, green}), SmallPictureStatus::Ok, {0, 1, 0}, -1},
      {"transparent after",
       Truecolour(4, 1, {kClear, blue, red, kClear}),
       SmallPictureStatus::Ok,
       {2, 0, 1, 2},
       2},
      {"palette numbers", indexed, SmallPictureStatus::Ok, {2, 3}, 3},
      {"a long table", wideTable, SmallPictureStatus::Ok, {2, 3}, 3},
      {"16 colours", Truecolour(16, 1, sixteen), SmallPictureStatus::Ok, {0, 1, 2}, -1},
      {"17 colours", Truecolour(17, 1, seventeen), SmallPictureStatus::TooManyColours, {}, -1},
      {"16 and clear", Truecolour(17, 1, sixteenAndClear), SmallPictureStatus::TooManyColours, {}, -1},
      {"half alpha", Truecolour(1, 1, {0x80FF0000}), SmallPictureStatus::TooManyColours, {}, -1},
      {"33 wide",
       Truecolour(33, 1, std::vector<std::uint32_t>(33, red)),
       SmallPictureStatus::TooLarge,
       {},
       -1},
      {"33 high, no pixels", Truecolour(1, 33, {}), SmallPictureStatus::TooLarge, {}, -1},
      {"short pixels", Truecolour(2, 2, {red}), SmallPictureStatus::TooManyColours, {}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SmallPicture p = ReadSmallPicture(c.picture);
    EXPECT_EQ(p.status, c.status);
    if (c.status != SmallPictureStatus::Ok) continue;
    EXPECT_EQ(p.transparentIndex, c.transparent);
    const int h = c.picture.height;
    for (std::size_t x = 0; x < c.bottomRow.size(); ++x) {
      // The bottom row of the picture is storage row 0.
      EXPECT_EQ(p.pixels[x], c.bottomRow[x]) << x;
      const std::uint32_t argb = c.picture.argb[static_cast<std::size_t>((h - 1) * c.picture.width) + x];
      EXPECT_EQ(p.mask[31 * 32 + x], argb >> 24 == 0 ? 1 : 0) << "mask row 31 is the bottom row";
      if (argb >> 24 != 0) {
        EXPECT_EQ(p.palette[p.pixels[x]].red, (argb >> 16) & 0xFF);
      }
    }
  }
}

TEST(SmallPicture, SmallerPicturesLieInTheLowerLeftCorner) {
  std::vector<std::uint32_t> argb(16 * 16, 0xFF0000FF);
  argb[0] = 0xFFFF0000;  // the top-left pixel
  const SmallPicture p = ReadSmallPicture(Truecolour(16, 16, argb));
  ASSERT_EQ(p.status, SmallPictureStatus::Ok);
  EXPECT_EQ(p.pixels[15 * 32 + 0], 0) << "the picture's top row is storage row 15";
  EXPECT_EQ(p.pixels[15 * 32 + 1], 1);
  EXPECT_EQ(p.pixels[16 * 32 + 0], 0) << "index 0 above the picture";
  EXPECT_EQ(p.pixels[0 * 32 + 16], 0) << "and right of it";
}

TEST(IndexedPng, PillowReadsPaletteNumbersAndTransparency) {
  const fs::path dir = fs::temp_directory_path() / ("pf-indexed-png-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::mt19937 rng(11);
  PixelArray pixels{};
  for (auto& v : pixels) v = static_cast<std::uint8_t>(rng() % 16);
  Palette palette{};
  for (auto& e : palette) e = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
  std::string expected;
  struct Case {
    const char* file;
    int edge, transparent;
  };
  for (const Case& c : {Case{"a.png", 32, 7}, Case{"b.png", 16, -1}, Case{"c.png", 16, 15}}) {
    ASSERT_TRUE(WriteIconPng((dir / c.file).string(), pixels, palette, c.transparent, c.edge));
    // Rows from the top: storage row edge - 1 first.
    std::string rows;
    for (int y = 0; y < c.edge; ++y)
      for (int x = 0; x < c.edge; ++x)
        rows += std::to_string(pixels[static_cast<std::size_t>((c.edge - 1 - y) * 32 + x)]) + ",";
    expected += std::string(c.file) + " " + std::to_string(c.edge) + " " + std::to_string(c.transparent) +
                " " + rows + "\n";
  }
  std::string colours;
  for (const auto& e : palette)
    colours += std::to_string(e.red) + "," + std::to_string(e.green) + "," + std::to_string(e.blue) + ",";
  std::ofstream(dir / "expected.txt") << colours << "\n" << expected;
  const std::string script = R"(
import os, sys
try:
    from PIL import Image
except ImportError:
    sys.exit(77)
d = sys.argv[1]
lines = open(os.path.join(d, "expected.txt")).read().split("\n")
palette = [int(v) for v in lines[0].split(",") if v]
bad = 0
for line in lines[1:]:
    if not line: continue
    name, edge, transparent, rows = line.split(" ")
    im = Image.open(os.path.join(d, name))
    want = [int(v) for v in rows.split(",") if v]
    ok = im.mode == "P" and im.size == (int(edge),) * 2 and list(im.getdata()) == want
    ok = ok and im.getpalette()[:48] == palette and len(im.getpalette()) >= 48
    t = im.info.get("transparency")
    ok = ok and (t is None if transparent == "-1" else (t == int(transparent) or (isinstance(t, bytes) and t[int(transparent)] == 0 and t.count(0) == 1)))
    if not ok:
        print(name, im.mode, im.size, t, file=sys.stderr); bad = 1
sys.exit(bad)
)";
  std::ofstream(dir / "check.py") << script;
  const int status =
      std::system(("/usr/bin/python3 '" + (dir / "check.py").string() + "' '" + dir.string() + "'").c_str());
  fs::remove_all(dir);
  if (WIFEXITED(status) && WEXITSTATUS(status) == 77)
    PF_SKIP_CROSS_CHECK("Pillow is not installed (Debian package python3-pil)");
  EXPECT_EQ(status, 0);
}

}  // namespace
}  // namespace pf
