// Editing the AND mask of the 16-colour icon as the mask window does: single cells, the whole grid, every
// pixel of one palette index; the cell cursor's movement over the grid; and the icon files written with
// the edited mask instead of one built from the transparent colour.
//
// The grid is MaskGrid: grid[row * 32 + column], row 0 at the top, 1 = transparent. Pixels are
// IconPixels: storage row 0 at the bottom, so grid row r lies over storage row 31 - r.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "model/colour.h"
#include "model/shared_state.h"
#include "model/text_caret.h"

namespace pf {

// Every cell 1 (all transparent) or 0 (all opaque).
void SetWholeMask(MaskGridArray& grid, std::uint8_t value);
// Each cell XOR 1.
void InvertMask(MaskGridArray& grid);
// A non-zero cell becomes 0, a zero cell 1. Cells outside the grid are left alone.
void ToggleMaskCell(MaskGridArray& grid, int column, int row);
// Every cell whose pixel equals `index` becomes 1 (`transparent`) or 0; the others stay as they are.
void SetMaskByIndex(MaskGridArray& grid, std::span<const std::uint8_t> iconPixels, int index,
                    bool transparent);

// The packed 128-byte mask the icon files carry: bottom grid row first, 4 bytes a row, the leftmost
// column in the most significant bit.
void PackMaskRows(const MaskGridArray& grid, std::span<std::uint8_t> mask128);

// The cell cursor lives in text-grid pixels: x = 8 * column, y = 16 * row.
inline constexpr int kMaskCursorMaxX = 8 * 31;
inline constexpr int kMaskCursorMaxY = 16 * 31;

using MaskCursorPosition = CaretPosition;

// Where a cursor asked to go to (x, y) ends up: off the left edge it goes to the end of the row above,
// off the right edge to the start of the row below, except at the top-left and bottom-right corners,
// where it stays on the corner column; then the row is kept inside the grid.
MaskCursorPosition WrapMaskCursor(int x, int y);

// The 766-byte 32 x 32 icon of the picture with the given packed mask. Empty when a buffer is short.
std::vector<std::uint8_t> BuildMaskIcon32(std::span<const std::uint8_t> iconPixels, const Palette& palette,
                                          std::span<const std::uint8_t> mask128);
// The 318-byte 16 x 16 icon of the lower-left quarter, whose AND bitmap is the first 16 rows (bottom
// first) of the packed mask, 4 bytes each as they stand. Empty when a buffer is short.
std::vector<std::uint8_t> BuildMaskIcon16(std::span<const std::uint8_t> iconPixels, const Palette& palette,
                                          std::span<const std::uint8_t> mask128);

// Written through WriteFileAtomically; false when the file could not be written (the window then shows
// "Open できません。").
bool WriteMaskIcon32(const std::string& path, std::span<const std::uint8_t> iconPixels,
                     const Palette& palette, std::span<const std::uint8_t> mask128);
bool WriteMaskIcon16(const std::string& path, std::span<const std::uint8_t> iconPixels,
                     const Palette& palette, std::span<const std::uint8_t> mask128);

}  // namespace pf
