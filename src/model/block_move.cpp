#include "model/block_move.h"

#include <algorithm>

#include "model/numeric_text.h"

namespace pf {

namespace {
int ClampCoordinate(int v) {
  return std::clamp(v, 0, kIconSize - 1);
}
}  // namespace

void ShiftWholeImage(std::span<std::uint8_t> pixels, MaskGridArray& mask, ShiftDirection direction) {
  ShiftImage(pixels, direction);
  ShiftTopDownGrid(mask, direction);
}

std::optional<BlockCorner> ParseCorner(std::string_view typed) {
  // "３，４" from an input method is "3,4".
  const std::string ascii = AsciiNumberText(typed);
  const std::string_view text = ascii;
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  // ReadDecimal stops at a further comma, so "1,2,3" reads as 1, 2.
  return BlockCorner{ClampCoordinate(ReadDecimalInt(text.substr(0, comma))),
                     ClampCoordinate(ReadDecimalInt(text.substr(comma + 1)))};
}

std::optional<CornerClick> CornerFromClick(int button, int x, int y) {
  if (button != 1 && button != 2) return std::nullopt;
  const int column = x / 8;
  const int row = (y - 57) / 16;
  return CornerClick{button == 1 ? 0 : 1, std::to_string(column) + "," + std::to_string(row)};
}

void CornerBoxesChanged(BlockMoveState& state, std::string_view topLeft, std::string_view bottomRight) {
  if (!topLeft.empty() && !bottomRight.empty()) state.changed = true;
}

bool BlockMovePress(BlockMoveState& state, std::span<std::uint8_t> pixels, std::string_view topLeft,
                    std::string_view bottomRight, ShiftDirection direction) {
  if (pixels.size() < static_cast<std::size_t>(kPixelCount)) return false;
  if (state.changed) {
    if (topLeft.empty() || bottomRight.empty()) return false;
    state.changed = false;
    state.layer.fill(0);
    state.mask.fill(0);
    const std::optional<BlockCorner> a = ParseCorner(topLeft);
    const std::optional<BlockCorner> b = ParseCorner(bottomRight);
    if (a && b) {
      state.topLeft = *a;
      state.bottomRight = *b;
      for (int y = a->y; y <= b->y; ++y) {
        const int row = kIconSize - 1 - y;
        for (int x = a->x; x <= b->x; ++x) {
          const int i = row * kIconSize + x;
          state.layer[i] = pixels[i];
          state.mask[i] = kBlockPresent;
        }
      }
    }
  }
  ShiftImage(state.layer, direction);
  ShiftImage(state.mask, direction);
  for (int i = 0; i < kPixelCount; ++i)
    if (state.mask[i] == kBlockPresent) pixels[i] = state.layer[i];
  return true;
}

}  // namespace pf
