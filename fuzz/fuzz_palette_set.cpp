// The palette-set reader on arbitrary text: never more than 20 rows, the current set only ever a row
// that was read, and a file the writer produced reads back to the same sets.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/palette_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<pf::Palette, pf::kPaletteSetCount> sets{};
  int current = -1;
  pf::Palette icon{};
  int rows = 0;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  pf::ReadPaletteSets(text, {sets, current, icon}, [&](int row) {
    if (row != rows || row >= pf::kPaletteSetCount) std::abort();
    ++rows;
  });
  if (current < -1 || current >= pf::kPaletteSetCount) std::abort();

  // What was read, written and read again, is unchanged.
  const int written = current < 0 ? 0 : current;
  std::array<pf::Palette, pf::kPaletteSetCount> again{};
  int againCurrent = -1;
  pf::Palette againIcon{};
  if (pf::ReadPaletteSets(pf::WritePaletteSets(sets, written), {again, againCurrent, againIcon}) !=
      pf::PaletteSetRead::Ok) {
    std::abort();
  }
  for (int r = 0; r < pf::kPaletteSetCount; ++r) {
    for (int c = 0; c < 16; ++c) {
      const pf::PaletteEntry& a = sets[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      const pf::PaletteEntry& b = again[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      if (a.blue != b.blue || a.green != b.green || a.red != b.red) std::abort();
    }
  }
  if (againCurrent != written) std::abort();
  return 0;
}
