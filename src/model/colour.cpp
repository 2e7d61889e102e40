#include "model/colour.h"

#include <cstring>

namespace pf {

std::int64_t PalEntryColor(ColorRef& colour, PaletteEntry& entry, int direction) {
  if (direction == 1) {
    colour = EntryColour(entry);
    return colour;
  }
  if (direction == 0) {
    // Only the six rightmost hexadecimal digits count: blue, green, red pairs from the left.
    entry.blue = static_cast<std::uint8_t>((colour >> 16) & 0xFF);
    entry.green = static_cast<std::uint8_t>((colour >> 8) & 0xFF);
    entry.red = static_cast<std::uint8_t>(colour & 0xFF);
    return -1;
  }
  return 0;
}

Palette PaletteFromBytes(std::span<const std::uint8_t, 64> bytes) {
  Palette p;
  std::memcpy(p.data(), bytes.data(), 64);
  return p;
}

void PaletteToBytes(const Palette& palette, std::span<std::uint8_t, 64> bytes) {
  std::memcpy(bytes.data(), palette.data(), 64);
}

}  // namespace pf
