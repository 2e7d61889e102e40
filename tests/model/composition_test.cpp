#include "model/composition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "model/shared_state.h"

namespace pf {
namespace {

PixelArray RandomPixels(unsigned seed) {
  std::mt19937 rng(seed);
  PixelArray p{};
  for (auto& v : p) v = static_cast<std::uint8_t>(rng() % 16);
  return p;
}

PixelArray Filled(std::uint8_t v) {
  PixelArray p{};
  p.fill(v);
  return p;
}

TEST(ComposeIntoEditor, EachOperationOnIndices) {
  struct Case {
    ComposeOperation op;
    std::uint8_t expected;
  };
  // 0b1010 combined with 0b0110.
  const Case cases[] = {{ComposeOperation::Copy, 0b0110},
                        {ComposeOperation::Xor, 0b1100},
                        {ComposeOperation::Or, 0b1110},
                        {ComposeOperation::And, 0b0010}};
  for (const Case& c : cases) {
    PixelArray editor = Filled(0b1010);
    editor[1024] = 3;
    const PixelArray source = Filled(0b0110);
    ComposeIntoEditor(source, editor, 0, c.op, false);
    EXPECT_EQ(std::count(editor.begin(), editor.begin() + 1024, c.expected), 1024) << static_cast<int>(c.op);
    EXPECT_EQ(editor[1024], 3) << "the spare element is not combined";

    ComposeIntoEditor(source, editor, 6, c.op, true);  // every source pixel is transparent
    EXPECT_EQ(std::count(editor.begin(), editor.begin() + 1024, c.expected), 1024);
  }
}

TEST(ComposeIntoEditor, TransparentSourcePixelsLeaveTheEditorAlone) {
  const PixelArray editor = RandomPixels(1);

  PixelArray one = Filled(0);
  one[100] = 5;
  PixelArray result = editor;
  ComposeIntoEditor(one, result, 0, ComposeOperation::Copy, true);
  for (int k = 0; k < 1024; ++k) ASSERT_EQ(result[k], k == 100 ? 5 : editor[k]) << k;

  const PixelArray source = RandomPixels(2);
  result = editor;
  ComposeIntoEditor(source, result, 5, ComposeOperation::Copy, true);
  for (int k = 0; k < 1024; ++k) ASSERT_EQ(result[k], source[k] == 5 ? editor[k] : source[k]) << k;

  result = editor;
  ComposeIntoEditor(Filled(3), result, 3, ComposeOperation::Xor, true);
  EXPECT_EQ(result, editor);
}

TEST(ComposeIntoEditor, XorTwiceAndAndWithFifteenRestore) {
  const PixelArray editor = RandomPixels(3);
  const PixelArray source = RandomPixels(4);
  PixelArray result = editor;
  ComposeIntoEditor(source, result, 0, ComposeOperation::Xor, false);
  EXPECT_NE(result, editor);
  ComposeIntoEditor(source, result, 0, ComposeOperation::Xor, false);
  EXPECT_EQ(result, editor);

  ComposeIntoEditor(Filled(15), result, 0, ComposeOperation::And, false);
  EXPECT_EQ(result, editor);
}

TEST(ComposeIntoEditor, ShortSpansAreLeftAlone) {
  std::array<std::uint8_t, 1023> shortImage{};
  PixelArray editor = Filled(4);
  ComposeIntoEditor(shortImage, editor, 9, ComposeOperation::Copy, false);
  EXPECT_EQ(editor, Filled(4));
  ComposeIntoEditor(Filled(1), shortImage, 9, ComposeOperation::Copy, false);
  EXPECT_EQ(std::count(shortImage.begin(), shortImage.end(), 0), 1023);
}

TEST(KeepSelection, KeepsTheCellsFromTheFirstCornerUpToTheSecond) {
  // Corners in either order give the same block.
  for (const auto& [x1, y1, x2, y2] : {std::array{10, 10, 50, 50}, std::array{50, 50, 10, 10}}) {
    PixelArray p = Filled(9);
    KeepSelection(p, x1, y1, x2, y2);
    for (int row = 0; row < 32; ++row) {
      for (int x = 0; x < 32; ++x) {
        const bool kept = x >= 2 && x <= 9 && row >= 22 && row <= 29;
        ASSERT_EQ(p[row * 32 + x], kept ? 9 : 0) << "x " << x << " row " << row;
      }
    }
    EXPECT_EQ(p[1024], 9);
  }

  PixelArray p = Filled(9);
  KeepSelection(p, 0, 0, 0, 0);
  EXPECT_EQ(std::count(p.begin(), p.begin() + 1024, 0), 1024) << "no drag yet clears the image";

  p = Filled(9);
  KeepSelection(p, 0, 0, 160, 160);  // the whole view
  EXPECT_EQ(p, Filled(9));
}

TEST(PickColour, KeepsOnlyTheChosenIndex) {
  PixelArray editor = RandomPixels(5);
  std::replace(editor.begin(), editor.end(), std::uint8_t{7}, std::uint8_t{8});
  PixelArray picked = Filled(12);
  PickColour(editor, 7, picked);
  EXPECT_EQ(picked, Filled(0)) << "an index the editor lacks gives an empty image, spare included";

  PickColour(editor, 8, picked);
  for (int k = 0; k < 1025; ++k) ASSERT_EQ(picked[k], editor[k] == 8 ? 8 : 0) << k;
}

TEST(GlyphToPixels, TopOfTheGlyphIsTheTopRowOfTheImage) {
  std::array<bool, 1024> black{};
  black[0] = true;             // surface (0, 0), top-left
  black[31 * 32 + 31] = true;  // surface (31, 31), bottom-right
  black[5 * 32 + 3] = true;    // surface (3, 5)
  PixelArray p = Filled(4);
  GlyphToPixels(black, 6, p);
  EXPECT_EQ(p[31 * 32], 6);
  EXPECT_EQ(p[31], 6);
  EXPECT_EQ(p[26 * 32 + 3], 6);
  EXPECT_EQ(std::count(p.begin(), p.begin() + 1024, 6), 3);
  EXPECT_EQ(std::count(p.begin(), p.begin() + 1024, 0), 1021) << "the whole image is replaced";
  EXPECT_EQ(p[1024], 4);
}

}  // namespace
}  // namespace pf
