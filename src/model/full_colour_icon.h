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
// The 24-bit icon file of any edge from 1 to 256: `pixels` 3 * edge bytes a row, `mask` (edge + 7) / 8
// bytes a row, both bottom row first and unpadded; the file pads each row to 4 bytes. For 32 and 64 this
// is BuildFullColourIcon. Empty when a buffer is short or the edge out of range.
std::vector<std::uint8_t> BuildFullColourIconOfEdge(std::span<const std::uint8_t> pixels,
                                                    std::span<const std::uint8_t> mask, int edge);
// The single-image icon file of a PNG of edge `edge` (1..256; 256 is stored as 0 in the directory).
std::vector<std::uint8_t> BuildPngIconFile(std::span<const std::uint8_t> png, int edge);

// Written through WriteFileAtomically into the file at `path`, keeping its other images (WriteIconImage);
// false when it could not be (the window shows "Save できません。").
bool WriteFullColourIcon(const std::string& path, std::span<const std::uint8_t> pixels,
                         std::span<const std::uint8_t> mask, int size);

// The 894-byte 16 x 16 icon of every second pixel of every second stored row of a 32 x 32 pixel array
// (3072 bytes), fully opaque. Empty when the array is short.
std::vector<std::uint8_t> BuildFullColourIcon16(std::span<const std::uint8_t> pixels32);
// Written like WriteFullColourIcon; false when it could not be (the window shows "Open できません。").
bool WriteFullColourIcon16(const std::string& path, std::span<const std::uint8_t> pixels32);

// The first entry in directory order that holds an uncompressed 24-bit image of edge 32 or 64 (colour
// count 0), with its pixels and mask, bottom row first. The information header may be 40, 108, 124 or
// more bytes, and the rows stored either way up. Nothing when the file is short for a directory entry or
// image header it names, or has no such entry (only 32-bit, compressed or PNG images, say). The
// directory, entry and header copies go to the shared state, as every icon read does.
std::optional<FullColourIcon> ReadFullColourIcon(std::span<const std::uint8_t> bytes, SharedState& headers);
std::optional<FullColourIcon> ReadFullColourIcon(const std::string& path, SharedState& headers);

}  // namespace pf
