#include "model/flood_fill.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/image_ops.h"

namespace pf {
namespace {

// Rows from the top, one digit per pixel, drawn into the top-left corner of a picture of `fill`.
Image32 Picture(const std::vector<std::string>& rows, int fill = 0) {
  Image32 p{};
  p.fill(static_cast<std::uint8_t>(fill));
  for (std::size_t y = 0; y < rows.size(); ++y)
    for (std::size_t x = 0; x < rows[y].size(); ++x) p[(31 - y) * 32 + x] = std::uint8_t(rows[y][x] - '0');
  return p;
}
std::vector<std::string> Corner(const Image32& p, int w, int h) {
  std::vector<std::string> rows;
  for (int y = 0; y < h; ++y) {
    std::string r;
    for (int x = 0; x < w; ++x) r += char('0' + p[(31 - y) * 32 + x]);
    rows.push_back(r);
  }
  return rows;
}

TEST(FloodFill, FillsTheRegionBySidesOnly) {
  const struct {
    const char* name;
    std::vector<std::string> before;
    int background;
    int x, y, value;
    std::vector<std::string> after;
    int count;
  } cases[] = {
      {"a ring keeps its hole",
       {"11111", "10001", "10201", "10001", "11111"},
       3,
       0,
       0,
       4,
       {"44444", "40004", "40204", "40004", "44444"},
       16},
      {"the hole alone",
       {"11111", "10001", "10201", "10001", "11111"},
       3,
       1,
       1,
       5,
       {"11111", "15551", "15251", "15551", "11111"},
       8},
      {"no step across a corner", {"1200", "2100", "0000"}, 0, 0, 0, 7, {"7200", "2100", "0000"}, 1},
      {"along the edges and round a corner",
       {"0000", "0110", "0100"},
       9,
       3,
       0,
       6,
       {"6666", "6116", "6166"},
       9},
      {"the same value changes nothing", {"11", "11"}, 2, 0, 0, 1, {"11", "11"}, 4},
  };
  for (const auto& c : cases) {
    Image32 p = Picture(c.before, c.background);
    const int n = FloodFill(p, (31 - c.y) * 32 + c.x, c.value);
    EXPECT_EQ(n, c.count) << c.name;
    EXPECT_EQ(Corner(p, static_cast<int>(c.after[0].size()), static_cast<int>(c.after.size())), c.after)
        << c.name;
  }
}

TEST(FloodFill, ReachesAllFourEdgesOfTheWholePictureAndRefusesOutsideStarts) {
  Image32 p{};
  // A wall down column 16 except at the bottom row: the fill goes round it to every edge.
  for (int row = 1; row < 32; ++row) p[row * 32 + 16] = 1;
  EXPECT_EQ(FloodFill(p, 31 * 32 + 0, 3), 1024 - 31);
  for (int i : {0, 31, 31 * 32, 1023}) EXPECT_EQ(p[i], 3) << i;
  EXPECT_EQ(p[5 * 32 + 16], 1);
  EXPECT_TRUE(FillRegion(p, -1).empty());
  EXPECT_TRUE(FillRegion(p, 1024).empty());
  EXPECT_TRUE(FillRegion(std::span<const std::uint8_t>(p.data(), 100), 0).empty());
}

}  // namespace
}  // namespace pf
