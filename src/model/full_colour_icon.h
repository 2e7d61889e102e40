// Full colour icons: a square 24-bit picture (blue, green, red per pixel, bottom row first, no padding)
// with a 1-bit AND mask (S / 8 bytes a row, bottom row first, leftmost pixel in the top bit, 1 =
// transparent), kept in a single-image .ico file: a 22-byte directory, a 40-byte header, the pixels and
// the mask, without a colour table.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/colour.h"
#include "model/shared_state.h"

namespace pf {

struct FullColourIcon {
  int size = 0;                      // the edge, 32 or 64
  std::vector<std::uint8_t> pixels;  // 3 * size * size bytes
  std::vector<std::uint8_t> mask;    // size * size / 8 bytes
};

// A screen colour as the bytes a pixel array stores: blue, green, red, 0.
std::array<std::uint8_t, 4> ColorRefToBgr(ColorRef colour);

// The file of an icon of edge `size` (32 or 64): 3262 or 12862 bytes. Empty when the pixels or the mask
// are shorter than the edge needs or the edge is not 32 or 64.
std::vector<std::uint8_t> BuildFullColourIcon(std::span<const std::uint8_t> pixels,
                                              std::span<const std::uint8_t> mask, int size);
// Written through WriteFileAtomically; false when it could not be (the window shows "Save できません。").
bool WriteFullColourIcon(const std::string& path, std::span<const std::uint8_t> pixels,
                         std::span<const std::uint8_t> mask, int size);

// The 894-byte 16 x 16 icon of every second pixel of every second stored row of a 32 x 32 pixel array
// (3072 bytes), fully opaque. Empty when the array is short.
std::vector<std::uint8_t> BuildFullColourIcon16(std::span<const std::uint8_t> pixels32);
// False when it could not be written (the window shows "Open できません。").
bool WriteFullColourIcon16(const std::string& path, std::span<const std::uint8_t> pixels32);

// The first 24-bit entry of edge 32 or 64 (colour count 0) in directory order, with its pixels and mask.
// Nothing when the file is short for any offset it names, has no such entry, or the entry's header does
// not say 24 bits. The directory, entry and header copies go to the shared state, as every icon read does.
std::optional<FullColourIcon> ReadFullColourIcon(std::span<const std::uint8_t> bytes, SharedState& headers);
std::optional<FullColourIcon> ReadFullColourIcon(const std::string& path, SharedState& headers);

}  // namespace pf
