// The mask of a full colour icon as the mask windows edit it: a grid of S x S bytes, grid[row * S +
// column] with row 0 at the top, 1 = transparent, 0 = opaque. The packed mask (S / 8 bytes a row) keeps
// the bottom row first with the leftmost column in the most significant bit, so packed row r is grid row
// S - 1 - r. Pixels are the full colour pixel array: blue, green, red, bottom row first.
#pragma once

#include <cstdint>
#include <span>

#include "model/colour.h"

namespace pf {

// Bytes of the packed mask and of the pixel array of an icon of edge S.
constexpr std::size_t FullColourMaskBytes(int edge) {
  return edge > 0 ? static_cast<std::size_t>(edge) * static_cast<std::size_t>(edge) / 8 : 0;
}
constexpr std::size_t FullColourPixelBytesOf(int edge) {
  return edge > 0 ? 3 * static_cast<std::size_t>(edge) * static_cast<std::size_t>(edge) : 0;
}

// Unpacks a mask of exactly FullColourMaskBytes(edge) bytes into a grid of at least edge * edge cells.
// False, with the grid untouched, when a length does not fit the edge or the edge is not a positive
// multiple of 8.
bool UnpackFullColourMask(std::span<const std::uint8_t> mask, int edge, std::span<std::uint8_t> grid);
// The inverse: a cell counts as transparent when it is 1. False, with the mask untouched, as above.
bool PackFullColourMask(std::span<const std::uint8_t> grid, int edge, std::span<std::uint8_t> mask);

// The colour of grid cell (column, row) in a pixel array of edge S; black when the array is not exactly
// 3 * S * S bytes or the cell lies outside the picture. The reserved byte is 0.
PaletteEntry FullColourCell(std::span<const std::uint8_t> pixels, int edge, int column, int row);

// Every cell whose pixel is exactly `reference` becomes 1 (`transparent`) or 0; the others stay.
void SelectExactColour(std::span<std::uint8_t> grid, std::span<const std::uint8_t> pixels, int edge,
                       const PaletteEntry& reference, bool transparent);

// The distance of two colours in red, green and blue, rounded to the nearest integer.
int ColourDistance(const PaletteEntry& a, const PaletteEntry& b);
// Every cell whose pixel lies within `range` of `reference` (range >= rounded distance) becomes 1
// (`transparent`) or 0; the others stay. Range 0 takes exact matches only.
void SelectColourRange(std::span<std::uint8_t> grid, std::span<const std::uint8_t> pixels, int edge,
                       const PaletteEntry& reference, int range, bool transparent);

// Each cell XOR 1.
void InvertMaskGrid(std::span<std::uint8_t> grid);

}  // namespace pf
