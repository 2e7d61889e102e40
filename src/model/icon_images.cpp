#include "model/icon_images.h"

#include <algorithm>

#include "model/icon_layout.h"

namespace pf {

namespace {

std::uint32_t readBe32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

std::vector<IconImageInfo> ListIconImages(std::span<const std::uint8_t> bytes) {
  std::vector<IconImageInfo> images;
  if (!hasBytes(bytes, 0, kDirHeaderSize) || readLe16(bytes.data()) != 0 || readLe16(bytes.data() + 2) != 1)
    return images;
  const std::size_t count = readLe16(bytes.data() + kImageCountOffset);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint64_t at = kDirHeaderSize + kDirEntrySize * static_cast<std::uint64_t>(i);
    if (!hasBytes(bytes, at, kDirEntrySize)) break;
    IconImageInfo info;
    const std::uint64_t offset = readLe32(bytes.data() + at + kEntryImageOffset);
    static constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (hasBytes(bytes, offset, 24) && std::equal(kPngSignature, kPngSignature + 8, bytes.begin() + offset)) {
      // The size is in the image header chunk that follows the signature.
      const std::uint32_t w = readBe32(bytes.data() + offset + 16);
      const std::uint32_t h = readBe32(bytes.data() + offset + 20);
      if (w > 0 && h > 0 && w <= 65535 && h <= 65535) {
        info = {static_cast<int>(w), static_cast<int>(h), 32, true};
      }
    } else if (hasBytes(bytes, offset, kInfoHeaderSize) &&
               isKnownInfoHeaderSize(readLe32(bytes.data() + offset))) {
      const std::int32_t w = readLeS32(bytes.data() + offset + 4);
      // The height counts the colour bitmap and the mask together.
      const std::int32_t h = readLeS32(bytes.data() + offset + 8) / 2;
      if (w > 0 && h > 0 && w <= 65535 && h <= 65535) {
        info = {w, h, readLe16(bytes.data() + offset + kHeaderBitCount), false};
      }
    }
    images.push_back(info);
  }
  return images;
}

int ChooseIconImage(std::span<const IconImageInfo> images, int edge) {
  int best = -1;
  // Lower is better: same size first, then larger ones by how much larger, then smaller ones by how much
  // smaller; among equals the more colours, then the earlier entry.
  const auto rank = [edge](const IconImageInfo& image) {
    const int side = std::max(image.width, image.height);
    const long long distance = side >= edge ? side - edge : 1'000'000LL + (edge - side);
    return distance * 64 + (63 - std::min(image.bitCount, 63));
  };
  for (std::size_t i = 0; i < images.size(); ++i) {
    if (images[i].width <= 0) continue;
    if (best < 0 || rank(images[i]) < rank(images[static_cast<std::size_t>(best)]))
      best = static_cast<int>(i);
  }
  return best;
}

}  // namespace pf
