#include "model/composition.h"

#include <algorithm>

#include "model/shared_state.h"

namespace pf {

namespace {

constexpr std::size_t kPixels = kPixelCount;
constexpr std::size_t kWithSpare = kPixelCount + 1;

std::uint8_t Combine(std::uint8_t d, std::uint8_t s, ComposeOperation op) {
  switch (op) {
    case ComposeOperation::Copy:
      return s;
    case ComposeOperation::Xor:
      return static_cast<std::uint8_t>(d ^ s);
    case ComposeOperation::Or:
      return static_cast<std::uint8_t>(d | s);
    case ComposeOperation::And:
      return static_cast<std::uint8_t>(d & s);
  }
  return d;  // an operation number outside 0..3 changes nothing
}

}  // namespace

void ComposeIntoEditor(std::span<const std::uint8_t> source, std::span<std::uint8_t> destination,
                       int transparentIndex, ComposeOperation op, bool transparency) {
  if (source.size() < kPixels || destination.size() < kPixels) return;
  for (std::size_t k = 0; k < kPixels; ++k) {
    const std::uint8_t s = source[k];
    if (transparency && s == transparentIndex) continue;
    destination[k] = Combine(destination[k], s, op);
  }
}

void KeepSelection(std::span<std::uint8_t> pixels, int x1, int y1, int x2, int y2) {
  if (pixels.size() < kPixels) return;
  const int left = std::min(x1, x2) / 5;
  const int right = std::max(x1, x2) / 5;
  // The view counts y from the top, the image its rows from the bottom.
  const int bottom = kIconSize - std::max(y1, y2) / 5;
  const int top = kIconSize - std::min(y1, y2) / 5;
  for (int row = 0; row < kIconSize; ++row) {
    for (int x = 0; x < kIconSize; ++x) {
      if (x < left || x >= right || row < bottom || row >= top) {
        pixels[static_cast<std::size_t>(row * kIconSize + x)] = 0;
      }
    }
  }
}

void PickColour(std::span<const std::uint8_t> editorPixels, int index, std::span<std::uint8_t> pixels) {
  std::fill_n(pixels.begin(), std::min(pixels.size(), kWithSpare), std::uint8_t{0});
  const std::size_t n = std::min({editorPixels.size(), pixels.size(), kWithSpare});
  for (std::size_t k = 0; k < n; ++k) {
    if (editorPixels[k] == index) pixels[k] = editorPixels[k];
  }
}

void GlyphToPixels(std::span<const bool> blackTopDown, int colourIndex, std::span<std::uint8_t> pixels) {
  if (blackTopDown.size() < kPixels || pixels.size() < kPixels) return;
  const auto colour = static_cast<std::uint8_t>(colourIndex);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const bool black = blackTopDown[static_cast<std::size_t>(y * kIconSize + x)];
      pixels[static_cast<std::size_t>((kIconSize - 1 - y) * kIconSize + x)] = black ? colour : 0;
    }
  }
}

}  // namespace pf
