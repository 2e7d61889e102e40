// The 16 x 16 icon reader on arbitrary bytes. It may only ever write the lower-left quarter, with palette
// indices, and what it reads must survive the 16 x 16 writer and a second read.
#include <cstdint>
#include <cstdlib>

#include "model/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static pf::SharedState& state = *new pf::SharedState;
  pf::PixelArray pixels;
  pixels.fill(0xEE);
  const int result = pf::ReadIcon16({data, size}, pixels, state);
  if (result != 0 && result != -1) std::abort();
  for (int i = 0; i < static_cast<int>(pixels.size()); ++i) {
    const bool quarter = i < pf::kPixelCount && i / 32 < 16 && i % 32 < 16;
    if ((result == 0 && quarter) ? pixels[i] > 15 : pixels[i] != 0xEE) std::abort();
  }
  if (result != 0) return 0;

  const auto file = pf::BuildIcon16(pixels, pf::Palette{}, -1);
  if (file.size() != pf::kIcon16FileSize) std::abort();
  pf::PixelArray again;
  again.fill(0xEE);
  if (pf::ReadIcon16(file, again, state) != 0 || again != pixels) std::abort();
  return 0;
}
