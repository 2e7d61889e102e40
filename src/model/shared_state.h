// The one image state every window of the editor reads and writes.
//
// Pixels are kept in bitmap order: storage row 0 is the bottom row of the picture, element
// storageRow * 32 + x. The mask grid is the exception: it is addressed (x, y) with y counted from the
// top, the way the mask windows show it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "model/colour.h"

namespace pf {

inline constexpr int kIconSize = 32;
inline constexpr int kPixelCount = kIconSize * kIconSize;
inline constexpr int kPackedSize = kPixelCount / 2;  // two pixels per byte
inline constexpr int kMaskSize = kPixelCount / 8;    // one bit per pixel
inline constexpr int kHistorySize = 201;
inline constexpr int kPaletteSetCount = 20;

// One spare element behind the 1024 pixels: never shown or saved, but carried by whole-array copies.
using PixelArray = std::array<std::uint8_t, kPixelCount + 1>;
using PackedArray = std::array<std::uint8_t, kPackedSize + 1>;
using MaskArray = std::array<std::uint8_t, kMaskSize + 1>;
// MaskGrid[y * 32 + x], y from the top; 1 = transparent.
using MaskGridArray = std::array<std::uint8_t, kPixelCount>;

struct HistoryRecord {
  Palette palette{};
  std::array<std::uint8_t, kPixelCount> pixels{};
  std::array<std::uint8_t, kMaskSize> mask{};

  friend bool operator==(const HistoryRecord&, const HistoryRecord&) = default;
};

using DirEntry = std::array<std::uint8_t, 16>;
using ImageHeader = std::array<std::uint8_t, 40>;

struct BackgroundColourValue {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  ColorRef value = 0;
};

struct SharedState {
  // The current 16-colour icon.
  PixelArray IconPixels{};
  Palette IconPalette{};
  MaskArray IconMask{};
  MaskGridArray MaskGrid{};
  int TransparentIndex = 0;

  // Undo history: HistoryIndex is the record on screen, HistoryLast the furthest forward step.
  std::array<HistoryRecord, kHistorySize> History{};
  int HistoryIndex = -1;
  int HistoryLast = -1;
  PixelArray PixelSnapshot{};

  // Header copies of the last icon or bitmap file read.
  std::array<std::uint8_t, 6> IconDirHeader{};
  std::vector<DirEntry> IconDirEntries;
  std::vector<ImageHeader> IconImageHeaders;
  std::array<std::uint8_t, 14> BitmapFileHeader{};
  std::int16_t BitmapWidth = 0;
  std::int16_t BitmapHeight = 0;

  BackgroundColourValue BackgroundColour;

  // Palette sets of the palette-set file; row after row.
  std::array<Palette, kPaletteSetCount> PaletteSets{};
  int CurrentPaletteSet = 0;

  // Open flags of the tool windows the main window routes input by.
  bool Form1Open = false;
  bool Form2Open = false;
  bool Form3Open = false;
  bool Form4Open = false;
  bool Form5Open = false;
  bool Form7Open = false;
  bool Form8Open = false;
  bool Form9Open = false;
  bool Form15Open = false;

  // Line paint settings.
  bool LinePaintVertical = false;
  bool LinePaintStopAtOther = true;

  // Full colour icon: 3 * S * S bytes blue/green/red, bottom row first, and its S * S / 8 byte mask.
  std::vector<std::uint8_t> FullColourPixels;
  std::int32_t FullColourPixelBytes = 0;
  std::vector<std::uint8_t> FullColourMask;
  static constexpr std::array<int, 4> FullColourSizes{32, 64, 96, 128};
  static constexpr std::array<int, 4> FullColourSlotTops{0, 40, 120, 220};
  bool fFullColourOpen = false;
  bool fMaskFormOpen = false;
  bool Form13Open = false;
};

}  // namespace pf
