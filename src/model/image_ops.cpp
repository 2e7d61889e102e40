#include "model/image_ops.h"

#include <algorithm>

namespace pf {

namespace {

// Moves the content of a 32 x 32 grid by rowStep rows and colStep columns (each -1, 0 or 1), in index
// terms: new[r][c] = old[r - rowStep][c - colStep], 0 where that lies outside.
void MoveGrid(std::span<std::uint8_t> grid, int rowStep, int colStep) {
  if (grid.size() < static_cast<std::size_t>(kPixelCount)) return;
  Image32 moved{};
  for (int r = 0; r < kIconSize; ++r) {
    const int fromRow = r - rowStep;
    if (fromRow < 0 || fromRow >= kIconSize) continue;
    for (int c = 0; c < kIconSize; ++c) {
      const int fromCol = c - colStep;
      if (fromCol < 0 || fromCol >= kIconSize) continue;
      moved[r * kIconSize + c] = grid[fromRow * kIconSize + fromCol];
    }
  }
  std::copy(moved.begin(), moved.end(), grid.begin());
}

int ColumnStep(ShiftDirection direction) {
  if (direction == ShiftDirection::Left) return -1;
  if (direction == ShiftDirection::Right) return 1;
  return 0;
}

}  // namespace

void ShiftImage(std::span<std::uint8_t> image, ShiftDirection direction) {
  const int rowStep = direction == ShiftDirection::Up ? 1 : direction == ShiftDirection::Down ? -1 : 0;
  MoveGrid(image, rowStep, ColumnStep(direction));
}

void ShiftTopDownGrid(std::span<std::uint8_t> grid, ShiftDirection direction) {
  const int rowStep = direction == ShiftDirection::Up ? -1 : direction == ShiftDirection::Down ? 1 : 0;
  MoveGrid(grid, rowStep, ColumnStep(direction));
}

void ClearPixels(PixelArray& pixels) {
  std::fill_n(pixels.begin(), kPixelCount, std::uint8_t{0});
}

void ShiftPixelsUp(PixelArray& pixels) {
  ShiftImage(pixels, ShiftDirection::Up);
}
void ShiftPixelsDown(PixelArray& pixels) {
  ShiftImage(pixels, ShiftDirection::Down);
}
void ShiftPixelsLeft(PixelArray& pixels) {
  ShiftImage(pixels, ShiftDirection::Left);
}
void ShiftPixelsRight(PixelArray& pixels) {
  ShiftImage(pixels, ShiftDirection::Right);
}

void ReduceTo16(PixelArray& pixels, MaskGridArray& mask) {
  PixelArray newPixels{};
  MaskGridArray newMask{};
  for (int i = 0; i < kIconSize; i += 2) {
    for (int j = 0; j < kIconSize; j += 2) {
      newPixels[(i / 2) * kIconSize + j / 2] = pixels[i * kIconSize + j];
      // The mask grid is addressed (x, y) with y from the top: (j, i) lands at (j / 2, 16 + i / 2).
      newMask[(16 + i / 2) * kIconSize + j / 2] = mask[i * kIconSize + j];
    }
  }
  pixels = newPixels;
  mask = newMask;
}

}  // namespace pf
