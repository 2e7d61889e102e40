// The clipboard text reader on arbitrary text: what it accepts is a 16 x 16 or 32 x 32 grid of palette
// numbers, which placed into a picture and written out again reads back the same.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "model/clipboard_picture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::optional<pf::IndexedPicture> grid =
      pf::ParseGridText(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!grid) return 0;
  if ((grid->width != 16 && grid->width != 32) || grid->height != grid->width ||
      grid->indices.size() != static_cast<std::size_t>(grid->width * grid->height))
    std::abort();
  pf::PixelArray pixels{};
  if (!pf::PlacePicture(*grid, pixels)) std::abort();
  const std::optional<pf::IndexedPicture> again = pf::ParseGridText(pf::GridText(pixels, grid->width));
  if (!again || again->indices != grid->indices) std::abort();
  return 0;
}
