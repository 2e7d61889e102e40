#include "model/full_colour_icon.h"

#include <cstring>

#include "model/file_io.h"
#include "model/icon_directory.h"
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

std::vector<std::uint8_t> BuildFullColourIconOfEdge(Bytes pixels, Bytes mask, int edge) {
  if (edge < 1 || edge > 256) return {};
  const auto e = static_cast<std::size_t>(edge);
  const std::size_t pixelRow = 3 * e;
  const std::size_t maskRow = (e + 7) / 8;
  if (pixels.size() < pixelRow * e || mask.size() < maskRow * e) return {};
  const std::size_t paddedPixelRow = (pixelRow + 3) / 4 * 4;
  const std::size_t paddedMaskRow = (maskRow + 3) / 4 * 4;
  std::vector<std::uint8_t> out = singleIconFile(edge, 0, 24, 0, paddedPixelRow * e, paddedMaskRow * e);
  std::uint8_t* to = out.data() + kSingleImageDataOffset;
  for (std::size_t r = 0; r < e; ++r)
    std::memcpy(to + r * paddedPixelRow, pixels.data() + r * pixelRow, pixelRow);
  to += paddedPixelRow * e;
  for (std::size_t r = 0; r < e; ++r) std::memcpy(to + r * paddedMaskRow, mask.data() + r * maskRow, maskRow);
  return out;
}

std::vector<std::uint8_t> BuildPngIconFile(Bytes png, int edge) {
  if (edge < 1 || edge > 256 || png.empty()) return {};
  // The frame of a bitmap image, whose information header the PNG then stands in for.
  std::vector<std::uint8_t> out = singleIconFile(edge, 0, 32, 0, 0, 0);
  out.resize(kSingleImageOffset);
  putLe16(out, kDirHeaderSize + 4, 1);   // planes
  putLe16(out, kDirHeaderSize + 6, 32);  // bit count
  putLe32(out, kDirHeaderSize + 8, static_cast<std::uint32_t>(png.size()));
  out.insert(out.end(), png.begin(), png.end());
  return out;
}

bool WriteFullColourIcon(const std::string& path, Bytes pixels, Bytes mask, int size) {
  const auto bytes = BuildFullColourIcon(pixels, mask, size);
  return !bytes.empty() && WriteIconImage(path, bytes);
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
  return !bytes.empty() && WriteIconImage(path, bytes);
}

namespace {

// Header fields behind the size: width and height (signed 32 bits at 4 and 8).
constexpr std::size_t kHeaderWidth = 4;
constexpr std::size_t kHeaderHeight = 8;

// Where an entry's pixels start and in which order its rows are stored.
struct FullColourLayout {
  int edge = 0;
  std::uint64_t pixelPosition = 0;
  bool topDown = false;
};

// The layout of entry i when it is an image this program can show: square, 32 or 64, no colour count,
// an information header of 40 bytes or more (the 108- and 124-byte ones only add fields behind the first
// 40), 24 bits a pixel without compression, the header's width the entry's edge and its height counting
// the colour and the mask rows, and the pixels and mask inside the file. Anything else — 32-bit or
// compressed images, a PNG (whose signature stands where the header size would) — is nothing.
std::optional<FullColourLayout> fullColourLayout(Bytes bytes, const IconDirectory& dir, std::size_t i) {
  const DirEntry& entry = dir.entries[i];
  const ImageHeader& header = dir.imageHeaders[i];
  if (entry[kEntryColourCount] != 0 || entry[kEntryWidth] != entry[kEntryHeight]) return std::nullopt;
  const int edge = entry[kEntryWidth];
  if (!isFullColourEdge(edge)) return std::nullopt;

  const std::uint64_t headerAt = readLe32(entry.data() + kEntryImageOffset);
  const std::uint32_t headerSize = readLe32(header.data());
  if (headerSize < kInfoHeaderSize || !hasBytes(bytes, headerAt, headerSize)) return std::nullopt;
  if (readLe16(header.data() + kHeaderBitCount) != 24) return std::nullopt;
  if (readLe32(header.data() + kHeaderCompression) != 0) return std::nullopt;
  const std::int64_t width = readLeS32(header.data() + kHeaderWidth);
  const std::int64_t height = readLeS32(header.data() + kHeaderHeight);
  // A negative height stores the rows top row first. Some writers count only the colour rows.
  const std::int64_t rows = height < 0 ? -height : height;
  if (width != edge || (rows != 2 * edge && rows != edge)) return std::nullopt;

  // A 24-bit image may carry a colour table (a hint for palette displays); its rows follow the table.
  const std::uint64_t tableBytes = 4 * std::uint64_t{readLe32(header.data() + kHeaderColoursUsed)};
  FullColourLayout layout;
  layout.edge = edge;
  layout.pixelPosition = headerAt + headerSize + tableBytes;
  layout.topDown = height < 0;
  const auto e = static_cast<std::size_t>(edge);
  if (!hasBytes(bytes, layout.pixelPosition, pixelBytesOf(e) + maskBytesOf(e))) return std::nullopt;
  return layout;
}

// `count` rows of `rowBytes` from `from`, bottom row first whatever order they are stored in.
std::vector<std::uint8_t> rowsBottomFirst(const std::uint8_t* from, std::size_t rowBytes, std::size_t count,
                                          bool topDown) {
  std::vector<std::uint8_t> out(from, from + rowBytes * count);
  if (topDown) {
    for (std::size_t r = 0; r < count; ++r)
      std::memcpy(out.data() + r * rowBytes, from + (count - 1 - r) * rowBytes, rowBytes);
  }
  return out;
}

}  // namespace

std::optional<FullColourIcon> ReadFullColourIcon(Bytes bytes, SharedState& headers) {
  IconDirectory dir;
  if (!startDirectory(bytes, dir)) return std::nullopt;

  // The first entry that can be shown wins, in directory order; a 64 x 64 one ahead of a 32 x 32 one is
  // taken. Entries that cannot be (another size, 32-bit, compressed, PNG) are passed over.
  std::optional<FullColourLayout> layout;
  for (std::size_t i = 0; i < dir.entries.size() && !layout; ++i) {
    if (!readDirEntry(bytes, dir, i)) return std::nullopt;
    layout = fullColourLayout(bytes, dir, i);
    if (layout) dir.chosen = static_cast<int>(i);
  }
  commitHeaders(dir, headers);
  if (!layout) return std::nullopt;

  FullColourIcon icon;
  icon.size = layout->edge;
  const auto edge = static_cast<std::size_t>(icon.size);
  const std::uint8_t* pixels = bytes.data() + layout->pixelPosition;
  icon.pixels = rowsBottomFirst(pixels, 3 * edge, edge, layout->topDown);
  icon.mask = rowsBottomFirst(pixels + pixelBytesOf(edge), edge / 8, edge, layout->topDown);
  return icon;
}

std::optional<FullColourIcon> ReadFullColourIcon(const std::string& path, SharedState& headers) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return ReadFullColourIcon(*bytes, headers);
}

}  // namespace pf
