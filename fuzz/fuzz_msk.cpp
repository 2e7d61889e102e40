// The mask work file reader on arbitrary bytes: slot 0 is never written; writing slots 1..20 gives back
// the first 2,560 bytes (a short file padded with zeros); and what was written reads back to the same
// masks.
#include <cstdint>
#include <cstdlib>

#include "model/full_colour_work_files.h"

namespace {

pf::MaskSlots MarkedSlots() {
  pf::MaskSlots slots{};
  for (pf::SlotMask& slot : slots) slot.fill(0xA5);
  return slots;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  pf::MaskSlots slots = MarkedSlots();
  pf::UnpackMaskWorkFile(std::span<const std::uint8_t>(data, size), slots);
  if (slots[0] != MarkedSlots()[0]) std::abort();

  const auto bytes = pf::PackMaskWorkFile(slots);
  if (bytes.size() != pf::kMaskWorkFileSize) std::abort();
  for (std::size_t k = 0; k < bytes.size(); ++k) {
    if (bytes[k] != (k < size ? data[k] : 0)) std::abort();
  }

  pf::MaskSlots again = MarkedSlots();
  pf::UnpackMaskWorkFile(bytes, again);
  if (again != slots) std::abort();
  return 0;
}
