// Palette entries and screen colours.
//
// A palette entry is stored the way a bitmap file stores it: blue, green, red, reserved. A screen colour
// (ColorRef) carries red in the low byte: red + 256 * green + 65536 * blue.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace pf {

using ColorRef = std::uint32_t;

struct PaletteEntry {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;

  friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};
static_assert(sizeof(PaletteEntry) == 4);

using Palette = std::array<PaletteEntry, 16>;
static_assert(sizeof(Palette) == 64);

constexpr ColorRef Rgb(int red, int green, int blue) {
  return static_cast<ColorRef>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}
constexpr int RedOf(ColorRef c) {
  return static_cast<int>(c & 0xFF);
}
constexpr int GreenOf(ColorRef c) {
  return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int BlueOf(ColorRef c) {
  return static_cast<int>((c >> 16) & 0xFF);
}

constexpr ColorRef EntryColour(const PaletteEntry& e) {
  return Rgb(e.red, e.green, e.blue);
}

// The colour a frame is drawn in over an entry: inverted red and blue, green white unless very bright.
constexpr ColorRef ContrastColour(const PaletteEntry& e) {
  return Rgb(255 - e.red, e.green <= 224 ? 255 : 0, 255 - e.blue);
}

// Converts between a screen colour and a palette entry. Direction 1: the entry's colour is written into
// `colour` and returned. Direction 0: the colour's blue, green and red go into bytes 0..2 of the entry
// (byte 3 untouched) and -1 is returned. Any other direction changes nothing and returns 0.
std::int64_t PalEntryColor(ColorRef& colour, PaletteEntry& entry, int direction);

// Palette <-> the 64 bytes of a file's colour table.
Palette PaletteFromBytes(std::span<const std::uint8_t, 64> bytes);
void PaletteToBytes(const Palette& palette, std::span<std::uint8_t, 64> bytes);

}  // namespace pf
