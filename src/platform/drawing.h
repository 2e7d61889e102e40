// Small drawing routines shared by the windows, all in the colour of a palette entry, and the blinking
// text caret of the windows that show a picture as a grid of characters.
#pragma once

#include <QString>
#include <memory>

#include "model/colour.h"
#include "platform/surface.h"

namespace pf {

// Filled rectangle covering left..right-1, top..bottom-1.
void FillColourRect(Surface& s, int left, int top, int right, int bottom, const PaletteEntry& entry);
// Outline through (left, top), (right, top), (right, bottom), (left, bottom) in the entry's contrast colour.
void DrawFrameRect(Surface& s, int left, int top, int right, int bottom, const PaletteEntry& entry,
                   int penWidth);
// Circle in the box (x - r, y - r)-(x + r, y + r): 1-pixel pen of one entry, filled with another.
void FillCircle(Surface& s, int x, int y, int r, const PaletteEntry& pen, const PaletteEntry& brush);
// Line without its end point.
void DrawLine(Surface& s, int x1, int y1, int x2, int y2, const PaletteEntry& entry);
// Outline (x1, y1) -> (x2, y1) -> (x2, y2) -> (x1, y2) -> (x1, y1) in the entry's own colour.
void DrawBoxWidth(Surface& s, int x1, int y1, int x2, int y2, const PaletteEntry& entry, int penWidth);
void DrawBox(Surface& s, int x1, int y1, int x2, int y2, const PaletteEntry& entry);
// A new black surface of the given size with the same font as the given one.
std::unique_ptr<Surface> CreateMemoryCanvas(const Surface& like, int width, int height);

struct CaretColours {
  ColorRef caretBackground = Rgb(255, 0, 0);
  ColorRef normalBackground = 0;
  ColorRef text = 0;
};

// The members a caret window exposes: the caret now (CX, CY, 文字), at the previous refresh (DX, DY, M),
// and the blink phase.
struct CaretWindow {
  int CX = 0;
  int CY = 0;
  int DX = 0;
  int DY = 0;
  QString 文字;
  QString M;
  bool Flag = false;
};

// Redraws M at (DX, DY) in normal colours when the caret has moved; leaves the surface opaque on the
// caret background.
void EraseOldCaret(Surface& s, CaretWindow& w, const CaretColours& colours);
// Draws 文字 at (CX, CY), alternating between the normal and the caret background.
void BlinkCaret(Surface& s, CaretWindow& w, const CaretColours& colours);
void CommitCaret(CaretWindow& w);

}  // namespace pf
