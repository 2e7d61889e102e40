// Filling the region of equal pixels around a point: the pixels of the start pixel's value reached from
// it through neighbours that share a side (left, right, above, below), never across a corner.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pf {

// The element indices of the region around `start` in a 32 x 32 image in the icon's pixel order (element
// row * 32 + x), in the order they were reached. Only the first 1024 elements count; nothing for a start
// outside them or a shorter span. Walks with a list of its own, so no picture can run out of stack.
std::vector<int> FillRegion(std::span<const std::uint8_t> pixels, int start);

// Sets the region around `start` to `value` (0..15) and returns how many pixels it holds.
int FloodFill(std::span<std::uint8_t> pixels, int start, int value);

}  // namespace pf
