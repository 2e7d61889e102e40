#include "model/flood_fill.h"

#include <array>

#include "model/shared_state.h"

namespace pf {

std::vector<int> FillRegion(std::span<const std::uint8_t> pixels, int start) {
  std::vector<int> region;
  if (pixels.size() < static_cast<std::size_t>(kPixelCount) || start < 0 || start >= kPixelCount)
    return region;
  const std::uint8_t value = pixels[static_cast<std::size_t>(start)];
  std::array<bool, kPixelCount> seen{};
  std::vector<int> pending{start};
  seen[static_cast<std::size_t>(start)] = true;
  while (!pending.empty()) {
    const int i = pending.back();
    pending.pop_back();
    region.push_back(i);
    const int x = i % kIconSize;
    const int row = i / kIconSize;
    const auto visit = [&](bool inside, int n) {
      if (!inside) return;
      const auto at = static_cast<std::size_t>(n);
      if (seen[at] || pixels[at] != value) return;
      seen[at] = true;
      pending.push_back(n);
    };
    visit(x > 0, i - 1);
    visit(x < kIconSize - 1, i + 1);
    visit(row > 0, i - kIconSize);
    visit(row < kIconSize - 1, i + kIconSize);
  }
  return region;
}

int FloodFill(std::span<std::uint8_t> pixels, int start, int value) {
  const std::vector<int> region = FillRegion(pixels, start);
  for (const int i : region) pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value & 0x0F);
  return static_cast<int>(region.size());
}

}  // namespace pf
