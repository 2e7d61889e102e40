#include "platform/drawing.h"

namespace pf {

void FillColourRect(Surface& s, int left, int top, int right, int bottom, const PaletteEntry& entry) {
  const ColorRef c = EntryColour(entry);
  s.setPen(c, 1);
  s.setBrush(c);
  s.rectangle(left, top, right, bottom);
}

void DrawFrameRect(Surface& s, int left, int top, int right, int bottom, const PaletteEntry& entry,
                   int penWidth) {
  s.setPen(ContrastColour(entry), penWidth);
  s.moveTo(left, top);
  s.lineTo(right, top);
  s.lineTo(right, bottom);
  s.lineTo(left, bottom);
  s.lineTo(left, top);
}

void FillCircle(Surface& s, int x, int y, int r, const PaletteEntry& pen, const PaletteEntry& brush) {
  s.setPen(EntryColour(pen), 1);
  s.setBrush(EntryColour(brush));
  s.ellipse(x - r, y - r, x + r, y + r);
}

void DrawLine(Surface& s, int x1, int y1, int x2, int y2, const PaletteEntry& entry) {
  s.setPen(EntryColour(entry), 1);
  s.moveTo(x1, y1);
  s.lineTo(x2, y2);
}

void DrawBoxWidth(Surface& s, int x1, int y1, int x2, int y2, const PaletteEntry& entry, int penWidth) {
  s.setPen(EntryColour(entry), penWidth);
  s.moveTo(x1, y1);
  s.lineTo(x2, y1);
  s.lineTo(x2, y2);
  s.lineTo(x1, y2);
  s.lineTo(x1, y1);
}

void DrawBox(Surface& s, int x1, int y1, int x2, int y2, const PaletteEntry& entry) {
  DrawBoxWidth(s, x1, y1, x2, y2, entry, 1);
}

std::unique_ptr<Surface> CreateMemoryCanvas(const Surface& like, int width, int height) {
  auto canvas = std::make_unique<Surface>(width, height);
  canvas->setFont(like.font());
  FillColourRect(*canvas, 0, 0, width, height, PaletteEntry{});
  return canvas;
}

void EraseOldCaret(Surface& s, CaretWindow& w, const CaretColours& colours) {
  if (w.DX != w.CX || w.DY != w.CY) {
    s.setBkMode(true);
    s.setTextColor(colours.text);
    s.setBkColor(colours.normalBackground);
    s.textOut(w.DX, w.DY, w.M);
  }
  s.setBkMode(true);
  s.setBkColor(colours.caretBackground);
}

void BlinkCaret(Surface& s, CaretWindow& w, const CaretColours& colours) {
  s.setBkMode(true);
  s.setTextColor(colours.text);
  if (w.Flag) {
    s.setBkColor(colours.normalBackground);
    w.Flag = false;
  } else {
    s.setBkColor(colours.caretBackground);
    w.Flag = true;
  }
  s.textOut(w.CX, w.CY, w.文字);
}

void CommitCaret(CaretWindow& w) {
  w.DX = w.CX;
  w.DY = w.CY;
  w.M = w.文字;
}

}  // namespace pf
