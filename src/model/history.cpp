#include "model/history.h"

#include <algorithm>
#include <cstring>

#include "model/packing.h"

namespace pf {

bool RecordHistory(SharedState& s) {
  if (s.IconPixels == s.PixelSnapshot) return false;
  if (s.HistoryIndex >= kHistorySize - 1) {
    // Full: the oldest record is dropped and the new one takes the last slot.
    std::move(s.History.begin() + 1, s.History.end(), s.History.begin());
    s.HistoryIndex = kHistorySize - 1;
  } else {
    // After stepping back, the new record overwrites the next slot; records beyond it stay reachable.
    if (s.HistoryIndex == s.HistoryLast) ++s.HistoryLast;
    ++s.HistoryIndex;
  }
  HistoryRecord& r = s.History[static_cast<std::size_t>(s.HistoryIndex)];
  r.palette = s.IconPalette;
  std::memcpy(r.pixels.data(), s.IconPixels.data(), kPixelCount);
  PackMask(s.MaskGrid, r.mask);
  s.PixelSnapshot = s.IconPixels;
  return true;
}

int StepHistory(SharedState& s, int direction) {
  if (direction == 0) {
    if (s.HistoryIndex < 0) return -1;
    s.HistoryIndex = std::max(0, s.HistoryIndex - 1);
  } else if (direction == 1) {
    if (s.HistoryIndex >= s.HistoryLast) return -1;
    ++s.HistoryIndex;
  } else {
    return -1;
  }
  const HistoryRecord& r = s.History[static_cast<std::size_t>(s.HistoryIndex)];
  s.IconPalette = r.palette;
  std::memcpy(s.IconPixels.data(), r.pixels.data(), kPixelCount);
  std::memcpy(s.IconMask.data(), r.mask.data(), kMaskSize);
  UnpackMask(std::span<const std::uint8_t>(s.IconMask.data(), kMaskSize), s.MaskGrid);
  s.PixelSnapshot.fill(0);
  return 0;
}

std::string HistoryLabel(const SharedState& s) {
  return std::to_string(s.HistoryIndex) + "/" + std::to_string(s.HistoryLast);
}

}  // namespace pf
