// The exchange file reader on arbitrary bytes: accepted exactly when the size byte is at most 32 and the
// file reaches the end of the mask, and then every byte comes from where the layout says.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto image = pf::ReadExchangeFile(std::span<const std::uint8_t>(data, size));
  const bool acceptable = size > 0 && data[0] <= 32 && size >= pf::kExchangeMaskOffset + 4u * data[0];
  if (image.has_value() != acceptable) std::abort();
  if (!image) return 0;
  const std::size_t s = data[0];
  if (image->size != static_cast<int>(s)) std::abort();
  if (std::memcmp(&image->palette, data + 2, 64) != 0) std::abort();
  if (std::memcmp(image->packed.data(), data + 66, s * s / 2) != 0) std::abort();
  if (std::memcmp(image->mask.data(), data + pf::kExchangeMaskOffset, 4 * s) != 0) std::abort();
  for (std::size_t i = s * s / 2; i < image->packed.size(); ++i)
    if (image->packed[i] != 0) std::abort();
  for (std::size_t i = 4 * s; i < image->mask.size(); ++i)
    if (image->mask[i] != 0) std::abort();
  return 0;
}
