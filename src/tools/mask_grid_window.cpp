#include "tools/mask_grid_window.h"

#include <algorithm>

#include "model/mask_ops.h"
#include "platform/app_context.h"
#include "platform/fonts.h"

namespace pf {

namespace {

constexpr int kClientWidth = 468;
constexpr int kClientHeight = 520;
constexpr int kEdge = 32;
// The text grid: 32 columns of 8 pixels, 32 rows of 16.
constexpr int kGridWidth = 8 * kEdge;
constexpr int kGridHeight = 16 * kEdge;
constexpr int kCell = 5;  // preview pixels per icon pixel
constexpr int kCanvasSize = 340;

std::size_t GridIndex(int column, int row) {
  return static_cast<std::size_t>(row * kEdge + column);
}

}  // namespace

MaskGridWindow::MaskGridWindow(AppContext& app, const QString& formName, QWidget* owner, MaskGridArray& grid)
    : Form(app, formName, owner), S(app.state), Grid(grid) {
  setWindowTitle(QStringLiteral("マスク設定"));
  setClientSize(kClientWidth, kClientHeight);
  client().setFont(MinchoFont(16));
  Timer1.setObjectName(QStringLiteral("Timer1"));
  Timer1.setInterval(300);
  connect(&Timer1, &QTimer::timeout, this, &MaskGridWindow::Timer1_Timer);
}

MaskGridWindow::~MaskGridWindow() = default;

void MaskGridWindow::Form_Load() {
  Canvas = CreateMemoryCanvas(client(), kCanvasSize, kCanvasSize);
  Colours.caretBackground = Rgb(255, 255, 0);
  Colours.normalBackground = S.BackgroundColour.value;
  Colours.text = 0;
  Timer1.start();
}

void MaskGridWindow::Form_Activate() {
  // The mask or the picture may have changed while another window was in front.
  ShowBit();
  MoveCursor(0, 0);
  if (firstActivation()) clientArea()->setFocus();
}

void MaskGridWindow::Form_Unload() {
  Timer1.stop();
  Canvas.reset();
}

PaletteEntry MaskGridWindow::shownColour(int column, int row) const {
  const BackgroundColourValue& bg = S.BackgroundColour;
  return Grid[GridIndex(column, row)] == 1 ? PaletteEntry{bg.blue, bg.green, bg.red, 0}
                                           : pixelColour(column, row);
}

void MaskGridWindow::ShowBit() {
  Surface& window = client();
  // The background is measured by the editor once it is up; take it as it is now.
  Colours.normalBackground = S.BackgroundColour.value;
  // Drawn whole on a copy of the window, then copied over it: only the cells that changed reach the
  // screen, and what shows is a whole redraw by construction.
  Surface frame = window;
  frame.setTrackDamage(false);
  frame.fillRect(0, 0, frame.width(), frame.height(), Colours.normalBackground);
  for (Surface* s : {&frame, &window}) {
    s->setBkMode(true);
    s->setBkColor(Colours.normalBackground);
    s->setTextColor(Colours.text);
  }
  for (int row = 0; row < kEdge; ++row) {
    for (int column = 0; column < kEdge; ++column) {
      frame.textOut(8 * column, 16 * row, QString::number(Grid[GridIndex(column, row)]));
    }
  }
  if (Canvas) {
    for (int i = 0; i < kEdge; ++i) {
      for (int j = 0; j < kEdge; ++j) {
        FillColourRect(*Canvas, kCell * j, kCell * i, kCell * j + kCell, kCell * i + kCell,
                       shownColour(j, i));
      }
    }
    frame.bitBlt(kPreviewLeft, 0, kPreviewSize, kPreviewSize, *Canvas, 0, 0);
  }
  window.bitBlt(0, 0, window.width(), window.height(), frame, 0, 0);
  refresh();
}

void MaskGridWindow::MoveCursor(int x, int y) {
  Surface& window = client();
  if (DX != x || DY != y) {
    CX = x;
    CY = y;
    // Redraw the cell the caret leaves with what it holds now: a whole-mask change or a new picture
    // may have changed it since the caret got there.
    M = QString::number(Grid[GridIndex(std::clamp(DX / 8, 0, kEdge - 1), std::clamp(DY / 16, 0, kEdge - 1))]);
    EraseOldCaret(window, *this, Colours);
  }
  const MaskCursorPosition to = WrapMaskCursor(x, y);
  CX = to.x;
  CY = to.y;
  CurColumn = CX / 8;
  CurRow = CY / 16;
  文字 = QString::number(Grid[GridIndex(CurColumn, CurRow)]);
  if (Canvas) {
    // The preview again on the right half of the canvas, with a box round the cursor's pixel in the
    // contrast colour of what that pixel shows.
    Canvas->bitBlt(kPreviewSize, 0, kPreviewSize, kPreviewSize, *Canvas, 0, 0);
    const int left = kPreviewSize + kCell * CurColumn;
    const int top = kCell * CurRow;
    DrawFrameRect(*Canvas, left, top, left + kCell - 1, top + kCell - 1, shownColour(CurColumn, CurRow), 1);
    window.bitBlt(kPreviewLeft, 0, kPreviewSize, kPreviewSize, *Canvas, kPreviewSize, 0);
  }
  refresh();
  CommitCaret(*this);
}

void MaskGridWindow::Timer1_Timer() {
  BlinkCaret(client(), *this, Colours);
  refresh();
}

void MaskGridWindow::gridChanged() {
  // Redraw first, so the cursor box lands on the new preview instead of being painted over, and the
  // caret blinks the cell's new value.
  ShowBit();
  MoveCursor(CX, CY);
}

void MaskGridWindow::mnuMALL_Click() {
  SetWholeMask(Grid, 1);
  gridChanged();
}

void MaskGridWindow::mnuMCLEAR_Click() {
  SetWholeMask(Grid, 0);
  gridChanged();
}

void MaskGridWindow::mnuMRev_Click() {
  InvertMask(Grid);
  gridChanged();
}

void MaskGridWindow::mnuEND_Click() {
  unload();
}

void MaskGridWindow::Form_MouseDown(int /*button*/, int /*shift*/, int x, int y) {
  if (x < 0 || x > kGridWidth || y < 0 || y > kGridHeight) {
    pressedOutsideGrid(x, y);
    return;
  }
  // The grid's far edges (x 256, y 512) belong to the last column and row, not to the next row.
  MoveCursor(8 * std::min(x / 8, kEdge - 1), 16 * std::min(y / 16, kEdge - 1));
}

void MaskGridWindow::Form_KeyDown(int keyCode, int /*shift*/) {
  switch (keyCode) {
    case 37:
      MoveCursor(CX - 8, CY);
      break;
    case 38:
      MoveCursor(CX, CY - 16);
      break;
    case 39:
      MoveCursor(CX + 8, CY);
      break;
    case 40:
      MoveCursor(CX, CY + 16);
      break;
    case 13:
    case 32:
      ToggleMaskCell(Grid, CurColumn, CurRow);
      gridChanged();
      break;
    default:
      break;
  }
}

}  // namespace pf
