#include "model/icon_file.h"

#include <algorithm>
#include <cstring>

#include "model/file_io.h"
#include "model/icon_layout.h"
#include "model/numeric_text.h"
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

}  // namespace

IconReadStatus ParseIcon32(Bytes bytes, const IconReadTargets& targets) {
  if (targets.packed.size() < kPackedSize || targets.mask.size() < kMaskSize) return IconReadStatus::Failed;
  IconDirectory dir;
  if (!startDirectory(bytes, dir)) return IconReadStatus::Failed;

  // Pick the first 32 x 32 image of 16 colours. A colour count of 2 is read as 16 (the bit count still
  // has to be 4); 0 and any other count are passed over.
  for (std::size_t i = 0; i < dir.entries.size(); ++i) {
    if (!readDirEntry(bytes, dir, i)) return IconReadStatus::Failed;
    DirEntry& entry = dir.entries[i];
    if (entry[kEntryColourCount] == 0) continue;
    if (entry[kEntryColourCount] == 2) {
      entry[kEntryColourCount] = 16;
    } else if (entry[kEntryColourCount] != 16) {
      continue;
    }
    if (entry[kEntryWidth] == 32 && entry[kEntryHeight] == 32) {
      dir.chosen = static_cast<int>(i);
      dir.palettePosition = std::uint64_t{readLe32(entry.data() + kEntryImageOffset)} + kInfoHeaderSize;
      dir.pixelDataSize = kPackedSize;  // 32 x 32 at 4 bits per pixel
      break;
    }
  }
  const int chosen = dir.chosen;
  const std::uint64_t palettePosition = dir.palettePosition;
  commitHeaders(dir, targets.headers);

  // Without a 32 x 32 16-colour image there is nothing this reader can place correctly: the first image
  // would come out with its rows misaligned and its mask read from the wrong place.
  if (chosen < 0) return IconReadStatus::Failed;
  if (chosenBitCount(targets.headers, chosen) != 4) return IconReadStatus::Failed;

  // The palette, 512 pixel bytes and the 128 mask bytes behind them must all be there before any is
  // copied, so a short file changes neither palette, pixels nor mask.
  const std::uint64_t pixelPosition = palettePosition + 64;
  if (!hasBytes(bytes, palettePosition, 64 + kPackedSize + kMaskSize)) return IconReadStatus::Failed;

  targets.palette = PaletteFromBytes(bytes.subspan(palettePosition).first<64>());
  std::memcpy(targets.mask.data(), bytes.data() + pixelPosition + kPackedSize, kMaskSize);
  std::memcpy(targets.packed.data(), bytes.data() + pixelPosition, kPackedSize);
  return IconReadStatus::Ok;
}

IconReadStatus ParseBitmap16(Bytes bytes, const IconReadTargets& targets) {
  if (targets.packed.size() < kPackedSize) return IconReadStatus::Failed;
  constexpr std::size_t kInfoAt = 14;
  constexpr std::size_t kPaletteAt = kInfoAt + kInfoHeaderSize;
  if (!hasBytes(bytes, 0, kPaletteAt)) return IconReadStatus::Failed;

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
  // other-header bitmap would be shown as noise.
  const std::uint32_t headerSize = readLe32(info.data());
  const std::uint16_t bitCount = readLe16(info.data() + kHeaderBitCount);
  const std::uint32_t compression = readLe32(info.data() + 16);
  const std::uint32_t coloursUsed = readLe32(info.data() + 32);
  if (bitCount != 4 || headerSize != kInfoHeaderSize || compression != 0) return IconReadStatus::Failed;
  const std::uint64_t paletteCount = coloursUsed != 0 ? coloursUsed : 16;

  const std::uint64_t pixelPosition = kPaletteAt + 4 * paletteCount;
  const auto w = static_cast<std::uint64_t>(width);
  const auto h = static_cast<std::uint64_t>(height);
  const std::uint64_t rowSize = 4 * ((w + 7) / 8);
  const std::uint64_t fullBytes = w / 2;
  const bool odd = (w % 2) != 0;
  // Every byte the rows are read from, up to the last byte used in the top row.
  if (!hasBytes(bytes, pixelPosition, rowSize * (h - 1) + fullBytes + (odd ? 1 : 0))) {
    return IconReadStatus::Failed;
  }

  const std::size_t takenEntries = static_cast<std::size_t>(std::min<std::uint64_t>(paletteCount, 16));
  std::memcpy(targets.palette.data(), bytes.data() + kPaletteAt, 4 * takenEntries);

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

  // Every entry up to the 16 x 16 one has its data size worked out from its colour count, so a count of
  // 0 (256 colours or more) among them fails the read. Colour counts are not filtered otherwise.
  for (std::size_t i = 0; i < dir.entries.size(); ++i) {
    if (!readDirEntry(bytes, dir, i)) return -1;
    const DirEntry& entry = dir.entries[i];
    const int colourCount = entry[kEntryColourCount];
    if (colourCount == 0) return -1;
    if (entry[kEntryWidth] == 16 && entry[kEntryHeight] == 16) {
      const double dataSize = 16.0 * 16.0 / (colourCount / 8.0);
      dir.chosen = static_cast<int>(i);
      dir.palettePosition = std::uint64_t{readLe32(entry.data() + kEntryImageOffset)} + kInfoHeaderSize;
      dir.pixelDataSize = static_cast<std::uint64_t>(RoundHalfEven(dataSize));
      break;
    }
  }
  const int chosen = dir.chosen;
  const std::uint64_t pixelPosition = dir.palettePosition + 64;
  const std::uint64_t pixelDataSize = dir.pixelDataSize;
  commitHeaders(dir, headers);

  // Only a 16 x 16 image of 16 colours (128 pixel bytes) fills the quarter row for row; the first
  // image of another size would be spread over the wrong rows, so without a 16 x 16 one the read fails.
  if (chosen < 0) return -1;
  if (chosenBitCount(headers, chosen) != 4) return -1;
  if (pixelDataSize != 128) return -1;
  if (!hasBytes(bytes, pixelPosition, pixelDataSize)) return -1;
  Unpack16Rows(bytes.subspan(pixelPosition, pixelDataSize), pixels);
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
  // The file size field stays 0; readers take the size from the header.
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
  return !bytes.empty() && WriteFileAtomically(path, bytes);
}

bool WriteIcon16(const std::string& path, Bytes iconPixels, const Palette& palette, int transparentIndex) {
  const auto bytes = BuildIcon16(iconPixels, palette, transparentIndex);
  return !bytes.empty() && WriteFileAtomically(path, bytes);
}

int WriteBitmapFile(const std::string& path, Bytes packed512, int width, int height, const Palette& palette) {
  const auto bytes = BuildBitmapFile(packed512, width, height, palette);
  return (!bytes.empty() && WriteFileAtomically(path, bytes)) ? 0 : -1;
}

}  // namespace pf
