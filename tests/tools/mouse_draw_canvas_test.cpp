#include "tools/mouse_draw_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <optional>
#include <string>

namespace pf {
namespace {

using Mix = MouseDrawCanvas::Mix;
using enum MouseDrawCanvas::Mode;
using Points = std::initializer_list<std::pair<int, int>>;

// Sets pixel (x, y), y from the top, of a picture in the icon's own layout (bottom row first).
void Put(Image32& image, int x, int y, int v) {
  image[static_cast<std::size_t>((31 - y) * 32 + x)] = static_cast<std::uint8_t>(v);
}

class MouseDrawCanvasTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Entry 0 black, the others all different and not black.
    for (int k = 1; k < 16; ++k) {
      palette[static_cast<std::size_t>(k)] =
          PaletteEntry{static_cast<std::uint8_t>(10 * k), static_cast<std::uint8_t>(200 - 10 * k),
                       static_cast<std::uint8_t>(15 * k), 0};
    }
    canvas.load(picture);
  }

  // The left button goes down on the first pixel and moves over the others.
  void stroke(int mode, int k, bool filled, Points points) {
    canvas.setMode(mode);
    canvas.setColour(k);
    canvas.setFilled(filled);
    auto p = points.begin();
    canvas.press(p->first, p->second);
    for (++p; p != points.end(); ++p) canvas.step(p->first, p->second);
  }
  void draw(int mode, int k, bool filled, Points points, std::optional<Mix> mix = std::nullopt) {
    stroke(mode, k, filled, points);
    canvas.release(mix);
  }
  int index(int x, int y) const { return canvas.work()[static_cast<std::size_t>((31 - y) * 32 + x)]; }
  long count(int v) const { return std::count(canvas.work().begin(), canvas.work().end(), v); }
  // Which pixels of a rectangle hold v, row by row as '#' and '.'.
  std::string shape(int left, int top, int right, int bottom, int v) const {
    std::string s;
    for (int y = top; y <= bottom; ++y) {
      for (int x = left; x <= right; ++x) s += index(x, y) == v ? '#' : '.';
      s += '\n';
    }
    return s;
  }

  Palette palette{};
  Image32 picture{};
  MouseDrawCanvas canvas{palette};
};

TEST_F(MouseDrawCanvasTest, ShapesRunFromTheFirstPointToTheLast) {
  const struct {
    const char* name;
    int mode;
    bool filled;
    Points points;
    std::string expected;  // pixels (1..6, 1..5) holding entry 12
  } cases[] = {
      // A detour does not count, and the end point is drawn although a line leaves it out.
      {"line", kLine, false, {{2, 1}, {20, 20}, {6, 5}}, ".#....\n..#...\n...#..\n....#.\n.....#\n"},
      {"box", kRectangle, false, {{2, 2}, {6, 5}}, "......\n.#####\n.#...#\n.#...#\n.#####\n"},
      {"filled box", kRectangle, true, {{2, 2}, {6, 5}}, "......\n.#####\n.#####\n.#####\n.#####\n"},
      // Dots start at the second point.
      {"dots", kDot, false, {{1, 1}, {4, 2}, {5, 2}}, "......\n...##.\n......\n......\n......\n"},
  };
  for (const auto& c : cases) {
    canvas.load(picture);
    stroke(c.mode, 12, c.filled, c.points);
    // The shape shows while the button is still down, and the release keeps it as it is.
    for (const char* when : {"dragging", "released"}) {
      EXPECT_EQ(shape(1, 1, 6, 5, 12), c.expected) << c.name << ", " << when;
      EXPECT_EQ(count(12), std::count(c.expected.begin(), c.expected.end(), '#')) << c.name << ", " << when;
      canvas.release();
    }
  }
}

TEST_F(MouseDrawCanvasTest, UndoSwitchesBetweenBeforeAndAfterTheLastStroke) {
  draw(kLine, 4, false, {{0, 0}, {9, 0}});
  const Image32 first = canvas.work();
  draw(kRectangle, 9, true, {{2, 2}, {5, 5}});
  const Image32 second = canvas.work();
  canvas.undo();
  EXPECT_EQ(canvas.work(), first);
  canvas.undo();
  EXPECT_EQ(canvas.work(), second);

  // Strokes after an undo, or after undoing it, build on what is shown, and undo goes back to that.
  draw(kDot, 6, false, {{30, 30}, {31, 31}});
  EXPECT_EQ(count(6), 1);
  EXPECT_EQ(index(3, 3), 9);
  canvas.undo();
  EXPECT_EQ(canvas.work(), second);
  draw(kDot, 6, false, {{30, 30}, {30, 31}});
  EXPECT_EQ(shape(30, 31, 31, 31, 6), "#.\n");
  canvas.undo();
  EXPECT_EQ(canvas.work(), second);
}

TEST_F(MouseDrawCanvasTest, MixTurnsTheStrokeIntoACheckerboard) {
  draw(kRectangle, 5, true, {{4, 4}, {9, 8}}, Mix{1, 2});
  for (int y = 3; y <= 9; ++y) {
    for (int x = 3; x <= 10; ++x) {
      const bool inside = x >= 4 && x <= 9 && y >= 4 && y <= 8;
      ASSERT_EQ(index(x, y), inside ? ((x + y) % 2 == 0 ? 2 : 1) : 0) << x << "," << y;
    }
  }
  // A release with no stroke (a click on the palette strip) mixes nothing.
  const Image32 mixed = canvas.work();
  EXPECT_FALSE(canvas.release(Mix{3, 4}));
  EXPECT_EQ(canvas.work(), mixed);
  // The mix belongs to the committed stroke: undo removes all of it.
  canvas.undo();
  EXPECT_EQ(canvas.work(), picture);
}

TEST_F(MouseDrawCanvasTest, CompositeIsPlacedByItsCentreWithBlackTransparent) {
  Put(picture, 3, 3, 5);
  Put(picture, 21, 21, 5);
  canvas.load(picture);
  Image32 other{};
  Put(other, 16, 16, 9);
  Put(other, 17, 16, 7);
  canvas.startComposite(other);
  EXPECT_EQ(index(16, 16), 9) << "laid over at (0, 0)";

  stroke(kLine, 1, false, {{0, 0}});
  EXPECT_FALSE(canvas.drawing()) << "no drawing while compositing";
  canvas.moveComposite(20, 21, false);
  EXPECT_EQ(index(20, 21), 9) << "its pixel (16, 16) is under the point";
  EXPECT_EQ(index(21, 21), 7) << "its colours cover the own picture";
  EXPECT_EQ(index(3, 3), 5) << "its black does not";
  EXPECT_EQ(index(16, 16), 0) << "the old place is free again";

  // Underneath, the own picture's colours cover the composite and its black lets it through.
  canvas.moveComposite(3, 3, true);
  EXPECT_EQ(index(3, 3), 5);
  EXPECT_EQ(index(4, 3), 7);
  EXPECT_EQ(index(20, 21), 0);

  // Kept in place, the composite becomes part of the picture that later strokes draw on; the press
  // made while compositing left no anchor behind.
  canvas.release();
  canvas.commitComposite();
  canvas.endComposite();
  draw(kLine, 1, false, {{0, 31}, {1, 31}});
  EXPECT_EQ(index(4, 3), 7);
  EXPECT_EQ(shape(0, 30, 2, 31, 1), "...\n##.\n");
  EXPECT_EQ(count(1), 2);
}

}  // namespace
}  // namespace pf
