// The readers of other programs' palettes on arbitrary bytes: whatever a reader accepts holds at least
// one colour, keeps black beyond what it read, and comes back unchanged through the GIMP writer.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "model/foreign_palette.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);
  pf::DetectPaletteFile(bytes, "fuzz.act");
  pf::DetectPaletteFile(bytes, "fuzz.pal");
  for (const pf::PaletteFileKind kind :
       {pf::PaletteFileKind::Gimp, pf::PaletteFileKind::Jasc, pf::PaletteFileKind::HexList,
        pf::PaletteFileKind::Act, pf::PaletteFileKind::Riff}) {
    const std::optional<pf::ForeignPalette> read = pf::ReadForeignPalette(kind, bytes);
    if (!read) continue;
    if (read->count < 1) std::abort();
    for (int i = read->count; i < 16; ++i) {
      if (!(read->colours[static_cast<std::size_t>(i)] == pf::PaletteEntry{})) std::abort();
    }
    const std::string text = pf::WriteGimpPalette(read->colours, "fuzz");
    const std::optional<pf::ForeignPalette> again =
        pf::ReadGimpPalette(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    if (!again || again->count != 16 || again->colours != read->colours) std::abort();
  }
  return 0;
}
