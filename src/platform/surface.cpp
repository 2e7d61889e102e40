#include "platform/surface.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <vector>

namespace pf {

namespace {

// Products of two coordinate differences need more than 64 bits when callers pass extreme coordinates.
__extension__ typedef __int128 Int128;

// Pens wider than this are drawn this wide, so that an absurd width cannot stall the program.
constexpr int kMaxPenWidth = 256;
// Glyphs outside ASCII are kept in a map; past this many it is emptied rather than left to grow.
constexpr std::size_t kMaxCachedGlyphs = 8192;

constexpr QRgb ToRgb(ColorRef c) {
  return 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
}
constexpr ColorRef FromRgb(QRgb p) {
  return ((p >> 16) & 0xFFu) | (p & 0xFF00u) | ((p & 0xFFu) << 16);
}

// Floor of num / den for any non-zero den.
Int128 FloorDiv(Int128 num, Int128 den) {
  if (den < 0) {
    num = -num;
    den = -den;
  }
  Int128 q = num / den;
  if (num % den != 0 && num < 0) --q;
  return q;
}

// Nearest integer to num / den (den > 0), halves going towards minus infinity. Using a fixed direction
// for halves makes a line from A to B cover the same pixels as the line from B to A.
std::int64_t RoundHalfDown(Int128 num, Int128 den) {
  return static_cast<std::int64_t>(FloorDiv(2 * num + den - 1, 2 * den));
}

// Write access to the pixels of an image (detaching it from any copy that shares them).
struct Pixels {
  QRgb* bits = nullptr;
  std::int64_t stride = 0;  // in pixels
  int width = 0;
  int height = 0;

  explicit Pixels(QImage& image) {
    if (image.isNull()) return;
    bits = reinterpret_cast<QRgb*>(image.bits());
    if (bits == nullptr) return;
    stride = image.bytesPerLine() / 4;
    width = image.width();
    height = image.height();
  }
  bool empty() const { return bits == nullptr || width <= 0 || height <= 0; }
  QRgb* row(std::int64_t y) const { return bits + y * stride; }

  // Fills [left, right) x [top, bottom), clipped.
  void fill(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom, QRgb c) const {
    left = std::max<std::int64_t>(left, 0);
    top = std::max<std::int64_t>(top, 0);
    right = std::min<std::int64_t>(right, width);
    bottom = std::min<std::int64_t>(bottom, height);
    if (left >= right || top >= bottom) return;
    for (std::int64_t y = top; y < bottom; ++y) std::fill(row(y) + left, row(y) + right, c);
  }
};

struct Interval {
  std::int64_t lo = 0;
  std::int64_t hi = -1;  // inclusive; empty when hi < lo
  bool empty() const { return hi < lo; }
};

// Maps destination pixels to source pixels for the stretching copies: the destination rectangle runs from
// d to d + dn and the source rectangle from s to s + sn (either may be negative, which mirrors), and each
// destination pixel takes the source pixel under its centre. Entries are -1 where the source pixel lies
// outside the source image. `first` is the first destination coordinate inside the destination image.
struct AxisMap {
  std::int64_t first = 0;
  std::vector<int> source;

  AxisMap(std::int64_t d, std::int64_t dn, std::int64_t s, std::int64_t sn, int dstSize, int srcSize) {
    const std::int64_t lo = std::max<std::int64_t>(std::min(d, d + dn), 0);
    const std::int64_t hi = std::min<std::int64_t>(std::max(d, d + dn), dstSize);
    first = lo;
    if (lo >= hi) return;
    source.resize(static_cast<std::size_t>(hi - lo));
    for (std::int64_t x = lo; x < hi; ++x) {
      const Int128 offset = FloorDiv((Int128(2) * (x - d) + 1) * sn, Int128(2) * dn);
      const Int128 sx = s + offset;
      source[static_cast<std::size_t>(x - lo)] = (sx >= 0 && sx < srcSize) ? static_cast<int>(sx) : -1;
    }
  }
};

// The shared body of stretchBlt, alphaBlend and transparentBlt: op(sourcePixel, destinationPixel&).
template <typename Op>
void MappedBlit(QImage& dstImage, const QImage& srcImage, int dx, int dy, int dw, int dh, int sx, int sy,
                int sw, int sh, Op op) {
  if (dw == 0 || dh == 0 || sw == 0 || sh == 0 || srcImage.isNull()) return;
  // The source is held by value: when it shares its pixels with the destination (the same surface, or a
  // copy of it), writing detaches the destination and the source keeps the pixels as they were.
  const QImage src = srcImage;
  Pixels dst(dstImage);
  if (dst.empty()) return;
  const AxisMap cols(dx, dw, sx, sw, dst.width, src.width());
  const AxisMap rows(dy, dh, sy, sh, dst.height, src.height());
  if (cols.source.empty() || rows.source.empty()) return;
  for (std::size_t j = 0; j < rows.source.size(); ++j) {
    const int srcY = rows.source[j];
    if (srcY < 0) continue;
    const QRgb* srcRow = reinterpret_cast<const QRgb*>(src.constScanLine(srcY));
    QRgb* dstRow = dst.row(rows.first + static_cast<std::int64_t>(j)) + cols.first;
    for (std::size_t i = 0; i < cols.source.size(); ++i) {
      const int srcX = cols.source[i];
      if (srcX >= 0) op(srcRow[srcX], dstRow[i]);
    }
  }
}

}  // namespace

// One rendered glyph per character of one font. Glyphs are drawn once with QPainter (no antialiasing)
// and kept as a coverage mask, so textOut only writes pixels. Copies of a surface share the cache;
// setFont gives a surface a new cache rather than clearing the shared one.
struct Surface::GlyphCache {
  struct Glyph {
    int advance = 0;
    // The ink's box relative to the top-left of the character cell.
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // The coverage, one word per pixel of the ink box: all ones on ink, zero elsewhere, so that a pixel
    // becomes (old & ~mask) | (ink & mask) without a branch.
    std::vector<std::uint32_t> coverage;
    // When the ink lies inside the cell: the coverage over the whole cell (advance x cell height), so that
    // opaque text is written in one pass.
    std::vector<std::uint32_t> cellCoverage;
    // The opaque cell as last drawn, with its colours: a character is nearly always drawn in the same
    // colours as the time before (a grid shows each digit in its own colour), so it is copied row by row.
    std::vector<QRgb> lastCell;
    QRgb lastInk = 0;
    QRgb lastPaper = 0;
  };

  explicit GlyphCache(const QFont& f) : font(f) {
    font.setStyleStrategy(static_cast<QFont::StyleStrategy>((font.styleStrategy() & ~QFont::PreferAntialias) |
                                                            QFont::NoAntialias));
  }

  void prepare() {
    if (ready) return;
    const QFontMetrics fm(font);
    // A font asked for by pixel height has a character cell of exactly that height, the way a Windows
    // font created with a cell height does; the grid windows lay their rows out by it.
    cellHeight = font.pixelSize() > 0 ? font.pixelSize() : std::max(fm.height(), 0);
    ascent = std::min(fm.ascent(), cellHeight);
    overhang = std::max(cellHeight, 4);
    ready = true;
  }

  Glyph& glyph(char32_t c) {
    prepare();
    if (c < ascii.size()) {
      auto& slot = ascii[c];
      if (!slot) slot = std::make_unique<Glyph>(render(c));
      return *slot;
    }
    auto it = others.find(c);
    if (it != others.end()) return it->second;
    if (others.size() >= kMaxCachedGlyphs) others.clear();
    return others.emplace(c, render(c)).first->second;
  }

  Glyph render(char32_t c) const {
    Glyph g;
    const QString text = QString::fromUcs4(&c, 1);
    const QFontMetrics fm(font);
    g.advance = std::max(fm.horizontalAdvance(text), 0);
    // Room around the cell for ink that overhangs it.
    const int padX = overhang;
    const int padY = cellHeight / 2 + 4;
    QImage canvas(g.advance + 2 * padX, cellHeight + 2 * padY, QImage::Format_RGB32);
    if (canvas.isNull()) return g;
    canvas.fill(Qt::black);
    {
      QPainter painter(&canvas);
      painter.setRenderHint(QPainter::TextAntialiasing, false);
      painter.setRenderHint(QPainter::Antialiasing, false);
      painter.setFont(font);
      painter.setPen(Qt::white);
      painter.drawText(padX, padY + ascent, text);
    }
    // Whatever the rasteriser did, a pixel is either ink or not.
    int minX = canvas.width(), minY = canvas.height(), maxX = -1, maxY = -1;
    for (int y = 0; y < canvas.height(); ++y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
      for (int x = 0; x < canvas.width(); ++x) {
        if (qGreen(row[x]) < 128) continue;
        minX = std::min(minX, x);
        maxX = std::max(maxX, x);
        minY = std::min(minY, y);
        maxY = std::max(maxY, y);
      }
    }
    if (maxX < 0) return g;
    g.left = minX - padX;
    g.top = minY - padY;
    g.width = maxX - minX + 1;
    g.height = maxY - minY + 1;
    auto coverageOf = [&](int left, int top, int w, int h) {
      std::vector<std::uint32_t> mask(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
      for (int y = 0; y < h; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(canvas.constScanLine(top + y));
        for (int x = 0; x < w; ++x)
          mask[static_cast<std::size_t>(y * w + x)] = qGreen(row[left + x]) >= 128 ? ~0u : 0u;
      }
      return mask;
    };
    g.coverage = coverageOf(minX, minY, g.width, g.height);
    if (g.left >= 0 && g.top >= 0 && g.left + g.width <= g.advance && g.top + g.height <= cellHeight)
      g.cellCoverage = coverageOf(padX, padY, g.advance, cellHeight);
    return g;
  }

  QFont font;
  bool ready = false;
  int cellHeight = 0;
  int ascent = 0;
  int overhang = 0;  // how far ink may reach outside its cell, left or right
  std::array<std::unique_ptr<Glyph>, 128> ascii;
  std::unordered_map<char32_t, Glyph> others;
};

Surface::Surface(int width, int height) : glyphs_(std::make_shared<GlyphCache>(font_)) {
  resize(width, height);
}

Surface::Surface(const Surface&) = default;
Surface& Surface::operator=(const Surface&) = default;
Surface::~Surface() = default;

void Surface::resize(int width, int height) {
  image_ = QImage(std::max(width, 0), std::max(height, 0), QImage::Format_RGB32);
  image_.fill(ToRgb(0));
  damage(0, 0, width, height);
}

void Surface::setTrackDamage(bool on) {
  trackDamage_ = on;
  damage_.clear();
}

QRegion Surface::takeDamage() {
  QRegion region;
  for (const QRect& r : damage_) region += r;
  damage_.clear();
  return region;
}

void Surface::damage(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
  if (!trackDamage_) return;
  left = std::max<std::int64_t>(left, 0);
  top = std::max<std::int64_t>(top, 0);
  right = std::min<std::int64_t>(right, width());
  bottom = std::min<std::int64_t>(bottom, height());
  if (left >= right || top >= bottom) return;
  const QRect r(static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                static_cast<int>(bottom - top));
  if (!damage_.empty() && damage_.back().contains(r)) return;
  // Past a few dozen rectangles one box around them all is cheaper for everyone downstream.
  constexpr std::size_t kMaxRects = 48;
  if (damage_.size() >= kMaxRects) {
    QRect all = r;
    for (const QRect& d : damage_) all |= d;
    damage_.assign(1, all);
    return;
  }
  damage_.push_back(r);
}

void Surface::setPen(ColorRef colour, int width) {
  penColour_ = colour;
  penWidth_ = std::max(width, 1);
  nullPen_ = false;
}

void Surface::setNullPen() {
  nullPen_ = true;
}

void Surface::setBrush(ColorRef colour) {
  brushColour_ = colour;
  nullBrush_ = false;
}

void Surface::setNullBrush() {
  nullBrush_ = true;
}

void Surface::fillRect(int left, int top, int right, int bottom, ColorRef colour) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const QRgb c = ToRgb(colour);
  if (trackDamage_) {
    // Only the rows that change are written and noted.
    const std::int64_t l = std::max(left, 0), r = std::min(right, width());
    const std::int64_t t = std::max(top, 0), b = std::min(bottom, height());
    if (l >= r || t >= b) return;
    auto differs = [&](std::int64_t y) {
      const QRgb* row = reinterpret_cast<const QRgb*>(image_.constScanLine(static_cast<int>(y)));
      return std::any_of(row + l, row + r, [c](QRgb p) { return p != c; });
    };
    std::int64_t first = t;
    while (first < b && !differs(first)) ++first;
    if (first == b) return;
    std::int64_t last = b - 1;
    while (last > first && !differs(last)) --last;
    Pixels(image_).fill(l, first, r, last + 1, c);
    damage(l, first, r, last + 1);
    return;
  }
  Pixels(image_).fill(left, top, right, bottom, c);
}

void Surface::damageBox(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h) {
  damage(std::min(x, x + w), std::min(y, y + h), std::max(x, x + w), std::max(y, y + h));
}

void Surface::plot(int x, int y, ColorRef colour) {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return;
  Pixels px(image_);
  if (!px.empty()) px.row(y)[x] = ToRgb(colour);
}

// A pen wider than one pixel is a square of width x width pixels centred on the point (for even widths the
// extra pixel lies above and to the left). Squares keep the corners of frames and boxes square.
void Surface::penDot(int x, int y) {
  const int w = std::min(penWidth_, kMaxPenWidth);
  if (w <= 1) {
    plot(x, y, penColour_);
    return;
  }
  const std::int64_t lo = -(w / 2);
  Pixels(image_).fill(std::int64_t{x} + lo, std::int64_t{y} + lo, std::int64_t{x} + lo + w,
                      std::int64_t{y} + lo + w, ToRgb(penColour_));
}

void Surface::moveTo(int x, int y) {
  curX_ = x;
  curY_ = y;
}

void Surface::lineTo(int x, int y) {
  const std::int64_t x0 = curX_, y0 = curY_, x1 = x, y1 = y;
  curX_ = x;
  curY_ = y;
  if (nullPen_ || image_.isNull()) return;
  const std::int64_t dx = x1 - x0, dy = y1 - y0;
  const std::int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  if (adx == 0 && ady == 0) return;
  {
    const std::int64_t pw = std::min(penWidth_, kMaxPenWidth), plo = -(pw / 2);
    damage(std::min(x0, x1) + plo, std::min(y0, y1) + plo, std::max(x0, x1) + plo + pw,
           std::max(y0, y1) + plo + pw);
  }

  // Step along the major axis; the minor coordinate is the exact one rounded to the nearest pixel. The end
  // point (step n) is not drawn. Only the steps whose pen square can reach the image are visited, so far
  // away end points cost nothing.
  const bool xMajor = adx >= ady;
  const std::int64_t n = xMajor ? adx : ady;
  const std::int64_t minor = xMajor ? ady : adx;
  const std::int64_t majorStart = xMajor ? x0 : y0;
  const std::int64_t minorStart = xMajor ? y0 : x0;
  const std::int64_t majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const std::int64_t minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const std::int64_t majorSize = xMajor ? width() : height();

  const std::int64_t w = std::min(penWidth_, kMaxPenWidth);
  const std::int64_t lo = -(w / 2);
  const std::int64_t visibleMin = -lo - w + 1;  // smallest coordinate whose square reaches pixel 0
  const std::int64_t visibleMax = majorSize - 1 - lo;
  std::int64_t iFirst = 0, iLast = n - 1;
  if (majorStep > 0) {
    iFirst = std::max(iFirst, visibleMin - majorStart);
    iLast = std::min(iLast, visibleMax - majorStart);
  } else {
    iFirst = std::max(iFirst, majorStart - visibleMax);
    iLast = std::min(iLast, majorStart - visibleMin);
  }
  const std::int64_t minorSize = xMajor ? height() : width();
  for (std::int64_t i = iFirst; i <= iLast; ++i) {
    const std::int64_t a = majorStart + majorStep * i;
    const std::int64_t b = minorStart + RoundHalfDown(Int128(minorStep) * i * minor, n);
    if (b < visibleMin || b > minorSize - 1 - lo) continue;
    if (xMajor) {
      penDot(static_cast<int>(a), static_cast<int>(b));
    } else {
      penDot(static_cast<int>(b), static_cast<int>(a));
    }
  }
}

void Surface::rectangle(int left, int top, int right, int bottom) {
  std::int64_t l = left, t = top, r = right, b = bottom;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (r - l < 1 || b - t < 1) return;
  Pixels px(image_);
  if (px.empty()) return;
  {
    const std::int64_t pw = nullPen_ ? 1 : std::min(penWidth_, kMaxPenWidth), plo = -(pw / 2);
    damage(l + plo, t + plo, r - 1 + plo + pw, b - 1 + plo + pw);
  }
  if (nullPen_) {
    if (!nullBrush_) px.fill(l, t, r, b, ToRgb(brushColour_));
    return;
  }
  if (!nullBrush_) px.fill(l + 1, t + 1, r - 1, b - 1, ToRgb(brushColour_));
  // The outline runs through the border pixels l..r-1, t..b-1; a wider pen's square is centred on them.
  const std::int64_t w = std::min(penWidth_, kMaxPenWidth);
  const std::int64_t lo = -(w / 2);
  const QRgb pen = ToRgb(penColour_);
  px.fill(l + lo, t + lo, r - 1 + lo + w, t + lo + w, pen);
  px.fill(l + lo, b - 1 + lo, r - 1 + lo + w, b - 1 + lo + w, pen);
  px.fill(l + lo, t + lo, l + lo + w, b - 1 + lo + w, pen);
  px.fill(r - 1 + lo, t + lo, r - 1 + lo + w, b - 1 + lo + w, pen);
}

// The ellipse inscribed in the box: the pixels whose centres lie inside it, plus the middle row(s) and
// column(s) of the box in full, so that even a very flat ellipse reaches all four sides. The outline is
// every pixel of that shape with a neighbour (left, right, above or below) outside it, which leaves no gaps;
// the rest is the interior. Each row is computed from its distance to the middle, so the shape is
// symmetric both ways.
void Surface::ellipse(int left, int top, int right, int bottom) {
  std::int64_t l = left, t = top, r = right, b = bottom;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  const std::int64_t boxW = r - l, boxH = b - t;
  if (boxW < 1 || boxH < 1) return;
  Pixels px(image_);
  if (px.empty()) return;
  if (nullPen_ && nullBrush_) return;
  {
    const std::int64_t pw = nullPen_ ? 1 : std::min(penWidth_, kMaxPenWidth), plo = -(pw / 2);
    damage(l + plo, t + plo, r - 1 + plo + pw, b - 1 + plo + pw);
  }

  const std::int64_t kMax = (boxW - 1) / 2;
  const double evenW = (boxW % 2 == 0) ? 1.0 : 0.0;
  const double evenH = (boxH % 2 == 0) ? 1.0 : 0.0;
  // A row covers the middle pixel (odd width) or the two middle pixels (even width) and k more each side.
  auto span = [&](std::int64_t y) -> Interval {
    if (y < t || y >= b) return {};
    const std::int64_t j = y - t;
    const std::int64_t p = j <= (boxH - 1) / 2 ? (boxH - 1) / 2 - j : j - boxH / 2;
    std::int64_t k = kMax;
    if (p > 0) {
      // Pixel m beyond the middle has its centre at (2m + evenW) / 2 from the centre line.
      const double q = (2.0 * static_cast<double>(p) + evenH) / static_cast<double>(boxH);
      const double halfWidth2 = static_cast<double>(boxW) * std::sqrt(std::max(0.0, 1.0 - q * q));
      const double m = std::floor((halfWidth2 - evenW) / 2.0 + 1e-9);
      k = std::clamp<std::int64_t>(static_cast<std::int64_t>(std::max(m, -1.0)), 0, kMax);
    }
    return {l + (boxW - 1) / 2 - k, l + boxW / 2 + k};
  };

  const std::int64_t w = nullPen_ ? 1 : std::min(penWidth_, kMaxPenWidth);
  const std::int64_t lo = -(w / 2);
  const std::int64_t yFirst = std::max<std::int64_t>(t, -lo - w + 1);
  const std::int64_t yLast = std::min<std::int64_t>(b - 1, px.height - 1 - lo);
  auto interior = [&](std::int64_t y, const Interval& s) -> Interval {
    const Interval up = span(y - 1), down = span(y + 1);
    if (up.empty() || down.empty()) return {};
    return {std::max({s.lo + 1, up.lo, down.lo}), std::min({s.hi - 1, up.hi, down.hi})};
  };

  if (!nullBrush_) {
    const QRgb brush = ToRgb(brushColour_);
    for (std::int64_t y = std::max<std::int64_t>(t, 0); y <= std::min<std::int64_t>(b - 1, px.height - 1);
         ++y) {
      const Interval s = span(y);
      const Interval in = nullPen_ ? s : interior(y, s);
      if (!in.empty()) px.fill(in.lo, y, in.hi + 1, y + 1, brush);
    }
  }
  if (nullPen_) return;
  // The pen goes on after the whole interior, so a wide pen is not painted over by the next row's brush.
  const QRgb pen = ToRgb(penColour_);
  auto stampRun = [&](std::int64_t x0, std::int64_t x1, std::int64_t y) {
    if (x0 <= x1) px.fill(x0 + lo, y + lo, x1 + lo + w, y + lo + w, pen);
  };
  for (std::int64_t y = yFirst; y <= yLast; ++y) {
    const Interval s = span(y);
    const Interval in = interior(y, s);
    if (in.empty()) {
      stampRun(s.lo, s.hi, y);
    } else {
      stampRun(s.lo, in.lo - 1, y);
      stampRun(in.hi + 1, s.hi, y);
    }
  }
}

void Surface::setPixel(int x, int y, ColorRef colour) {
  if (trackDamage_) {
    const std::int64_t old = getPixel(x, y);
    if (old < 0 || old == static_cast<std::int64_t>(FromRgb(ToRgb(colour)))) return;
    damage(x, y, std::int64_t{x} + 1, std::int64_t{y} + 1);
  }
  plot(x, y, colour);
}

std::int64_t Surface::getPixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width() || y >= height()) return -1;
  return FromRgb(reinterpret_cast<const QRgb*>(image_.constScanLine(y))[x]);
}

void Surface::bitBlt(int dx, int dy, int w, int h, const Surface& src, int sx, int sy) {
  if (w <= 0 || h <= 0 || src.image_.isNull() || image_.isNull()) return;
  std::int64_t dX = dx, dY = dy, sX = sx, sY = sy, cw = w, ch = h;
  // Clip against both images, moving the other rectangle along.
  auto clipAxis = [](std::int64_t& d, std::int64_t& s, std::int64_t& n, std::int64_t dstSize,
                     std::int64_t srcSize) {
    const std::int64_t cut = std::max({std::int64_t{0}, -d, -s});
    d += cut;
    s += cut;
    n -= cut;
    n = std::min({n, dstSize - d, srcSize - s});
  };
  clipAxis(dX, sX, cw, width(), src.width());
  clipAxis(dY, sY, ch, height(), src.height());
  if (cw <= 0 || ch <= 0) return;

  const std::size_t rowBytes = static_cast<std::size_t>(cw) * sizeof(QRgb);
  std::vector<QRgb> block;
  const QImage source = src.image_;  // see MappedBlit: keeps the pixels if they are shared with ours
  auto sourceRow = [&](std::int64_t y) -> const QRgb* {
    return block.empty() ? reinterpret_cast<const QRgb*>(source.constScanLine(static_cast<int>(sY + y))) + sX
                         : block.data() + y * cw;
  };
  if (&src == this) {
    // Source and destination may overlap: copy the block out first.
    block.resize(static_cast<std::size_t>(cw * ch));
    for (std::int64_t y = 0; y < ch; ++y)
      std::memcpy(block.data() + y * cw, reinterpret_cast<const QRgb*>(image_.constScanLine(sY + y)) + sX,
                  rowBytes);
  }
  Pixels px(image_);
  if (!trackDamage_) {
    for (std::int64_t y = 0; y < ch; ++y) std::memcpy(px.row(dY + y) + dX, sourceRow(y), rowBytes);
    return;
  }
  // Only rows that differ are copied; runs of them are noted as boxes around their differing columns.
  std::int64_t bandTop = -1, bandLeft = 0, bandRight = 0;
  auto closeBand = [&](std::int64_t end) {
    if (bandTop >= 0) damage(dX + bandLeft, dY + bandTop, dX + bandRight, dY + end);
    bandTop = -1;
  };
  for (std::int64_t y = 0; y < ch; ++y) {
    const QRgb* from = sourceRow(y);
    QRgb* to = px.row(dY + y) + dX;
    if (std::memcmp(to, from, rowBytes) == 0) {
      closeBand(y);
      continue;
    }
    std::int64_t left = 0, right = cw;
    while (to[left] == from[left]) ++left;
    while (to[right - 1] == from[right - 1]) --right;
    std::memcpy(to + left, from + left, static_cast<std::size_t>(right - left) * sizeof(QRgb));
    if (bandTop >= 0 && left <= bandRight && right >= bandLeft) {
      bandLeft = std::min(bandLeft, left);
      bandRight = std::max(bandRight, right);
    } else {
      closeBand(y);
      bandTop = y;
      bandLeft = left;
      bandRight = right;
    }
  }
  closeBand(ch);
}

void Surface::stretchBlt(int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw, int sh) {
  damageBox(dx, dy, dw, dh);
  MappedBlit(image_, src.image_, dx, dy, dw, dh, sx, sy, sw, sh, [](QRgb s, QRgb& d) { d = s; });
}

void Surface::alphaBlend(int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw, int sh,
                         int alpha) {
  damageBox(dx, dy, dw, dh);
  const unsigned a = static_cast<unsigned>(std::clamp(alpha, 0, 255));
  const unsigned na = 255 - a;
  MappedBlit(image_, src.image_, dx, dy, dw, dh, sx, sy, sw, sh, [a, na](QRgb s, QRgb& d) {
    const unsigned red = (qRed(s) * a + qRed(d) * na) / 255;
    const unsigned green = (qGreen(s) * a + qGreen(d) * na) / 255;
    const unsigned blue = (qBlue(s) * a + qBlue(d) * na) / 255;
    d = qRgb(static_cast<int>(red), static_cast<int>(green), static_cast<int>(blue));
  });
}

void Surface::transparentBlt(int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw,
                             int sh, ColorRef key) {
  damageBox(dx, dy, dw, dh);
  const QRgb k = ToRgb(key);
  MappedBlit(image_, src.image_, dx, dy, dw, dh, sx, sy, sw, sh, [k](QRgb s, QRgb& d) {
    if ((s | 0xFF000000u) != k) d = s | 0xFF000000u;
  });
}

void Surface::setFont(const QFont& font) {
  if (font == font_) return;
  font_ = font;
  glyphs_ = std::make_shared<GlyphCache>(font_);
}

namespace {

// Calls f(codePoint) for each character of the text, joining surrogate pairs.
template <typename F>
void ForEachCodePoint(const QString& text, F f) {
  const QChar* d = text.constData();
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    char32_t c = d[i].unicode();
    if (QChar::isHighSurrogate(c) && i + 1 < n && d[i + 1].isLowSurrogate()) {
      c = QChar::surrogateToUcs4(d[i], d[i + 1]);
      ++i;
    }
    f(c);
  }
}

}  // namespace

void Surface::textOut(int x, int y, const QString& text) {
  if (text.isEmpty()) return;
  Pixels px(image_);
  if (px.empty()) return;
  GlyphCache& cache = *glyphs_;
  cache.prepare();
  const QRgb ink = ToRgb(textColour_);
  const QRgb paper = ToRgb(bkColour_);
  const std::int64_t top = y;
  const std::int64_t cellH = cache.cellHeight;
  std::int64_t penX = x;
  ForEachCodePoint(text, [&](char32_t c) {
    // Past the right edge by more than any overhang, nothing more can land on the image.
    if (penX - cache.overhang > px.width) return;
    GlyphCache::Glyph& g = cache.glyph(c);
    const std::int64_t cellX = penX;
    penX += g.advance;
    if (opaque_ && !g.cellCoverage.empty() && cellX >= 0 && top >= 0 && cellX + g.advance <= px.width &&
        top + cellH <= px.height) {
      // The common case: the whole cell, background and ink, copied in one pass.
      if (g.lastCell.empty() || g.lastInk != ink || g.lastPaper != paper) {
        g.lastCell.resize(g.cellCoverage.size());
        for (std::size_t i = 0; i < g.cellCoverage.size(); ++i)
          g.lastCell[i] = (paper & ~g.cellCoverage[i]) | (ink & g.cellCoverage[i]);
        g.lastInk = ink;
        g.lastPaper = paper;
      }
      const std::size_t rowBytes = static_cast<std::size_t>(g.advance) * sizeof(QRgb);
      bool changed = false;
      for (std::int64_t row = 0; row < cellH; ++row) {
        QRgb* to = px.row(top + row) + cellX;
        const QRgb* from = g.lastCell.data() + row * g.advance;
        if (trackDamage_ && !changed) changed = std::memcmp(to, from, rowBytes) != 0;
        std::memcpy(to, from, rowBytes);
      }
      if (changed) damage(cellX, top, cellX + g.advance, top + cellH);
      return;
    }
    if (opaque_) {
      px.fill(cellX, top, cellX + g.advance, top + cellH, paper);
      damage(cellX, top, cellX + g.advance, top + cellH);
    }
    if (g.coverage.empty()) return;
    // The ink box, clipped.
    const std::int64_t gx = cellX + g.left, gy = top + g.top;
    damage(gx, gy, gx + g.width, gy + g.height);
    const std::int64_t colFirst = std::max<std::int64_t>(0, -gx);
    const std::int64_t colEnd = std::min<std::int64_t>(g.width, px.width - gx);
    const std::int64_t rowFirst = std::max<std::int64_t>(0, -gy);
    const std::int64_t rowEnd = std::min<std::int64_t>(g.height, px.height - gy);
    for (std::int64_t row = rowFirst; row < rowEnd; ++row) {
      const std::uint32_t* mask = g.coverage.data() + row * g.width;
      QRgb* out = px.row(gy + row) + gx;
      for (std::int64_t col = colFirst; col < colEnd; ++col)
        out[col] = (out[col] & ~mask[col]) | (ink & mask[col]);
    }
  });
}

// The sum of the characters' advances: textOut draws character by character, without kerning.
int Surface::textWidth(const QString& text) const {
  std::int64_t total = 0;
  ForEachCodePoint(text, [&](char32_t c) { total += glyphs_->glyph(c).advance; });
  return static_cast<int>(std::min<std::int64_t>(total, std::numeric_limits<int>::max()));
}

bool Surface::inkInsideCells(const QString& text) const {
  glyphs_->prepare();
  bool inside = true;
  ForEachCodePoint(text, [&](char32_t c) {
    const GlyphCache::Glyph& g = glyphs_->glyph(c);
    inside = inside && (g.coverage.empty() || !g.cellCoverage.empty());
  });
  return inside;
}

int Surface::textHeight() const {
  glyphs_->prepare();
  return glyphs_->cellHeight;
}

}  // namespace pf
