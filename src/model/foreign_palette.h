// Palettes written by other programs, beside the program's own palette-set files: GIMP palettes (.gpl),
// JASC palettes (JASC-PAL, which share .pal with the palette-set files), one-colour-a-line hexadecimal
// lists (.hex, .txt: RRGGBB with or without '#', or AARRGGBB as paint.net writes it, ';' comments),
// Adobe colour tables (.act: 256 red, green, blue triples, optionally a big-endian count and
// transparent index) and RIFF palettes (a "PAL " form whose "data" chunk is a logical palette).
//
// Each reader checks every length and value and reads all or nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/colour.h"

namespace pf {

enum class PaletteFileKind { PaletteSets, Gimp, Jasc, HexList, Act, Riff };

struct ForeignPalette {
  Palette colours{};  // the first 16 colours of the file; entries beyond `count` are black
  int count = 0;      // how many colours the file holds, at least 1; may be more than 16
};

std::optional<ForeignPalette> ReadGimpPalette(std::span<const std::uint8_t> bytes);
std::optional<ForeignPalette> ReadJascPalette(std::span<const std::uint8_t> bytes);
std::optional<ForeignPalette> ReadHexPalette(std::span<const std::uint8_t> bytes);
std::optional<ForeignPalette> ReadActPalette(std::span<const std::uint8_t> bytes);
std::optional<ForeignPalette> ReadRiffPalette(std::span<const std::uint8_t> bytes);

// Which reader a file is for, by its content: the GIMP, JASC and RIFF signatures, then a first colour
// line of a hexadecimal list, then (unless the first line has the 50 fields of a palette-set line) the
// fixed lengths of an Adobe table. A name ending in ".act" is taken
// as an Adobe table whatever it holds (it has no signature). Anything else is a palette-set file.
PaletteFileKind DetectPaletteFile(std::span<const std::uint8_t> bytes, std::string_view fileName);

// The reader of `kind`; nothing for PaletteSets (which has readers of its own) or a file it refuses.
std::optional<ForeignPalette> ReadForeignPalette(PaletteFileKind kind, std::span<const std::uint8_t> bytes);

// The file at `path` read as another program's palette, with 16 entries to map onto: the colours read,
// and the first colour again in the entries the file leaves over, so that choosing the nearest entry
// only ever picks the file's own colours. Nothing when the file is a palette-set file, cannot be read
// or is refused.
std::optional<Palette> ReadForeignPaletteFile(const std::string& path);

// A GIMP palette of the 16 colours, named `name` (line breaks in it are left out), 16 columns wide.
std::string WriteGimpPalette(const Palette& palette, std::string_view name);

}  // namespace pf
