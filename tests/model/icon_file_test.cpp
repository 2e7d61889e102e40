#include "model/icon_file.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>

#include "model/file_io.h"
#include "model/icon_test_support.h"
#include "model/packing.h"

namespace pf {
namespace {

namespace fs = std::filesystem;
using namespace icontest;

Palette randomPalette(std::mt19937& rng) {
  Palette p;
  for (auto& e : p)
    e = {static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()), static_cast<std::uint8_t>(rng()),
         0};
  return p;
}
PixelArray randomPixels(std::mt19937& rng) {
  PixelArray px{};
  for (int i = 0; i < kPixelCount; ++i) px[i] = static_cast<std::uint8_t>(rng() % 16);
  return px;
}
std::array<std::uint8_t, kPackedSize> packedOf(const PixelArray& px) {
  std::array<std::uint8_t, kPackedSize> packed{};
  PackPixels32(px, packed);
  return packed;
}
Bytes paletteBytes(const Palette& p) {
  Bytes b(64);
  std::memcpy(b.data(), p.data(), 64);
  return b;
}

TestImage filledImage(int size, int colourCount, int bitCount, std::uint8_t pixelByte, std::uint8_t maskByte,
                      const Palette& palette) {
  Bytes body = paletteBytes(palette);
  body.insert(body.end(), static_cast<std::size_t>(size * size / 2), pixelByte);
  body.insert(body.end(), static_cast<std::size_t>(size * 4), maskByte);
  return {size, size, colourCount, bitCount, body};
}

// A bitmap assembled by hand; rows are given as stored, bottom first, padding included.
struct TestBitmap {
  int width, height, bitCount = 4;
  std::uint32_t coloursUsed = 0, headerSize = 40, compression = 0;
};
Bytes makeBitmap(const TestBitmap& t, const Bytes& paletteAndRows) {
  Bytes file(54);
  file[0] = 'B';
  file[1] = 'M';
  put32(file, 14, t.headerSize);
  put32(file, 18, static_cast<std::uint32_t>(t.width));
  put32(file, 22, static_cast<std::uint32_t>(t.height));
  put16(file, 26, 1);
  put16(file, 28, static_cast<unsigned>(t.bitCount));
  put32(file, 30, t.compression);
  put32(file, 46, t.coloursUsed);
  file.insert(file.end(), paletteAndRows.begin(), paletteAndRows.end());
  return file;
}

// A reader's targets with recognisable contents, to see what a read replaces.
struct Targets {
  std::unique_ptr<SharedState> state = std::make_unique<SharedState>();
  Palette palette{};
  std::array<std::uint8_t, kPackedSize + 1> packed{};
  std::array<std::uint8_t, kMaskSize + 1> mask{};
  Targets() {
    palette.fill({1, 2, 3, 0});
    packed.fill(0xAB);
    mask.fill(0xCD);
  }
  IconReadTargets get() { return {palette, packed, mask, *state}; }
};

const Palette kPalette = [] {
  std::mt19937 rng(7);
  return randomPalette(rng);
}();

TEST(IconLayout, Icon32IsByteExact) {
  std::mt19937 rng(1);
  const auto packed = packedOf(randomPixels(rng));
  std::array<std::uint8_t, kMaskSize> mask{};
  for (auto& m : mask) m = static_cast<std::uint8_t>(rng());
  const Bytes file = BuildIcon32(kPalette, packed, mask);
  ASSERT_EQ(file.size(), 766u);
  const Bytes prefix = {0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x20, 0x20, 0x10, 0x00, 0x00, 0x00,
                        0x00, 0x00, 0xE8, 0x02, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00, 0x28, 0x00};
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 24), prefix);
  EXPECT_EQ(get32(file, 26), 32u);
  EXPECT_EQ(get32(file, 30), 64u);
  EXPECT_EQ(get16(file, 34), 1u);
  EXPECT_EQ(get16(file, 36), 4u);
  EXPECT_EQ(get32(file, 42), 640u);
  EXPECT_EQ(Bytes(file.begin() + 62, file.begin() + 126), paletteBytes(kPalette));
  EXPECT_TRUE(std::equal(packed.begin(), packed.end(), file.begin() + 126));
  EXPECT_TRUE(std::equal(mask.begin(), mask.end(), file.begin() + 638));
}

TEST(IconLayout, Icon16TakesTheLowerLeftQuarterAndPadsTheMask) {
  PixelArray px{};
  px.fill(9);  // the three other quarters must not reach the file
  for (int r = 0; r < 16; ++r) {
    for (int x = 0; x < 16; ++x) px[r * 32 + x] = static_cast<std::uint8_t>((r + x) % 4 == 0 ? 5 : x % 16);
  }
  const Bytes file = BuildIcon16(px, kPalette, 5);
  ASSERT_EQ(file.size(), 318u);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 24),
            (Bytes{0, 0, 1, 0, 1, 0, 16, 16, 16, 0, 0, 0, 0, 0, 0x28, 0x01, 0, 0, 22, 0, 0, 0, 40, 0}));
  EXPECT_EQ(get32(file, 26), 16u);
  EXPECT_EQ(get32(file, 30), 32u);
  EXPECT_EQ(get32(file, 42), 192u);
  for (int r = 0; r < 16; ++r) {
    for (int x = 0; x < 16; ++x) {
      const int nibble = (file[126 + 8 * r + x / 2] >> (x % 2 == 0 ? 4 : 0)) & 0x0F;
      const bool bit = (file[254 + 4 * r + x / 8] >> (7 - x % 8)) & 1;
      EXPECT_EQ(nibble, px[r * 32 + x]);
      EXPECT_EQ(bit, px[r * 32 + x] == 5);
    }
    EXPECT_EQ(file[254 + 4 * r + 2], 0);
    EXPECT_EQ(file[254 + 4 * r + 3], 0);
  }
  // No transparent colour: nothing is masked, not even index 15 or 0.
  const Bytes opaque = BuildIcon16(px, kPalette, -1);
  EXPECT_TRUE(std::all_of(opaque.begin() + 254, opaque.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(IconLayout, BitmapRowsArePaddedToFourBytes) {
  struct Case {
    int width, height;
    std::size_t rowSize;
  };
  std::mt19937 rng(3);
  const auto packed = packedOf(randomPixels(rng));
  for (const Case& c : std::vector<Case>{
           {32, 32, 16}, {32, 5, 16}, {10, 12, 8}, {24, 3, 12}, {9, 9, 8}, {1, 1, 4}, {17, 2, 12}}) {
    const Bytes file = BuildBitmapFile(packed, c.width, c.height, kPalette);
    ASSERT_EQ(file.size(), 118 + c.rowSize * c.height) << c.width;
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(get32(file, 10), 118u);
    EXPECT_EQ(get32(file, 18), static_cast<std::uint32_t>(c.width));
    EXPECT_EQ(get32(file, 22), static_cast<std::uint32_t>(c.height));
    EXPECT_EQ(get16(file, 28), 4u);
    EXPECT_EQ(get32(file, 34), c.rowSize * c.height);
    for (int r = 0; r < c.height; ++r) {
      EXPECT_TRUE(std::equal(packed.begin() + 16 * r, packed.begin() + 16 * r + c.rowSize,
                             file.begin() + 118 + r * c.rowSize));
    }
  }
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{0, 5}, {33, 5}, {5, 0}, {5, 33}, {-1, 5}}) {
    EXPECT_TRUE(BuildBitmapFile(packed, w, h, kPalette).empty()) << w << "x" << h;
  }
}

TEST(IconLayout, MaskFromTransparentMarksExactlyThatIndex) {
  std::mt19937 rng(4);
  const PixelArray px = randomPixels(rng);
  const auto packed = packedOf(px);
  std::array<std::uint8_t, kMaskSize> mask{};
  BuildMaskFromTransparent(packed, 3, false, mask);
  MaskGridArray grid{};
  UnpackMask(mask, grid);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) EXPECT_EQ(grid[y * 32 + x], px[(31 - y) * 32 + x] == 3 ? 1 : 0);
  }
  BuildMaskFromTransparent(packed, 3, true, mask);
  EXPECT_TRUE(std::all_of(mask.begin(), mask.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(IconRoundTrip, EveryWriterIsReadBackByItsReader) {
  for (unsigned seed = 10; seed < 20; ++seed) {
    std::mt19937 rng(seed);
    const Palette palette = randomPalette(rng);
    const PixelArray px = randomPixels(rng);
    const auto packed = packedOf(px);
    std::array<std::uint8_t, kMaskSize> mask{};
    for (auto& m : mask) m = static_cast<std::uint8_t>(rng());

    Targets t;
    ASSERT_EQ(ParseIcon32(BuildIcon32(palette, packed, mask), t.get()), IconReadStatus::Ok);
    EXPECT_EQ(t.palette, palette);
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), t.packed.begin()));
    EXPECT_TRUE(std::equal(mask.begin(), mask.end(), t.mask.begin()));

    PixelArray loaded = randomPixels(rng);
    const PixelArray before = loaded;
    ASSERT_EQ(ReadIcon16(BuildIcon16(px, palette, 2), loaded, *t.state), 0);
    for (int i = 0; i < kPixelCount; ++i) {
      const bool quarter = i / 32 < 16 && i % 32 < 16;
      EXPECT_EQ(loaded[i], quarter ? px[i] : before[i]) << i;
    }

    const int w = 1 + static_cast<int>(rng() % 32), h = 1 + static_cast<int>(rng() % 32);
    Targets b;
    ASSERT_EQ(ParseBitmap16(BuildBitmapFile(packed, w, h, palette), b.get()), IconReadStatus::Ok);
    EXPECT_EQ(b.palette, palette);
    EXPECT_EQ(b.state->BitmapWidth, w);
    EXPECT_EQ(b.state->BitmapHeight, h);
    PixelArray back{};
    UnpackPixels32(b.packed, back);
    for (int i = 0; i < kPixelCount; ++i) {
      EXPECT_EQ(back[i], (i / 32 < h && i % 32 < w) ? px[i] : 0) << w << "x" << h << " at " << i;
    }
  }
}

TEST(IconRoundTrip, PathWritersAndReaders) {
  const fs::path dir = fs::temp_directory_path() / ("pf-icon-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  std::mt19937 rng(5);
  const auto packed = packedOf(randomPixels(rng));
  std::array<std::uint8_t, kMaskSize> mask{};
  ASSERT_TRUE(WriteIcon32((dir / "a.ico").string(), kPalette, packed, mask));
  ASSERT_EQ(WriteBitmapFile((dir / "a.bmp").string(), packed, 20, 20, kPalette), 0);
  Targets t;
  EXPECT_EQ(ReadIconFile((dir / "a.ico").string(), 0, t.get()), IconReadStatus::Ok);
  EXPECT_TRUE(std::equal(packed.begin(), packed.end(), t.packed.begin()));
  EXPECT_EQ(ReadIconFile((dir / "a.bmp").string(), 1, t.get()), IconReadStatus::Ok);
  EXPECT_EQ(ReadIconFile((dir / "a.bmp").string(), 2, t.get()), IconReadStatus::Failed);
  // The packed buffer is cleared even when the file is not there.
  t.packed.fill(0xAB);
  EXPECT_EQ(ReadIconFile((dir / "none.ico").string(), 0, t.get()), IconReadStatus::Failed);
  EXPECT_TRUE(std::all_of(t.packed.begin(), t.packed.end(), [](std::uint8_t b) { return b == 0; }));
  EXPECT_FALSE(WriteIcon32((dir / "no/a.ico").string(), kPalette, packed, mask));
  EXPECT_EQ(WriteBitmapFile((dir / "no/a.bmp").string(), packed, 20, 20, kPalette), -1);
  fs::remove_all(dir);
}

TEST(IconSelection, PicksThe32x32SixteenColourImageWhereverItIs) {
  const Palette small = [] {
    Palette p{};
    p.fill({9, 9, 9, 0});
    return p;
  }();
  const TestImage icon16 = filledImage(16, 16, 4, 0x11, 0x00, small);
  const TestImage icon32 = filledImage(32, 16, 4, 0x23, 0xF0, kPalette);
  for (const Bytes& file : {makeIcon({icon16, icon32}), makeIcon({icon32, icon16})}) {
    Targets t;
    ASSERT_EQ(ParseIcon32(file, t.get()), IconReadStatus::Ok);
    EXPECT_EQ(t.palette, kPalette);
    EXPECT_TRUE(std::all_of(t.packed.begin(), t.packed.end() - 1, [](std::uint8_t b) { return b == 0x23; }));
    EXPECT_TRUE(std::all_of(t.mask.begin(), t.mask.end() - 1, [](std::uint8_t b) { return b == 0xF0; }));
    EXPECT_EQ(t.packed.back(), 0xAB);  // the spare byte behind the buffer is not written
    EXPECT_EQ(t.state->IconDirEntries.size(), 2u);

    PixelArray px{};
    px.fill(7);
    ASSERT_EQ(ReadIcon16(file, px, *t.state), 0);
    EXPECT_EQ(px[0], 1);
    EXPECT_EQ(px[15 * 32 + 15], 1);
    EXPECT_EQ(px[16 * 32], 7);
    EXPECT_EQ(px[16], 7);
  }
}

TEST(IconSelection, ColourCountsAndBitCounts) {
  struct Case {
    const char* what;
    std::vector<TestImage> images;
    IconReadStatus icon32;
    int icon16;
  };
  const Palette p = kPalette;
  const std::vector<Case> cases = {
      {"32x32 with colour count 2 is 16 colours",
       {filledImage(32, 2, 4, 0x45, 0, p)},
       IconReadStatus::Ok,
       -1},
      {"colour count 2 still needs 4 bits", {filledImage(32, 2, 1, 0x45, 0, p)}, IconReadStatus::Failed, -1},
      {"256 colours only", {filledImage(32, 0, 8, 0x45, 0, p)}, IconReadStatus::Failed, -1},
      {"no image at all", {}, IconReadStatus::Failed, -1},
      {"a 256-colour 32x32 is skipped for the 16-colour one",
       {filledImage(32, 0, 8, 0x11, 0, p), filledImage(32, 16, 4, 0x45, 0, p)},
       IconReadStatus::Ok,
       -1},
      {"a 16x16 whose directory says 2 colours is read by its 4-bit header",
       {filledImage(16, 2, 4, 0x45, 0, p)},
       IconReadStatus::Failed,
       0},
      {"colour count 0 before the 16x16 is passed over",
       {filledImage(32, 0, 8, 0x11, 0, p), filledImage(16, 16, 4, 0x45, 0, p)},
       IconReadStatus::Failed,
       0},
      {"colour count 0 behind the 16x16 is never looked at",
       {filledImage(16, 16, 4, 0x45, 0, p), filledImage(32, 0, 8, 0x11, 0, p)},
       IconReadStatus::Failed,
       0},
      {"a smaller first image is not spread over the quarter",
       {filledImage(8, 16, 4, 0x45, 0, p)},
       IconReadStatus::Failed,
       -1},
      {"a 16x16 with 4 bits but colour count 8",
       {filledImage(16, 8, 4, 0x45, 0, p)},
       IconReadStatus::Failed,
       0},
  };
  for (const Case& c : cases) {
    const Bytes file = makeIcon(c.images);
    Targets t;
    EXPECT_EQ(ParseIcon32(file, t.get()), c.icon32) << c.what;
    if (c.icon32 == IconReadStatus::Ok) {
      EXPECT_EQ(t.state->IconDirEntries.back()[2], 16) << c.what;
    } else {
      // Only the header copies have changed.
      EXPECT_EQ(t.palette, Targets().palette) << c.what;
      EXPECT_EQ(t.packed, Targets().packed) << c.what;
      EXPECT_EQ(t.mask, Targets().mask) << c.what;
      EXPECT_EQ(t.state->IconDirEntries.size(), c.images.size()) << c.what;
    }
    PixelArray px{};
    EXPECT_EQ(ReadIcon16(file, px, *t.state), c.icon16) << c.what;
  }
}

TEST(BitmapRead, SmallBitmapsLieInTheLowerLeftCorner) {
  struct Case {
    int width, height;
    std::size_t rowSize;
  };
  for (const Case& c : std::vector<Case>{{10, 12, 8}, {9, 9, 8}, {1, 3, 4}, {31, 2, 16}}) {
    // Every byte of the file rows is 0xFF past the pixels, so padding that leaked in would show.
    Bytes body = paletteBytes(kPalette);
    for (int r = 0; r < c.height; ++r) {
      for (std::size_t k = 0; k < c.rowSize; ++k) {
        body.push_back(static_cast<int>(k) * 2 < c.width ? static_cast<std::uint8_t>(0x10 * (r % 16) + k % 16)
                                                         : 0xFF);
      }
    }
    if (c.width % 2 != 0) {
      for (int r = 0; r < c.height; ++r) body[64 + r * c.rowSize + c.width / 2] |= 0x0F;
    }
    Targets t;
    ASSERT_EQ(ParseBitmap16(makeBitmap({c.width, c.height}, body), t.get()), IconReadStatus::Ok);
    EXPECT_EQ(t.palette, kPalette);
    EXPECT_TRUE(std::all_of(t.mask.begin(), t.mask.end(), [](std::uint8_t b) { return b == 0xCD; }));
    PixelArray px{};
    UnpackPixels32(t.packed, px);
    for (int r = 0; r < 32; ++r) {
      for (int x = 0; x < 32; ++x) {
        const int expected = (r < c.height && x < c.width) ? (x % 2 == 0 ? r % 16 : (x / 2) % 16) : 0;
        ASSERT_EQ(px[r * 32 + x], expected) << c.width << "x" << c.height << " row " << r << " x " << x;
      }
    }
  }
}

TEST(BitmapRead, SizeMessagesCheckTheHeightFirst) {
  struct Case {
    int width, height;
    IconReadStatus status;
  };
  for (const Case& c : std::vector<Case>{{33, 20, IconReadStatus::WidthTooLarge},
                                         {20, 40, IconReadStatus::HeightTooLarge},
                                         {40, 40, IconReadStatus::HeightTooLarge},
                                         {0, 10, IconReadStatus::Failed},
                                         {10, 0, IconReadStatus::Failed},
                                         {10, -10, IconReadStatus::Failed}}) {
    Targets t;
    const Bytes file = makeBitmap({c.width, c.height}, Bytes(64 + 32 * 40, 0x77));
    EXPECT_EQ(ParseBitmap16(file, t.get()), c.status) << c.width << "x" << c.height;
    // The palette is black and the size is recorded; pixels and mask are untouched.
    EXPECT_EQ(t.palette, Palette{});
    EXPECT_EQ(t.state->BitmapWidth, c.width);
    EXPECT_EQ(t.state->BitmapHeight, c.height);
    EXPECT_EQ(t.packed, Targets().packed);
    EXPECT_EQ(t.mask, Targets().mask);
  }
}

TEST(BitmapRead, PaletteCountFollowsColoursUsed) {
  for (const std::uint32_t used : {4u, 300u}) {
    Bytes body = paletteBytes(kPalette);
    body.resize(4 * used, 0x99);
    body.insert(body.end(), 512, 0x5A);
    Targets t;
    ASSERT_EQ(ParseBitmap16(makeBitmap({32, 32, 4, used}, body), t.get()), IconReadStatus::Ok) << used;
    for (std::size_t i = 0; i < 16; ++i)
      EXPECT_EQ(t.palette[i], i < used ? kPalette[i] : PaletteEntry{}) << used;
    EXPECT_TRUE(std::all_of(t.packed.begin(), t.packed.end() - 1, [](std::uint8_t b) { return b == 0x5A; }));
  }
}

TEST(BitmapRead, OnlyPlainFourBitDataIsTaken) {
  for (const TestBitmap& b : std::vector<TestBitmap>{{32, 32, 8},
                                                     {32, 32, 0},
                                                     {32, 32, 1, 2},
                                                     {32, 32, 24, 16},
                                                     {32, 32, 4, 0, 12},
                                                     {32, 32, 4, 0, 40, 2}}) {
    Targets t;
    EXPECT_EQ(ParseBitmap16(makeBitmap(b, Bytes(64 + 2000, 0x11)), t.get()), IconReadStatus::Failed)
        << b.bitCount << " " << b.headerSize << " " << b.compression;
  }
}

TEST(Exchange, SizeDecidesTheByteCounts) {
  auto file = [](int size, std::size_t length) {
    Bytes f(length);
    f[0] = static_cast<std::uint8_t>(size);
    for (std::size_t i = 1; i < length; ++i) f[i] = static_cast<std::uint8_t>(i * 7);
    return f;
  };
  for (const int size : {16, 32, 20, 0}) {
    const Bytes f = file(size, 578 + 4 * size);
    const auto image = ReadExchangeFile(f);
    ASSERT_TRUE(image) << size;
    EXPECT_EQ(image->size, size);
    EXPECT_TRUE(
        std::equal(f.begin() + 2, f.begin() + 66, reinterpret_cast<const std::uint8_t*>(&image->palette)));
    const std::size_t pixels = static_cast<std::size_t>(size * size / 2), mask = 4 * size;
    EXPECT_TRUE(std::equal(f.begin() + 66, f.begin() + 66 + pixels, image->packed.begin()));
    EXPECT_TRUE(
        std::all_of(image->packed.begin() + pixels, image->packed.end(), [](auto b) { return b == 0; }));
    EXPECT_TRUE(std::equal(f.begin() + 578, f.end(), image->mask.begin()));
    EXPECT_TRUE(std::all_of(image->mask.begin() + mask, image->mask.end(), [](auto b) { return b == 0; }));
    EXPECT_FALSE(ReadExchangeFile(file(size, 578 + 4 * size - 1))) << size;
  }
  EXPECT_FALSE(ReadExchangeFile(file(33, 2000)));
  EXPECT_FALSE(ReadExchangeFile(Bytes{}));
  EXPECT_FALSE(ReadExchangeFile(std::string("/no/such/exchange/file")));
}

// Every prefix of a good file is either rejected cleanly or, where the missing tail is bytes the reader
// never uses, read exactly like the whole file.
TEST(DamagedFiles, TruncatedAtEveryLength) {
  std::mt19937 rng(21);
  const PixelArray px = randomPixels(rng);
  const auto packed = packedOf(px);
  std::array<std::uint8_t, kMaskSize> mask{};
  const Bytes icon32 = BuildIcon32(kPalette, packed, mask);
  const Bytes twoImages =
      makeIcon({filledImage(32, 16, 4, 0x12, 3, kPalette), filledImage(16, 16, 4, 0x34, 0, kPalette)});
  const Bytes icon16 = BuildIcon16(px, kPalette, 0);
  const Bytes bitmap = BuildBitmapFile(packed, 10, 12, kPalette);

  for (const Bytes& file : {icon32, twoImages, icon16, bitmap}) {
    const bool isBitmap = file[0] == 'B';
    Targets whole;
    const IconReadStatus wholeStatus =
        isBitmap ? ParseBitmap16(file, whole.get()) : ParseIcon32(file, whole.get());
    PixelArray wholePixels{};
    const int whole16 = isBitmap ? -1 : ReadIcon16(file, wholePixels, *whole.state);
    for (std::size_t n = 0; n < file.size(); ++n) {
      const std::span<const std::uint8_t> cut(file.data(), n);
      Targets t;
      const IconReadStatus status = isBitmap ? ParseBitmap16(cut, t.get()) : ParseIcon32(cut, t.get());
      if (status == IconReadStatus::Ok) {
        EXPECT_EQ(wholeStatus, IconReadStatus::Ok);
        EXPECT_EQ(t.packed, whole.packed) << n;
        EXPECT_EQ(t.palette, whole.palette) << n;
      } else {
        EXPECT_EQ(t.packed, Targets().packed) << n;
        EXPECT_EQ(t.mask, Targets().mask) << n;
      }
      if (!isBitmap) {
        PixelArray cutPixels{};
        const int r = ReadIcon16(cut, cutPixels, *t.state);
        if (r == 0) {
          EXPECT_EQ(whole16, 0);
          EXPECT_EQ(cutPixels, wholePixels) << n;
        } else {
          EXPECT_EQ(cutPixels, PixelArray{}) << n;
        }
      }
    }
  }
  // The files that must be complete: the whole 32 x 32 image with its mask, the 16 x 16 pixels, and the
  // bitmap up to the last pixel byte of its top row.
  Targets t;
  EXPECT_NE(ParseIcon32(std::span(icon32.data(), 765), t.get()), IconReadStatus::Ok);
  PixelArray p{};
  EXPECT_EQ(ReadIcon16(std::span(icon16.data(), 253), p, *t.state), -1);
  EXPECT_EQ(ReadIcon16(std::span(icon16.data(), 254), p, *t.state), 0);
  EXPECT_EQ(ParseBitmap16(std::span(bitmap.data(), 118 + 8 * 11 + 4), t.get()), IconReadStatus::Failed);
  EXPECT_EQ(ParseBitmap16(std::span(bitmap.data(), 118 + 8 * 11 + 5), t.get()), IconReadStatus::Ok);
}

TEST(DamagedFiles, OffsetsAndCountsPointingOutside) {
  const Bytes good = makeIcon({filledImage(32, 16, 4, 0x12, 0, kPalette)});
  auto variant = [&](auto change) {
    Bytes f = good;
    change(f);
    return f;
  };
  const std::vector<Bytes> files = {
      variant([](Bytes& f) { put32(f, 18, static_cast<std::uint32_t>(f.size()) - 39); }),
      variant([](Bytes& f) { put32(f, 18, 0xFFFFFFF0u); }),
      variant([](Bytes& f) { put32(f, 18, static_cast<std::uint32_t>(f.size()) - 100); }),
      variant([](Bytes& f) {
        put16(f, 4, 0xFFFF);
        f[6] = 16;
      }),  // entry 0 is no longer 32x32
      variant([](Bytes& f) { f.resize(5); }),
  };
  for (std::size_t i = 0; i < files.size(); ++i) {
    Targets t;
    EXPECT_EQ(ParseIcon32(files[i], t.get()), IconReadStatus::Failed) << i;
    EXPECT_EQ(t.packed, Targets().packed) << i;
    PixelArray px{};
    EXPECT_EQ(ReadIcon16(files[i], px, *t.state), -1) << i;
  }
  // A bitmap whose colours-used count pushes the pixels past any sane offset.
  Targets t;
  EXPECT_EQ(ParseBitmap16(makeBitmap({32, 32, 4, 0xFFFFFFFFu}, Bytes(600, 1)), t.get()),
            IconReadStatus::Failed);
}

// Another decoder's opinion of what the writers produce: Pillow reads the files, and its pixels and
// palette must be the ones intended.
TEST(IndependentDecoder, PillowSeesTheSamePictures) {
  const fs::path script = icontest::PillowScript();
  if (script.empty()) PF_SKIP_CROSS_CHECK("PF_SOURCE_DIR is not set, so pillow_check.py cannot be found");
  ASSERT_TRUE(fs::exists(script)) << script;
  const fs::path dir = fs::temp_directory_path() / ("pf-pillow-" + std::to_string(::getpid()));
  fs::create_directories(dir);

  std::mt19937 rng(99);
  const Palette palette = randomPalette(rng);
  const PixelArray px = randomPixels(rng);
  const auto packed = packedOf(px);
  std::array<std::uint8_t, kMaskSize> mask{};
  BuildMaskFromTransparent(packed, 5, false, mask);

  std::ostringstream json;
  json << "[";
  auto describe = [&](const std::string& file, int w, int h, bool masked, int transparent) {
    json << (json.tellp() > 1 ? "," : "") << "{\"file\":\"" << file << "\",\"width\":" << w
         << ",\"height\":" << h << ",\"palette\":[";
    for (int i = 0; i < 16; ++i) {
      json << (i ? "," : "") << "[" << +palette[i].red << "," << +palette[i].green << "," << +palette[i].blue
           << "]";
    }
    json << "],\"pixels\":[";
    for (int y = 0; y < h; ++y) {  // top row first
      for (int x = 0; x < w; ++x) json << (y || x ? "," : "") << +px[(h - 1 - y) * 32 + x];
    }
    json << "],\"transparent\":" << (masked ? transparent : -1) << "}";
  };
  ASSERT_TRUE(WriteIcon32((dir / "i32.ico").string(), palette, packed, mask));
  describe("i32.ico", 32, 32, true, 5);
  ASSERT_TRUE(WriteIcon16((dir / "i16.ico").string(), px, palette, 7));
  describe("i16.ico", 16, 16, true, 7);
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{32, 32}, {20, 20}, {10, 12}, {9, 9}, {1, 1}}) {
    const std::string name = "b" + std::to_string(w) + "x" + std::to_string(h) + ".bmp";
    ASSERT_EQ(WriteBitmapFile((dir / name).string(), packed, w, h, palette), 0);
    describe(name, w, h, false, -1);
  }
  json << "]";
  std::ofstream(dir / "expected.json") << json.str();

  std::string command;
  const int status = icontest::RunPillowCheck(dir, command);
  if (status == 77) {
    fs::remove_all(dir);
    PF_SKIP_CROSS_CHECK("Pillow is not installed (Debian package python3-pil)");
  }
  EXPECT_EQ(status, 0) << command;
  fs::remove_all(dir);
}

}  // namespace
}  // namespace pf
