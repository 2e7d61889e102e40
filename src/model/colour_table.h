// Taking the colour table of an icon file's first image into the palette-set rows.
//
// The file is read as an icon: image count at offset 4, 16-byte directory entries from offset 6, the
// image data offset at entry offset 12, a 40-byte information header there with the bit count at
// header offset 14, the colour table right after the header. Only the first image counts.
//
// A 4-bit image fills the 16 entries of the target row. An 8-bit image has 256 colours for sixteen
// consecutive rows from the target row; entries are copied one by one only while both the rows (up to
// row 20) and the file last, so a table cut short by the end of the file or by the last row fills what it
// can and stops. The entries are copied as stored: blue, green, red, reserved.
//
// A file too short for the header, the first directory entry or the information header, or with an image
// count of 0, is unsupported and nothing changes; so is a 4- or 8-bit image whose file ends before the
// first 16 colours.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "model/colour.h"
#include "model/shared_state.h"

namespace pf {

enum class ColourTableStatus {
  Ok,
  Unsupported,    // the window shows its unsupported-format message followed by `description`
  NoColours,      // the first image has neither 4 nor 8 bits per pixel: nothing changes, no message
  InvalidTarget,  // the target row is not 1..20: nothing changes
};

struct ColourTableResult {
  ColourTableStatus status = ColourTableStatus::Ok;
  int firstRow = 0;         // 1-based, the target row
  int rowsTouched = 0;      // rows from firstRow whose swatches changed (the last may be partly filled)
  std::string description;  // the reason to show after the unsupported-format message
};

ColourTableResult ExtractColourTable(std::span<const std::uint8_t> bytes,
                                     std::array<Palette, kPaletteSetCount>& sets, int targetRow);

}  // namespace pf
