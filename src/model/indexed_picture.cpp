#include "model/indexed_picture.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "model/file_io.h"

namespace pf {

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutBe32(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

void PutChunk(Bytes& out, const char (&type)[5], const Bytes& data) {
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  // The checksum covers the type and the data.
  const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBe32(out, static_cast<std::uint32_t>(crc));
}

// The whole file around the rows, each already led by its filter byte.
Bytes PngFile(int width, int height, std::uint8_t bitDepth, std::uint8_t colourType,
              const std::vector<std::pair<const char*, Bytes>>& before, const Bytes& rows) {
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  Bytes packed(packedSize);
  if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 9) != Z_OK)
    return {};
  packed.resize(packedSize);

  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  PutBe32(header, static_cast<std::uint32_t>(width));
  PutBe32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {bitDepth, colourType, 0, 0, 0});  // deflate, filter set 0, no interlace
  PutChunk(out, "IHDR", header);
  for (const auto& [type, data] : before) {
    char name[5] = {};
    std::memcpy(name, type, 4);
    PutChunk(out, name, data);
  }
  PutChunk(out, "IDAT", packed);
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeIndexedPng(const Palette& palette, std::span<const std::uint8_t> indices,
                                           int width, int height, int transparentIndex) {
  if (width < 1 || width > 256 || height < 1 || height > 256) return {};
  const auto w = static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);
  if (indices.size() < w * h) return {};
  Bytes plte;
  for (const PaletteEntry& e : palette) plte.insert(plte.end(), {e.red, e.green, e.blue});
  std::vector<std::pair<const char*, Bytes>> chunks = {{"PLTE", plte}};
  // The transparency chunk lists alphas up to the last entry that is not opaque.
  if (transparentIndex >= 0 && transparentIndex < 16) {
    Bytes alphas(static_cast<std::size_t>(transparentIndex) + 1, 255);
    alphas.back() = 0;
    chunks.emplace_back("tRNS", alphas);
  }
  const std::size_t rowBytes = (w + 1) / 2;
  Bytes rows;
  rows.reserve(h * (rowBytes + 1));
  for (std::size_t y = 0; y < h; ++y) {
    rows.push_back(0);
    for (std::size_t x = 0; x < w; x += 2) {
      const int left = indices[y * w + x] & 0x0F;
      const int right = x + 1 < w ? indices[y * w + x + 1] & 0x0F : 0;
      rows.push_back(static_cast<std::uint8_t>((left << 4) | right));
    }
  }
  return PngFile(width, height, 4, 3, chunks, rows);
}

std::vector<std::uint8_t> EncodeRgbaPng(std::span<const std::uint8_t> rgba, int width, int height) {
  if (width < 1 || width > 4096 || height < 1 || height > 4096) return {};
  const std::size_t rowBytes = 4 * static_cast<std::size_t>(width);
  const auto h = static_cast<std::size_t>(height);
  if (rgba.size() < rowBytes * h) return {};
  Bytes rows;
  rows.reserve(h * (rowBytes + 1));
  for (std::size_t y = 0; y < h; ++y) {
    rows.push_back(0);
    rows.insert(rows.end(), rgba.begin() + static_cast<std::ptrdiff_t>(y * rowBytes),
                rgba.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowBytes));
  }
  return PngFile(width, height, 8, 6, {}, rows);
}

std::vector<std::uint8_t> BuildIconPng(std::span<const std::uint8_t> iconPixels, const Palette& palette,
                                       int transparentIndex, int edge) {
  if ((edge != 16 && edge != kIconSize) || iconPixels.size() < static_cast<std::size_t>(kPixelCount))
    return {};
  std::vector<std::uint8_t> indices;
  indices.reserve(static_cast<std::size_t>(edge * edge));
  // The picture is stored bottom row first; the lower-left quarter is storage rows 0..15.
  for (int y = 0; y < edge; ++y) {
    const std::size_t row = static_cast<std::size_t>(edge - 1 - y) * kIconSize;
    indices.insert(indices.end(), iconPixels.begin() + static_cast<std::ptrdiff_t>(row),
                   iconPixels.begin() + static_cast<std::ptrdiff_t>(row) + edge);
  }
  return EncodeIndexedPng(palette, indices, edge, edge, transparentIndex);
}

int TransparentIndexOfMask(std::span<const std::uint8_t> iconPixels, std::span<const std::uint8_t> mask128,
                           int edge) {
  if (edge < 1 || edge > kIconSize || iconPixels.size() < static_cast<std::size_t>(kPixelCount) ||
      mask128.size() < static_cast<std::size_t>(kMaskSize)) {
    return -1;
  }
  int index = -1;
  std::array<bool, 16> opaque{};
  for (int r = 0; r < edge; ++r) {
    for (int x = 0; x < edge; ++x) {
      const int v = iconPixels[static_cast<std::size_t>(r * kIconSize + x)] & 0x0F;
      const bool masked = (mask128[static_cast<std::size_t>(r * 4 + x / 8)] & (0x80 >> (x % 8))) != 0;
      if (!masked) {
        opaque[static_cast<std::size_t>(v)] = true;
      } else if (index < 0) {
        index = v;
      } else if (index != v) {
        return -1;
      }
    }
  }
  return index >= 0 && !opaque[static_cast<std::size_t>(index)] ? index : -1;
}

bool WriteIconPng(const std::string& path, std::span<const std::uint8_t> iconPixels, const Palette& palette,
                  int transparentIndex, int edge) {
  const auto bytes = BuildIconPng(iconPixels, palette, transparentIndex, edge);
  return !bytes.empty() && WriteFileAtomically(path, bytes);
}

SmallPicture ReadSmallPicture(const DecodedPicture& picture) {
  SmallPicture out;
  const int w = picture.width;
  const int h = picture.height;
  if (w > kIconSize || h > kIconSize) {
    out.status = SmallPictureStatus::TooLarge;
    return out;
  }
  const auto count = static_cast<std::size_t>(std::max(0, w) * std::max(0, h));
  if (w < 1 || h < 1 || picture.argb.size() < count) {
    // Nothing a decoder gives looks like this; it is no picture of 16 colours either.
    out.status = SmallPictureStatus::TooManyColours;
    return out;
  }
  const auto alphaOf = [](std::uint32_t c) { return c >> 24; };
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t a = alphaOf(picture.argb[i]);
    if (a != 0 && a != 255) {
      out.status = SmallPictureStatus::TooManyColours;
      return out;
    }
  }

  // Each pixel's palette number, and the colours of the numbers.
  std::vector<std::uint8_t> numbers(count);
  std::vector<std::uint32_t> colours;
  int transparent = -1;
  const bool keepsNumbers =
      !picture.table.empty() && picture.indices.size() >= count &&
      std::all_of(picture.indices.begin(), picture.indices.begin() + static_cast<std::ptrdiff_t>(count),
                  [](std::uint8_t n) { return n < 16; });
  if (keepsNumbers) {
    colours.assign(
        picture.table.begin(),
        picture.table.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(16, picture.table.size())));
    for (std::size_t i = 0; i < count; ++i) {
      std::uint8_t n = picture.indices[i];
      if (alphaOf(picture.argb[i]) == 0) {
        // Every transparent pixel takes the first transparent number used.
        if (transparent < 0) transparent = n;
        n = static_cast<std::uint8_t>(transparent);
      }
      numbers[i] = n;
    }
  } else {
    std::vector<std::size_t> transparentPixels;
    for (std::size_t i = 0; i < count; ++i) {
      const std::uint32_t c = picture.argb[i];
      if (alphaOf(c) == 0) {
        transparentPixels.push_back(i);
        continue;
      }
      const auto known = std::find(colours.begin(), colours.end(), c);
      if (known == colours.end() && colours.size() == 16) {
        out.status = SmallPictureStatus::TooManyColours;
        return out;
      }
      numbers[i] = static_cast<std::uint8_t>(known - colours.begin());
      if (known == colours.end()) colours.push_back(c);
    }
    if (!transparentPixels.empty()) {
      if (colours.size() == 16) {
        out.status = SmallPictureStatus::TooManyColours;
        return out;
      }
      transparent = static_cast<int>(colours.size());
      colours.push_back(picture.argb[transparentPixels.front()]);
      for (std::size_t i : transparentPixels) numbers[i] = static_cast<std::uint8_t>(transparent);
    }
  }

  for (std::size_t n = 0; n < colours.size(); ++n) {
    const std::uint32_t c = colours[n];
    out.palette[n] =
        PaletteEntry{static_cast<std::uint8_t>(c & 0xFF), static_cast<std::uint8_t>((c >> 8) & 0xFF),
                     static_cast<std::uint8_t>((c >> 16) & 0xFF), 0};
  }
  out.transparentIndex = transparent;
  // Row y from the top of the picture lies in storage row h - 1 - y of the lower-left corner.
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const std::size_t i = static_cast<std::size_t>(y * w + x);
      out.pixels[static_cast<std::size_t>((h - 1 - y) * kIconSize + x)] = numbers[i];
      if (alphaOf(picture.argb[i]) == 0)
        out.mask[static_cast<std::size_t>((kIconSize - h + y) * kIconSize + x)] = 1;
    }
  }
  return out;
}

}  // namespace pf
