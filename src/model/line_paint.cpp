#include "model/line_paint.h"

#include "model/shared_state.h"

namespace pf {

void LinePaint(std::span<std::uint8_t> pixels, int pixelIndex, int colour, bool vertical, bool stopAtOther) {
  if (pixelIndex < 0 || pixelIndex >= kPixelCount || pixels.size() < static_cast<std::size_t>(kPixelCount)) {
    return;
  }
  const std::uint8_t v = pixels[static_cast<std::size_t>(pixelIndex)];
  const auto n = static_cast<std::uint8_t>(colour & 0x0F);
  const int column = pixelIndex % kIconSize;
  const int rowStart = pixelIndex - column;
  // Visits one index; returns false when the run ends there.
  auto visit = [&](int index) {
    std::uint8_t& p = pixels[static_cast<std::size_t>(index)];
    if (p == v) {
      p = n;
      return true;
    }
    return !stopAtOther;
  };
  if (vertical) {
    for (int i = 0; i < kIconSize; ++i) {
      const int index = pixelIndex + kIconSize * i;
      if (index > kPixelCount - 1 || !visit(index)) break;
    }
    for (int t = 1; t < kIconSize; ++t) {
      const int index = pixelIndex - kIconSize * t;
      if (index < 0 || !visit(index)) break;
    }
  } else {
    for (int c = column; c < kIconSize; ++c) {
      if (!visit(rowStart + c)) break;
    }
    for (int c = column - 1; c >= 0; --c) {
      if (!visit(rowStart + c)) break;
    }
  }
}

}  // namespace pf
