#include "model/transform.h"

#include <gtest/gtest.h>

#include "model/numeric_text.h"

namespace pf {
namespace {

// Every pixel nonzero and most of them different, so a wrong source pixel or a stray 0 shows.
Image32 Busy() {
  Image32 img;
  for (int i = 0; i < 1024; ++i) img[i] = static_cast<std::uint8_t>(1 + (i * 7 + i / 32 * 3) % 15);
  return img;
}

int At(const Image32& img, int row, int col) {
  return img[row * 32 + col];
}

TransformState Captured(const Image32& img = Busy()) {
  TransformState st;
  CaptureImage(st, img);
  return st;
}

TEST(Transform, QuarterTurnsAndFlips) {
  Image32 img = Busy();
  const Image32 start = img;
  Rotate90Left(img);
  Rotate90Right(img);
  EXPECT_EQ(img, start);
  for (int i = 0; i < 4; ++i) Rotate90Right(img);
  EXPECT_EQ(img, start);

  Image32 marked{};
  marked[31 * 32 + 0] = 5;  // top-left as shown
  Rotate90Right(marked);
  EXPECT_EQ(At(marked, 31, 31), 5);  // clockwise: to the top right
  Rotate90Left(marked);
  Rotate90Left(marked);
  EXPECT_EQ(At(marked, 0, 0), 5);  // then to the bottom left

  FlipVertical(img);
  FlipHorizontal(img);
  EXPECT_EQ(At(img, 0, 3), At(start, 31, 28));
}

TEST(Transform, RestoreUndoesOnlyTheLastShift) {
  TransformState st = Captured();
  RestoreWork(st);
  EXPECT_EQ(std::count(st.work.begin(), st.work.end(), 0), 1024);  // no shift yet: all zero

  st = Captured();
  ShiftWork(st, ShiftDirection::Up);
  const Image32 afterFirst = st.work;
  EXPECT_EQ(At(st.work, 31, 0), At(st.source, 30, 0));
  EXPECT_EQ(At(st.work, 0, 0), 0);
  ShiftWork(st, ShiftDirection::Left);
  RestoreWork(st);
  EXPECT_EQ(st.work, afterFirst);
}

TEST(Transform, FineStepsWrapTheAngle) {
  TransformState st = Captured();
  ASSERT_TRUE(RotateFine(st, TurnDirection::Right).ok);
  EXPECT_EQ(st.angle, 355);
  EXPECT_EQ(st.scale, 1.0);  // a zero scale is stored as 1 by the first resampling
  ASSERT_TRUE(RotateFine(st, TurnDirection::Left).ok);
  EXPECT_EQ(st.angle, 0);
  EXPECT_EQ(st.work, st.source);

  for (int i = 0; i < 72; ++i) ASSERT_TRUE(RotateFine(st, TurnDirection::Left).ok);
  EXPECT_EQ(st.angle, 0);
  EXPECT_EQ(st.work, st.source);
}

TEST(Transform, EighteenFineStepsTurnAboutPixelFifteen) {
  TransformState st = Captured();
  for (int i = 0; i < 18; ++i) ASSERT_TRUE(RotateFine(st, TurnDirection::Left).ok);
  EXPECT_EQ(st.angle, 90);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int expected = x == 31 ? 0 : At(st.source, 30 - x, y);
      ASSERT_EQ(At(st.work, y, x), expected) << "row " << y << " column " << x;
    }
}

TEST(Transform, ScalingAboutTheCentre) {
  TransformState st = Captured();
  ASSERT_TRUE(Rescale(st, 2.0).ok);
  // Source coordinate round(d / 2) + 15, halves to even: d = 1 -> 15, 2 -> 16, 3 -> 17 (1.5 -> 2).
  const struct {
    int x, sx;
  } twice[] = {{15, 15}, {16, 15}, {17, 16}, {18, 17}, {14, 15}, {13, 14}, {12, 13}, {0, 7}, {31, 23}};
  for (auto c : twice) EXPECT_EQ(At(st.work, 15, c.x), At(st.source, 15, c.sx)) << c.x;
  EXPECT_EQ(At(st.work, 18, 17), At(st.source, 17, 16));

  ASSERT_TRUE(Rescale(st, 0.5).ok);
  const struct {
    int x, value;
  } half[] = {{15, At(st.source, 15, 15)}, {16, At(st.source, 15, 17)},
              {23, At(st.source, 15, 31)}, {24, 0},
              {8, At(st.source, 15, 1)},   {7, 0}};
  for (auto c : half) EXPECT_EQ(At(st.work, 15, c.x), c.value) << c.x;
  EXPECT_EQ(At(st.work, 24, 24), 0);

  ASSERT_TRUE(Rescale(st, -1.0).ok);  // a half turn about pixel (15, 15)
  EXPECT_EQ(At(st.work, 10, 3), At(st.source, 20, 27));
  EXPECT_EQ(At(st.work, 31, 31), 0);

  ASSERT_TRUE(Rescale(st, ReadDecimal("")).ok);  // an empty box means 1
  EXPECT_EQ(st.scale, 1.0);
  EXPECT_EQ(st.work, st.source);
}

TEST(Transform, ResamplingDiscardsEditsOnTheWorkImage) {
  TransformState st = Captured();
  FlipVertical(st.work);
  Rotate90Left(st.work);
  ShiftWork(st, ShiftDirection::Right);
  ASSERT_TRUE(RotateFine(st, TurnDirection::Left).ok);
  ASSERT_TRUE(RotateFine(st, TurnDirection::Right).ok);
  EXPECT_EQ(st.work, st.source);
}

TEST(Transform, ScaleNearZeroFailsAndKeepsTheWorkImage) {
  TransformState st = Captured();
  FlipHorizontal(st.work);
  const Image32 before = st.work;
  ResampleResult r = Rescale(st, 1e-300);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, kOverflowMessage);
  EXPECT_EQ(st.work, before);

  r = RotateFine(st, TurnDirection::Left);  // the stored scale still fails
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(st.angle, 5);  // the angle has moved on regardless
  EXPECT_EQ(st.work, before);

  // Just inside the 32-bit range still works: the largest offset is 16, 16 / 1e-8 = 1.6e9.
  EXPECT_TRUE(ResampleImage(st.source, 0, 1e-8).has_value());
  EXPECT_FALSE(ResampleImage(st.source, 0, 1e-9).has_value());
  // A negative scale as small fails the same way, without arithmetic overflow on the way.
  EXPECT_FALSE(ResampleImage(st.source, 0, -1e-300).has_value());
}

}  // namespace
}  // namespace pf
