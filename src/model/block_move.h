// The position-move tool: whole-picture shifts that carry the mask along, and block moves that lift a
// rectangle into a layer of its own and stamp it one pixel further at every press.
//
// Block corners are "x,y" texts with y counted from the top, as the canvas clicks give them. Corner
// values are clamped to 0..31; a corner box without a comma, or a block with x2 < x1 or y1 > y2, makes
// an empty block, so presses leave the picture as it was. An empty corner box (with the block marked as
// changed) makes a press do nothing at all.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/image_ops.h"

namespace pf {

// Moves the first 1024 pixels and the whole mask grid one pixel; vacated pixels and mask cells become 0.
void ShiftWholeImage(std::span<std::uint8_t> pixels, MaskGridArray& mask, ShiftDirection direction);

struct BlockCorner {
  int x = 0;
  int y = 0;  // from the top
};

// "x,y", each part read as a decimal number and clamped to 0..31. No corner without a comma.
std::optional<BlockCorner> ParseCorner(std::string_view text);

// Which corner box a press on the main window's canvas fills and with what: the left button the top
// left (box 0), the right button the bottom right (box 1). The canvas has cells 8 pixels wide and 16 high
// starting at y 57; the divisions truncate toward zero. Nothing for other buttons.
struct CornerClick {
  int box = 0;
  std::string text;
};
std::optional<CornerClick> CornerFromClick(int button, int x, int y);

inline constexpr std::uint8_t kBlockPresent = 255;

struct BlockMoveState {
  Image32 layer{};  // the lifted block, image layout
  Image32 mask{};   // kBlockPresent where the layer holds the block, 0 elsewhere
  BlockCorner topLeft;
  BlockCorner bottomRight;
  bool changed = false;  // the corners were edited since the block was last lifted
};

// Call on every change of either corner box: marks the block as changed when both boxes hold text.
void CornerBoxesChanged(BlockMoveState& state, std::string_view topLeft, std::string_view bottomRight);

// One arrow press in block mode on the first 1024 pixels. A changed block is lifted from the picture
// first. Returns false when the press does nothing at all (a corner box is empty while the block is
// marked changed); the pixels are then untouched and the caller writes nothing back.
bool BlockMovePress(BlockMoveState& state, std::span<std::uint8_t> pixels, std::string_view topLeft,
                    std::string_view bottomRight, ShiftDirection direction);

}  // namespace pf
