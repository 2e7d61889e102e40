// A pixel buffer with the drawing operations and rules of a Windows device context.
//
// Rectangles are left/top inclusive and right/bottom exclusive. Lines do not draw their end point.
// Everything is clipped to the buffer; no call writes outside it. Colours are ColorRef values
// (red + 256 * green + 65536 * blue). Text is drawn without antialiasing, so every glyph pixel is exactly
// the text colour.
#pragma once

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QString>
#include <memory>
#include <vector>

#include "model/colour.h"

namespace pf {

class Surface {
 public:
  Surface(int width, int height);  // filled black
  Surface(const Surface&);
  Surface& operator=(const Surface&);
  ~Surface();

  int width() const { return image_.width(); }
  int height() const { return image_.height(); }
  // The pixels as a QImage (Format_RGB32), for painting on screen and for tests.
  const QImage& image() const { return image_; }
  // Replaces the size and content; the new area is black.
  void resize(int width, int height);

  // Pen and brush, as selected into a device context. A pen of width 0 draws like width 1.
  void setPen(ColorRef colour, int width = 1);
  void setNullPen();
  void setBrush(ColorRef colour);
  void setNullBrush();
  ColorRef penColour() const { return penColour_; }
  int penWidth() const { return penWidth_; }

  // Fills left..right-1 x top..bottom-1 with a colour; pen and brush are not used.
  void fillRect(int left, int top, int right, int bottom, ColorRef colour);

  void moveTo(int x, int y);
  // Draws from the current position to (x, y), not including (x, y); (x, y) becomes the current position.
  void lineTo(int x, int y);
  // Outline with the pen, inside filled with the brush; the box is right/bottom exclusive.
  void rectangle(int left, int top, int right, int bottom);
  void ellipse(int left, int top, int right, int bottom);

  // Out of range: setPixel writes nothing and getPixel returns -1.
  void setPixel(int x, int y, ColorRef colour);
  std::int64_t getPixel(int x, int y) const;

  // Block copies; source and destination may be the same surface and may overlap.
  void bitBlt(int dx, int dy, int w, int h, const Surface& src, int sx, int sy);
  // Nearest neighbour; negative sizes mirror.
  void stretchBlt(int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw, int sh);
  // dst = (src * alpha + dst * (255 - alpha)) / 255 per channel, alpha 0..255.
  void alphaBlend(int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw, int sh,
                  int alpha);
  // Copies every source pixel except those of the key colour (stretched like stretchBlt when sizes differ).
  void transparentBlt(int dx, int dy, int dw, int dh, const Surface& src, int sx, int sy, int sw, int sh,
                      ColorRef key);

  // Text: drawn with its character cell's top-left at (x, y). In opaque mode the cell is filled with the
  // background colour first.
  void setFont(const QFont& font);
  const QFont& font() const { return font_; }
  void setTextColor(ColorRef colour) { textColour_ = colour; }
  void setBkColor(ColorRef colour) { bkColour_ = colour; }
  void setBkMode(bool opaque) { opaque_ = opaque; }
  ColorRef textColor() const { return textColour_; }
  ColorRef bkColor() const { return bkColour_; }
  bool bkOpaque() const { return opaque_; }
  void textOut(int x, int y, const QString& text);
  // Width and height of the text's cell in the current font.
  int textWidth(const QString& text) const;
  int textHeight() const;
  // True when every character's ink lies inside its own cell, so that drawing one character never
  // touches its neighbours' pixels.
  bool inkInsideCells(const QString& text) const;

  // Damage: while tracking is on, every operation notes the rectangles whose pixels it changed (or may
  // have changed; copies, fills and opaque text note only what really differs), so that a window hands
  // the screen only those. Off by default.
  void setTrackDamage(bool on);
  // Everything changed since the last call, and starts afresh.
  QRegion takeDamage();

 private:
  struct GlyphCache;
  void plot(int x, int y, ColorRef colour);
  void penDot(int x, int y);
  // Notes [left, right) x [top, bottom), clipped, when tracking.
  void damage(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);
  // The same for a box given by a corner and a size that may be negative (mirroring copies).
  void damageBox(std::int64_t x, std::int64_t y, std::int64_t w, std::int64_t h);

  QImage image_;
  ColorRef penColour_ = 0;
  int penWidth_ = 1;
  bool nullPen_ = false;
  ColorRef brushColour_ = 0xFFFFFF;
  bool nullBrush_ = false;
  int curX_ = 0;
  int curY_ = 0;
  QFont font_;
  ColorRef textColour_ = 0;
  ColorRef bkColour_ = 0xFFFFFF;
  bool opaque_ = true;
  std::shared_ptr<GlyphCache> glyphs_;
  bool trackDamage_ = false;
  std::vector<QRect> damage_;
};

}  // namespace pf
