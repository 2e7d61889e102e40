// The 32 x 32 icon reader on arbitrary bytes. Whatever it accepts must come back unchanged through the
// icon writer and a second read.
#include <cstdint>
#include <cstdlib>

#include "model/icon_file.h"

namespace {

struct Read {
  pf::Palette palette{};
  std::array<std::uint8_t, pf::kPackedSize> packed{};
  std::array<std::uint8_t, pf::kMaskSize> mask{};
  pf::IconReadStatus status = pf::IconReadStatus::Failed;
};

Read parse(std::span<const std::uint8_t> bytes, pf::SharedState& state) {
  Read r;
  r.packed.fill(0xEE);
  r.mask.fill(0xEE);
  r.status = pf::ParseIcon32(bytes, {r.palette, r.packed, r.mask, state});
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pf::SharedState& state = *new pf::SharedState;
  const Read first = parse({data, size}, state);
  if (first.status == pf::IconReadStatus::HeightTooLarge ||
      first.status == pf::IconReadStatus::WidthTooLarge) {
    std::abort();  // only bitmaps have size messages
  }
  if (first.status != pf::IconReadStatus::Ok) {
    // A rejected file leaves pixels and mask alone.
    for (const std::uint8_t b : first.packed)
      if (b != 0xEE) std::abort();
    for (const std::uint8_t b : first.mask)
      if (b != 0xEE) std::abort();
    return 0;
  }
  const auto file = pf::BuildIcon32(first.palette, first.packed, first.mask);
  if (file.size() != pf::kIcon32FileSize) std::abort();
  const Read second = parse(file, state);
  if (second.status != pf::IconReadStatus::Ok || second.palette != first.palette ||
      second.packed != first.packed || second.mask != first.mask) {
    std::abort();
  }
  return 0;
}
