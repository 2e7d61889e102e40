#include "model/mask_ops.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "model/file_io.h"
#include "model/icon_directory.h"
#include "model/icon_file.h"
#include "model/packing.h"

namespace pf {

namespace {

// Where the AND bitmap of the 16 x 16 icon starts: behind the headers, palette and 128 pixel bytes.
constexpr std::size_t kIcon16MaskAt = 254;
// Its 16 rows of 4 bytes.
constexpr std::size_t kIcon16MaskBytes = 64;

}  // namespace

void SetWholeMask(MaskGridArray& grid, std::uint8_t value) {
  grid.fill(value);
}

void InvertMask(MaskGridArray& grid) {
  for (std::uint8_t& cell : grid) cell ^= 1;
}

void ToggleMaskCell(MaskGridArray& grid, int column, int row) {
  if (column < 0 || column >= kIconSize || row < 0 || row >= kIconSize) return;
  std::uint8_t& cell = grid[static_cast<std::size_t>(row * kIconSize + column)];
  cell = cell != 0 ? 0 : 1;
}

void SetMaskByIndex(MaskGridArray& grid, std::span<const std::uint8_t> iconPixels, int index,
                    bool transparent) {
  for (int row = 0; row < kIconSize; ++row) {
    for (int column = 0; column < kIconSize; ++column) {
      const std::size_t pixel = static_cast<std::size_t>((31 - row) * kIconSize + column);
      if (pixel < iconPixels.size() && iconPixels[pixel] == index) {
        grid[static_cast<std::size_t>(row * kIconSize + column)] = transparent ? 1 : 0;
      }
    }
  }
}

void PackMaskRows(const MaskGridArray& grid, std::span<std::uint8_t> mask128) {
  // The same layout the editor's own mask packing produces.
  PackMask(grid, mask128);
}

MaskCursorPosition WrapMaskCursor(int x, int y) {
  return WrapTextCaret(x, y, 0, kMaskCursorMaxX, kMaskCursorMaxY);
}

std::vector<std::uint8_t> BuildMaskIcon32(std::span<const std::uint8_t> iconPixels, const Palette& palette,
                                          std::span<const std::uint8_t> mask128) {
  if (iconPixels.size() < static_cast<std::size_t>(kPixelCount)) return {};
  std::array<std::uint8_t, kPackedSize> packed{};
  PackPixels32(iconPixels.first(kPixelCount), packed);
  return BuildIcon32(palette, packed, mask128);
}

std::vector<std::uint8_t> BuildMaskIcon16(std::span<const std::uint8_t> iconPixels, const Palette& palette,
                                          std::span<const std::uint8_t> mask128) {
  if (mask128.size() < kIcon16MaskBytes) return {};
  // No pixel matches index -1, so the writer leaves its AND bitmap zero for the mask to go in.
  std::vector<std::uint8_t> out = BuildIcon16(iconPixels, palette, -1);
  if (out.size() != kIcon16FileSize) return {};
  // Whole 4-byte rows, so bits of columns 16..31 land in the row padding, where readers never look.
  std::memcpy(out.data() + kIcon16MaskAt, mask128.data(), kIcon16MaskBytes);
  return out;
}

bool WriteMaskIcon32(const std::string& path, std::span<const std::uint8_t> iconPixels,
                     const Palette& palette, std::span<const std::uint8_t> mask128) {
  const auto bytes = BuildMaskIcon32(iconPixels, palette, mask128);
  return !bytes.empty() && WriteIconImage(path, bytes);
}

bool WriteMaskIcon16(const std::string& path, std::span<const std::uint8_t> iconPixels,
                     const Palette& palette, std::span<const std::uint8_t> mask128) {
  const auto bytes = BuildMaskIcon16(iconPixels, palette, mask128);
  return !bytes.empty() && WriteIconImage(path, bytes);
}

}  // namespace pf
