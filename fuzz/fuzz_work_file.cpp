// The work file reader on arbitrary bytes: slots 1..20 hold indices 0..15 only, the drop slot and the
// spare elements are never written, writing the slots gives back the first 11,520 bytes (a short file
// padded with zeros), and what was written reads back to the same slots.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "model/work_file.h"

namespace {

constexpr std::uint8_t kUntouched = 0xA5;

std::unique_ptr<pf::ArchiveSlots> MarkedSlots() {
  auto slots = std::make_unique<pf::ArchiveSlots>();
  for (pf::ArchiveSlot& slot : *slots) {
    slot.pixels.fill(kUntouched);
    slot.palette.fill({kUntouched, kUntouched, kUntouched, kUntouched});
  }
  return slots;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto slots = MarkedSlots();
  pf::UnpackWorkFile(std::span<const std::uint8_t>(data, size), *slots);
  if (!(slots->at(0) == MarkedSlots()->at(0))) std::abort();
  for (std::size_t i = 1; i <= pf::kArchiveSlotCount; ++i) {
    const auto& pixels = slots->at(i).pixels;
    if (pixels[pf::kPixelCount] != kUntouched) std::abort();
    if (std::any_of(pixels.begin(), pixels.begin() + pf::kPixelCount, [](std::uint8_t v) { return v > 15; }))
      std::abort();
  }

  const auto bytes = pf::PackWorkFile(*slots);
  if (bytes.size() != pf::kWorkFileSize) std::abort();
  for (std::size_t k = 0; k + 1 < pf::kWorkFileSize; ++k) {
    if (bytes[k] != (k < size ? data[k] : 0)) std::abort();
  }
  if (bytes.back() != 0) std::abort();

  auto again = MarkedSlots();
  pf::UnpackWorkFile(bytes, *again);
  if (!(*again == *slots)) std::abort();
  return 0;
}
