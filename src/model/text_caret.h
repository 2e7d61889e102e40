// The caret of the windows that show a picture as a grid of characters, 8 pixels wide and 16 high: where
// a move asked for ends up.
#pragma once

#include <algorithm>

namespace pf {

struct CaretPosition {
  int x = 0;
  int y = 0;
  friend bool operator==(const CaretPosition&, const CaretPosition&) = default;
};

// Off the left edge the caret goes to the end of the row above, off the right edge to the start of the
// row below, except in the first and the last row, where it stays on the edge column; then the row is
// kept between `top` and `maxY`. `maxX` is the last column's x.
constexpr CaretPosition WrapTextCaret(int x, int y, int top, int maxX, int maxY) {
  if (x < 0) {
    if (y < top + 1) {
      x = 0;
    } else {
      x = maxX;
      y -= 16;
    }
  }
  if (x > maxX) {
    if (y > maxY - 1) {
      x = maxX;
    } else {
      x = 0;
      y += 16;
    }
  }
  return {x, std::clamp(y, top, maxY)};
}

}  // namespace pf
