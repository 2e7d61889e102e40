#include "model/colour_reduction.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include "model/numeric_text.h"

namespace pf {

int ChannelValue(const PaletteEntry& colour, Channel channel) {
  switch (channel) {
    case Channel::Red:
      return colour.red;
    case Channel::Green:
      return colour.green;
    case Channel::Blue:
      return colour.blue;
  }
  return 0;
}

ChannelHistograms BuildChannelHistograms(const ColourSquare& square) {
  ChannelHistograms h{};
  for (const PaletteEntry& c : square) {
    ++h[0][c.red];
    ++h[1][c.green];
    ++h[2][c.blue];
  }
  return h;
}

int MedianCut(std::span<const std::uint16_t, 256> histogram, ChannelCuts& cuts) {
  // A value that already is a level belongs to no gap: counting it on both sides, as a shared cut would,
  // lets one dominant value win every later split and the channel never gets a second level.
  int bestLow = 0;
  std::int64_t bestTotal = -1;
  int low = 0;
  for (int k = 0; k <= cuts.count; ++k) {
    const int high = k < cuts.count ? cuts.sorted[static_cast<std::size_t>(k)] - 1 : 255;
    std::int64_t total = 0;
    for (int v = low; v <= high; ++v) total += histogram[static_cast<std::size_t>(v)];
    if (total > bestTotal) {
      bestTotal = total;
      bestLow = low;
    }
    if (k < cuts.count) low = cuts.sorted[static_cast<std::size_t>(k)] + 1;
  }
  if (bestTotal <= 0) return std::max(cuts.last, 0);

  std::int64_t running = 0;
  int j = bestLow;
  for (;; ++j) {
    running += histogram[static_cast<std::size_t>(j)];
    if (running > bestTotal / 2) break;
  }
  const auto end = cuts.sorted.begin() + cuts.count;
  const auto at = std::upper_bound(cuts.sorted.begin(), end, static_cast<std::uint8_t>(j));
  std::copy_backward(at, end, end + 1);
  *at = static_cast<std::uint8_t>(j);
  ++cuts.count;
  cuts.last = j;
  return j;
}

ChannelLevels MakeChannelLevels(const ChannelHistograms& histograms) {
  ChannelLevels levels{};
  std::array<ChannelCuts, 3> cuts{};
  for (auto& level : levels) {
    level.red = static_cast<std::uint8_t>(MedianCut(histograms[0], cuts[0]));
    level.green = static_cast<std::uint8_t>(MedianCut(histograms[1], cuts[1]));
    level.blue = static_cast<std::uint8_t>(MedianCut(histograms[2], cuts[2]));
  }
  return levels;
}

int NearestLevel(const ChannelLevels& levels, Channel channel, int value) {
  int best = 0;
  int bestDistance = 131071;
  for (int n = 0; n < kLevelCount; ++n) {
    const int d = ChannelValue(levels[static_cast<std::size_t>(n)], channel) - value;
    if (d * d < bestDistance) {
      bestDistance = d * d;
      best = n;
    }
  }
  return best;
}

LevelGrid BuildLevelGrid(const ColourSquare& square, const ChannelLevels& levels) {
  LevelGrid grid{};
  for (const PaletteEntry& c : square) {
    const int r = NearestLevel(levels, Channel::Red, c.red);
    const int g = NearestLevel(levels, Channel::Green, c.green);
    const int b = NearestLevel(levels, Channel::Blue, c.blue);
    ++grid[static_cast<std::size_t>(r + 16 * g + 256 * b)];
  }
  return grid;
}

namespace {

int SquaredDistance(const PaletteEntry& a, const PaletteEntry& b) {
  const int dr = a.red - b.red;
  const int dg = a.green - b.green;
  const int db = a.blue - b.blue;
  return dr * dr + dg * dg + db * db;
}

}  // namespace

PaletteChoice ChoosePalette(LevelGrid grid, const ChannelLevels& levels, int threshold) {
  PaletteChoice choice;
  int rejections = 0;
  // A distance below the threshold is a squared distance below its square; none is below zero.
  const std::int64_t limit = threshold > 0 ? std::int64_t{threshold} * threshold : 0;
  while (choice.accepted < kLevelCount) {
    // Grid order is red fastest, then green, then blue: a plain walk scans blue outermost.
    std::size_t fullest = 0;
    int bestCount = 0;
    for (std::size_t cell = 0; cell < grid.size(); ++cell) {
      if (grid[cell] > bestCount) {
        bestCount = grid[cell];
        fullest = cell;
      }
    }
    if (bestCount == 0) {
      choice.end = PaletteChoiceEnd::GridExhausted;
      return choice;
    }
    // Only the winner is used up, so a colour passed on the way stays available for later passes.
    grid[fullest] = 0;
    const PaletteEntry candidate{levels[fullest / 256].blue, levels[fullest / 16 % 16].green,
                                 levels[fullest % 16].red, 0};
    const auto taken = std::span(choice.palette).first(static_cast<std::size_t>(choice.accepted));
    const bool tooClose = std::any_of(taken.begin(), taken.end(), [&](const PaletteEntry& e) {
      return SquaredDistance(e, candidate) < limit;
    });
    if (tooClose) {
      if (++rejections > kMaxRejections) {
        choice.end = PaletteChoiceEnd::TooManyRejections;
        return choice;
      }
      continue;
    }
    choice.palette[static_cast<std::size_t>(choice.accepted++)] = candidate;
  }
  choice.end = PaletteChoiceEnd::Full;
  return choice;
}

ReducedIndices MapToPalette(const ColourSquare& square, const Palette& palette) {
  ReducedIndices indices{};
  for (int y = 0; y < kReductionEdge; ++y) {
    for (int x = 0; x < kReductionEdge; ++x) {
      const PaletteEntry& c = square[static_cast<std::size_t>(y * kReductionEdge + x)];
      int best = 0;
      int bestDistance = std::numeric_limits<int>::max();
      for (int i = 0; i < kLevelCount; ++i) {
        const int d = SquaredDistance(c, palette[static_cast<std::size_t>(i)]);
        if (d < bestDistance) {
          bestDistance = d;
          best = i;
        }
      }
      indices[static_cast<std::size_t>((kReductionEdge - 1 - y) * kReductionEdge + x)] =
          static_cast<std::uint8_t>(best);
    }
  }
  return indices;
}

ColourReduction ReduceColours(const ColourSquare& square, int threshold) {
  ColourReduction r;
  r.histograms = BuildChannelHistograms(square);
  r.levels = MakeChannelLevels(r.histograms);
  r.choice = ChoosePalette(BuildLevelGrid(square, r.levels), r.levels, threshold);
  r.indices = MapToPalette(square, r.choice.palette);
  return r;
}

int ThresholdFromText(std::string_view text) {
  const std::int64_t v = RoundHalfEven(ReadDecimal(text));
  return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<std::int16_t>::min(),
                                                   std::numeric_limits<std::int16_t>::max()));
}

}  // namespace pf
