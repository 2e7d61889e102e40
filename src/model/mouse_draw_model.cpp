#include "model/mouse_draw_model.h"

#include <algorithm>

namespace pf {

ColourMap BuildColourMap(const Palette& palette) {
  ColourMap map{};
  for (std::size_t k = 0; k < map.size(); ++k) map[k] = EntryColour(palette[k]);
  return map;
}

void ReadBack(std::span<const ColorRef> screen, const ColourMap& map, Image32& work) {
  const std::size_t n = std::min(screen.size(), work.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto match = std::find(map.begin(), map.end(), screen[i]);
    if (match == map.end()) continue;
    const std::size_t x = i % kIconSize;
    const std::size_t y = i / kIconSize;
    work[(kIconSize - 1 - y) * kIconSize + x] = static_cast<std::uint8_t>(match - map.begin());
  }
}

int MixIndex(int x, int y, int c1, int c2) {
  const int c = ((x + y) % 2 == 0) ? c2 : c1;
  return std::clamp(c, 0, 15);
}

}  // namespace pf
