// Reducing a 32 x 32 full colour square to a 16-colour palette and the indices into it.
//
// Each channel gets 16 levels by a one-dimensional median cut over its histogram; every pixel is snapped
// to its nearest level per channel; the fullest snapped colours, weighed by their distance from the colours
// already taken, become the palette, skipping any closer than a threshold to a colour already taken;
// finally each pixel takes its nearest palette colour.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/colour.h"

namespace pf {

inline constexpr int kReductionEdge = 32;
inline constexpr int kReductionPixels = kReductionEdge * kReductionEdge;
inline constexpr int kLevelCount = 16;

// The square to reduce, element y * 32 + x with y counted from the top.
using ColourSquare = std::array<PaletteEntry, kReductionPixels>;
// Palette indices, bottom row first like IconPixels.
using ReducedIndices = std::array<std::uint8_t, kReductionPixels>;

enum class Channel { Red = 0, Green = 1, Blue = 2 };
using ChannelHistogram = std::array<std::uint16_t, 256>;
// Red, green, blue.
using ChannelHistograms = std::array<ChannelHistogram, 3>;

int ChannelValue(const PaletteEntry& colour, Channel channel);
// The pixels of any picture of at most kReductionPixels pixels (a ColourSquare is one).
ChannelHistograms BuildChannelHistograms(std::span<const PaletteEntry> pixels);

// The levels a channel has been given so far, sorted. The values between two neighbouring levels (and
// below the first, above the last) form a gap that no level represents yet.
struct ChannelCuts {
  std::array<std::uint8_t, 256> sorted{};
  int count = 0;
  int last = -1;  // the level made by the previous cut
};

// One split. A gap is weighed by how far its pixels lie from their nearest level (the sum of the squared
// distances; before the first level every pixel weighs one); the first gap of the greatest weight is cut at
// its median, the first value at which the running count passes half the gap's count. That value, which
// always occurs in the histogram, becomes a level and is returned. When every pixel already sits on a
// level the previous level is repeated (0 before any).
int MedianCut(std::span<const std::uint16_t, 256> histogram, ChannelCuts& cuts);

// Entry i holds the i-th level made for each channel, in the order the cuts made them.
using ChannelLevels = Palette;
ChannelLevels MakeChannelLevels(const ChannelHistograms& histograms);

// The index of the level nearest to a value; the lowest index among equally near ones.
int NearestLevel(const ChannelLevels& levels, Channel channel, int value);

// Pixels per snapped colour, cell red index + 16 * green index + 256 * blue index.
using LevelGrid = std::array<std::uint16_t, kLevelCount * kLevelCount * kLevelCount>;
LevelGrid BuildLevelGrid(std::span<const PaletteEntry> pixels, const ChannelLevels& levels);

enum class PaletteChoiceEnd {
  Full,               // 16 colours taken
  GridExhausted,      // no snapped colour left; the rest stays black
  TooManyRejections,  // over 100 candidates were too close; the threshold should be smaller
};
inline constexpr int kMaxRejections = 100;

struct PaletteChoice {
  Palette palette{};  // entries beyond `accepted` are black
  int accepted = 0;
  PaletteChoiceEnd end = PaletteChoiceEnd::Full;
};

// Takes the cell of the greatest weight again and again and keeps its colour unless it lies closer than
// `threshold` to one already kept. A cell weighs its count times the squared distance from its colour to
// the nearest colour kept so far, so the fullest cell comes first; among equals the first in blue, green,
// red order wins. Each cell is proposed once; every candidate turned down counts once towards the limit.
PaletteChoice ChoosePalette(const LevelGrid& grid, const ChannelLevels& levels, int threshold);

// The nearest palette colour for every pixel, the lowest index among equally near ones. Black entries
// left over by the choice take part like any other.
ReducedIndices MapToPalette(const ColourSquare& square, const Palette& palette);

struct ColourReduction {
  ChannelHistograms histograms{};
  ChannelLevels levels{};
  PaletteChoice choice;
  ReducedIndices indices{};
};
ColourReduction ReduceColours(const ColourSquare& square, int threshold);

// The palette the reduction above chooses for any picture of at most kReductionPixels pixels: for a
// 32 x 32 square exactly ReduceColours' choice.
PaletteChoice ReducePalette(std::span<const PaletteEntry> pixels, int threshold);

// The nearest palette index of every pixel, in the pixels' own order; the lowest index among equally near
// ones, as MapToPalette picks it.
std::vector<std::uint8_t> NearestIndices(std::span<const PaletteEntry> pixels, const Palette& palette);

// The sum over the pixels of the squared distance to their nearest palette colour: what mapping onto the
// palette loses.
std::int64_t ReductionError(std::span<const PaletteEntry> pixels, const Palette& palette);

// Refines a palette for the pixels by rounds of moving each colour to the mean of the pixels it serves
// (a colour serving none goes to the worst served pixel) and mapping again. A move that would bring two
// colours closer than `threshold` is not made, unless they were closer already and grow apart. Rounds
// stop when one no longer lowers the error; the result's ReductionError is never above `start`'s. Only
// the first `entries` colours serve and move; the rest are left as they are (a palette keeping one entry
// for transparent pixels refines the others).
Palette RefinePalette(std::span<const PaletteEntry> pixels, const Palette& start, int threshold,
                      int entries = kLevelCount);

// The threshold typed into a text box: its leading number rounded half to even and held within 16 bits,
// so no text can overflow it.
int ThresholdFromText(std::string_view text);

}  // namespace pf
