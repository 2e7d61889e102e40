// The full colour icon reader on arbitrary bytes. Whatever it accepts must come back unchanged through
// the writer and a second read.
#include <cstdint>
#include <cstdlib>

#include "model/full_colour_icon.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pf::SharedState& state = *new pf::SharedState;
  const auto first = pf::ReadFullColourIcon({data, size}, state);
  if (!first) return 0;
  const auto edge = static_cast<std::size_t>(first->size);
  if ((edge != 32 && edge != 64) || first->pixels.size() != 3 * edge * edge ||
      first->mask.size() != edge * edge / 8) {
    std::abort();
  }
  const auto file = pf::BuildFullColourIcon(first->pixels, first->mask, first->size);
  if (file.size() != 62 + 3 * edge * edge + edge * edge / 8) std::abort();
  const auto second = pf::ReadFullColourIcon(file, state);
  if (!second || second->size != first->size || second->pixels != first->pixels ||
      second->mask != first->mask) {
    std::abort();
  }
  return 0;
}
