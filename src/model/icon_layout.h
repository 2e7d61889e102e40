// The structures of an icon file that every icon reader and writer shares, and little-endian access to
// the numbers in them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pf {

// File header: reserved, type, image count (16 bits each), then the directory entries.
inline constexpr std::size_t kDirHeaderSize = 6;
inline constexpr std::size_t kImageCountOffset = 4;
// Directory entry: width, height, colour count (one byte each), ..., image offset (32 bits at 12).
inline constexpr std::size_t kDirEntrySize = 16;
inline constexpr std::size_t kEntryWidth = 0;
inline constexpr std::size_t kEntryHeight = 1;
inline constexpr std::size_t kEntryColourCount = 2;
inline constexpr std::size_t kEntryImageOffset = 12;
// Bitmap information header at the image offset; the bit count is the 16 bits at 14.
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr std::size_t kHeaderBitCount = 14;

inline std::uint16_t readLe16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t readLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int32_t readLeS32(const std::uint8_t* p) {
  return static_cast<std::int32_t>(readLe32(p));
}

inline void putLe16(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}
inline void putLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  putLe16(out, at, value & 0xFFFF);
  putLe16(out, at + 2, value >> 16);
}

}  // namespace pf
