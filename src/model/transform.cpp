#include "model/transform.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

#include "model/numeric_text.h"

namespace pf {

namespace {

constexpr int kCentre = 15;
// The rotation uses this value of pi, not a more precise one, so results match pixel for pixel.
constexpr double kPi = 3.14159265;

std::uint8_t& At(Image32& image, int row, int col) {
  return image[row * kIconSize + col];
}

// round(q) + 15 as a source coordinate, or nothing when it leaves the 32-bit range.
std::optional<std::int64_t> SourceCoordinate(double quotient) {
  // Range first: rounding a huge quotient saturates, and adding the centre to that would overflow.
  if (std::isnan(quotient) || quotient < std::numeric_limits<std::int32_t>::min() ||
      quotient > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  const std::int64_t rounded = RoundHalfEven(quotient) + kCentre;
  if (rounded - kCentre < std::numeric_limits<std::int32_t>::min() ||
      rounded > std::numeric_limits<std::int32_t>::max()) {
    return std::nullopt;
  }
  return rounded;
}

ResampleResult ResampleWork(TransformState& state) {
  if (state.scale == 0) state.scale = 1.0;
  const std::optional<Image32> result = ResampleImage(state.source, state.angle, state.scale);
  if (!result) return {false, kOverflowMessage};
  state.work = *result;
  return {};
}

}  // namespace

void CaptureImage(TransformState& state, std::span<const std::uint8_t> pixels) {
  Image32 captured{};
  std::copy_n(pixels.begin(), std::min(pixels.size(), captured.size()), captured.begin());
  state.work = captured;
  state.source = captured;
  state.angle = 0;
}

void FlipVertical(Image32& image) {
  for (int r = 0; r < kIconSize / 2; ++r)
    for (int c = 0; c < kIconSize; ++c) std::swap(At(image, r, c), At(image, kIconSize - 1 - r, c));
}

void FlipHorizontal(Image32& image) {
  for (int c = 0; c < kIconSize / 2; ++c)
    for (int r = 0; r < kIconSize; ++r) std::swap(At(image, r, c), At(image, r, kIconSize - 1 - c));
}

void Rotate90Left(Image32& image) {
  Image32 turned{};
  for (int r = 0; r < kIconSize; ++r)
    for (int c = 0; c < kIconSize; ++c) At(turned, c, r) = At(image, kIconSize - 1 - r, c);
  image = turned;
}

void Rotate90Right(Image32& image) {
  Image32 turned{};
  for (int r = 0; r < kIconSize; ++r)
    for (int c = 0; c < kIconSize; ++c) At(turned, kIconSize - 1 - c, r) = At(image, r, c);
  image = turned;
}

void ShiftWork(TransformState& state, ShiftDirection direction) {
  state.backup = state.work;
  ShiftImage(state.work, direction);
}

void RestoreWork(TransformState& state) {
  state.work = state.backup;
}

std::optional<Image32> ResampleImage(const Image32& source, int angle, double scale) {
  const double a = angle * kPi / 180.0;
  const double cosA = std::cos(a);
  const double sinA = std::sin(a);
  Image32 result{};
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const int dx = x - kCentre;
      const int dy = y - kCentre;
      // X and Y are rounded before the division by the scale.
      const auto bigX = static_cast<double>(RoundHalfEven(cosA * dx + sinA * dy));
      const auto bigY = static_cast<double>(RoundHalfEven(cosA * dy - sinA * dx));
      const std::optional<std::int64_t> sx = SourceCoordinate(bigX / scale);
      const std::optional<std::int64_t> sy = SourceCoordinate(bigY / scale);
      if (!sx || !sy) return std::nullopt;
      if (*sx >= 0 && *sx < kIconSize && *sy >= 0 && *sy < kIconSize)
        result[y * kIconSize + x] = source[*sy * kIconSize + *sx];
    }
  }
  return result;
}

ResampleResult RotateFine(TransformState& state, TurnDirection direction) {
  state.angle += direction == TurnDirection::Left ? 5 : -5;
  if (state.angle > 359) state.angle -= 360;
  if (state.angle < 0) state.angle += 360;
  return ResampleWork(state);
}

ResampleResult Rescale(TransformState& state, double scale) {
  state.scale = scale;
  return ResampleWork(state);
}

}  // namespace pf
