#include "model/full_colour_work_files.h"

#include <algorithm>

#include "model/full_colour_icon.h"

namespace pf {

std::vector<std::uint8_t> PackFullColourWorkFile(std::span<const ColorRef> colours) {
  std::vector<std::uint8_t> bytes(kFullColourWorkFileSize, 0);
  const std::size_t n = std::min(colours.size(), kCellColumnPixelCount);
  for (std::size_t i = 0; i < n; ++i) {
    const auto bgr = ColorRefToBgr(colours[i]);
    std::copy_n(bgr.begin(), 3, bytes.begin() + static_cast<std::ptrdiff_t>(3 * i));
  }
  return bytes;
}

CellColumnColours UnpackFullColourWorkFile(std::span<const std::uint8_t> bytes) {
  CellColumnColours colours(kCellColumnPixelCount, 0);
  const std::size_t n = std::min(bytes.size(), 3 * kCellColumnPixelCount);
  // A pixel cut short by the end of the file keeps the bytes it has; the rest read as 0.
  for (std::size_t k = 0; k < n; ++k) {
    const int shift = 8 * (2 - static_cast<int>(k % 3));  // blue, green, red: red in the low byte
    colours[k / 3] |= static_cast<ColorRef>(bytes[k]) << shift;
  }
  return colours;
}

std::vector<std::uint8_t> PackMaskWorkFile(const MaskSlots& slots) {
  std::vector<std::uint8_t> bytes(kMaskWorkFileSize, 0);
  for (std::size_t i = 1; i <= kArchiveSlotCount; ++i) {
    std::copy(slots[i].begin(), slots[i].end(),
              bytes.begin() + static_cast<std::ptrdiff_t>((i - 1) * kSlotMaskSize));
  }
  return bytes;
}

void UnpackMaskWorkFile(std::span<const std::uint8_t> bytes, MaskSlots& slots) {
  for (std::size_t i = 1; i <= kArchiveSlotCount; ++i) {
    SlotMask& slot = slots[i];
    slot.fill(0);
    const std::size_t start = (i - 1) * kSlotMaskSize;
    if (start >= bytes.size()) continue;
    const std::size_t n = std::min(kSlotMaskSize, bytes.size() - start);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(start), n, slot.begin());
  }
}

void ComposeMask(const SlotMask& slot, std::span<std::uint8_t> mask, ComposeOperation op) {
  if (mask.size() < kSlotMaskSize) return;
  for (std::size_t k = 0; k < kSlotMaskSize; ++k) {
    const std::uint8_t s = slot[k];
    std::uint8_t& m = mask[k];
    switch (op) {
      case ComposeOperation::Copy:
        m = s;
        break;
      case ComposeOperation::Xor:
        m = static_cast<std::uint8_t>(m ^ s);
        break;
      case ComposeOperation::Or:
        m = static_cast<std::uint8_t>(m | s);
        break;
      case ComposeOperation::And:
        m = static_cast<std::uint8_t>(m & s);
        break;
    }
  }
}

}  // namespace pf
