#include "platform/surface.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <climits>
#include <functional>
#include <set>
#include <utility>

#include "platform/fonts.h"

namespace pf {
namespace {

constexpr ColorRef kPen = Rgb(200, 30, 10);
constexpr ColorRef kBrush = Rgb(10, 180, 60);
constexpr ColorRef kPaper = Rgb(250, 240, 5);
constexpr ColorRef kWhite = Rgb(255, 255, 255);

using Point = std::pair<int, int>;
using Box = std::array<int, 4>;  // left, top, right, bottom; right/bottom exclusive
using Draw = std::function<void(Surface&)>;

std::set<Point> PixelsOf(const Surface& s, ColorRef c, bool equal = true) {
  std::set<Point> out;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if ((s.getPixel(x, y) == c) == equal) out.insert({x, y});
  return out;
}
std::set<Point> Painted(const Surface& s) {
  return PixelsOf(s, 0, false);
}

Box Bounds(const std::set<Point>& pixels) {
  if (pixels.empty()) return {0, 0, 0, 0};
  Box b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (auto [x, y] : pixels)
    b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1), std::max(b[3], y + 1)};
  return b;
}

// Bounds and count of the pixels of one colour, without collecting them.
std::pair<Box, std::size_t> Extent(const Surface& s, ColorRef c) {
  Box b{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  std::size_t n = 0;
  for (int y = 0; y < s.height(); ++y)
    for (int x = 0; x < s.width(); ++x)
      if (s.getPixel(x, y) == c) {
        b = {std::min(b[0], x), std::min(b[1], y), std::max(b[2], x + 1), std::max(b[3], y + 1)};
        ++n;
      }
  return {n ? b : Box{}, n};
}

// Every pixel different.
Surface Pattern(int w, int h) {
  Surface s(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.setPixel(x, y, Rgb(x * 7 + 1, y * 11 + 1, 77));
  return s;
}

// Pen width 0 selects the null pen here.
Draw Lines(int penWidth, std::vector<Point> points) {
  return [=](Surface& s) {
    penWidth ? s.setPen(kPen, penWidth) : s.setNullPen();
    s.moveTo(points[0].first, points[0].second);
    for (std::size_t i = 1; i < points.size(); ++i) {
      s.lineTo(points[i].first, points[i].second);
      s.setPen(kPen, std::max(penWidth, 1));
    }
  };
}
Draw Shape(int penWidth, bool brush, Box b, bool ellipse = false) {
  return [=](Surface& s) {
    penWidth ? s.setPen(kPen, penWidth) : s.setNullPen();
    brush ? s.setBrush(kBrush) : s.setNullBrush();
    ellipse ? s.ellipse(b[0], b[1], b[2], b[3]) : s.rectangle(b[0], b[1], b[2], b[3]);
  };
}
Draw Fill(Box b) {
  return [=](Surface& s) { s.fillRect(b[0], b[1], b[2], b[3], kBrush); };
}

class SurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallFontSubstitutes(); }
};

// What each call paints in one colour: its bounds and its pixel count, on a 400 x 300 surface.
TEST_F(SurfaceTest, EachCallPaintsExactlyItsPixels) {
  const Surface src = Pattern(4, 4);
  struct Case {
    const char* name;
    Draw draw;
    ColorRef colour;
    Box bounds;
    std::size_t count;
  };
  const Case cases[] = {
      {"fill 32", Fill({0, 0, 32, 32}), kBrush, {0, 0, 32, 32}, 32 * 32},
      {"fill 30x15", Fill({300, 280, 330, 295}), kBrush, {300, 280, 330, 295}, 30 * 15},
      {"fill swapped", Fill({330, 295, 300, 280}), kBrush, {300, 280, 330, 295}, 30 * 15},
      {"fill empty", Fill({5, 5, 5, 40}), kBrush, {}, 0},
      {"fill clipped", Fill({390, -10, 500, 5}), kBrush, {390, 0, 400, 5}, 50},
      {"fill huge", Fill({INT_MIN, INT_MIN, INT_MAX, INT_MAX}), kBrush, {0, 0, 400, 300}, 400 * 300},
      {"polyline", Lines(1, {{2, 2}, {10, 2}, {10, 8}, {2, 8}, {2, 2}}), kPen, {2, 2, 11, 9}, 28},
      {"null pen moves", Lines(0, {{1, 1}, {9, 9}, {9, 9}, {12, 9}}), kPen, {9, 9, 12, 10}, 3},
      {"pen below 1 is 1", Lines(-1, {{10, 10}, {20, 10}}), kPen, {10, 10, 20, 11}, 10},
      {"pen 2", Lines(2, {{10, 10}, {20, 10}}), kPen, {9, 9, 20, 11}, 22},
      {"pen 3", Lines(3, {{10, 10}, {20, 10}}), kPen, {9, 9, 21, 12}, 36},
      {"row", Lines(1, {{INT_MIN, 5}, {INT_MAX, 5}}), kPen, {0, 5, 400, 6}, 400},
      {"wide, far left", Lines(7, {{INT_MIN, INT_MIN}, {INT_MIN + 9, INT_MAX}}), kPen, {}, 0},
      {"rect pen", Shape(1, true, {13, 10, 3, 4}), kPen, {3, 4, 13, 10}, 28},
      {"rect brush", Shape(1, true, {13, 10, 3, 4}), kBrush, {4, 5, 12, 9}, 32},
      {"rect null brush", Shape(1, false, {3, 4, 13, 10}), kBrush, {}, 0},
      {"rect null pen", Shape(0, true, {3, 4, 13, 10}), kBrush, {3, 4, 13, 10}, 60},
      {"rect pen 3", Shape(3, true, {3, 4, 13, 10}), kPen, {2, 3, 14, 11}, 96 - 12},
      {"rect pen 3 brush", Shape(3, true, {3, 4, 13, 10}), kBrush, {5, 6, 11, 8}, 12},
      {"rect pen below 1", Shape(-1, true, {3, 4, 13, 10}), kPen, {3, 4, 13, 10}, 28},
      {"rect 1x1", Shape(1, true, {5, 5, 6, 6}), kPen, {5, 5, 6, 6}, 1},
      {"rect no width", Shape(1, true, {2, 1, 2, 7}), kPen, {}, 0},
      {"rect huge",
       Shape(1, true, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}),
       kBrush,
       {0, 0, 400, 300},
       400 * 300},
      {"ellipse 2x2", Shape(1, true, {1, 1, 3, 3}, true), kPen, {1, 1, 3, 3}, 4},
      {"ellipse 1x1", Shape(1, true, {5, 5, 6, 6}, true), kPen, {5, 5, 6, 6}, 1},
      {"ellipse no height", Shape(1, true, {1, 4, 6, 4}, true), kPen, {}, 0},
      {"ellipse huge",
       Shape(1, true, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, true),
       kBrush,
       {0, 0, 400, 300},
       400 * 300},
      {"stretch huge",
       [&](Surface& s) { s.stretchBlt(0, 0, INT_MAX, INT_MAX, src, 0, 0, 4, 4); },
       static_cast<ColorRef>(src.getPixel(0, 0)),
       {0, 0, 400, 300},
       400 * 300},
      {"outside",
       [&](Surface& s) {
         s.bitBlt(INT_MIN, INT_MIN, INT_MAX, INT_MAX, src, 0, 0);
         s.bitBlt(0, 0, INT_MAX, INT_MAX, src, INT_MIN, 0);
         s.stretchBlt(INT_MIN, 0, INT_MIN, 5, src, 0, 0, 4, 4);
         s.textOut(INT_MAX, INT_MAX, "0");
         s.textOut(INT_MIN, INT_MIN, "0");
       },
       0,
       {0, 0, 400, 300},
       400 * 300},
  };
  for (const Case& c : cases) {
    Surface s(400, 300);
    c.draw(s);
    EXPECT_EQ(Extent(s, c.colour), std::pair(c.bounds, c.count)) << c.name;
  }
}

TEST_F(SurfaceTest, PixelsConvertColoursAndIgnoreCoordinatesOutside) {
  Surface s(8, 6);
  s.setPixel(1, 2, Rgb(0x12, 0x34, 0x56));
  EXPECT_EQ(s.getPixel(1, 2), 0x563412);
  EXPECT_EQ(s.image().pixel(1, 2), 0xFF123456u);  // red in the low byte outside, QImage order inside
  const QImage before = s.image();
  for (auto [x, y] : {Point{-1, 0}, Point{0, -1}, Point{8, 0}, Point{0, 6}, Point{INT_MIN, INT_MAX}}) {
    EXPECT_EQ(s.getPixel(x, y), -1);
    s.setPixel(x, y, kWhite);
  }
  EXPECT_EQ(s.image(), before);
  s.resize(0, 3);  // nothing to draw on, nothing happens
  s.fillRect(0, 0, 10, 10, kWhite);
  s.textOut(0, 0, "0");
  EXPECT_EQ(s.getPixel(0, 0), -1);
}

// The same calls at an offset on a large surface: the small surface must be exactly the matching window of
// it, so clipping neither loses nor adds pixels at any edge.
TEST_F(SurfaceTest, ClippedDrawingIsAWindowOfTheUnclippedDrawing) {
  const Surface src = Pattern(12, 10);
  const std::pair<const char*, std::function<void(Surface&, int)>> draws[] = {
      {"lines",
       [](Surface& s, int o) {
         s.setPen(kPen);
         s.moveTo(o - 20, o + 5);
         for (auto [x, y] : {Point{50, 25}, Point{13, -9}, Point{-3, 40}}) s.lineTo(o + x, o + y);
         s.setPen(kBrush, 4);
         s.moveTo(o - 1, o - 1);
         s.lineTo(o + 40, o + 30);
         s.setPen(kPaper, 5);
         s.moveTo(o - 2, o + 5);  // squares of points left of the image still reach into it
         s.lineTo(o + 20, o + 25);
       }},
      {"shapes",
       [](Surface& s, int o) {
         s.setPen(kPen, 5);
         s.setBrush(kBrush);
         s.rectangle(o - 5, o - 5, o + 45, o + 35);
         s.setPen(kPen);
         s.ellipse(o - 20, o - 10, o + 30, o + 40);
         s.setPen(kPaper, 3);
         s.setNullBrush();
         s.ellipse(o + 25, o + 15, o + 60, o + 45);
       }},
      {"text",
       [](Surface& s, int o) {
         s.setFont(MinchoFont(16));
         s.setTextColor(kPen);
         s.setBkColor(kPaper);
         s.textOut(o - 3, o - 5, "0A");
         s.textOut(o + 35, o + 20, "F7");
         s.setBkMode(false);
         s.textOut(o - 6, o + 20, "8");
       }},
      {"blits",
       [&src](Surface& s, int o) {
         s.bitBlt(o - 5, o - 4, 12, 10, src, 0, 0);
         s.bitBlt(o + 35, o + 25, 12, 10, src, 0, 0);
         s.stretchBlt(o + 30, o - 7, 24, 20, src, 0, 0, 12, 10);
         s.transparentBlt(o + 20, o + 12, -24, 20, src, 0, 0, 12, 10, src.getPixel(1, 1));
         s.alphaBlend(o + 10, o + 10, 12, 10, src, 0, 0, 12, 10, 100);
       }},
  };
  constexpr int kW = 40, kH = 30, kM = 70;
  for (const auto& [name, draw] : draws) {
    Surface small(kW, kH), big(kW + 2 * kM, kH + 2 * kM);
    draw(small, 0);
    draw(big, kM);
    int mismatches = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) mismatches += small.getPixel(x, y) != big.getPixel(x + kM, y + kM);
    EXPECT_EQ(mismatches, 0) << name;
    EXPECT_FALSE(Painted(small).empty()) << name;
  }
}

std::set<Point> LinePixels(int x0, int y0, int x1, int y1) {
  Surface s(16, 16);
  Lines(1, {{x0, y0}, {x1, y1}})(s);
  return PixelsOf(s, kPen);
}

TEST_F(SurfaceTest, LinesLeaveOutTheirEndPointAndStayOnTheTrueLine) {
  const Box lines[] = {{2, 5, 12, 5}, {12, 5, 2, 5}, {4, 1, 4, 9},  {4, 9, 4, 1},   {1, 1, 9, 9},
                       {9, 9, 1, 1},  {1, 9, 9, 1},  {3, 1, 6, 15}, {6, 15, 3, 1},  {1, 3, 15, 7},
                       {15, 7, 1, 3}, {0, 0, 15, 1}, {5, 2, 6, 14}, {14, 2, 13, 9}, {15, 0, 0, 15}};
  for (const auto& [x0, y0, x1, y1] : lines) {
    SCOPED_TRACE(::testing::Message() << x0 << "," << y0 << " -> " << x1 << "," << y1);
    const auto pixels = LinePixels(x0, y0, x1, y1);
    const int dx = x1 - x0, dy = y1 - y0;
    EXPECT_EQ(pixels.size(), static_cast<std::size_t>(std::max(std::abs(dx), std::abs(dy))));
    EXPECT_TRUE(pixels.count({x0, y0}));
    EXPECT_FALSE(pixels.count({x1, y1}));
    // One pixel per step along the longer axis, within half a pixel of the exact line.
    const bool xMajor = std::abs(dx) >= std::abs(dy);
    for (auto [x, y] : pixels) {
      const double t = xMajor ? double(x - x0) / dx : double(y - y0) / dy;
      EXPECT_TRUE(t >= 0 && t < 1);
      EXPECT_LE(std::abs(xMajor ? y - (y0 + t * dy) : x - (x0 + t * dx)), 0.5) << x << "," << y;
    }
    // Drawn the other way, the line covers the same pixels apart from its two ends.
    auto forward = pixels, backward = LinePixels(x1, y1, x0, y0);
    forward.insert({x1, y1});
    backward.insert({x0, y0});
    EXPECT_EQ(forward, backward);
  }
}

bool EightConnected(const std::set<Point>& pixels) {
  if (pixels.empty()) return true;
  std::set<Point> seen{*pixels.begin()};
  std::vector<Point> todo{*pixels.begin()};
  while (!todo.empty()) {
    auto [x, y] = todo.back();
    todo.pop_back();
    for (int dy = -1; dy <= 1; ++dy)
      for (int dx = -1; dx <= 1; ++dx)
        if (pixels.count({x + dx, y + dy}) && seen.insert({x + dx, y + dy}).second)
          todo.push_back({x + dx, y + dy});
  }
  return seen.size() == pixels.size();
}

TEST_F(SurfaceTest, EllipsesAreSymmetricClosedAndFilledInsideTheirBox) {
  const Point sizes[] = {{1, 1},  {2, 2},  {3, 3},  {4, 4},  {5, 5}, {10, 10}, {17, 17}, {31, 31},
                         {11, 7}, {7, 11}, {40, 3}, {2, 20}, {1, 8}, {8, 1},   {64, 2},  {6, 13}};
  constexpr int kL = 3, kT = 2;
  for (auto [w, h] : sizes) {
    SCOPED_TRACE(::testing::Message() << w << "x" << h);
    Surface s(72, 40);
    Shape(1, true, {kL, kT, kL + w, kT + h}, true)(s);
    const auto shape = Painted(s), pen = PixelsOf(s, kPen), brush = PixelsOf(s, kBrush);
    EXPECT_EQ(shape.size(), pen.size() + brush.size());
    EXPECT_EQ(Bounds(shape), (Box{kL, kT, kL + w, kT + h}));  // inside the box, touching all four sides
    for (auto [x, y] : shape) {
      EXPECT_EQ(s.getPixel(2 * kL + w - 1 - x, y), s.getPixel(x, y)) << "left/right " << x << "," << y;
      EXPECT_EQ(s.getPixel(x, 2 * kT + h - 1 - y), s.getPixel(x, y)) << "top/bottom " << x << "," << y;
      EXPECT_TRUE(w != h || s.getPixel(y - kT + kL, x - kL + kT) == s.getPixel(x, y)) << "diagonal";
    }
    // Each row one run, the outline without gaps, the brush only where the outline encloses it.
    for (int y = kT; y < kT + h; ++y) {
      int runs = 0;
      for (int x = 0; x < s.width(); ++x) runs += shape.count({x, y}) && !shape.count({x - 1, y});
      EXPECT_EQ(runs, 1) << "row " << y;
    }
    EXPECT_TRUE(EightConnected(pen));
    for (auto [x, y] : brush)
      for (Point q : {Point{x - 1, y}, Point{x + 1, y}, Point{x, y - 1}, Point{x, y + 1}})
        EXPECT_TRUE(shape.count(q)) << x << "," << y;
    // Without a brush the same outline, corners given in the other order; the inside is left alone.
    Surface hollow(72, 40);
    hollow.fillRect(0, 0, 72, 40, kPaper);
    Shape(1, false, {kL + w, kT + h, kL, kT}, true)(hollow);
    EXPECT_EQ(PixelsOf(hollow, kPen), pen);
    EXPECT_EQ(PixelsOf(hollow, kPaper).size(), 72u * 40u - pen.size());
  }
}

TEST_F(SurfaceTest, BitBltCopiesOverlappingBlocksOnTheSameSurface) {
  const std::array<int, 6> cases[] = {{5, 4, 10, 8, 2, 1},    {2, 1, 10, 8, 5, 4},    {0, 3, 20, 10, 0, 0},
                                      {0, 0, 20, 10, 0, 3},   {3, 0, 17, 16, 0, 0},   {0, 0, 17, 16, 3, 0},
                                      {15, 12, 10, 10, 0, 0}, {-4, -3, 10, 10, 8, 6}, {2, 2, 10, 10, -5, -5},
                                      {0, 0, 0, 10, 3, 3},    {0, 0, 10, -1, 3, 3}};
  constexpr int kW = 20, kH = 16;
  const Surface original = Pattern(kW, kH);
  for (const auto& [dx, dy, w, h, sx, sy] : cases) {
    SCOPED_TRACE(::testing::Message()
                 << dx << "," << dy << " " << w << "x" << h << " from " << sx << "," << sy);
    Surface s = original;  // shares its pixels with `original` until written
    s.bitBlt(dx, dy, w, h, s, sx, sy);
    Surface other = original;
    other.bitBlt(dx, dy, w, h, original, sx, sy);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const int fx = x - dx + sx, fy = y - dy + sy;
        const bool copied =
            x >= dx && x < dx + w && y >= dy && y < dy + h && fx >= 0 && fx < kW && fy >= 0 && fy < kH;
        const auto want = copied ? original.getPixel(fx, fy) : original.getPixel(x, y);
        ASSERT_EQ(s.getPixel(x, y), want) << x << "," << y;
        ASSERT_EQ(other.getPixel(x, y), want) << x << "," << y;
      }
  }
  EXPECT_EQ(original.image(), Pattern(kW, kH).image());  // the copies never wrote into it
}

TEST_F(SurfaceTest, StretchBltScalesByNearestNeighbourAndMirrorsOnNegativeSizes) {
  const Surface src = Pattern(4, 3);
  struct Case {
    int dx, dy, dw, dh, sy, sh;  // the source is always x 0, width 4
    int scale;
    bool mirrorX, mirrorY;
  };
  const Case cases[] = {{0, 0, 8, 6, 0, 3, 2, false, false},
                        {8, 0, -8, 6, 0, 3, 2, true, false},
                        {0, 0, 4, 3, 3, -3, 1, false, true},
                        {4, 3, -4, -3, 0, 3, 1, true, true}};
  for (const Case& c : cases) {
    Surface dst(8, 6);
    dst.stretchBlt(c.dx, c.dy, c.dw, c.dh, src, 0, c.sy, 4, c.sh);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 8; ++x) {
        const bool inside = x < 4 * c.scale && y < 3 * c.scale;
        const int fx = c.mirrorX ? 3 - x / c.scale : x / c.scale,
                  fy = c.mirrorY ? 2 - y / c.scale : y / c.scale;
        ASSERT_EQ(dst.getPixel(x, y), inside ? src.getPixel(fx, fy) : 0)
            << c.dw << "," << c.sh << " " << x << "," << y;
      }
  }
  // On itself: the top-left block blown up over the whole surface, reading the pixels as they were.
  Surface self(8, 6);
  self.bitBlt(0, 0, 4, 3, src, 0, 0);
  self.stretchBlt(0, 0, 8, 6, self, 0, 0, 4, 3);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 8; ++x) ASSERT_EQ(self.getPixel(x, y), src.getPixel(x / 2, y / 2));
}

TEST_F(SurfaceTest, AlphaBlendAndTransparentBlt) {
  constexpr ColorRef kSrc = Rgb(200, 100, 0), kDst = Rgb(0, 51, 255);
  Surface src(4, 4);
  src.fillRect(0, 0, 4, 4, kSrc);
  for (auto [alpha, want] :
       {std::pair{0, kDst}, {255, kSrc}, {128, Rgb(100, 75, 127)}, {300, kSrc}, {-7, kDst}}) {
    Surface dst(6, 6);
    dst.fillRect(0, 0, 6, 6, kDst);
    dst.alphaBlend(1, 1, 4, 4, src, 0, 0, 4, 4, alpha);
    EXPECT_EQ(PixelsOf(dst, want).size(), want == kDst ? 36u : 16u) << alpha;
    EXPECT_EQ(dst.getPixel(2, 2), want) << alpha;
  }
  Surface keyed(3, 2);  // black is the key, two pixels are not
  keyed.setPixel(0, 0, kPen);
  keyed.setPixel(2, 1, kBrush);
  for (int n : {1, 2}) {
    Surface dst(8, 8);
    dst.fillRect(0, 0, 8, 8, kPaper);
    dst.transparentBlt(1, 1, 3 * n, 2 * n, keyed, 0, 0, 3, 2, 0);
    EXPECT_EQ(Bounds(PixelsOf(dst, kPen)), (Box{1, 1, 1 + n, 1 + n}));
    EXPECT_EQ(Bounds(PixelsOf(dst, kBrush)), (Box{1 + 2 * n, 1 + n, 1 + 3 * n, 1 + 2 * n}));
    EXPECT_EQ(PixelsOf(dst, kPaper).size(), 64u - 2u * n * n) << n;
  }
}

TEST_F(SurfaceTest, OpaqueTextUsesOnlyTextAndBackgroundColoursInItsCell) {
  EXPECT_EQ(QFontInfo(MinchoFont(16)).family(), "IPAMincho");
  EXPECT_EQ(MinchoFont(-20).pixelSize(), 20);
  EXPECT_TRUE(MinchoFont(16, 700).bold());
  Surface metrics(1, 1);
  metrics.setFont(MinchoFont(16));
  EXPECT_EQ(metrics.textWidth("0"), 8);
  EXPECT_EQ(metrics.textWidth("0A"), 16);
  QFont smooth("IPAMincho");  // asks for antialiasing: the surface must still draw without
  smooth.setPixelSize(16);
  smooth.setStyleStrategy(QFont::PreferAntialias);
  for (const QFont& font : {MinchoFont(16), MinchoFont(16, 700), smooth}) {
    Surface s(40, 30);
    s.setFont(font);
    for (const char* text : {"0", "7", "A", "F", "08"}) {
      SCOPED_TRACE(::testing::Message() << text << " " << font.toString().toStdString());
      s.fillRect(0, 0, 40, 30, kWhite);
      s.setTextColor(kPen);
      s.setBkColor(kPaper);
      s.textOut(5, 3, text);
      const Box cell{5, 3, 5 + s.textWidth(text), 3 + s.textHeight()};
      const auto ink = PixelsOf(s, kPen), paper = PixelsOf(s, kPaper);
      EXPECT_EQ(ink.size() + paper.size(),
                static_cast<std::size_t>((cell[2] - cell[0]) * (cell[3] - cell[1])));
      EXPECT_EQ(Bounds(paper), cell);
      EXPECT_FALSE(ink.empty());
      s.setTextColor(kBrush);  // the same glyph in another colour
      s.textOut(5, 3, text);
      EXPECT_EQ(PixelsOf(s, kBrush), ink);
    }
  }
}

TEST_F(SurfaceTest, TransparentTextLeavesTheBackgroundAndMatchesThePainter) {
  const QFont font = MinchoFont(16);
  const QString text = "0123ABCDEF";
  Surface s(100, 24);
  s.fillRect(0, 0, 100, 24, kBrush);
  s.setFont(font);
  s.setTextColor(kPen);
  s.setBkColor(kPaper);
  s.setBkMode(false);
  s.textOut(3, 2, text);
  EXPECT_EQ(PixelsOf(s, kPen).size() + PixelsOf(s, kBrush).size(), 100u * 24u);
  // The cached glyphs land exactly where QPainter puts them, in either mode.
  QImage img(100, 24, QImage::Format_RGB32);
  img.fill(Qt::black);
  QPainter p(&img);
  p.setFont(font);
  p.setPen(Qt::white);
  p.drawText(3, 2 + QFontMetrics(font).ascent(), text);
  p.end();
  std::set<Point> ink;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 100; ++x)
      if (qGreen(img.pixel(x, y)) >= 128) ink.insert({x, y});
  EXPECT_EQ(PixelsOf(s, kPen), ink);
  s.setBkMode(true);
  s.textOut(3, 2, text);
  EXPECT_EQ(PixelsOf(s, kPen), ink);
}

TEST_F(SurfaceTest, ChangingTheFontReplacesTheGlyphsOfThisSurfaceOnly) {
  Surface a(80, 60);
  a.setFont(MinchoFont(16));
  a.setTextColor(kPen);
  a.textOut(0, 0, "0");  // fills the cache that copies share
  const QImage small = a.image();
  Surface b = a;
  b.setFont(MinchoFont(40));
  b.textOut(0, 0, "0");
  EXPECT_GT(Bounds(PixelsOf(b, kPen))[3], 2 * Bounds(PixelsOf(a, kPen))[3]);
  a.textOut(0, 0, "0");
  EXPECT_EQ(a.image(), small);
}

// With damage tracking on, each operation reports a region that covers every pixel it changed and, for
// copies, fills and opaque text, nothing it left as it was.
TEST(SurfaceDamage, CoversWhatChangedAndNothingThatDidNot) {
  struct Case {
    const char* what;
    std::function<void(Surface&, const Surface&)> draw;
    QRegion expected;
  };
  Surface other(64, 64);
  other.fillRect(10, 10, 12, 11, Rgb(1, 2, 3));
  other.fillRect(40, 50, 41, 51, Rgb(1, 2, 3));
  const std::vector<Case> cases = {
      {"a fill in the colour already there", [](Surface& s, const Surface&) { s.fillRect(0, 0, 64, 64, 0); },
       QRegion()},
      {"a fill", [](Surface& s, const Surface&) { s.fillRect(5, 6, 9, 8, Rgb(9, 9, 9)); },
       QRegion(5, 6, 4, 2)},
      {"a pixel, then the same pixel again",
       [](Surface& s, const Surface&) {
         s.setPixel(3, 4, Rgb(1, 1, 1));
         s.setPixel(3, 4, Rgb(1, 1, 1));
       },
       QRegion(3, 4, 1, 1)},
      {"a copy of equal pixels", [](Surface& s, const Surface& o) { s.bitBlt(0, 20, 64, 20, o, 0, 20); },
       QRegion()},
      {"a copy with two distant changes",
       [](Surface& s, const Surface& o) { s.bitBlt(0, 0, 64, 64, o, 0, 0); },
       QRegion(10, 10, 2, 1) + QRegion(40, 50, 1, 1)},
      {"a line",
       [](Surface& s, const Surface&) {
         s.setPen(Rgb(0, 0, 255));
         s.moveTo(2, 2);
         s.lineTo(2, 9);
       },
       QRegion(2, 2, 1, 8)},
      {"a stretched copy", [](Surface& s, const Surface& o) { s.stretchBlt(30, 30, -4, 4, o, 0, 0, 2, 2); },
       QRegion(26, 30, 4, 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Surface s(64, 64);
    s.setTrackDamage(true);
    c.draw(s, other);
    const QRegion damage = s.takeDamage();
    // The line's box may be noted larger than its pixels; everything else exactly.
    if (c.expected.isEmpty()) {
      EXPECT_TRUE(damage.isEmpty());
    } else {
      EXPECT_EQ(damage.intersected(c.expected), c.expected);
      if (QString::fromLatin1(c.what) != QLatin1String("a line")) {
        EXPECT_EQ(damage, c.expected);
      }
    }
    EXPECT_TRUE(s.takeDamage().isEmpty()) << "taking the damage starts afresh";
  }
}

TEST(SurfaceDamage, OpaqueTextIsNotedOnlyWhenItChangesTheCell) {
  Surface s(64, 32);
  s.setFont(MinchoFont(16));
  s.setTrackDamage(true);
  s.setTextColor(Rgb(255, 0, 0));
  s.setBkColor(0);
  s.textOut(8, 4, QStringLiteral("A"));
  const QRegion first = s.takeDamage();
  EXPECT_TRUE(first.contains(QRect(8, 4, s.textWidth(QStringLiteral("A")), s.textHeight())));
  s.textOut(8, 4, QStringLiteral("A"));
  EXPECT_TRUE(s.takeDamage().isEmpty());
  s.resize(10, 10);
  EXPECT_EQ(s.takeDamage(), QRegion(0, 0, 10, 10));
  Surface untracked(8, 8);
  untracked.fillRect(0, 0, 8, 8, Rgb(5, 5, 5));
  EXPECT_TRUE(untracked.takeDamage().isEmpty());
}

}  // namespace
}  // namespace pf
