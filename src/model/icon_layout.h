// The structures of an icon file that every icon reader and writer shares, little-endian access to the
// numbers in them, the directory scan of the readers and the frame of a single-image file the writers fill.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "model/shared_state.h"

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
// Bitmap information header at the image offset; the bit count is the 16 bits at 14, compression and
// colours used the 32 bits at 16 and 32. The later 108- and 124-byte headers only add fields behind
// these 40 bytes, and the colour table follows whichever header the image has.
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr std::size_t kHeaderBitCount = 14;
inline constexpr std::size_t kHeaderCompression = 16;
inline constexpr std::size_t kHeaderColoursUsed = 32;
// A single-image file: the directory (header and one entry), then the information header, then the
// colour table (if any) and the bitmaps.
inline constexpr std::size_t kSingleImageOffset = kDirHeaderSize + kDirEntrySize;
inline constexpr std::size_t kSingleImageDataOffset = kSingleImageOffset + kInfoHeaderSize;

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

// Whether `length` bytes starting at `offset` lie inside the buffer; 64-bit so no sum can wrap.
inline bool hasBytes(std::span<const std::uint8_t> bytes, std::uint64_t offset, std::uint64_t length) {
  return offset <= bytes.size() && length <= bytes.size() - offset;
}

inline bool isKnownInfoHeaderSize(std::uint32_t size) {
  return size == kInfoHeaderSize || size == 108 || size == 124;
}

// Where the parts of an uncompressed 4-bit image lie.
struct FourBitLayout {
  std::uint64_t palettePosition = 0;  // the colour table, right behind the information header
  std::uint64_t colours = 0;          // its entries: colours used, 0 meaning 16
  std::uint64_t pixelPosition = 0;    // the rows right behind the colour table
};

// The layout of the image whose information header (its first 40 bytes in `header`) starts at `headerAt`,
// when that header describes uncompressed 4-bit rows; nothing for another bit count, compression or
// header kind (a PNG stored in an icon begins with its signature where the header size would be).
inline std::optional<FourBitLayout> fourBitLayout(const ImageHeader& header, std::uint64_t headerAt) {
  const std::uint32_t headerSize = readLe32(header.data());
  if (!isKnownInfoHeaderSize(headerSize)) return std::nullopt;
  if (readLe16(header.data() + kHeaderBitCount) != 4) return std::nullopt;
  if (readLe32(header.data() + kHeaderCompression) != 0) return std::nullopt;
  const std::uint32_t used = readLe32(header.data() + kHeaderColoursUsed);
  FourBitLayout layout;
  layout.palettePosition = headerAt + headerSize;
  layout.colours = used != 0 ? used : 16;
  layout.pixelPosition = layout.palettePosition + 4 * layout.colours;
  return layout;
}

// A single-image icon file of edge `edge` with directory and information header filled in and the colour
// table and both bitmaps (from kSingleImageDataOffset on) left zero for the caller. The entry's planes
// and bit count stay 0; the header's height counts the XOR and the AND bitmap together.
inline std::vector<std::uint8_t> singleIconFile(int edge, std::uint8_t colourCount, std::uint16_t bitCount,
                                                std::size_t tableBytes, std::size_t xorBytes,
                                                std::size_t andBytes) {
  const std::size_t imageBytes = kInfoHeaderSize + tableBytes + xorBytes + andBytes;
  std::vector<std::uint8_t> out(kSingleImageOffset + imageBytes, 0);
  putLe16(out, 2, 1);  // type: icon
  putLe16(out, kImageCountOffset, 1);
  out[kDirHeaderSize + kEntryWidth] = static_cast<std::uint8_t>(edge);
  out[kDirHeaderSize + kEntryHeight] = static_cast<std::uint8_t>(edge);
  out[kDirHeaderSize + kEntryColourCount] = colourCount;
  putLe32(out, kDirHeaderSize + 8, static_cast<std::uint32_t>(imageBytes));
  putLe32(out, kDirHeaderSize + kEntryImageOffset, kSingleImageOffset);
  constexpr std::size_t h = kSingleImageOffset;
  putLe32(out, h, kInfoHeaderSize);
  putLe32(out, h + 4, static_cast<std::uint32_t>(edge));
  putLe32(out, h + 8, static_cast<std::uint32_t>(2 * edge));
  putLe16(out, h + 12, 1);  // planes
  putLe16(out, h + kHeaderBitCount, bitCount);
  putLe32(out, h + 20, static_cast<std::uint32_t>(xorBytes + andBytes));
  return out;
}

// The directory of an icon file as far as a scan has looked at it. Entries behind the chosen one are
// never visited and stay zero, as do their working values.
struct IconDirectory {
  std::array<std::uint8_t, kDirHeaderSize> header{};
  std::vector<DirEntry> entries;
  std::vector<ImageHeader> imageHeaders;
  int chosen = -1;
  FourBitLayout layout{};  // of the chosen image, for the 16-colour readers
};

// Reads the 6-byte header and sizes the lists. False for a file with no images or too short for its
// directory.
inline bool startDirectory(std::span<const std::uint8_t> bytes, IconDirectory& dir) {
  if (!hasBytes(bytes, 0, kDirHeaderSize)) return false;
  std::memcpy(dir.header.data(), bytes.data(), kDirHeaderSize);
  const std::size_t count = readLe16(dir.header.data() + kImageCountOffset);
  if (count == 0) return false;
  // A directory that claims more entries than the file holds is inconsistent; checking it here also
  // keeps the header lists no larger than the file.
  if (!hasBytes(bytes, kDirHeaderSize, kDirEntrySize * count)) return false;
  dir.entries.assign(count, DirEntry{});
  dir.imageHeaders.assign(count, ImageHeader{});
  return true;
}

// Copies directory entry i and the information header it points at. False when either lies outside
// the file.
inline bool readDirEntry(std::span<const std::uint8_t> bytes, IconDirectory& dir, std::size_t i) {
  const std::uint64_t at = kDirHeaderSize + kDirEntrySize * static_cast<std::uint64_t>(i);
  if (!hasBytes(bytes, at, kDirEntrySize)) return false;
  std::memcpy(dir.entries[i].data(), bytes.data() + at, kDirEntrySize);
  const std::uint64_t imageOffset = readLe32(dir.entries[i].data() + kEntryImageOffset);
  if (!hasBytes(bytes, imageOffset, kInfoHeaderSize)) return false;
  std::memcpy(dir.imageHeaders[i].data(), bytes.data() + imageOffset, kInfoHeaderSize);
  return true;
}

// Every icon read leaves the header copies of its file in the shared state.
inline void commitHeaders(IconDirectory& dir, SharedState& state) {
  state.IconDirHeader = dir.header;
  state.IconDirEntries = std::move(dir.entries);
  state.IconImageHeaders = std::move(dir.imageHeaders);
}

inline int chosenBitCount(const SharedState& state, int chosen) {
  return readLe16(state.IconImageHeaders[static_cast<std::size_t>(chosen)].data() + kHeaderBitCount);
}

}  // namespace pf
