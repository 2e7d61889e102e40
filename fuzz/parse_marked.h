// A read into buffers pre-filled with a marker byte, so a target can tell which bytes the reader wrote.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "model/icon_file.h"

namespace fuzzing {

inline constexpr std::uint8_t kUntouched = 0xEE;

struct Read {
  pf::Palette palette{};
  std::array<std::uint8_t, pf::kPackedSize> packed{};
  std::array<std::uint8_t, pf::kMaskSize> mask{};
  pf::IconReadStatus status = pf::IconReadStatus::Failed;
};

template <class Parser>
Read ParseMarked(Parser parser, std::span<const std::uint8_t> bytes, pf::SharedState& state) {
  Read r;
  r.packed.fill(kUntouched);
  r.mask.fill(kUntouched);
  r.status = parser(bytes, {r.palette, r.packed, r.mask, state});
  return r;
}

}  // namespace fuzzing
