// The 16-colour archive: twenty images with their own palettes, the work file (.wrk) they are kept in,
// and the small rules the archive windows share (which cell a press hits, which number a new window takes,
// how a dropped file is read).
//
// Work file, 11,521 bytes, no header: slot i (1..20) packed two pixels a byte, bottom row first, at
// 512 * (i - 1); its 16 palette entries (blue, green, red, reserved) at 10240 + 64 * (i - 1); one last
// byte 0.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/colour.h"
#include "model/shared_state.h"

namespace pf {

inline constexpr std::size_t kWorkFileSize = 11521;
inline constexpr std::size_t kArchiveSlotCount = 20;

// One image place. Pixels are laid out like the icon pixels; element 1024 is spare and never saved.
struct ArchiveSlot {
  PixelArray pixels{};
  Palette palette{};

  friend bool operator==(const ArchiveSlot&, const ArchiveSlot&) = default;
};

// Slots 1..20 are shown and saved. Slot 0 only catches a file dropped while no slot is selected.
using ArchiveSlots = std::array<ArchiveSlot, kArchiveSlotCount + 1>;

// The whole work file for slots 1..20.
std::vector<std::uint8_t> PackWorkFile(const ArchiveSlots& slots);

// Replaces pixels 0..1023 and the palettes of slots 1..20 from the first 11,521 bytes; what a short file
// lacks reads as 0 (index 0, black), and bytes beyond are ignored. Slot 0 and the spare elements stay.
void UnpackWorkFile(std::span<const std::uint8_t> bytes, ArchiveSlots& slots);

// The save name with `ext` (".wrk") appended, unless the file's own name already contains it in any
// letter case (WithSaveExtension).
std::string WithWorkExtension(const std::string& name, std::string_view ext);

// The slot a mouse press at client point (x, y) selects: the left column (x 65..96) holds 1..10, the right
// one (x 190..222) 11..20, each cell 32 pixels high from y 0. Anywhere else the selection stays `current`.
int SlotAt(int x, int y, int current);

// The smallest n >= 1 for which no caption contains base followed by n in decimal.
int LowestFreeNumber(const std::vector<std::string>& captions, const std::string& base);

}  // namespace pf
