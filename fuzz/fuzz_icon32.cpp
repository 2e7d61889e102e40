// The 32 x 32 icon reader on arbitrary bytes. Whatever it accepts must come back unchanged through the
// icon writer and a second read.
#include <cstdint>
#include <cstdlib>

#include "model/icon_file.h"
#include "parse_marked.h"

namespace {

fuzzing::Read parse(std::span<const std::uint8_t> bytes, pf::SharedState& state) {
  const fuzzing::Read r = fuzzing::ParseMarked(pf::ParseIcon32, bytes, state);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pf::SharedState& state = *new pf::SharedState;
  const fuzzing::Read first = parse({data, size}, state);
  if (first.status == pf::IconReadStatus::HeightTooLarge ||
      first.status == pf::IconReadStatus::WidthTooLarge) {
    std::abort();  // only bitmaps have size messages
  }
  if (first.status != pf::IconReadStatus::Ok) {
    // A rejected file leaves pixels and mask alone.
    for (const std::uint8_t b : first.packed)
      if (b != fuzzing::kUntouched) std::abort();
    for (const std::uint8_t b : first.mask)
      if (b != fuzzing::kUntouched) std::abort();
    return 0;
  }
  const auto file = pf::BuildIcon32(first.palette, first.packed, first.mask);
  if (file.size() != pf::kIcon32FileSize) std::abort();
  const fuzzing::Read second = parse(file, state);
  if (second.status != pf::IconReadStatus::Ok || second.palette != first.palette ||
      second.packed != first.packed || second.mask != first.mask) {
    std::abort();
  }
  return 0;
}
