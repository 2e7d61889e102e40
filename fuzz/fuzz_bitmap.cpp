// The bitmap reader on arbitrary bytes. An accepted bitmap lies inside its recorded size with index 0
// around it, and comes back unchanged through the bitmap writer and a second read.
#include <cstdint>
#include <cstdlib>

#include "model/icon_file.h"
#include "parse_marked.h"

namespace {

fuzzing::Read parse(std::span<const std::uint8_t> bytes, pf::SharedState& state) {
  const fuzzing::Read r = fuzzing::ParseMarked(pf::ParseBitmap16, bytes, state);
  for (const std::uint8_t b : r.mask)
    if (b != fuzzing::kUntouched) std::abort();  // bitmaps carry no mask
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pf::SharedState& state = *new pf::SharedState;
  const fuzzing::Read first = parse({data, size}, state);
  if (first.status != pf::IconReadStatus::Ok) {
    for (const std::uint8_t b : first.packed)
      if (b != fuzzing::kUntouched) std::abort();
    return 0;
  }
  const int width = state.BitmapWidth, height = state.BitmapHeight;
  if (width < 1 || width > 32 || height < 1 || height > 32) std::abort();
  for (int r = 0; r < 32; ++r) {
    for (int x = 0; x < 32; ++x) {
      const std::uint8_t b = first.packed[static_cast<std::size_t>(r * 16 + x / 2)];
      const int pixel = x % 2 == 0 ? b >> 4 : b & 0x0F;
      if ((r >= height || x >= width) && pixel != 0) std::abort();
    }
  }
  const auto file = pf::BuildBitmapFile(first.packed, width, height, first.palette);
  if (file.empty()) std::abort();
  const fuzzing::Read second = parse(file, state);
  if (second.status != pf::IconReadStatus::Ok || second.palette != first.palette ||
      second.packed != first.packed || state.BitmapWidth != width || state.BitmapHeight != height) {
    std::abort();
  }
  return 0;
}
