#include "model/colour_table.h"

#include <algorithm>

#include "model/icon_layout.h"

namespace pf {

namespace {

constexpr std::size_t kEntrySize = 4;
constexpr std::size_t kRowEntries = 16;

// The description the window shows for a file that ends before the structures it needs.
constexpr const char* kOutOfRange = "インデックスが有効範囲にありません。";

}  // namespace

ColourTableResult ExtractColourTable(std::span<const std::uint8_t> bytes,
                                     std::array<Palette, kPaletteSetCount>& sets, int targetRow) {
  ColourTableResult result;
  result.firstRow = targetRow;
  auto unsupported = [&result] {
    result.status = ColourTableStatus::Unsupported;
    result.description = kOutOfRange;
    return result;
  };

  const std::size_t size = bytes.size();
  if (size < kDirHeaderSize + kDirEntrySize) return unsupported();
  if (readLe16(bytes.data() + kImageCountOffset) == 0) return unsupported();
  // 64-bit arithmetic: a data offset near 4 GiB must not wrap around.
  const std::uint64_t data = readLe32(bytes.data() + kDirHeaderSize + kEntryImageOffset);
  if (data + kInfoHeaderSize > size) return unsupported();
  const std::uint32_t bitCount = readLe16(bytes.data() + static_cast<std::size_t>(data + kHeaderBitCount));
  const std::uint64_t table = data + kInfoHeaderSize;

  std::size_t colours = 0;
  if (bitCount == 4) {
    colours = 16;
  } else if (bitCount == 8) {
    colours = 256;
  } else {
    result.status = ColourTableStatus::NoColours;
    return result;
  }
  if (table + kRowEntries * kEntrySize > size) return unsupported();
  if (targetRow < 1 || targetRow > kPaletteSetCount) {
    result.status = ColourTableStatus::InvalidTarget;
    return result;
  }

  const std::size_t firstEntry = static_cast<std::size_t>(targetRow - 1) * kRowEntries;
  const std::size_t entriesLeft = static_cast<std::size_t>(kPaletteSetCount) * kRowEntries - firstEntry;
  const std::size_t entriesInFile = static_cast<std::size_t>((size - table) / kEntrySize);
  const std::size_t n = std::min({colours, entriesLeft, entriesInFile});
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t at = static_cast<std::size_t>(table) + i * kEntrySize;
    PaletteEntry& e = sets[(firstEntry + i) / kRowEntries][(firstEntry + i) % kRowEntries];
    e.blue = bytes[at];
    e.green = bytes[at + 1];
    e.red = bytes[at + 2];
    e.reserved = bytes[at + 3];
  }
  result.rowsTouched = static_cast<int>((n + kRowEntries - 1) / kRowEntries);
  return result;
}

}  // namespace pf
