#include "model/flood_fill.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/image_ops.h"

namespace pf {
namespace {

// Rows from the top, one digit per pixel, in the top-left corner of a picture of `background`; and the
// corner of that size read back.
Image32 Picture(const std::vector<std::string>& rows, int background) {
  Image32 p{};
  p.fill(static_cast<std::uint8_t>(background));
  for (std::size_t y = 0; y < rows.size(); ++y)
    for (std::size_t x = 0; x < rows[y].size(); ++x) p[(31 - y) * 32 + x] = std::uint8_t(rows[y][x] - '0');
  return p;
}
std::vector<std::string> Corner(const Image32& p, std::size_t w, std::size_t h) {
  std::vector<std::string> rows(h);
  for (std::size_t y = 0; y < h; ++y)
    for (std::size_t x = 0; x < w; ++x) rows[y] += char('0' + p[(31 - y) * 32 + x]);
  return rows;
}

TEST(FloodFill, FillsTheRegionThroughSidesOnly) {
  const struct {
    const char* name;
    std::vector<std::string> before;
    int background, x, y, value;
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
      {"no step across a corner", {"1200", "2100"}, 0, 0, 0, 7, {"7200", "2100"}, 1},
      {"along the edges and round a corner",
       {"0000", "0110", "0100"},
       9,
       3,
       0,
       6,
       {"6666", "6116", "6166"},
       9},
      {"the whole picture to its far corner", {}, 2, 31, 31, 8, {"88", "88"}, 1024},
  };
  for (const auto& c : cases) {
    Image32 p = Picture(c.before, c.background);
    EXPECT_EQ(FloodFill(p, (31 - c.y) * 32 + c.x, c.value), c.count) << c.name;
    EXPECT_EQ(Corner(p, c.after[0].size(), c.after.size()), c.after) << c.name;
  }
  Image32 p{};
  EXPECT_TRUE(FillRegion(p, -1).empty());
  EXPECT_TRUE(FillRegion(p, 1024).empty());
  EXPECT_TRUE(FillRegion(std::span<const std::uint8_t>(p.data(), 100), 0).empty());
}

}  // namespace
}  // namespace pf
