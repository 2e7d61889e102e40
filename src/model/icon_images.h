// The images an icon file holds, as their own headers describe them, and which of them a picture of a
// given size is best made from.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace pf {

struct IconImageInfo {
  int width = 0;  // 0 for an entry whose image lies outside the file
  int height = 0;
  int bitCount = 0;  // 32 for a PNG image
  bool png = false;
};

// Every directory entry in order; nothing when the bytes hold no icon directory.
std::vector<IconImageInfo> ListIconImages(std::span<const std::uint8_t> bytes);

// The image a square picture of `edge` pixels is best made from: one of that size (the most colours
// among several), else the smallest larger one, else the largest; -1 when there is no usable image.
int ChooseIconImage(std::span<const IconImageInfo> images, int edge);

}  // namespace pf
