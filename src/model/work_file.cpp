#include "model/work_file.h"

#include <algorithm>

#include "model/file_io.h"
#include "model/packing.h"

namespace pf {

namespace {

constexpr std::size_t kSlotImageSize = kPackedSize;
constexpr std::size_t kPaletteBlockOffset = kArchiveSlotCount * kSlotImageSize;  // 10240
constexpr std::size_t kSlotPaletteSize = sizeof(Palette);
static_assert(kPaletteBlockOffset + kArchiveSlotCount * kSlotPaletteSize + 1 == kWorkFileSize);

}  // namespace

std::vector<std::uint8_t> PackWorkFile(const ArchiveSlots& slots) {
  std::vector<std::uint8_t> bytes(kWorkFileSize, 0);
  for (std::size_t i = 1; i <= kArchiveSlotCount; ++i) {
    const ArchiveSlot& slot = slots[i];
    PackPixels32(std::span<const std::uint8_t>(slot.pixels.data(), kPixelCount),
                 std::span<std::uint8_t>(bytes).subspan((i - 1) * kSlotImageSize, kSlotImageSize));
    PaletteToBytes(slot.palette,
                   std::span<std::uint8_t, kSlotPaletteSize>(
                       bytes.data() + kPaletteBlockOffset + (i - 1) * kSlotPaletteSize, kSlotPaletteSize));
  }
  return bytes;
}

void UnpackWorkFile(std::span<const std::uint8_t> bytes, ArchiveSlots& slots) {
  // Padding the file out to full size makes a short file read as zeros rather than leave stale slots.
  std::array<std::uint8_t, kWorkFileSize> file{};
  const std::size_t n = std::min(bytes.size(), kWorkFileSize);
  std::copy_n(bytes.begin(), n, file.begin());
  for (std::size_t i = 1; i <= kArchiveSlotCount; ++i) {
    ArchiveSlot& slot = slots[i];
    UnpackPixels32(std::span<const std::uint8_t>(file).subspan((i - 1) * kSlotImageSize, kSlotImageSize),
                   std::span<std::uint8_t>(slot.pixels.data(), kPixelCount));
    slot.palette = PaletteFromBytes(std::span<const std::uint8_t, kSlotPaletteSize>(
        file.data() + kPaletteBlockOffset + (i - 1) * kSlotPaletteSize, kSlotPaletteSize));
  }
}

std::string WithWorkExtension(const std::string& name, std::string_view ext) {
  return WithSaveExtension(name, ext);
}

int SlotAt(int x, int y, int current) {
  // A press above or below the cells keeps the selection: counting on from the last cell would select a
  // slot of the other column, or none that exists.
  if (y < 0 || y >= 10 * kIconSize) return current;
  if (x >= 65 && x <= 96) return y / kIconSize + 1;
  if (x >= 190 && x <= 222) return y / kIconSize + 11;
  return current;
}

int LowestFreeNumber(const std::vector<std::string>& captions, const std::string& base) {
  // Ends: the captions hold only finitely many numbers.
  for (int n = 1;; ++n) {
    const std::string candidate = base + std::to_string(n);
    const bool taken = std::any_of(captions.begin(), captions.end(), [&](const std::string& caption) {
      return caption.find(candidate) != std::string::npos;
    });
    if (!taken) return n;
  }
}

}  // namespace pf
