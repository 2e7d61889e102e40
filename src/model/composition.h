// Preparing a second image and combining it into the editor's: the composition window's operations, and
// the combine step the 16-colour archive shares when it sends a slot to the editor.
//
// Images are in bitmap order (element row * 32 + x, row 0 the bottom row). The operations work on
// palette indices, never on colours. The composition window's arrow buttons are ShiftImage (image_ops.h).
#pragma once

#include <cstdint>
#include <span>

namespace pf {

enum class ComposeOperation { Copy = 0, Xor = 1, Or = 2, And = 3 };

// Combines pixels 0..1023 of `source` into `destination`. With `transparency`, a destination pixel under
// a source pixel of `transparentIndex` stays as it is. Spans shorter than 1024 are left alone.
void ComposeIntoEditor(std::span<const std::uint8_t> source, std::span<std::uint8_t> destination,
                       int transparentIndex, ComposeOperation op, bool transparency);

// Keeps the cells of a selection dragged on the five-times view, from corner (x1, y1) up to but not
// including the cell of corner (x2, y2), in view pixels with y from the top; every other pixel becomes 0.
// Corners that were never dragged (all 0) clear the whole image.
void KeepSelection(std::span<std::uint8_t> pixels, int x1, int y1, int x2, int y2);

// An image holding only the editor pixels of palette index `index`, everything else 0 (spare element
// included).
void PickColour(std::span<const std::uint8_t> editorPixels, int index, std::span<std::uint8_t> pixels);

// A selection corner snapped to the 5 x 5 cell of the view it lies in (v >= 0).
constexpr int SnapToCell(int v) {
  return 5 * (v / 5);
}

// Replaces the 1024 pixels by a rendered glyph: `blackTopDown[y * 32 + x]` tells whether surface pixel
// (x, y), y from the top, came out black; those pixels become `colourIndex`, all others 0.
void GlyphToPixels(std::span<const bool> blackTopDown, int colourIndex, std::span<std::uint8_t> pixels);

}  // namespace pf
