// The work files of the full colour and mask archives.
//
// .w24, 61,441 bytes, no header: the pixels of the archive window's two cell columns (window x 65..96 and
// 190..221, y 0..319), column by column: for cell column c, pixel column x, the 320 pixels from the top
// down, each as blue, green, red at ((c * 32 + x) * 320 + y) * 3; one last byte 0.
//
// .msk, 2,560 bytes, no header: the 128-byte packed masks of slots 1..20 in order (4 bytes a row, bottom
// row first, leftmost pixel in the top bit, 1 = transparent).
//
// Readers take any length: what a short file lacks reads as 0, bytes beyond the format are ignored.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "model/colour.h"
#include "model/composition.h"
#include "model/work_file.h"

namespace pf {

inline constexpr int kCellColumnWidth = 32;
inline constexpr int kCellColumnHeight = 320;
inline constexpr std::size_t kCellColumnPixelCount = 2 * kCellColumnWidth * kCellColumnHeight;  // 20,480
inline constexpr std::size_t kFullColourWorkFileSize = 3 * kCellColumnPixelCount + 1;           // 61,441

// The colours of both cell columns in file order.
using CellColumnColours = std::vector<ColorRef>;

// Where pixel (x, y) of cell column c (0 left, 1 right) lies in CellColumnColours.
constexpr std::size_t CellColumnIndex(int column, int x, int y) {
  return static_cast<std::size_t>((column * kCellColumnWidth + x) * kCellColumnHeight + y);
}

// The whole .w24 file. Colours the span lacks are written black.
std::vector<std::uint8_t> PackFullColourWorkFile(std::span<const ColorRef> colours);
// kCellColumnPixelCount colours from a .w24 file of any length.
CellColumnColours UnpackFullColourWorkFile(std::span<const std::uint8_t> bytes);

inline constexpr std::size_t kSlotMaskSize = 128;
inline constexpr std::size_t kMaskWorkFileSize = kArchiveSlotCount * kSlotMaskSize;  // 2,560

using SlotMask = std::array<std::uint8_t, kSlotMaskSize>;
// Slots 1..20 are shown and saved; slot 0 is never used.
using MaskSlots = std::array<SlotMask, kArchiveSlotCount + 1>;

std::vector<std::uint8_t> PackMaskWorkFile(const MaskSlots& slots);
// Replaces slots 1..20 from a .msk file of any length; slot 0 stays.
void UnpackMaskWorkFile(std::span<const std::uint8_t> bytes, MaskSlots& slots);

// Copies or XORs, ORs or ANDs a slot's 128 bytes into the first 128 bytes of a mask. A mask shorter than
// that is left alone.
void ComposeMask(const SlotMask& slot, std::span<std::uint8_t> mask, ComposeOperation op);

}  // namespace pf
