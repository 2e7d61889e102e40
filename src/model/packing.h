// Conversions between the working pixel and mask arrays and their packed file form.
//
// Packed pixels: two per byte, the high nibble the left pixel, 16 bytes per storage row, bottom row first.
// Packed mask: 4 bytes per storage row, bottom row first, most significant bit the leftmost pixel.
#pragma once

#include <cstdint>
#include <span>

#include "model/shared_state.h"

namespace pf {

// Byte i of the packed data gives pixel 2i (high nibble) and 2i + 1 (low nibble).
void UnpackPixels32(std::span<const std::uint8_t> packed, std::span<std::uint8_t> pixels);
// Packs pixel pairs into as many packed bytes as the target holds (and the pixels can fill).
void PackPixels32(std::span<const std::uint8_t> pixels, std::span<std::uint8_t> packed);
// Fills the whole target with 15, then writes the 16 x 16 picture (8 bytes a row) into its lower-left
// quarter.
void UnpackPixels16(std::span<const std::uint8_t> packed, std::span<std::uint8_t> pixels);
// Writes a packed 16 x 16 picture into the lower-left quarter and leaves the rest as it was.
void Unpack16Rows(std::span<const std::uint8_t> packed, std::span<std::uint8_t> pixels);

void UnpackMask(std::span<const std::uint8_t> packedMask, MaskGridArray& grid);
void PackMask(const MaskGridArray& grid, std::span<std::uint8_t> packedMask);

}  // namespace pf
