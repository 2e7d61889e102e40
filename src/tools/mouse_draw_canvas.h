// What the MouseDraw window draws on: its own copy of the picture, the true-colour surfaces the tools
// paint on, and the stroke, undo and composite state. Black is the transparent key whenever one surface
// is laid over another, and after every drawing step the visible surface is read back into palette
// indices, so two entries of the same colour read back as the first and black shapes leave no trace.
// No window here: the window turns its controls and mouse into these calls and blits view() and
// display().
#pragma once

#include <optional>

#include "model/mouse_draw_model.h"
#include "platform/surface.h"

namespace pf {

class MouseDrawCanvas {
 public:
  // Drawing modes, numbered as the window's option buttons.
  enum Mode { kCircle = 0, kRectangle = 1, kLine = 2, kDot = 3, kFill = 4 };

  static constexpr int kZoom = 5;
  static constexpr int kViewSize = kZoom * kIconSize;

  // The two colours of the checkerboard mix: c2 where x + y is even, c1 where it is odd.
  struct Mix {
    int c1 = 0;
    int c2 = 0;
  };

  // The palette is read live, as the window's pens and its enlarged view always use the current colours;
  // the colour map used for reading back is a copy taken by load() and startComposite().
  explicit MouseDrawCanvas(const Palette& palette);

  // Takes a picture in the icon's pixel order and paints it onto the image and display surfaces.
  void load(const Image32& pixels);

  void setMode(int mode) { mode_ = mode; }
  void setColour(int k) { k_ = k & 0x0F; }
  int colour() const { return k_; }
  void setFilled(bool filled) { filled_ = filled; }

  // Pixel coordinates below are image pixels, y from the top. Each call that returns a bool says whether
  // the picture may have changed, so the window knows when to repaint.

  // The left button went down on the picture: starts a stroke with a tool step. Ignored while compositing.
  // In fill mode the click fills at once: the pixels of the clicked pixel's index that it reaches through
  // neighbours sharing a side take the drawing colour, or the checkerboard of `mix` when given; undo()
  // brings back what was there before.
  bool press(int x, int y, const std::optional<Mix>& mix = std::nullopt);
  // One step of the current tool: the first step of a stroke only anchors it; the later ones draw the
  // shape from the anchor to (x, y), clamped to the picture.
  bool step(int x, int y);
  // The button came up: mixes the stroke into a checkerboard when asked, then commits it, so undo() can
  // bring back what was there before.
  bool release(const std::optional<Mix>& mix = std::nullopt);
  bool drawing() const { return drawing_; }

  // Switches between the picture before the last commit and the picture after it.
  void undo();
  // Clears the picture to black, which reads back as the first black entry.
  void clear();

  // Composite mode: lays `pixels` over the own picture at (0, 0).
  void startComposite(const Image32& pixels);
  void endComposite() { compositing_ = false; }
  bool compositing() const { return compositing_; }
  // Places the composite picture with its pixel (16, 16) at (x, y), over the own picture or underneath it.
  void moveComposite(int x, int y, bool underneath);
  // Keeps the composite as placed: it becomes part of the picture and of the undo state.
  void commitComposite();

  // The picture in the icon's pixel order.
  const Image32& work() const { return work_; }
  // The picture's index at (x, y).
  int at(int x, int y) const;
  // The visible picture, actual size, in its 32 x 32 corner.
  const Surface& display() const { return display_; }
  // Repaints the picture kZoom times enlarged in the palette's current colours.
  const Surface& view();

 private:
  struct Point {
    int x = 0;
    int y = 0;
  };

  void paint(Surface& s, const Image32& pixels) const;
  void readBack();
  void mixOverlay(const Mix& mix);
  void commitStroke();
  void fill(int x, int y, const std::optional<Mix>& mix);
  ColorRef mapped(int index) const { return map_[static_cast<std::size_t>(index & 0x0F)]; }
  const PaletteEntry& entry(int index) const { return palette_[static_cast<std::size_t>(index & 0x0F)]; }

  const Palette& palette_;
  Image32 work_{};
  ColourMap map_{};
  int k_ = 0;
  int mode_ = kDot;
  bool filled_ = false;
  bool drawing_ = false;
  bool anchored_ = false;
  bool undone_ = false;
  bool compositing_ = false;
  // One anchor per tool: switching the mode in the middle of a stroke goes on from that tool's own
  // last anchor.
  Point lineStart_;
  Point boxCorner_;
  Point circleCentre_;

  // Only the 32 x 32 corner of the small surfaces is used; the rest is slack.
  static constexpr int kSurfaceSize = 35;
  Surface view_{kViewSize, kViewSize};
  Surface backup_{kSurfaceSize, kSurfaceSize};
  Surface mix_{kSurfaceSize, kSurfaceSize};
  Surface overlay_{kSurfaceSize, kSurfaceSize};
  Surface image_{kSurfaceSize, kSurfaceSize};
  Surface display_{kSurfaceSize, kSurfaceSize};
  Surface compositeSurface_{kSurfaceSize, kSurfaceSize};
  Surface spare_{kSurfaceSize, kSurfaceSize};
};

}  // namespace pf
