#include "model/colour_reduction.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

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

ChannelHistograms BuildChannelHistograms(std::span<const PaletteEntry> pixels) {
  ChannelHistograms h{};
  for (const PaletteEntry& c : pixels) {
    ++h[0][c.red];
    ++h[1][c.green];
    ++h[2][c.blue];
  }
  return h;
}

int MedianCut(std::span<const std::uint16_t, 256> histogram, ChannelCuts& cuts) {
  // A value that already is a level belongs to no gap: counting it on both sides, as a shared cut would,
  // lets one dominant value win every later split and the channel never gets a second level.
  // Gaps are weighed by how badly the levels made so far serve their pixels (each pixel's squared distance
  // to its nearest level), not by their pixel count alone: by count, a crowded dark background takes every
  // level and a few far brighter pixels are left snapping to a level a hundred values away.
  int bestLow = 0;
  std::int64_t bestTotal = 0;
  std::int64_t bestWeight = 0;
  int low = 0;
  for (int k = 0; k <= cuts.count; ++k) {
    const bool levelAbove = k < cuts.count;
    const int above = levelAbove ? cuts.sorted[static_cast<std::size_t>(k)] : 256;
    const int below = k > 0 ? cuts.sorted[static_cast<std::size_t>(k - 1)] : -1;
    std::int64_t total = 0;
    std::int64_t weight = 0;
    for (int v = low; v < above; ++v) {
      const std::int64_t n = histogram[static_cast<std::size_t>(v)];
      if (n == 0) continue;
      // Before the first level there is nothing to be near; every pixel weighs the same.
      std::int64_t d = 1;
      if (below >= 0) d = v - below;
      if (levelAbove && (below < 0 || above - v < d)) d = above - v;
      total += n;
      weight += n * d * d;
    }
    if (weight > bestWeight) {
      bestWeight = weight;
      bestTotal = total;
      bestLow = low;
    }
    low = above + 1;
  }
  if (bestWeight == 0) return std::max(cuts.last, 0);

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

LevelGrid BuildLevelGrid(std::span<const PaletteEntry> pixels, const ChannelLevels& levels) {
  LevelGrid grid{};
  for (const PaletteEntry& c : pixels) {
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

PaletteChoice ChoosePalette(const LevelGrid& grid, const ChannelLevels& levels, int threshold) {
  // The snapped colours that occur, in grid order: red fastest, then green, then blue.
  struct Cell {
    int count;
    PaletteEntry colour;
    // Squared distance to the nearest colour taken so far; before any is taken, more than any distance.
    std::int64_t nearest;
  };
  constexpr std::int64_t kFarther = 3 * 255 * 255 + 1;
  std::vector<Cell> cells;
  for (std::size_t cell = 0; cell < grid.size(); ++cell) {
    if (grid[cell] == 0) continue;
    cells.push_back(
        {grid[cell],
         PaletteEntry{levels[cell / 256].blue, levels[cell / 16 % 16].green, levels[cell % 16].red, 0},
         kFarther});
  }

  PaletteChoice choice;
  int rejections = 0;
  // A distance below the threshold is a squared distance below its square; none is below zero.
  const std::int64_t limit = threshold > 0 ? std::int64_t{threshold} * threshold : 0;
  while (choice.accepted < kLevelCount) {
    // The fullest cell weighed by its distance from the colours already taken: by count alone, a cluster
    // whose pixels spread over many cells (an antialiased edge, a small shaded shape) loses every turn to
    // shades of the background and ends up with no colour of its own. The first cell in grid order wins
    // among equals, and only the winner is used up.
    Cell* best = nullptr;
    std::int64_t bestWeight = -1;
    for (Cell& c : cells) {
      if (c.count == 0) continue;
      const std::int64_t weight = c.count * c.nearest;
      if (weight > bestWeight) {
        bestWeight = weight;
        best = &c;
      }
    }
    if (best == nullptr) {
      choice.end = PaletteChoiceEnd::GridExhausted;
      return choice;
    }
    best->count = 0;
    const PaletteEntry candidate = best->colour;
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
    for (Cell& c : cells) c.nearest = std::min<std::int64_t>(c.nearest, SquaredDistance(c.colour, candidate));
  }
  choice.end = PaletteChoiceEnd::Full;
  return choice;
}

namespace {

// The nearest entry (the lowest index among equally near ones) and its squared distance.
std::pair<int, int> Nearest(const PaletteEntry& c, const Palette& palette, int entries = kLevelCount) {
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < entries; ++i) {
    const int d = SquaredDistance(c, palette[static_cast<std::size_t>(i)]);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return {best, bestDistance};
}

}  // namespace

ReducedIndices MapToPalette(const ColourSquare& square, const Palette& palette) {
  ReducedIndices indices{};
  for (int y = 0; y < kReductionEdge; ++y) {
    for (int x = 0; x < kReductionEdge; ++x) {
      const PaletteEntry& c = square[static_cast<std::size_t>(y * kReductionEdge + x)];
      indices[static_cast<std::size_t>((kReductionEdge - 1 - y) * kReductionEdge + x)] =
          static_cast<std::uint8_t>(Nearest(c, palette).first);
    }
  }
  return indices;
}

PaletteChoice ReducePalette(std::span<const PaletteEntry> pixels, int threshold) {
  const ChannelLevels levels = MakeChannelLevels(BuildChannelHistograms(pixels));
  return ChoosePalette(BuildLevelGrid(pixels, levels), levels, threshold);
}

std::vector<std::uint8_t> NearestIndices(std::span<const PaletteEntry> pixels, const Palette& palette) {
  std::vector<std::uint8_t> indices(pixels.size());
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    indices[i] = static_cast<std::uint8_t>(Nearest(pixels[i], palette).first);
  }
  return indices;
}

std::int64_t ReductionError(std::span<const PaletteEntry> pixels, const Palette& palette) {
  std::int64_t sum = 0;
  for (const PaletteEntry& c : pixels) sum += Nearest(c, palette).second;
  return sum;
}

namespace {

std::int64_t ErrorOver(std::span<const PaletteEntry> pixels, const Palette& palette, int entries) {
  std::int64_t sum = 0;
  for (const PaletteEntry& c : pixels) sum += Nearest(c, palette, entries).second;
  return sum;
}

// Whether entry n may move to `target`: no other entry ends closer than the limit, unless it was closer
// already and the move takes them apart.
bool MayMove(const Palette& palette, int entries, int n, const PaletteEntry& target, std::int64_t limit) {
  const PaletteEntry& from = palette[static_cast<std::size_t>(n)];
  for (int m = 0; m < entries; ++m) {
    if (m == n) continue;
    const PaletteEntry& other = palette[static_cast<std::size_t>(m)];
    const int after = SquaredDistance(target, other);
    if (after < limit && after <= SquaredDistance(from, other)) return false;
  }
  return true;
}

struct Assignment {
  std::array<std::int64_t, kLevelCount> red{}, green{}, blue{}, count{};
  // Pixels by how badly they are served, worst first; those served exactly are left out.
  std::vector<std::pair<int, std::size_t>> worst;
};

Assignment Assign(std::span<const PaletteEntry> pixels, const Palette& palette, int entries) {
  Assignment a;
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    const auto [index, distance] = Nearest(pixels[i], palette, entries);
    const auto k = static_cast<std::size_t>(index);
    a.red[k] += pixels[i].red;
    a.green[k] += pixels[i].green;
    a.blue[k] += pixels[i].blue;
    ++a.count[k];
    if (distance > 0) a.worst.emplace_back(distance, i);
  }
  std::stable_sort(a.worst.begin(), a.worst.end(),
                   [](const auto& x, const auto& y) { return x.first > y.first; });
  return a;
}

// Moves entry n to the worst served pixel it may move to; false when there is none.
bool MoveToWorst(std::span<const PaletteEntry> pixels, const Assignment& a, Palette& palette, int entries,
                 int n, std::int64_t limit, std::size_t& next) {
  for (; next < a.worst.size(); ++next) {
    PaletteEntry target = pixels[a.worst[next].second];
    target.reserved = 0;
    if (MayMove(palette, entries, n, target, limit)) {
      palette[static_cast<std::size_t>(n)] = target;
      ++next;
      return true;
    }
  }
  return false;
}

// Rounds of moving every entry to the mean of its pixels (an entry serving none to the worst served
// pixel), as long as each round lowers the error.
void Settle(std::span<const PaletteEntry> pixels, Palette& best, int entries, std::int64_t& bestError,
            std::int64_t limit) {
  constexpr int kMaxRounds = 32;
  for (int round = 0; round < kMaxRounds && bestError > 0; ++round) {
    const Assignment a = Assign(pixels, best, entries);
    std::size_t next = 0;
    Palette moved = best;
    for (int n = 0; n < entries; ++n) {
      const auto k = static_cast<std::size_t>(n);
      if (a.count[k] == 0) {
        MoveToWorst(pixels, a, moved, entries, n, limit, next);
        continue;
      }
      const auto mean = [&a, k](std::int64_t total) {
        return static_cast<std::uint8_t>(RoundHalfEven(static_cast<double>(total) / a.count[k]));
      };
      const PaletteEntry target{mean(a.blue[k]), mean(a.green[k]), mean(a.red[k]), 0};
      if (MayMove(moved, entries, n, target, limit)) moved[k] = target;
    }
    const std::int64_t error = ErrorOver(pixels, moved, entries);
    if (error >= bestError) return;
    best = moved;
    bestError = error;
  }
}

}  // namespace

Palette RefinePalette(std::span<const PaletteEntry> pixels, const Palette& start, int threshold,
                      int entries) {
  entries = std::clamp(entries, 1, kLevelCount);
  const std::int64_t limit = threshold > 0 ? std::int64_t{threshold} * threshold : 0;
  Palette best = start;
  std::int64_t bestError = ErrorOver(pixels, best, entries);
  Settle(pixels, best, entries, bestError, limit);
  // The rounds stop in the nearest good palette. Moving the entry that serves the fewest pixels to the
  // worst served one and settling again often finds a better one; stop when it no longer does.
  constexpr int kMaxJumps = 16;
  for (int jump = 0; jump < kMaxJumps && bestError > 0; ++jump) {
    const Assignment a = Assign(pixels, best, entries);
    const auto fewest = std::min_element(a.count.begin(), a.count.begin() + entries) - a.count.begin();
    Palette trial = best;
    std::size_t next = 0;
    if (!MoveToWorst(pixels, a, trial, entries, static_cast<int>(fewest), limit, next)) break;
    std::int64_t trialError = ErrorOver(pixels, trial, entries);
    Settle(pixels, trial, entries, trialError, limit);
    if (trialError >= bestError) break;
    best = trial;
    bestError = trialError;
  }
  return best;
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
