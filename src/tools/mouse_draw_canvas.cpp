#include "tools/mouse_draw_canvas.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "model/flood_fill.h"
#include "model/numeric_text.h"
#include "platform/drawing.h"

namespace pf {

namespace {

constexpr ColorRef kKey = 0;  // black is transparent whenever one surface is laid over another
constexpr PaletteEntry kBlack{};

void Clear(Surface& s) {
  FillColourRect(s, 0, 0, kIconSize, kIconSize, kBlack);
}

void Copy(Surface& to, const Surface& from) {
  to.bitBlt(0, 0, kIconSize, kIconSize, from, 0, 0);
}

void LayOver(Surface& to, const Surface& from, int x = 0, int y = 0) {
  to.transparentBlt(x, y, kIconSize, kIconSize, from, 0, 0, kIconSize, kIconSize, kKey);
}

std::size_t WorkIndex(int x, int y) {
  return static_cast<std::size_t>((kIconSize - 1 - y) * kIconSize + x);
}

}  // namespace

MouseDrawCanvas::MouseDrawCanvas(const Palette& palette) : palette_(palette) {}

void MouseDrawCanvas::load(const Image32& pixels) {
  work_ = pixels;
  map_ = BuildColourMap(palette_);
  paint(image_, work_);
  Copy(display_, image_);
}

int MouseDrawCanvas::at(int x, int y) const {
  return work_[WorkIndex(x, y)];
}

// ---------------------------------------------------------------------------------------------------
// Strokes

bool MouseDrawCanvas::press(int x, int y, const std::optional<Mix>& mix) {
  if (compositing_) return false;
  undone_ = false;
  if (mode_ == kFill) {
    fill(std::clamp(x, 0, kIconSize - 1), std::clamp(y, 0, kIconSize - 1), mix);
    return true;
  }
  drawing_ = true;
  return step(x, y);
}

void MouseDrawCanvas::fill(int x, int y, const std::optional<Mix>& mix) {
  // Painted on the picture itself rather than on the overlay, whose black is the key: a fill in a black
  // entry shows too. The backup is taken first, so one undo takes the fill back.
  Copy(backup_, image_);
  for (const int i : FillRegion(work_, static_cast<int>(WorkIndex(x, y)))) {
    const int px = i % kIconSize;
    const int py = kIconSize - 1 - i / kIconSize;
    image_.setPixel(px, py, mapped(mix ? MixIndex(px, py, mix->c1, mix->c2) : k_));
  }
  Copy(display_, image_);
  readBack();
}

bool MouseDrawCanvas::step(int x, int y) {
  const Point p{std::clamp(x, 0, kIconSize - 1), std::clamp(y, 0, kIconSize - 1)};
  if (mode_ == kDot) {
    if (!anchored_) {
      // A stroke's first point only starts it: a click without moving draws nothing.
      Clear(overlay_);
      anchored_ = true;
      return false;
    }
    if (k_ != 0) {
      overlay_.setPixel(p.x, p.y, mapped(k_));
      LayOver(display_, overlay_);
    } else {
      // Black on the overlay would be the key, so entry 0 goes straight to the image.
      image_.setPixel(p.x, p.y, mapped(0));
    }
    readBack();
    return true;
  }

  Clear(overlay_);
  Point& anchor = mode_ == kLine ? lineStart_ : mode_ == kRectangle ? boxCorner_ : circleCentre_;
  if (!anchored_) {
    anchor = p;
    anchored_ = true;
    return false;
  }
  // The overlay holds only the current shape, from the stroke's first point to this one.
  const PaletteEntry& e = entry(k_);
  if (mode_ == kLine) {
    DrawLine(overlay_, anchor.x, anchor.y, p.x, p.y, e);
    overlay_.setPixel(p.x, p.y, mapped(k_));
  } else if (mode_ == kRectangle) {
    DrawBox(overlay_, anchor.x, anchor.y, p.x, p.y, e);
    if (filled_) FillColourRect(overlay_, anchor.x, anchor.y, p.x, p.y, e);
  } else {
    const double dx = p.x - anchor.x;
    const double dy = p.y - anchor.y;
    const int r = RoundToInt(std::sqrt(dx * dx + dy * dy));
    // A black brush is the transparent key: the circle shows as an outline.
    FillCircle(overlay_, anchor.x, anchor.y, r + 1, e, filled_ ? e : kBlack);
  }
  Copy(display_, image_);
  LayOver(display_, overlay_);
  readBack();
  return true;
}

bool MouseDrawCanvas::release(const std::optional<Mix>& mix) {
  if (compositing_ && drawing_) return false;
  bool changed = false;
  if (mix && drawing_) {
    mixOverlay(*mix);
    changed = true;
  }
  if (anchored_) {
    commitStroke();
    changed = true;
  }
  drawing_ = false;
  anchored_ = false;
  return changed;
}

void MouseDrawCanvas::mixOverlay(const Mix& mix) {
  Clear(mix_);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      if (overlay_.getPixel(x, y) != kKey) mix_.setPixel(x, y, mapped(MixIndex(x, y, mix.c1, mix.c2)));
    }
  }
  Copy(overlay_, mix_);
  LayOver(display_, overlay_);
  readBack();
}

void MouseDrawCanvas::commitStroke() {
  Copy(backup_, image_);
  LayOver(image_, overlay_);
  Copy(display_, image_);
  // Read the committed picture back at once, so what is shown and sent is the stroke just finished
  // (dots in entry 0 go straight to the image surface and would otherwise not show until later).
  readBack();
}

void MouseDrawCanvas::undo() {
  if (!undone_) {
    Copy(spare_, display_);
    Copy(image_, backup_);
    Copy(display_, backup_);
    undone_ = true;
  } else {
    Copy(image_, spare_);
    Copy(display_, spare_);
    undone_ = false;
  }
  readBack();
}

void MouseDrawCanvas::clear() {
  for (Surface* s : {&backup_, &mix_, &overlay_, &image_, &display_}) Clear(*s);
  readBack();
}

// ---------------------------------------------------------------------------------------------------
// Composite

void MouseDrawCanvas::startComposite(const Image32& pixels) {
  compositing_ = true;
  map_ = BuildColourMap(palette_);
  paint(compositeSurface_, pixels);
  Copy(display_, image_);
  LayOver(display_, compositeSurface_);
  readBack();
}

void MouseDrawCanvas::moveComposite(int x, int y, bool underneath) {
  if (underneath) {
    // The composite's own black is copied too; only the picture on top keeps its black transparent.
    Clear(display_);
    display_.bitBlt(x - 16, y - 16, kIconSize, kIconSize, compositeSurface_, 0, 0);
    LayOver(display_, image_);
  } else {
    Copy(display_, image_);
    LayOver(display_, compositeSurface_, x - 16, y - 16);
  }
  readBack();
}

void MouseDrawCanvas::commitComposite() {
  if (!compositing_) return;
  Copy(backup_, display_);
  Copy(image_, display_);
}

// ---------------------------------------------------------------------------------------------------
// Surfaces

void MouseDrawCanvas::paint(Surface& s, const Image32& pixels) const {
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) s.setPixel(x, y, mapped(pixels[WorkIndex(x, y)]));
  }
}

void MouseDrawCanvas::readBack() {
  std::array<ColorRef, kPixelCount> screen{};
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x)
      screen[static_cast<std::size_t>(y * kIconSize + x)] = static_cast<ColorRef>(display_.getPixel(x, y));
  }
  ReadBack(screen, map_, work_);
}

const Surface& MouseDrawCanvas::view() {
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x)
      FillColourRect(view_, kZoom * x, kZoom * y, kZoom * x + kZoom, kZoom * y + kZoom, entry(at(x, y)));
  }
  return view_;
}

}  // namespace pf
