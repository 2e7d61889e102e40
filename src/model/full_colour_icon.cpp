#include "model/full_colour_icon.h"

#include <cstring>

#include "model/file_io.h"
#include "model/icon_layout.h"

namespace pf {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t pixelBytesOf(std::size_t edge) {
  return 3 * edge * edge;
}
constexpr std::size_t maskBytesOf(std::size_t edge) {
  return edge * edge / 8;
}

bool isFullColourEdge(int edge) {
  return edge == 32 || edge == 64;
}

// The 16 x 16 copy is taken from a 32 x 32 array; its mask rows are padded to 4 bytes.
constexpr std::size_t kSource16Bytes = pixelBytesOf(32);
constexpr std::size_t kPixel16Bytes = pixelBytesOf(16);
constexpr std::size_t kMask16Bytes = 16 * 4;

}  // namespace

std::array<std::uint8_t, 4> ColorRefToBgr(ColorRef colour) {
  return {static_cast<std::uint8_t>(BlueOf(colour)), static_cast<std::uint8_t>(GreenOf(colour)),
          static_cast<std::uint8_t>(RedOf(colour)), 0};
}

std::vector<std::uint8_t> BuildFullColourIcon(Bytes pixels, Bytes mask, int size) {
  if (!isFullColourEdge(size)) return {};
  const auto edge = static_cast<std::size_t>(size);
  const std::size_t p = pixelBytesOf(edge);
  const std::size_t m = maskBytesOf(edge);
  if (pixels.size() < p || mask.size() < m) return {};
  std::vector<std::uint8_t> out = singleIconFile(size, 0, 24, 0, p, m);
  std::memcpy(out.data() + kSingleImageDataOffset, pixels.data(), p);
  std::memcpy(out.data() + kSingleImageDataOffset + p, mask.data(), m);
  return out;
}

bool WriteFullColourIcon(const std::string& path, Bytes pixels, Bytes mask, int size) {
  const auto bytes = BuildFullColourIcon(pixels, mask, size);
  return !bytes.empty() && WriteFileAtomically(path, bytes);
}

std::vector<std::uint8_t> BuildFullColourIcon16(Bytes pixels32) {
  if (pixels32.size() < kSource16Bytes) return {};
  // The mask stays zero: the small copy is fully opaque.
  std::vector<std::uint8_t> out = singleIconFile(16, 0, 24, 0, kPixel16Bytes, kMask16Bytes);
  std::uint8_t* to = out.data() + kSingleImageDataOffset;
  for (std::size_t r = 0; r < 16; ++r) {
    for (std::size_t c = 0; c < 16; ++c, to += 3) {
      std::memcpy(to, pixels32.data() + 96 * (2 * r) + 3 * (2 * c), 3);
    }
  }
  return out;
}

bool WriteFullColourIcon16(const std::string& path, Bytes pixels32) {
  const auto bytes = BuildFullColourIcon16(pixels32);
  return !bytes.empty() && WriteFileAtomically(path, bytes);
}

std::optional<FullColourIcon> ReadFullColourIcon(Bytes bytes, SharedState& headers) {
  IconDirectory dir;
  if (!startDirectory(bytes, dir)) return std::nullopt;

  // The first 32 x 32 or 64 x 64 image without a colour count wins, in directory order; a 64 x 64 one
  // ahead of a 32 x 32 one is taken.
  std::uint64_t pixelPosition = 0;
  for (std::size_t i = 0; i < dir.entries.size(); ++i) {
    if (!readDirEntry(bytes, dir, i)) return std::nullopt;
    const DirEntry& entry = dir.entries[i];
    if (entry[kEntryColourCount] != 0 || entry[kEntryWidth] != entry[kEntryHeight]) continue;
    if (!isFullColourEdge(entry[kEntryWidth])) continue;
    dir.chosen = static_cast<int>(i);
    pixelPosition = std::uint64_t{readLe32(entry.data() + kEntryImageOffset)} + kInfoHeaderSize;
    break;
  }
  const int chosen = dir.chosen;
  commitHeaders(dir, headers);

  // Without such an image, or with one whose pixels are not 24-bit, the bytes would be read as the
  // wrong picture; nothing else here can show one.
  if (chosen < 0) return std::nullopt;
  if (chosenBitCount(headers, chosen) != 24) return std::nullopt;

  FullColourIcon icon;
  icon.size = headers.IconDirEntries[static_cast<std::size_t>(chosen)][kEntryHeight];
  const auto edge = static_cast<std::size_t>(icon.size);
  const std::size_t p = pixelBytesOf(edge);
  const std::size_t m = maskBytesOf(edge);
  if (!hasBytes(bytes, pixelPosition, p + m)) return std::nullopt;
  icon.pixels.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pixelPosition),
                     bytes.begin() + static_cast<std::ptrdiff_t>(pixelPosition + p));
  icon.mask.assign(bytes.begin() + static_cast<std::ptrdiff_t>(pixelPosition + p),
                   bytes.begin() + static_cast<std::ptrdiff_t>(pixelPosition + p + m));
  return icon;
}

std::optional<FullColourIcon> ReadFullColourIcon(const std::string& path, SharedState& headers) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return ReadFullColourIcon(*bytes, headers);
}

}  // namespace pf
