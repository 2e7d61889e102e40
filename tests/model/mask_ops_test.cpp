#include "model/mask_ops.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "model/icon_test_support.h"

namespace pf {
namespace {

namespace fs = std::filesystem;

// Another decoder's view of both mask icons: transparent exactly where the grid says, the palette colour
// of the pixel everywhere else, the 16 x 16 file being the lower-left quarter.
TEST(MaskIcons, PillowSeesTransparencyWhereTheMaskSays) {
  std::mt19937 rng(23);
  PixelArray pixels{};
  Palette palette{};
  MaskGridArray grid{};
  for (int i = 0; i < kPixelCount; ++i) pixels[static_cast<std::size_t>(i)] = rng() % 16;
  for (auto& e : palette) e = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
  for (auto& cell : grid) cell = rng() % 2;
  std::array<std::uint8_t, kMaskSize> mask{};
  PackMaskRows(grid, mask);

  // Short buffers make no file rather than being read past.
  EXPECT_TRUE(BuildMaskIcon32(std::span(pixels).first(1023), palette, mask).empty());
  EXPECT_TRUE(BuildMaskIcon32(pixels, palette, std::span(mask).first(127)).empty());
  EXPECT_TRUE(BuildMaskIcon16(std::span(pixels).first(1023), palette, mask).empty());
  EXPECT_TRUE(BuildMaskIcon16(pixels, palette, std::span(mask).first(63)).empty());

  const fs::path script = icontest::PillowScript();
  if (script.empty()) PF_SKIP_CROSS_CHECK("PF_SOURCE_DIR is not set, so pillow_check.py cannot be found");
  const fs::path dir = fs::temp_directory_path() / ("pf-mask-pillow-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  ASSERT_TRUE(WriteMaskIcon32((dir / "m32.ico").string(), pixels, palette, mask));
  ASSERT_TRUE(WriteMaskIcon16((dir / "m16.ico").string(), pixels, palette, mask));

  std::ostringstream json;
  json << "[";
  // Top row first: storage row size - 1 - y of the pixels, grid row 32 - size + y of the mask.
  auto describe = [&](const std::string& file, int size) {
    json << (json.tellp() > 1 ? "," : "") << "{\"file\":\"" << file << "\",\"width\":" << size
         << ",\"height\":" << size << ",\"transparent\":-1,\"palette\":[";
    for (std::size_t i = 0; i < 16; ++i)
      json << (i ? "," : "") << "[" << +palette[i].red << "," << +palette[i].green << "," << +palette[i].blue
           << "]";
    std::ostringstream px, cells;
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        const char* comma = (y || x) ? "," : "";
        px << comma << +pixels[static_cast<std::size_t>((size - 1 - y) * 32 + x)];
        cells << comma << +grid[static_cast<std::size_t>((32 - size + y) * 32 + x)];
      }
    }
    json << "],\"pixels\":[" << px.str() << "],\"mask\":[" << cells.str() << "]}";
  };
  describe("m32.ico", 32);
  describe("m16.ico", 16);
  json << "]";
  std::ofstream(dir / "expected.json") << json.str();

  std::string command;
  const int status = icontest::RunPillowCheck(dir, command);
  fs::remove_all(dir);
  if (status == 77) PF_SKIP_CROSS_CHECK("Pillow is not installed (Debian package python3-pil)");
  EXPECT_EQ(status, 0) << command;
}

}  // namespace
}  // namespace pf
