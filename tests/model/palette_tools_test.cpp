#include "model/palette_tools.h"

#include <gtest/gtest.h>

#include <random>

namespace pf {
namespace {

PixelArray Ramp() {
  PixelArray p;
  for (std::size_t i = 0; i < p.size(); ++i) p[i] = static_cast<std::uint8_t>((i * 7) % 16);
  return p;
}

TEST(ConvertPalette, Modes) {
  const PixelArray start = Ramp();
  struct Case {
    ConversionMode mode;
    int p1, p2, transparent;
    int (*expect)(int);
  };
  const Case cases[] = {
      {ConversionMode::Exchange, 4, 4, 0, [](int v) { return v; }},
      {ConversionMode::Replace, 0, 0, 0, [](int v) { return v; }},
      {ConversionMode::Replace, 3, 9, 0, [](int v) { return v == 3 ? 9 : v; }},
      {ConversionMode::Exchange, 3, 9, 0, [](int v) { return v == 3   ? 9
                                                             : v == 9 ? 3
                                                                      : v; }},
      {ConversionMode::EraseAllBut, 6, 0, 6, [](int) { return 6; }},
      {ConversionMode::EraseAllBut, 6, 0, 2, [](int v) { return v == 6 ? 6 : 2; }},
      {ConversionMode::EraseOnly, 5, 0, 12, [](int v) { return v == 5 ? 12 : v; }},
  };
  for (const Case& c : cases) {
    PixelArray p = start;
    ASSERT_TRUE(ConvertPalette(p, c.mode, c.p1, c.p2, c.transparent));
    // The spare element is converted with the pixels.
    for (std::size_t i = 0; i < p.size(); ++i)
      ASSERT_EQ(p[i], c.expect(start[i])) << static_cast<int>(c.mode) << " at " << i;
  }
}

TEST(ConvertPalette, RefusesNumbersOutsideThePalette) {
  PixelArray p = Ramp();
  const PixelArray before = p;
  EXPECT_FALSE(ConvertPalette(p, ConversionMode::Replace, 3, 16, 0));
  EXPECT_FALSE(ConvertPalette(p, ConversionMode::Exchange, -1, 2, 0));
  EXPECT_FALSE(ConvertPalette(p, ConversionMode::EraseOnly, 3, 99, 20));
  EXPECT_EQ(p, before);
  // p2 is not used when erasing, so whatever its box holds does not matter.
  EXPECT_TRUE(ConvertPalette(p, ConversionMode::EraseOnly, 3, 99, 0));
}

TEST(ApplyArithmetic, IdentitiesAndAndWithZero) {
  const PixelArray start = Ramp();
  PixelArray p = start;
  ApplyArithmetic(p, ArithmeticMode::Invert, 0);
  EXPECT_EQ(p[1], 15 - start[1]);
  ApplyArithmetic(p, ArithmeticMode::Invert, 0);
  EXPECT_EQ(p, start);
  ApplyArithmetic(p, ArithmeticMode::Xor, 0);
  ApplyArithmetic(p, ArithmeticMode::Or, 0);
  ApplyArithmetic(p, ArithmeticMode::And, 15);
  EXPECT_EQ(p, start);
  ApplyArithmetic(p, ArithmeticMode::And, 0);
  EXPECT_EQ(std::count(p.begin(), p.end(), 0), static_cast<long>(p.size()));
  ApplyArithmetic(p, ArithmeticMode::Or, 0x1A);  // an operand above 15 acts as F
  EXPECT_EQ(std::count(p.begin(), p.end(), 15), static_cast<long>(p.size()));
}

TEST(ApplyArithmetic, RandomFillUsesTheInjectedGenerator) {
  // 0.5, 2.5 and 14.5 are exact after the multiplication: halves go to the even neighbour.
  const double values[] = {0.0, 0.5 / 15, 2.5 / 15, 14.5 / 15, 0.999999, 2.0, -1.0};
  const int expected[] = {0, 0, 2, 14, 15, 15, 0};  // a stray generator is clamped
  std::size_t next = 0;
  PixelArray p{};
  ApplyArithmetic(p, ArithmeticMode::Random, 0, [&] { return values[next++ % 7]; });
  EXPECT_EQ(next, p.size());
  for (int i = 0; i < 7; ++i) EXPECT_EQ(p[i], expected[i]) << i;
}

TEST(ApplyArithmetic, RandomFillDistribution) {
  std::mt19937 engine(1234);
  std::uniform_real_distribution<double> dist(0.0, 1.0);
  std::array<int, 16> counts{};
  PixelArray p{};
  constexpr int kFills = 300;
  for (int f = 0; f < kFills; ++f) {
    ApplyArithmetic(p, ArithmeticMode::Random, 0, [&] { return dist(engine); });
    for (std::uint8_t v : p) {
      ASSERT_LE(v, 15);
      ++counts[v];
    }
  }
  const double inner = kFills * static_cast<double>(p.size()) / 15.0;  // expected for 1..14
  for (int v = 1; v <= 14; ++v) EXPECT_NEAR(counts[v] / inner, 1.0, 0.05) << v;
  EXPECT_NEAR(counts[0] / inner, 0.5, 0.05);
  EXPECT_NEAR(counts[15] / inner, 0.5, 0.05);
}

TEST(CheckPattern, CellSizes) {
  const auto one = BuildCheckPattern(1, 2, 1);
  ASSERT_TRUE(one);
  EXPECT_EQ((*one)[0], 2);  // bottom-left cell has colour 2
  EXPECT_EQ((*one)[1], 1);
  EXPECT_EQ((*one)[32], 1);
  EXPECT_EQ((*one)[33], 2);

  const auto big = BuildCheckPattern(1, 2, 31);
  ASSERT_TRUE(big);
  std::array<int, 3> counts{};
  for (std::uint8_t v : *big) ++counts[v];
  EXPECT_EQ(counts[2], 31 * 31 + 1);  // the big cell and the 1 x 1 corner
  EXPECT_EQ(counts[1], 2 * 31);       // the 31 x 1 and 1 x 31 strips
  EXPECT_EQ((*big)[31 * 32 + 31], 2);

  EXPECT_FALSE(BuildCheckPattern(1, 2, 0));
  EXPECT_FALSE(BuildCheckPattern(1, 2, -4));
  EXPECT_FALSE(BuildCheckPattern(16, 2, 4));
}

TEST(CheckPattern, CopyThenXorGivesZero) {
  PixelArray p = Ramp();
  const auto pattern = BuildCheckPattern(0, 15, 4);
  ASSERT_TRUE(pattern);
  ApplyCheckPattern(p, *pattern, CombineMode::Copy);
  ApplyCheckPattern(p, *pattern, CombineMode::Xor);
  EXPECT_EQ(std::count(p.begin(), p.begin() + 1024, 0), 1024);
  EXPECT_EQ(p[1024], Ramp()[1024]);  // the spare element is not part of the pattern
}

}  // namespace
}  // namespace pf
