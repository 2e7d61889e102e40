#include "model/icon_file.h"

#include <algorithm>
#include <cstring>

#include "model/file_io.h"
#include "model/icon_directory.h"
#include "model/icon_layout.h"
#include "model/packing.h"

namespace pf {

namespace {

using Bytes = std::span<const std::uint8_t>;

void putPalette(std::vector<std::uint8_t>& out, std::size_t at, const Palette& palette) {
  PaletteToBytes(palette, std::span<std::uint8_t, 64>(out.data() + at, 64));
}

// A single-image 16-colour icon file of edge `edge` with its palette; the XOR bitmap (at 126) and the
// AND bitmap behind it left zero for the caller.
std::vector<std::uint8_t> SingleIconFile(int edge, std::size_t xorBytes, std::size_t andBytes,
                                         const Palette& palette) {
  std::vector<std::uint8_t> out = singleIconFile(edge, 16, 4, 64, xorBytes, andBytes);
  putPalette(out, kSingleImageDataOffset, palette);
  return out;
}

// Scans the directory in file order for the first `edge` x `edge` image with uncompressed 4-bit rows. The
// directory's colour count is not trusted: other programs put images of 2, 256 or more colours (and
// PNG-compressed ones) of the same size anywhere in the directory, so the image's own header decides.
// False when an entry or the header it points at lies outside the file.
bool findFourBitImage(Bytes bytes, IconDirectory& dir, int edge) {
  for (std::size_t i = 0; i < dir.entries.size(); ++i) {
    if (!readDirEntry(bytes, dir, i)) return false;
    const DirEntry& entry = dir.entries[i];
    if (entry[kEntryWidth] != edge || entry[kEntryHeight] != edge) continue;
    const auto layout = fourBitLayout(dir.imageHeaders[i], readLe32(entry.data() + kEntryImageOffset));
    if (!layout) continue;
    dir.chosen = static_cast<int>(i);
    dir.layout = *layout;
    break;
  }
  return true;
}

// Copies the first `colours` (at most 16) entries of a colour table; the rest of the palette is black.
Palette paletteFrom(Bytes bytes, std::uint64_t at, std::uint64_t colours) {
  Palette palette{};
  const auto entries = static_cast<std::size_t>(std::min<std::uint64_t>(colours, 16));
  std::memcpy(palette.data(), bytes.data() + at, 4 * entries);
  return palette;
}

}  // namespace

IconReadStatus ParseIcon32(Bytes bytes, const IconReadTargets& targets) {
  if (targets.packed.size() < kPackedSize || targets.mask.size() < kMaskSize) return IconReadStatus::Failed;
  IconDirectory dir;
  if (!startDirectory(bytes, dir)) return IconReadStatus::Failed;
  if (!findFourBitImage(bytes, dir, 32)) return IconReadStatus::Failed;
  // The header copies record a colour count of 2 as 16, as this reader always has.
  for (DirEntry& entry : dir.entries) {
    if (entry[kEntryColourCount] == 2) entry[kEntryColourCount] = 16;
  }
  const int chosen = dir.chosen;
  const FourBitLayout layout = dir.layout;
  commitHeaders(dir, targets.headers);

  // Without a 32 x 32 16-colour image there is nothing this reader can place correctly: another image
  // would come out with its rows misaligned and its mask read from the wrong place.
  if (chosen < 0) return IconReadStatus::Failed;

  // The colour table, the 512 pixel bytes and the 128 mask bytes behind them must all be there before any
  // is copied, so a short file changes neither palette, pixels nor mask.
  const std::uint64_t tableBytes = 4 * std::min<std::uint64_t>(layout.colours, 16);
  if (!hasBytes(bytes, layout.palettePosition, tableBytes)) return IconReadStatus::Failed;
  if (!hasBytes(bytes, layout.pixelPosition, kPackedSize + kMaskSize)) return IconReadStatus::Failed;

  targets.palette = paletteFrom(bytes, layout.palettePosition, layout.colours);
  std::memcpy(targets.mask.data(), bytes.data() + layout.pixelPosition + kPackedSize, kMaskSize);
  std::memcpy(targets.packed.data(), bytes.data() + layout.pixelPosition, kPackedSize);
  return IconReadStatus::Ok;
}

IconReadStatus ParseBitmap16(Bytes bytes, const IconReadTargets& targets) {
  if (targets.packed.size() < kPackedSize) return IconReadStatus::Failed;
  constexpr std::size_t kDataOffsetAt = 10;
  constexpr std::size_t kInfoAt = 14;
  if (!hasBytes(bytes, 0, kInfoAt + kInfoHeaderSize)) return IconReadStatus::Failed;
  // Without the signature this is no bitmap at all, and nothing of it is taken.
  if (bytes[0] != 'B' || bytes[1] != 'M') return IconReadStatus::Failed;

  SharedState& state = targets.headers;
  ImageHeader info{};
  std::memcpy(info.data(), bytes.data() + kInfoAt, kInfoHeaderSize);
  state.IconImageHeaders.assign(1, info);
  targets.palette = Palette{};
  std::memcpy(state.BitmapFileHeader.data(), bytes.data(), state.BitmapFileHeader.size());

  const std::int32_t width = readLeS32(info.data() + 4);
  const std::int32_t height = readLeS32(info.data() + 8);
  state.BitmapWidth = static_cast<std::int16_t>(width);
  state.BitmapHeight = static_cast<std::int16_t>(height);

  if (height > 32) return IconReadStatus::HeightTooLarge;
  if (width > 32) return IconReadStatus::WidthTooLarge;
  // An empty picture has nothing to show, and a top-down bitmap (negative height) would come out upside
  // down with every row read from the wrong place.
  if (width <= 0 || height <= 0) return IconReadStatus::Failed;

  // Only plain 4-bit data is laid out the way the rows are read; a 1-, 8- or 24-bit, compressed, or
  // unknown-header bitmap would be shown as noise.
  const auto layout = fourBitLayout(info, kInfoAt);
  if (!layout) return IconReadStatus::Failed;
  const std::uint64_t tableBytes = 4 * std::min<std::uint64_t>(layout->colours, 16);
  if (!hasBytes(bytes, layout->palettePosition, tableBytes)) return IconReadStatus::Failed;

  // The rows start at the data offset, which writers may put behind a gap. A writer that left the field
  // 0 put them right behind the colour table; an offset into the headers or the colours taken is no
  // layout the rows can have.
  const std::uint32_t dataOffset = readLe32(bytes.data() + kDataOffsetAt);
  std::uint64_t pixelPosition = layout->pixelPosition;
  if (dataOffset != 0) {
    if (dataOffset < layout->palettePosition + tableBytes) return IconReadStatus::Failed;
    pixelPosition = dataOffset;
  }

  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  const std::uint64_t rowSize = 4 * ((w + 7) / 8);
  const std::uint64_t fullBytes = w / 2;
  const bool odd = (w % 2) != 0;
  // Every byte the rows are read from, up to the last byte used in the top row.
  if (!hasBytes(bytes, pixelPosition, rowSize * (h - 1) + fullBytes + (odd ? 1 : 0))) {
    return IconReadStatus::Failed;
  }

  targets.palette = paletteFrom(bytes, layout->palettePosition, layout->colours);
  std::fill(targets.packed.begin(), targets.packed.begin() + kPackedSize, std::uint8_t{0});
  for (std::uint64_t r = 0; r < h; ++r) {
    const std::uint8_t* row = bytes.data() + pixelPosition + r * rowSize;
    std::uint8_t* out = targets.packed.data() + 16 * r;
    std::memcpy(out, row, fullBytes);
    // The last pixel of an odd width shares its byte with the padding: keep only the left nibble.
    if (odd) out[fullBytes] = static_cast<std::uint8_t>(row[fullBytes] & 0xF0);
  }
  return IconReadStatus::Ok;
}

IconReadStatus ReadIconFile(const std::string& path, int kind, const IconReadTargets& targets) {
  std::fill(targets.packed.begin(), targets.packed.end(), std::uint8_t{0});
  if (kind != 0 && kind != 1) return IconReadStatus::Failed;
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return IconReadStatus::Failed;
  return kind == 0 ? ParseIcon32(*bytes, targets) : ParseBitmap16(*bytes, targets);
}

int ReadIcon16(Bytes bytes, std::span<std::uint8_t> pixels, SharedState& headers) {
  if (pixels.size() < static_cast<std::size_t>(kPixelCount)) return -1;
  IconDirectory dir;
  if (!startDirectory(bytes, dir)) return -1;
  if (!findFourBitImage(bytes, dir, 16)) return -1;
  const int chosen = dir.chosen;
  const std::uint64_t pixelPosition = dir.layout.pixelPosition;
  commitHeaders(dir, headers);

  // Only a 16 x 16 image of 16 colours (128 pixel bytes) fills the quarter row for row; an image of
  // another size would be spread over the wrong rows, so without a 16 x 16 one the read fails.
  constexpr std::size_t kPixelBytes = 16 * 16 / 2;
  if (chosen < 0) return -1;
  if (!hasBytes(bytes, pixelPosition, kPixelBytes)) return -1;
  Unpack16Rows(bytes.subspan(pixelPosition, kPixelBytes), pixels);
  return 0;
}

int ReadIcon16(const std::string& path, std::span<std::uint8_t> pixels, SharedState& headers) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return -1;
  return ReadIcon16(*bytes, pixels, headers);
}

std::optional<ExchangeImage> ReadExchangeFile(Bytes bytes) {
  if (bytes.empty()) return std::nullopt;
  const int size = bytes[0];
  if (size > 32) return std::nullopt;
  const std::size_t maskBytes = static_cast<std::size_t>(size) * 4;
  if (bytes.size() < kExchangeMaskOffset + maskBytes) return std::nullopt;

  ExchangeImage image;
  image.size = size;
  image.palette = PaletteFromBytes(bytes.subspan(2).first<64>());
  // At most 512 bytes: 66 + 512 is where the mask begins, which the length check has covered.
  const std::size_t pixelBytes = static_cast<std::size_t>(size * size / 2);
  std::memcpy(image.packed.data(), bytes.data() + 66, pixelBytes);
  std::memcpy(image.mask.data(), bytes.data() + kExchangeMaskOffset, maskBytes);
  return image;
}

std::optional<ExchangeImage> ReadExchangeFile(const std::string& path) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return std::nullopt;
  return ReadExchangeFile(*bytes);
}

std::vector<std::uint8_t> BuildExchangeFile(const Palette& palette, Bytes packed512, Bytes mask128) {
  if (packed512.size() < kPackedSize || mask128.size() < kMaskSize) return {};
  std::vector<std::uint8_t> out(kExchangeMaskOffset + kMaskSize, 0);
  out[0] = 32;
  putPalette(out, 2, palette);
  std::memcpy(out.data() + 66, packed512.data(), kPackedSize);
  std::memcpy(out.data() + kExchangeMaskOffset, mask128.data(), kMaskSize);
  return out;
}

std::vector<std::uint8_t> BuildIcon32(const Palette& palette, Bytes packed512, Bytes mask128) {
  if (packed512.size() < kPackedSize || mask128.size() < kMaskSize) return {};
  std::vector<std::uint8_t> out = SingleIconFile(32, kPackedSize, kMaskSize, palette);
  std::memcpy(out.data() + 126, packed512.data(), kPackedSize);
  std::memcpy(out.data() + 126 + kPackedSize, mask128.data(), kMaskSize);
  return out;
}

void BuildMaskFromTransparent(Bytes packed512, int transparentIndex, bool opaque,
                              std::span<std::uint8_t> mask128) {
  const std::size_t n = std::min<std::size_t>(mask128.size(), kMaskSize);
  for (std::size_t i = 0; i < n; ++i) {
    std::uint8_t bits = 0;
    if (!opaque) {
      // Packed bytes 4i .. 4i+3 are the same eight pixels of one storage row as mask byte i.
      for (std::size_t k = 0; k < 8; ++k) {
        const std::size_t byte = 4 * i + k / 2;
        if (byte >= packed512.size()) break;
        const int pixel = (k % 2 == 0) ? packed512[byte] >> 4 : packed512[byte] & 0x0F;
        if (pixel == transparentIndex) bits = static_cast<std::uint8_t>(bits | (0x80 >> k));
      }
    }
    mask128[i] = bits;
  }
}

std::vector<std::uint8_t> BuildIcon16(Bytes iconPixels, const Palette& palette, int transparentIndex) {
  if (iconPixels.size() < static_cast<std::size_t>(kPixelCount)) return {};
  std::vector<std::uint8_t> out = SingleIconFile(16, 128, 64, palette);

  constexpr std::size_t kXorAt = 126;
  constexpr std::size_t kAndAt = kXorAt + 128;
  for (std::size_t r = 0; r < 16; ++r) {
    const std::uint8_t* row = iconPixels.data() + r * kIconSize;
    for (std::size_t k = 0; k < 8; ++k) {
      out[kXorAt + 8 * r + k] =
          static_cast<std::uint8_t>(((row[2 * k] & 0x0F) << 4) | (row[2 * k + 1] & 0x0F));
    }
    // Each 16-pixel mask row is padded to 4 bytes; the last two stay 0.
    if (transparentIndex < 17) {
      for (std::size_t half = 0; half < 2; ++half) {
        std::uint8_t bits = 0;
        for (std::size_t a = 0; a < 8; ++a) {
          if (row[8 * half + a] == transparentIndex) bits = static_cast<std::uint8_t>(bits | (0x80 >> a));
        }
        out[kAndAt + 4 * r + half] = bits;
      }
    }
  }
  return out;
}

std::vector<std::uint8_t> BuildBitmapFile(Bytes packed512, int width, int height, const Palette& palette) {
  if (width < 1 || width > 32 || height < 1 || height > 32) return {};
  if (packed512.size() < kPackedSize) return {};
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  const std::size_t rowSize = 4 * ((w + 7) / 8);
  std::vector<std::uint8_t> out(kBitmapDataOffset + rowSize * h, 0);
  out[0] = 'B';
  out[1] = 'M';
  // Some readers reject a bitmap whose file size field does not match its length.
  putLe32(out, 2, static_cast<std::uint32_t>(out.size()));
  putLe32(out, 10, kBitmapDataOffset);
  putLe32(out, 14, kInfoHeaderSize);
  putLe32(out, 18, static_cast<std::uint32_t>(width));
  putLe32(out, 22, static_cast<std::uint32_t>(height));
  putLe16(out, 26, 1);
  putLe16(out, 28, 4);
  putLe32(out, 34, static_cast<std::uint32_t>(rowSize * h));
  putPalette(out, 54, palette);
  // Each row is the start of a packed storage row; pixels right of the width go out as they are.
  for (std::size_t r = 0; r < h; ++r) {
    std::memcpy(out.data() + kBitmapDataOffset + r * rowSize, packed512.data() + 16 * r, rowSize);
  }
  return out;
}

bool WriteIcon32(const std::string& path, const Palette& palette, Bytes packed512, Bytes mask128) {
  const auto bytes = BuildIcon32(palette, packed512, mask128);
  return !bytes.empty() && WriteIconImage(path, bytes);
}

bool WriteIcon16(const std::string& path, Bytes iconPixels, const Palette& palette, int transparentIndex) {
  const auto bytes = BuildIcon16(iconPixels, palette, transparentIndex);
  return !bytes.empty() && WriteIconImage(path, bytes);
}

int WriteBitmapFile(const std::string& path, Bytes packed512, int width, int height, const Palette& palette) {
  const auto bytes = BuildBitmapFile(packed512, width, height, palette);
  return (!bytes.empty() && WriteFileAtomically(path, bytes)) ? 0 : -1;
}

namespace {
bool EndsWithAnyCase(std::string_view text, std::string_view ending) {
  if (text.size() < ending.size()) return false;
  return std::equal(ending.begin(), ending.end(), text.end() - static_cast<std::ptrdiff_t>(ending.size()),
                    [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
}
}  // namespace

PictureKind PictureKindByName(std::string_view path) {
  const std::size_t slash = path.find_last_of('/');
  const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (EndsWithAnyCase(name, ".ico")) return PictureKind::Icon;
  if (EndsWithAnyCase(name, ".bmp")) return PictureKind::Bitmap;
  return PictureKind::Unknown;
}

PictureKind PictureKindOf(std::string_view path, std::span<const std::uint8_t> firstBytes) {
  const PictureKind byName = PictureKindByName(path);
  if (byName != PictureKind::Unknown) return byName;
  const auto starts = [&](std::initializer_list<std::uint8_t> bytes) {
    return firstBytes.size() >= bytes.size() && std::equal(bytes.begin(), bytes.end(), firstBytes.begin());
  };
  if (starts({'B', 'M'})) return PictureKind::Bitmap;
  if (starts({0, 0, 1, 0})) return PictureKind::Icon;
  return PictureKind::Unknown;
}

}  // namespace pf
