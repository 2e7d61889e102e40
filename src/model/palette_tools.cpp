#include "model/palette_tools.h"

#include <algorithm>
#include <chrono>
#include <random>

#include "model/numeric_text.h"

namespace pf {

namespace {
bool IsIndex(int value) {
  return value >= 0 && value <= 15;
}
}  // namespace

bool ConvertPalette(std::span<std::uint8_t> pixels, ConversionMode mode, int p1, int p2,
                    int transparentIndex) {
  const bool usesP2 = mode == ConversionMode::Replace || mode == ConversionMode::Exchange;
  if (!IsIndex(p1) || (usesP2 && !IsIndex(p2)) || (!usesP2 && !IsIndex(transparentIndex))) return false;
  const auto from = static_cast<std::uint8_t>(p1);
  const auto to = static_cast<std::uint8_t>(usesP2 ? p2 : transparentIndex);
  for (std::uint8_t& p : pixels) {
    switch (mode) {
      case ConversionMode::Replace:
        if (p == from) p = to;
        break;
      case ConversionMode::Exchange:
        // Each pixel is tested once, so the two indices really trade places.
        if (p == from) {
          p = to;
        } else if (p == to) {
          p = from;
        }
        break;
      case ConversionMode::EraseAllBut:
        if (p != from) p = to;
        break;
      case ConversionMode::EraseOnly:
        if (p == from) p = to;
        break;
    }
  }
  return true;
}

void ApplyArithmetic(std::span<std::uint8_t> pixels, ArithmeticMode mode, int operand,
                     const std::function<double()>& uniform) {
  const auto d = static_cast<std::uint8_t>(std::clamp(operand, 0, 15));
  if (mode == ArithmeticMode::Random && !uniform) return;
  for (std::uint8_t& p : pixels) {
    switch (mode) {
      case ArithmeticMode::Invert:
        p ^= 15;
        break;
      case ArithmeticMode::Xor:
        p ^= d;
        break;
      case ArithmeticMode::Or:
        p |= d;
        break;
      case ArithmeticMode::And:
        p &= d;
        break;
      case ArithmeticMode::Random:
        p = static_cast<std::uint8_t>(std::clamp<std::int64_t>(RoundHalfEven(uniform() * 15.0), 0, 15));
        break;
    }
  }
}

std::function<double()> TimeSeededUniform() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const auto seed =
      static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
  return [engine = std::mt19937_64(seed), dist = std::uniform_real_distribution<double>(0.0, 1.0)]() mutable {
    const double r = dist(engine);
    return r < 1.0 ? r : 0.0;  // some library versions can return the upper bound
  };
}

std::optional<CheckPattern> BuildCheckPattern(int c1, int c2, int size) {
  if (size < 1 || !IsIndex(c1) || !IsIndex(c2)) return std::nullopt;
  CheckPattern pattern{};
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const bool even = ((y / size) + (x / size)) % 2 == 0;
      pattern[y * kIconSize + x] = static_cast<std::uint8_t>(even ? c2 : c1);
    }
  }
  return pattern;
}

void ApplyCheckPattern(std::span<std::uint8_t> pixels, const CheckPattern& pattern, CombineMode mode) {
  const std::size_t n = std::min(pixels.size(), pattern.size());
  for (std::size_t i = 0; i < n; ++i) {
    switch (mode) {
      case CombineMode::Copy:
        pixels[i] = pattern[i];
        break;
      case CombineMode::Xor:
        pixels[i] ^= pattern[i];
        break;
      case CombineMode::Or:
        pixels[i] |= pattern[i];
        break;
      case CombineMode::And:
        pixels[i] &= pattern[i];
        break;
    }
  }
}

}  // namespace pf
