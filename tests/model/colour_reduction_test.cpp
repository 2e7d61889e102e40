#include "model/colour_reduction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace pf {
namespace {

PaletteEntry Bgr(int red, int green, int blue) {
  return PaletteEntry{static_cast<std::uint8_t>(blue), static_cast<std::uint8_t>(green),
                      static_cast<std::uint8_t>(red), 0};
}

ColourSquare Filled(const PaletteEntry& c) {
  ColourSquare s;
  s.fill(c);
  return s;
}

// The cut done the long way: every value not yet a level is given to the gap it lies in and weighs its
// pixels times the squared distance to the nearest level, found by trying every level.
class SlowCuts {
 public:
  int cut(const ChannelHistogram& h) {
    std::vector<long> weights(levels_.size() + 1, 0);
    std::vector<long> totals(levels_.size() + 1, 0);
    for (int v = 0; v < 256; ++v) {
      const long n = h[static_cast<std::size_t>(v)];
      if (isLevel(v) || n == 0) continue;
      long nearest = levels_.empty() ? 1 : 1L << 30;
      for (const int l : levels_) nearest = std::min<long>(nearest, long{l - v} * (l - v));
      weights[gapOf(v)] += n * nearest;
      totals[gapOf(v)] += n;
    }
    std::size_t best = 0;
    for (std::size_t k = 1; k < weights.size(); ++k) {
      if (weights[k] > weights[best]) best = k;
    }
    if (weights[best] == 0) return levels_.empty() ? 0 : lastLevel_;
    long running = 0;
    for (int v = 0; v < 256; ++v) {
      if (isLevel(v) || gapOf(v) != best) continue;
      running += h[static_cast<std::size_t>(v)];
      if (running > totals[best] / 2) {
        levels_.push_back(v);
        std::sort(levels_.begin(), levels_.end());
        lastLevel_ = v;
        return v;
      }
    }
    ADD_FAILURE() << "no median found";
    return -1;
  }

 private:
  bool isLevel(int v) const { return std::find(levels_.begin(), levels_.end(), v) != levels_.end(); }
  std::size_t gapOf(int v) const {
    return static_cast<std::size_t>(
        std::count_if(levels_.begin(), levels_.end(), [v](int l) { return l < v; }));
  }
  std::vector<int> levels_;
  int lastLevel_ = 0;
};

TEST(ColourReductionTest, MedianCutAgreesWithTheLongWayOnRandomHistograms) {
  std::mt19937 rng(20240611);
  for (int round = 0; round < 300; ++round) {
    ChannelHistogram h{};
    // Sparse ones with a few heavy values as well as ones spread over the whole range.
    const int distinct = 1 + static_cast<int>(rng() % (round % 3 == 0 ? 256 : 8));
    for (int i = 0; i < distinct; ++i) h[rng() % 256] += static_cast<std::uint16_t>(1 + rng() % 300);
    ChannelCuts cuts;
    SlowCuts slow;
    std::vector<int> made;
    for (int i = 0; i < 40; ++i) {
      const int expected = slow.cut(h);
      ASSERT_EQ(MedianCut(h, cuts), expected) << "round " << round << " cut " << i;
      made.push_back(expected);
    }
    // Every level is a value that occurs, and new levels keep coming while any value is left without one.
    const auto occurring = std::count_if(h.begin(), h.end(), [](std::uint16_t n) { return n > 0; });
    std::sort(made.begin(), made.end());
    const auto levels = std::unique(made.begin(), made.end()) - made.begin();
    EXPECT_EQ(levels, std::min<long>(occurring, 40)) << "round " << round;
    for (auto l = made.begin(); l != made.begin() + levels; ++l)
      EXPECT_GT(h[static_cast<std::size_t>(*l)], 0);
  }
}

TEST(ColourReductionTest, SingleColourGivesThatColourEverywhere) {
  for (const PaletteEntry c : {Bgr(0, 128, 255), Bgr(255, 0, 7), Bgr(90, 90, 90)}) {
    const ColourReduction r = ReduceColours(Filled(c), 10);
    for (const PaletteEntry& level : r.levels) EXPECT_EQ(level, c);
    EXPECT_EQ(r.histograms[0][c.red], 1024);
    EXPECT_EQ(r.histograms[1][c.green], 1024);
    EXPECT_EQ(r.histograms[2][c.blue], 1024);
    EXPECT_EQ(r.choice.accepted, 1);
    EXPECT_EQ(r.choice.end, PaletteChoiceEnd::GridExhausted);
    EXPECT_EQ(r.choice.palette[0], c);
    for (std::size_t i = 1; i < 16; ++i) EXPECT_EQ(r.choice.palette[i], PaletteEntry{});
    EXPECT_TRUE(std::all_of(r.indices.begin(), r.indices.end(), [](std::uint8_t i) { return i == 0; }));
  }
}

TEST(ColourReductionTest, LevelsKeepCreationOrderAndTiesSnapToTheLowerIndex) {
  ChannelHistograms h{};
  h[0][10] = 100;
  h[0][50] = 300;
  h[0][200] = 100;
  const ChannelLevels levels = MakeChannelLevels(h);
  // Median of everything; then 200, which lies farther from it than 10 with as many pixels; then 10; then
  // nothing is left and the last level repeats.
  const int expected[16] = {50, 200, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
  for (std::size_t i = 0; i < 16; ++i) EXPECT_EQ(levels[i].red, expected[i]) << i;
  // An empty histogram gives zero levels rather than running off the end.
  EXPECT_EQ(levels[0].green, 0);
  EXPECT_EQ(levels[15].blue, 0);

  struct Case {
    int value;
    int index;
  };
  // 30 is as near 10 (index 2) as 50 (index 0); 125 as near 50 as 200 (index 1).
  for (const Case c : {Case{30, 0}, Case{29, 2}, Case{125, 0}, Case{126, 1}, Case{255, 1}, Case{0, 2}}) {
    EXPECT_EQ(NearestLevel(levels, Channel::Red, c.value), c.index) << c.value;
  }
  EXPECT_EQ(NearestLevel(levels, Channel::Green, 255), 0);
}

TEST(ColourReductionTest, MappingTakesTheLowerIndexOnTiesAndBlackEntriesCount) {
  Palette p{};
  p[0] = Bgr(10, 0, 0);
  p[1] = Bgr(30, 0, 0);
  p[2] = Bgr(200, 200, 200);
  p[3] = Bgr(200, 200, 200);
  for (std::size_t i = 4; i < 16; ++i) p[i] = Bgr(255, 255, 255);
  p[9] = Bgr(0, 0, 0);  // a black entry left over
  ColourSquare s = Filled(Bgr(20, 0, 0));
  s[0] = Bgr(201, 199, 200);  // top left
  s[31] = Bgr(2, 0, 0);       // top right
  s[1023] = Bgr(250, 255, 255);
  const ReducedIndices m = MapToPalette(s, p);
  EXPECT_EQ(m[31 * 32], 2);       // top row is stored last; 2 and 3 tie
  EXPECT_EQ(m[31 * 32 + 31], 9);  // black is nearer than 10,0,0
  EXPECT_EQ(m[31], 4);            // bottom right: the first white
  EXPECT_EQ(m[0], 0);             // 20 is as near 10 as 30
}

TEST(ColourReductionTest, SixteenSeparateColoursComeThroughExactly) {
  ColourSquare s;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const int k = static_cast<int>(i % 16);
    s[i] = Bgr(k * 16, 255 - k * 16, k * 37 % 256);
  }
  const ColourReduction r = ReduceColours(s, 10);
  EXPECT_EQ(r.choice.accepted, 16);
  EXPECT_EQ(r.choice.end, PaletteChoiceEnd::Full);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const auto index = r.indices[static_cast<std::size_t>((31 - y) * 32 + x)];
      ASSERT_EQ(r.choice.palette[index], s[static_cast<std::size_t>(y * 32 + x)]) << x << "," << y;
    }
  }
}

TEST(ColourReductionTest, TwoFarColoursAreTheFirstTwoEntriesWhicheverIsFuller) {
  // The second pair shares its green, so that channel has a single level, repeated.
  const std::pair<PaletteEntry, PaletteEntry> pairs[] = {{Bgr(200, 30, 40), Bgr(20, 220, 100)},
                                                         {Bgr(0, 128, 255), Bgr(255, 128, 0)}};
  for (const auto& [a, b] : pairs) {
    for (const int countA : {384, 400, 512, 640, 1000}) {
      ColourSquare s = Filled(b);
      std::fill_n(s.begin(), countA, a);
      const ColourReduction r = ReduceColours(s, 10);
      ASSERT_EQ(r.choice.accepted, 2) << countA;
      EXPECT_EQ(r.choice.end, PaletteChoiceEnd::GridExhausted);
      // At 512 each, a channel's running count passes half only at the higher value, which becomes level
      // 0; blue is scanned outermost, so the colour with the higher blue comes first.
      const bool aFirst = countA > 512 || (countA == 512 && a.blue > b.blue);
      EXPECT_EQ(r.choice.palette[0], aFirst ? a : b) << countA;
      EXPECT_EQ(r.choice.palette[1], aFirst ? b : a) << countA;
      EXPECT_EQ(r.choice.palette[2], PaletteEntry{});
      for (int i = 0; i < 1024; ++i) {
        const int y = i / 32;
        const int x = i % 32;
        ASSERT_EQ(r.choice.palette[r.indices[static_cast<std::size_t>((31 - y) * 32 + x)]],
                  s[static_cast<std::size_t>(i)]);
      }
    }
  }
}

TEST(ColourReductionTest, AColourPassedOnTheWayToAFullerOneIsStillTaken) {
  // The middle colour gets the first level of every channel, so the scan meets it before the fuller one.
  ColourSquare s = Filled(Bgr(200, 200, 200));  // 400
  std::fill_n(s.begin(), 300, Bgr(100, 100, 100));
  std::fill_n(s.begin() + 300, 324, Bgr(10, 10, 10));
  const ColourReduction r = ReduceColours(s, 10);
  EXPECT_EQ(r.levels[0].red, 100);
  ASSERT_EQ(r.choice.accepted, 3);
  EXPECT_EQ(r.choice.palette[0], Bgr(200, 200, 200));
  EXPECT_EQ(r.choice.palette[1], Bgr(10, 10, 10));
  EXPECT_EQ(r.choice.palette[2], Bgr(100, 100, 100));
}

TEST(ColourReductionTest, AFarColourOfFewPixelsIsTakenBeforeShadesOfTheBackground) {
  // Levels 255, 245, ..., 115 and 0 in every channel. White fills 100 pixels; fifteen light shades of it,
  // 10 apart, 10 pixels each; black only 5. Taken by count alone, the shades would fill the palette.
  ChannelLevels levels{};
  for (std::size_t i = 0; i < 16; ++i) {
    const auto v = static_cast<std::uint8_t>(i == 15 ? 0 : 255 - 10 * i);
    levels[i] = {v, v, v, 0};
  }
  LevelGrid grid{};
  grid[0] = 100;
  for (std::size_t r = 0; r < 4; ++r) {
    for (std::size_t g = 0; g < 4; ++g) grid[r + 16 * g] += (r + g > 0) ? 10 : 0;
  }
  grid[15 + 16 * 15 + 256 * 15] = 5;
  const PaletteChoice c = ChoosePalette(grid, levels, 10);
  EXPECT_EQ(c.end, PaletteChoiceEnd::Full);
  EXPECT_EQ(c.palette[0], Bgr(255, 255, 255));
  EXPECT_EQ(c.palette[1], Bgr(0, 0, 0));
  EXPECT_EQ(c.palette[2], Bgr(225, 225, 255));  // the shade farthest from white
}

// The choice done the long way: every pass measures every unused cell against every colour taken.
PaletteChoice SlowChoice(const LevelGrid& grid, const ChannelLevels& levels, int threshold) {
  PaletteChoice choice;
  std::vector<bool> used(grid.size());
  int rejections = 0;
  auto colourOf = [&](std::size_t cell) {
    return Bgr(levels[cell % 16].red, levels[cell / 16 % 16].green, levels[cell / 256].blue);
  };
  auto distance = [](const PaletteEntry& a, const PaletteEntry& b) {
    return (a.red - b.red) * (a.red - b.red) + (a.green - b.green) * (a.green - b.green) +
           (a.blue - b.blue) * (a.blue - b.blue);
  };
  while (choice.accepted < 16) {
    long bestWeight = -1;
    std::size_t best = 0;
    for (std::size_t cell = 0; cell < grid.size(); ++cell) {
      if (grid[cell] == 0 || used[cell]) continue;
      long nearest = choice.accepted == 0 ? 1 : 1L << 30;
      for (int i = 0; i < choice.accepted; ++i)
        nearest =
            std::min<long>(nearest, distance(choice.palette[static_cast<std::size_t>(i)], colourOf(cell)));
      if (grid[cell] * nearest > bestWeight) {
        bestWeight = grid[cell] * nearest;
        best = cell;
      }
    }
    if (bestWeight < 0) {
      choice.end = PaletteChoiceEnd::GridExhausted;
      return choice;
    }
    used[best] = true;
    bool tooClose = false;
    for (int i = 0; i < choice.accepted; ++i)
      tooClose |=
          distance(choice.palette[static_cast<std::size_t>(i)], colourOf(best)) < threshold * threshold;
    if (!tooClose) {
      choice.palette[static_cast<std::size_t>(choice.accepted++)] = colourOf(best);
    } else if (++rejections > 100) {
      choice.end = PaletteChoiceEnd::TooManyRejections;
      return choice;
    }
  }
  return choice;
}

TEST(ColourReductionTest, ChoiceAgreesWithTheLongWayOnRandomGrids) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    ChannelLevels levels{};
    // Narrow level ranges give many near colours and rejections; repeated levels give equal colours.
    const unsigned spread = round % 2 == 0 ? 256 : 40;
    for (auto& l : levels)
      l = Bgr(static_cast<int>(rng() % spread), static_cast<int>(rng() % spread),
              static_cast<int>(rng() % spread));
    LevelGrid grid{};
    const int cells = 1 + static_cast<int>(rng() % 300);
    for (int i = 0; i < cells; ++i) grid[rng() % grid.size()] += static_cast<std::uint16_t>(1 + rng() % 20);
    const int threshold = static_cast<int>(rng() % 40);
    const PaletteChoice fast = ChoosePalette(grid, levels, threshold);
    const PaletteChoice slow = SlowChoice(grid, levels, threshold);
    ASSERT_EQ(fast.accepted, slow.accepted) << "round " << round;
    ASSERT_EQ(fast.end, slow.end) << "round " << round;
    ASSERT_EQ(fast.palette, slow.palette) << "round " << round;
  }
}

TEST(ColourReductionTest, ThresholdTurnsDownNearColoursAndGivesUpAfterAHundred) {
  ColourSquare near = Filled(Bgr(100, 100, 100));
  std::fill_n(near.begin(), 300, Bgr(104, 104, 104));  // about 6.9 apart
  EXPECT_EQ(ReduceColours(near, 10).choice.accepted, 1);
  EXPECT_EQ(ReduceColours(near, 10).choice.end, PaletteChoiceEnd::GridExhausted);
  EXPECT_EQ(ReduceColours(near, 7).choice.accepted, 1);  // 6.93 is below 7
  EXPECT_EQ(ReduceColours(near, 6).choice.accepted, 2);
  EXPECT_EQ(ReduceColours(near, -5).choice.accepted, 2);  // nothing is nearer than a negative distance

  // A gradient fills far more than a hundred cells; a threshold no two colours can meet stops the choice.
  ColourSquare gradient;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x)
      gradient[static_cast<std::size_t>(y * 32 + x)] = Bgr(x * 8, y * 8, (x + y) * 4);
  }
  const ColourReduction huge = ReduceColours(gradient, 32767);
  EXPECT_EQ(huge.choice.end, PaletteChoiceEnd::TooManyRejections);
  EXPECT_EQ(huge.choice.accepted, 1);
  for (std::size_t i = 1; i < 16; ++i) EXPECT_EQ(huge.choice.palette[i], PaletteEntry{});
  const ColourReduction fine = ReduceColours(gradient, 10);
  EXPECT_EQ(fine.choice.end, PaletteChoiceEnd::Full);
  for (std::size_t i = 0; i < 16; ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      const int dr = fine.choice.palette[i].red - fine.choice.palette[j].red;
      const int dg = fine.choice.palette[i].green - fine.choice.palette[j].green;
      const int db = fine.choice.palette[i].blue - fine.choice.palette[j].blue;
      EXPECT_GE(dr * dr + dg * dg + db * db, 100) << i << "," << j;
    }
  }
}

TEST(ColourReductionTest, ThresholdTextIsRoundedAndHeldWithinSixteenBits) {
  struct Case {
    const char* text;
    int value;
  };
  for (const Case c :
       {Case{"10", 10}, Case{"12.5", 12}, Case{"13.5", 14}, Case{" 15abc", 15}, Case{"", 0}, Case{"abc", 0},
        Case{"1e99", 32767}, Case{"-1e99", -32768}, Case{"32767.6", 32767}, Case{"-7", -7}}) {
    EXPECT_EQ(ThresholdFromText(c.text), c.value) << c.text;
  }
}

}  // namespace
}  // namespace pf
