#include "model/packing.h"

#include <algorithm>

namespace pf {

void UnpackPixels32(std::span<const std::uint8_t> packed, std::span<std::uint8_t> pixels) {
  const std::size_t n =
      std::min<std::size_t>({packed.size(), static_cast<std::size_t>(kPackedSize), pixels.size() / 2});
  for (std::size_t i = 0; i < n; ++i) {
    pixels[2 * i] = packed[i] >> 4;
    pixels[2 * i + 1] = packed[i] & 0x0F;
  }
}

void PackPixels32(std::span<const std::uint8_t> pixels, std::span<std::uint8_t> packed) {
  const std::size_t n = std::min(packed.size(), pixels.size() / 2);
  for (std::size_t i = 0; i < n; ++i) {
    packed[i] = static_cast<std::uint8_t>(((pixels[2 * i] & 0x0F) << 4) | (pixels[2 * i + 1] & 0x0F));
  }
}

void Unpack16Rows(std::span<const std::uint8_t> packed, std::span<std::uint8_t> pixels) {
  for (int row = 0; row < 16; ++row) {
    for (int k = 0; k < 8; ++k) {
      const std::size_t src = static_cast<std::size_t>(row * 8 + k);
      const std::size_t dst = static_cast<std::size_t>(row * kIconSize + 2 * k);
      if (src >= packed.size() || dst + 1 >= pixels.size()) return;
      pixels[dst] = packed[src] >> 4;
      pixels[dst + 1] = packed[src] & 0x0F;
    }
  }
}

void UnpackPixels16(std::span<const std::uint8_t> packed, std::span<std::uint8_t> pixels) {
  std::fill(pixels.begin(), pixels.end(), std::uint8_t{15});
  Unpack16Rows(packed, pixels);
}

void UnpackMask(std::span<const std::uint8_t> packedMask, MaskGridArray& grid) {
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const std::size_t byte = static_cast<std::size_t>((31 - y) * 4 + x / 8);
      const int bit = 7 - (x % 8);
      const bool set = byte < packedMask.size() && ((packedMask[byte] >> bit) & 1) != 0;
      grid[static_cast<std::size_t>(y * kIconSize + x)] = set ? 1 : 0;
    }
  }
}

void PackMask(const MaskGridArray& grid, std::span<std::uint8_t> packedMask) {
  const std::size_t n = std::min<std::size_t>(packedMask.size(), kMaskSize);
  std::fill(packedMask.begin(), packedMask.begin() + static_cast<std::ptrdiff_t>(n), std::uint8_t{0});
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      const std::size_t byte = static_cast<std::size_t>((31 - y) * 4 + x / 8);
      if (byte < n && grid[static_cast<std::size_t>(y * kIconSize + x)] != 0) {
        packedMask[byte] = static_cast<std::uint8_t>(packedMask[byte] | (1 << (7 - (x % 8))));
      }
    }
  }
}

}  // namespace pf
