// The colour-table extraction of an icon file on arbitrary bytes: it never reads past the data, never
// writes outside the twenty palette rows, and touches no row before the target.
#include <cstdint>
#include <cstdlib>

#include "model/colour_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const int targetRow = data[0] % 22;  // 0..21: also rows that do not exist
  std::array<pf::Palette, pf::kPaletteSetCount> sets{};
  for (auto& row : sets) row.fill(pf::PaletteEntry{1, 2, 3, 4});
  const auto before = sets;
  const pf::ColourTableResult result =
      pf::ExtractColourTable(std::span<const std::uint8_t>(data + 1, size - 1), sets, targetRow);
  if (result.status != pf::ColourTableStatus::Ok) {
    if (sets != before) std::abort();
    return 0;
  }
  for (int r = 0; r < targetRow - 1 && r < pf::kPaletteSetCount; ++r) {
    if (sets[static_cast<std::size_t>(r)] != before[static_cast<std::size_t>(r)]) std::abort();
  }
  return 0;
}
