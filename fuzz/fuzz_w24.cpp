// The full colour work file reader on arbitrary bytes: it yields exactly the two cell columns' colours,
// each within 24 bits; writing them gives back the first 61,440 bytes (a short file padded with zeros)
// and a last 0; and what was written reads back to the same colours.
#include <cstdint>
#include <cstdlib>

#include "model/full_colour_work_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> input(data, size);
  const pf::CellColumnColours colours = pf::UnpackFullColourWorkFile(input);
  if (colours.size() != pf::kCellColumnPixelCount) std::abort();
  for (pf::ColorRef c : colours) {
    if (c > 0xFFFFFF) std::abort();
  }

  const auto bytes = pf::PackFullColourWorkFile(colours);
  if (bytes.size() != pf::kFullColourWorkFileSize) std::abort();
  for (std::size_t k = 0; k + 1 < bytes.size(); ++k) {
    if (bytes[k] != (k < size ? data[k] : 0)) std::abort();
  }
  if (bytes.back() != 0) std::abort();

  if (pf::UnpackFullColourWorkFile(bytes) != colours) std::abort();
  return 0;
}
