// Whole-picture operations of the main window's Draw menu, and the one-pixel moves every tool shares.
//
// Pixel images are in bitmap order (storage row 0 is the bottom row, element row * 32 + x), so "up" moves
// content towards row 31. The mask grid counts its rows from the top, so "up" there moves towards row 0.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "model/shared_state.h"

namespace pf {

// A 32 x 32 image of palette indices without the spare element, laid out like the icon pixels.
using Image32 = std::array<std::uint8_t, kPixelCount>;

enum class ShiftDirection { Up, Down, Left, Right };

// Moves the first 1024 elements of a bitmap-order image by one pixel; the vacated row or column becomes
// 0 and the row or column pushed out is lost. Elements beyond 1024 are not touched; a span shorter than
// 1024 is left alone.
void ShiftImage(std::span<std::uint8_t> image, ShiftDirection direction);

// The same move for a grid whose rows count from the top, such as the mask grid.
void ShiftTopDownGrid(std::span<std::uint8_t> grid, ShiftDirection direction);

// Sets the 1024 pixels to index 0; the spare element stays as it is.
void ClearPixels(PixelArray& pixels);

// The Draw menu shifts move the pixels only; the mask stays where it is.
void ShiftPixelsUp(PixelArray& pixels);
void ShiftPixelsDown(PixelArray& pixels);
void ShiftPixelsLeft(PixelArray& pixels);
void ShiftPixelsRight(PixelArray& pixels);

// Takes every second pixel into the lower-left quarter: pixels from storage rows 0, 2 .. 30 and mask
// cells from rows 0, 2 .. 30 counted from the top, each at columns 0, 2 .. 30. Everything else, the
// spare element included, becomes 0.
void ReduceTo16(PixelArray& pixels, MaskGridArray& mask);

}  // namespace pf
