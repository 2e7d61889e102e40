// Line paint: repaint the pixels of the clicked pixel's value along its row or column.
#pragma once

#include <cstdint>
#include <span>

namespace pf {

// Starting at the clicked pixel, runs right then left along its storage row (or up then down its column
// when `vertical`), setting every pixel of the clicked pixel's value to `colour`. A pixel of another value
// ends the run when `stopAtOther` is set and is passed over otherwise.
void LinePaint(std::span<std::uint8_t> pixels, int pixelIndex, int colour, bool vertical, bool stopAtOther);

}  // namespace pf
