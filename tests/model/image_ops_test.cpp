#include "model/image_ops.h"

#include <gtest/gtest.h>

namespace pf {
namespace {

// Display coordinates: y from the top.
std::uint8_t& Pixel(PixelArray& p, int x, int displayY) {
  return p[(31 - displayY) * 32 + x];
}

TEST(ClearPixels, ClearsEveryPixelButNotTheSpareElement) {
  PixelArray p;
  p.fill(9);
  ClearPixels(p);
  EXPECT_EQ(p[1023], 0);
  EXPECT_EQ(p[0], 0);
  EXPECT_EQ(std::count(p.begin(), p.begin() + 1024, 0), 1024);
  EXPECT_EQ(p[1024], 9);
}

TEST(ShiftPixels, UpTwiceMovesDisplayRowFiveToThree) {
  PixelArray p{};
  Pixel(p, 7, 5) = 4;
  ShiftPixelsUp(p);
  ShiftPixelsUp(p);
  EXPECT_EQ(Pixel(p, 7, 3), 4);
  EXPECT_EQ(std::count(p.begin(), p.end(), 0), 1024);
}

TEST(ShiftPixels, EdgeContentIsLostAndVacatedLineIsZero) {
  struct Case {
    void (*shift)(PixelArray&);
    int x, y;  // a pixel on the edge the shift pushes out
  };
  const Case cases[] = {
      {ShiftPixelsUp, 3, 0}, {ShiftPixelsDown, 3, 31}, {ShiftPixelsLeft, 0, 3}, {ShiftPixelsRight, 31, 3}};
  for (const Case& c : cases) {
    PixelArray p{};
    p.fill(0);
    Pixel(p, c.x, c.y) = 5;
    p[1024] = 8;
    c.shift(p);
    EXPECT_EQ(std::count(p.begin(), p.begin() + 1024, 0), 1024) << c.x << "," << c.y;
    EXPECT_EQ(p[1024], 8);
  }
}

TEST(ReduceTo16, SamplesEverySecondPixelIntoTheLowerLeftQuarter) {
  PixelArray p;
  p.fill(3);
  Pixel(p, 2, 1) = 7;
  Pixel(p, 0, 0) = 9;  // display row 0 is not sampled
  p[1024] = 5;
  MaskGridArray m{};
  m[0 * 32 + 2] = 1;  // MaskGrid(2, 0)
  m[1 * 32 + 4] = 1;  // an odd row is not sampled
  ReduceTo16(p, m);
  EXPECT_EQ(Pixel(p, 1, 16), 7);
  EXPECT_EQ(std::count(p.begin(), p.end(), 9), 0);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const bool inQuarter = x < 16 && y >= 16;
      if (!inQuarter) {
        EXPECT_EQ(Pixel(p, x, y), 0) << x << "," << y;
      }
    }
  EXPECT_EQ(p[1024], 0);
  EXPECT_EQ(m[16 * 32 + 1], 1);
  EXPECT_EQ(std::count(m.begin(), m.end(), 1), 1);
}

}  // namespace
}  // namespace pf
