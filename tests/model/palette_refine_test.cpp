// The reduction of any small picture, the refining of its palette, the exchange file writer and the photo
// windows' geometry.
#include <gtest/gtest.h>

#include <random>

#include "model/colour_reduction.h"
#include "model/icon_file.h"
#include "model/photo_geometry.h"

namespace pf {
namespace {

int Distance2(const PaletteEntry& a, const PaletteEntry& b) {
  const int r = a.red - b.red, g = a.green - b.green, bl = a.blue - b.blue;
  return r * r + g * g + bl * bl;
}

// Squares of several kinds: noise, a few noisy clusters, smooth gradients, and few colours (where the
// choice runs out of cells and leaves black entries).
ColourSquare RandomSquare(std::mt19937& rng, int kind) {
  ColourSquare s{};
  std::uniform_int_distribution<int> byte(0, 255);
  std::array<PaletteEntry, 24> centres{};
  for (auto& c : centres)
    c = {static_cast<std::uint8_t>(byte(rng)), static_cast<std::uint8_t>(byte(rng)),
         static_cast<std::uint8_t>(byte(rng)), 0};
  std::normal_distribution<double> noise(0, 12);
  const auto clamp = [](double v) { return static_cast<std::uint8_t>(std::clamp(v, 0.0, 255.0)); };
  for (int i = 0; i < kReductionPixels; ++i) {
    const int x = i % 32, y = i / 32;
    PaletteEntry& p = s[static_cast<std::size_t>(i)];
    switch (kind) {
      case 0:
        p = {static_cast<std::uint8_t>(byte(rng)), static_cast<std::uint8_t>(byte(rng)),
             static_cast<std::uint8_t>(byte(rng)), 0};
        break;
      case 1: {
        const PaletteEntry& c = centres[static_cast<std::size_t>(byte(rng) % 24)];
        p = {clamp(c.blue + noise(rng)), clamp(c.green + noise(rng)), clamp(c.red + noise(rng)), 0};
        break;
      }
      case 2:
        p = {clamp(centres[0].blue + 4.0 * x), clamp(centres[0].green + 3.0 * y + noise(rng)),
             clamp(centres[1].red + 2.0 * (x - y)), 0};
        break;
      default:
        p = centres[static_cast<std::size_t>((x / 8 + y / 11) % 5)];
        break;
    }
  }
  return s;
}

TEST(PaletteRefine, NeverWorseThanTheReductionAndKeepsColoursApart) {
  std::mt19937 rng(2301);
  int better = 0;
  for (int round = 0; round < 200; ++round) {
    const ColourSquare square = RandomSquare(rng, round % 4);
    const int threshold = std::array{0, 10, 25, 60}[static_cast<std::size_t>(round / 4 % 4)];
    const ColourReduction r = ReduceColours(square, threshold);
    // The picture form of the reduction chooses what the window's square form chooses.
    const PaletteChoice choice = ReducePalette(square, threshold);
    ASSERT_EQ(choice.palette, r.choice.palette) << round;
    ASSERT_EQ(choice.accepted, r.choice.accepted) << round;

    const Palette refined = RefinePalette(square, r.choice.palette, threshold);
    const std::int64_t before = ReductionError(square, r.choice.palette);
    const std::int64_t after = ReductionError(square, refined);
    ASSERT_LE(after, before) << "round " << round << " kind " << round % 4;
    if (after < before) ++better;
    // Two colours end no closer than the threshold, or than they started.
    for (int a = 0; a < 16; ++a) {
      for (int b = a + 1; b < 16; ++b) {
        const int start = Distance2(r.choice.palette[static_cast<std::size_t>(a)],
                                    r.choice.palette[static_cast<std::size_t>(b)]);
        EXPECT_GE(Distance2(refined[static_cast<std::size_t>(a)], refined[static_cast<std::size_t>(b)]),
                  std::min(start, threshold * threshold))
            << round << ": " << a << ", " << b;
      }
    }
  }
  EXPECT_GT(better, 100) << "refining should usually gain something";
}

TEST(PaletteRefine, WithFewerEntriesTheRestStayAndServeNothing) {
  std::mt19937 rng(77);
  for (int round = 0; round < 40; ++round) {
    const ColourSquare square = RandomSquare(rng, round % 4);
    Palette start = ReduceColours(square, 10).choice.palette;
    start[15] = {1, 2, 3, 0};  // kept for pixels the refining does not see
    const Palette refined = RefinePalette(square, start, 0, 15);
    ASSERT_EQ(refined[15], start[15]) << round;
    // Over the first 15 entries alone, never worse than where it started.
    Palette only = start, refinedOnly = refined;
    only[15] = only[0];
    refinedOnly[15] = refinedOnly[0];
    EXPECT_LE(ReductionError(square, refinedOnly), ReductionError(square, only)) << round;
  }
}

TEST(PaletteRefine, MapsLikeTheWindowAndMeasuresWhatMappingLoses) {
  std::mt19937 rng(7);
  const ColourSquare square = RandomSquare(rng, 1);
  const ColourReduction r = ReduceColours(square, 10);
  const std::vector<std::uint8_t> indices = NearestIndices(square, r.choice.palette);
  std::int64_t error = 0;
  for (int i = 0; i < kReductionPixels; ++i) {
    const int y = i / 32, x = i % 32;
    ASSERT_EQ(indices[static_cast<std::size_t>(i)], r.indices[static_cast<std::size_t>((31 - y) * 32 + x)]);
    error += Distance2(square[static_cast<std::size_t>(i)],
                       r.choice.palette[indices[static_cast<std::size_t>(i)]]);
  }
  EXPECT_EQ(ReductionError(square, r.choice.palette), error);
  // A square of its own palette's colours loses nothing, and refining leaves it so.
  const Palette exact = RefinePalette(std::span(r.choice.palette), r.choice.palette, 10);
  EXPECT_EQ(ReductionError(r.choice.palette, exact), 0);
}

TEST(ExchangeFileWriter, ReadsBackAsWritten) {
  Palette palette{};
  for (int i = 0; i < 16; ++i)
    palette[static_cast<std::size_t>(i)] = {std::uint8_t(i), std::uint8_t(2 * i), std::uint8_t(3 * i), 0};
  std::vector<std::uint8_t> packed(kPackedSize), mask(kMaskSize);
  for (std::size_t i = 0; i < packed.size(); ++i) packed[i] = static_cast<std::uint8_t>(i * 37);
  for (std::size_t i = 0; i < mask.size(); ++i) mask[i] = static_cast<std::uint8_t>(i * 11);
  const std::vector<std::uint8_t> file = BuildExchangeFile(palette, packed, mask);
  ASSERT_EQ(file.size(), 578u + 128u);
  const std::optional<ExchangeImage> image = ReadExchangeFile(file);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->size, 32);
  EXPECT_EQ(image->palette, palette);
  EXPECT_TRUE(std::equal(packed.begin(), packed.end(), image->packed.begin()));
  EXPECT_TRUE(std::equal(mask.begin(), mask.end(), image->mask.begin()));
  EXPECT_TRUE(BuildExchangeFile(palette, std::span(packed).first(511), mask).empty());
}

TEST(PhotoGeometry, FitsAndCutsAsThePhotoWindowsDo) {
  const struct {
    int w, h;
    double ratio;
  } fits[] = {{400, 300, 0.75}, {960, 300, 0.5}, {400, 720, 0.5}, {960, 1440, 0.25}, {1920, 720, 0.25}};
  for (const auto& f : fits)
    EXPECT_DOUBLE_EQ(FitRatio(f.w, f.h, 480, 360, 0.75), f.ratio) << f.w << "x" << f.h;
  EXPECT_EQ(ShownSizeAt(6000, 4000, 32.0 / 6000), (Extent{32, 21}));
  EXPECT_EQ(ShownSizeAt(5, 3, 0.5), (Extent{2, 2})) << "halves to even";
  EXPECT_EQ(ReductionSquareOrigin(100), 85);
  EXPECT_EQ(CentredSquareOrigin(100, 64), 68);
}

}  // namespace
}  // namespace pf
