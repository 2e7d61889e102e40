#include "model/full_colour_mask.h"

#include <algorithm>
#include <cmath>

#include "model/numeric_text.h"

namespace pf {

namespace {

bool FitsEdge(int edge, std::size_t gridSize, std::size_t maskSize) {
  if (edge <= 0 || edge % 8 != 0) return false;
  const std::size_t cells = static_cast<std::size_t>(edge) * static_cast<std::size_t>(edge);
  return gridSize >= cells && maskSize == FullColourMaskBytes(edge);
}

bool PicturedBy(std::span<const std::uint8_t> pixels, int edge) {
  return edge > 0 && pixels.size() == FullColourPixelBytesOf(edge);
}

std::size_t CellIndex(int edge, int column, int row) {
  return static_cast<std::size_t>(row) * static_cast<std::size_t>(edge) + static_cast<std::size_t>(column);
}

// Calls f(column, row, colour) for every cell of a picture of edge S; nothing for a mismatched array.
template <class F>
void ForEachCell(std::span<const std::uint8_t> pixels, int edge, F f) {
  if (!PicturedBy(pixels, edge)) return;
  for (int row = 0; row < edge; ++row) {
    for (int column = 0; column < edge; ++column) f(column, row, FullColourCell(pixels, edge, column, row));
  }
}

}  // namespace

bool UnpackFullColourMask(std::span<const std::uint8_t> mask, int edge, std::span<std::uint8_t> grid) {
  if (!FitsEdge(edge, grid.size(), mask.size())) return false;
  const int rowBytes = edge / 8;
  for (int r = 0; r < edge; ++r) {
    for (int column = 0; column < edge; ++column) {
      const std::uint8_t byte = mask[static_cast<std::size_t>(r * rowBytes + column / 8)];
      grid[CellIndex(edge, column, edge - 1 - r)] = (byte >> (7 - column % 8)) & 1;
    }
  }
  return true;
}

bool PackFullColourMask(std::span<const std::uint8_t> grid, int edge, std::span<std::uint8_t> mask) {
  if (!FitsEdge(edge, grid.size(), mask.size())) return false;
  std::fill(mask.begin(), mask.end(), std::uint8_t{0});
  const int rowBytes = edge / 8;
  for (int r = 0; r < edge; ++r) {
    for (int column = 0; column < edge; ++column) {
      if (grid[CellIndex(edge, column, edge - 1 - r)] != 1) continue;
      mask[static_cast<std::size_t>(r * rowBytes + column / 8)] |=
          static_cast<std::uint8_t>(0x80u >> (column % 8));
    }
  }
  return true;
}

PaletteEntry FullColourCell(std::span<const std::uint8_t> pixels, int edge, int column, int row) {
  if (!PicturedBy(pixels, edge) || column < 0 || column >= edge || row < 0 || row >= edge) return {};
  const std::size_t at = 3 * CellIndex(edge, column, edge - 1 - row);
  return {pixels[at], pixels[at + 1], pixels[at + 2], 0};
}

void SelectExactColour(std::span<std::uint8_t> grid, std::span<const std::uint8_t> pixels, int edge,
                       const PaletteEntry& reference, bool transparent) {
  SelectColourRange(grid, pixels, edge, reference, 0, transparent);
}

int ColourDistance(const PaletteEntry& a, const PaletteEntry& b) {
  const double dg = a.green - b.green;
  const double db = a.blue - b.blue;
  const double dr = a.red - b.red;
  return RoundToInt(std::sqrt(dg * dg + db * db + dr * dr));
}

void SelectColourRange(std::span<std::uint8_t> grid, std::span<const std::uint8_t> pixels, int edge,
                       const PaletteEntry& reference, int range, bool transparent) {
  if (grid.size() < CellIndex(edge, 0, edge)) return;
  const PaletteEntry ref{reference.blue, reference.green, reference.red, 0};
  ForEachCell(pixels, edge, [&](int column, int row, const PaletteEntry& colour) {
    if (range >= ColourDistance(colour, ref)) grid[CellIndex(edge, column, row)] = transparent ? 1 : 0;
  });
}

void InvertMaskGrid(std::span<std::uint8_t> grid) {
  for (std::uint8_t& cell : grid) cell ^= 1;
}

}  // namespace pf
