// Palette-set files (.pal): one text line per palette set, ended by CR LF.
//
// A line is 50 comma-separated fields: the row number, "1" for the current set or "0", then blue, green
// and red of each of the 16 colours in upper-case hexadecimal without leading zeros.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <string_view>

#include "model/colour.h"
#include "model/shared_state.h"

namespace pf {

enum class PaletteSetRead {
  Ok,
  TooManySets,  // 20 sets were read and more lines follow; the 20 stay
  Invalid,      // empty file, short line or a component above FF; what came before stays
};

struct PaletteSetTargets {
  std::array<Palette, kPaletteSetCount>& sets;
  int& currentSet;
  Palette& iconPalette;  // receives the colours of a line flagged as the current set
};

// Reads the file's text into the targets. `rowStored` is told each row once its line is stored.
PaletteSetRead ReadPaletteSets(std::string_view text, PaletteSetTargets targets,
                               const std::function<void(int row)>& rowStored = {});

// Reads a palette-set file from disk; a file that is missing or cannot be read is Invalid.
PaletteSetRead ReadPaletteSetFile(const std::string& path, PaletteSetTargets targets,
                                  const std::function<void(int row)>& rowStored = {});

// The whole file for the 20 sets, exactly 20 lines.
std::string WritePaletteSets(const std::array<Palette, kPaletteSetCount>& sets, int currentSet);

}  // namespace pf
