// Which of an icon file's images a picture of a given size is made from, and the list it is chosen from.
#include <gtest/gtest.h>

#include "model/icon_images.h"

namespace pf {
namespace {

TEST(IconImages, TheOutputsSizeThenTheSmallestLargerThenTheLargest) {
  const std::vector<IconImageInfo> modern = {
      {64, 64, 32, false}, {48, 48, 32, false}, {32, 32, 32, false}, {16, 16, 32, false}};
  const std::vector<IconImageInfo> mixed = {
      {32, 32, 4, false}, {0, 0, 0, false}, {32, 32, 32, true}, {256, 256, 32, true}};
  const struct {
    const std::vector<IconImageInfo>* images;
    int edge;
    int chosen;
  } cases[] = {
      {&modern, 32, 2}, {&modern, 64, 0}, {&modern, 16, 3}, {&modern, 20, 2}, {&modern, 128, 0},
      {&modern, 1, 3},  {&mixed, 32, 2},  {&mixed, 64, 3},  {&mixed, 16, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(ChooseIconImage(*c.images, c.edge), c.chosen) << c.edge;
  EXPECT_EQ(ChooseIconImage(std::vector<IconImageInfo>{{0, 0, 0, false}}, 32), -1);

  // A directory of two entries: a 4-bit bitmap and a PNG; one entry beyond the file; a file cut short.
  std::vector<std::uint8_t> file = {0, 0, 1, 0, 3, 0};
  const auto entry = [&file](std::uint32_t offset) {
    std::vector<std::uint8_t> e(16, 0);
    for (int k = 0; k < 4; ++k)
      e[12 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(offset >> (8 * k));
    file.insert(file.end(), e.begin(), e.end());
  };
  entry(54), entry(94), entry(100000);
  std::vector<std::uint8_t> header(40, 0);
  header[0] = 40, header[4] = 24, header[8] = 48, header[14] = 4;
  file.insert(file.end(), header.begin(), header.end());
  const std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13,
                                         'I',  'H', 'D', 'R', 0,    0,    1,    0,    0, 0, 0, 200};
  file.insert(file.end(), png.begin(), png.end());
  const std::vector<IconImageInfo> listed = ListIconImages(file);
  ASSERT_EQ(listed.size(), 3u);
  EXPECT_EQ((std::array<int, 3>{listed[0].width, listed[0].height, listed[0].bitCount}),
            (std::array<int, 3>{24, 24, 4}));
  EXPECT_EQ((std::array<int, 3>{listed[1].width, listed[1].height, listed[1].bitCount}),
            (std::array<int, 3>{256, 200, 32}));
  EXPECT_TRUE(listed[1].png);
  EXPECT_EQ(listed[2].width, 0);
  file.resize(30);
  EXPECT_EQ(ListIconImages(file).size(), 1u) << "the entries the file still holds";
  EXPECT_TRUE(ListIconImages(std::vector<std::uint8_t>{'B', 'M', 0, 0, 0, 0}).empty());
}

}  // namespace
}  // namespace pf
