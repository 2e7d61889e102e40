#include "platform/drawing.h"

#include <gtest/gtest.h>

#include "platform/fonts.h"

namespace pf {
namespace {

int Count(const Surface& s, ColorRef c) {
  int n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x) n += s.getPixel(x, y) == static_cast<std::int64_t>(c);
  return n;
}

const PaletteEntry kRed{0, 0, 255, 0};

TEST(DrawingHelpers, FilledRectanglesAreRightAndBottomExclusive) {
  Surface s(400, 320);
  FillColourRect(s, 0, 0, 32, 32, kRed);
  EXPECT_EQ(Count(s, Rgb(255, 0, 0)), 32 * 32);
  FillColourRect(s, 300, 280, 330, 295, PaletteEntry{255, 0, 0, 0});
  EXPECT_EQ(Count(s, Rgb(0, 0, 255)), 30 * 15);
}

TEST(DrawingHelpers, ContrastColour) {
  EXPECT_EQ(ContrastColour(PaletteEntry{0, 0, 0, 0}), Rgb(255, 255, 255));
  EXPECT_EQ(ContrastColour(PaletteEntry{0, 240, 0, 0}), Rgb(255, 0, 255));
  EXPECT_EQ(ContrastColour(PaletteEntry{0, 224, 0, 0}), Rgb(255, 255, 255));
}

TEST(DrawingHelpers, FrameIsClosedInTheContrastColourAndBoxInTheEntryColour) {
  Surface s(20, 20);
  DrawFrameRect(s, 2, 2, 7, 7, PaletteEntry{}, 1);
  // Four lines through the corners, the end points reached by the next line: a closed 6 x 6 frame.
  EXPECT_EQ(Count(s, Rgb(255, 255, 255)), 20);
  EXPECT_EQ(s.getPixel(7, 7), Rgb(255, 255, 255));
  EXPECT_EQ(s.getPixel(4, 4), 0);

  Surface b(20, 20);
  DrawBox(b, 10, 10, 3, 3, kRed);  // corners in either order
  EXPECT_EQ(Count(b, Rgb(255, 0, 0)), 28);
  EXPECT_EQ(b.getPixel(3, 3), Rgb(255, 0, 0));
}

TEST(DrawingHelpers, LineLeavesItsEndPointAndCircleStaysInItsBox) {
  Surface s(40, 40);
  DrawLine(s, 1, 1, 6, 1, kRed);
  EXPECT_EQ(Count(s, Rgb(255, 0, 0)), 5);
  EXPECT_EQ(s.getPixel(6, 1), 0);

  Surface c(40, 40);
  FillCircle(c, 20, 20, 5, kRed, PaletteEntry{0, 255, 0, 0});
  EXPECT_EQ(c.getPixel(20, 20), Rgb(0, 255, 0)) << "filled with the brush entry";
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      if (x < 15 || x >= 25 || y < 15 || y >= 25) {
        ASSERT_EQ(c.getPixel(x, y), 0) << x << "," << y;
      }
    }
  }
  EXPECT_GT(Count(c, Rgb(255, 0, 0)), 20) << "outlined with the pen entry";
}

TEST(DrawingHelpers, MemoryCanvasIsBlackAndKeepsTheFont) {
  Surface like(10, 10);
  like.fillRect(0, 0, 10, 10, Rgb(9, 9, 9));
  like.setFont(MinchoFont(12));
  auto canvas = CreateMemoryCanvas(like, 35, 35);
  EXPECT_EQ(canvas->width(), 35);
  EXPECT_EQ(Count(*canvas, 0), 35 * 35);
  EXPECT_EQ(canvas->font(), like.font());
}

class Caret : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFontSubstitutes();
    s.setFont(MinchoFont(16));
    colours.normalBackground = Rgb(53, 33, 16);
    colours.text = Rgb(0, 255, 0);
    w.CX = 8;
    w.CY = 0;
    w.文字 = "7";
  }
  Surface s{64, 32};
  CaretWindow w;
  CaretColours colours;
};

TEST_F(Caret, EraseDrawsNothingWhenTheCaretHasNotMoved) {
  w.DX = w.CX;
  w.DY = w.CY;
  w.M = "8";
  EraseOldCaret(s, w, colours);
  EXPECT_EQ(Count(s, 0), 64 * 32);
  EXPECT_EQ(s.bkColor(), colours.caretBackground);
  w.DX = 0;
  EraseOldCaret(s, w, colours);
  EXPECT_GT(Count(s, colours.normalBackground), 20) << "the old cell is drawn in normal colours";
  EXPECT_GT(Count(s, colours.text), 3);
}

TEST_F(Caret, TheCellIsSixteenHighSoTheCaretStaysInItsRow) {
  EXPECT_EQ(s.textHeight(), 16);
  EXPECT_EQ(s.textWidth("7"), 8);
  BlinkCaret(s, w, colours);
  for (int x = 0; x < 64; ++x) {
    for (int y = 16; y < 32; ++y) ASSERT_EQ(s.getPixel(x, y), 0) << x << "," << y;
  }
  EXPECT_EQ(Count(s, colours.caretBackground) + Count(s, colours.text), 8 * 16);
}

TEST_F(Caret, TwoBlinksBringTheCellBack) {
  const bool firstFlag = w.Flag;
  BlinkCaret(s, w, colours);
  EXPECT_GT(Count(s, colours.caretBackground), 20) << "first blink: on the caret background";
  const QImage afterFirst = s.image();
  BlinkCaret(s, w, colours);
  EXPECT_EQ(w.Flag, firstFlag);
  EXPECT_EQ(Count(s, colours.caretBackground), 0);
  EXPECT_GT(Count(s, colours.normalBackground), 20);
  BlinkCaret(s, w, colours);
  EXPECT_EQ(s.image(), afterFirst);
  CommitCaret(w);
  EXPECT_EQ(w.DX, 8);
  EXPECT_EQ(w.M, "7");
}

}  // namespace
}  // namespace pf
