#include "fullcolour/mask_window32.h"

#include <QMenuBar>
#include <algorithm>

#include "archive/mask_archive.h"
#include "fullcolour/full_colour_window.h"
#include "model/full_colour_icon.h"
#include "model/full_colour_mask.h"
#include "model/mask_ops.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/swatch.h"

namespace pf {

namespace {

constexpr int kClientWidth = 468;
constexpr int kClientHeight = 520;
// The text grid: 32 columns of 8 pixels, 32 rows of 16.
constexpr int kGridWidth = 256;
constexpr int kGridHeight = 512;
constexpr int kCell = 5;  // preview pixels per icon pixel
constexpr int kCanvasSize = 340;

std::size_t GridIndex(int column, int row) {
  return static_cast<std::size_t>(row * Form19::kEdge + column);
}

QString ColourText(const PaletteEntry& c) {
  return QStringLiteral("R=%1\nG=%2\nB=%3").arg(c.red).arg(c.green).arg(c.blue);
}

}  // namespace

Form19::Form19(AppContext& app, QWidget* owner)
    : Form(app, QString::fromLatin1(kFormName), owner), S(app.state) {
  setWindowTitle(QStringLiteral("マスク設定"));
  setClientSize(kClientWidth, kClientHeight);
  client().setFont(MinchoFont(16));
  QWidget* area = clientArea();
  Label1 = MakeLabel(area, QStringLiteral("Label1"), QString(), kPreviewLeft, kPreviewSize + 72, 160);
  Label2 = MakeLabel(area, QStringLiteral("Label2"), ColourText(ReferenceColour), kPreviewLeft,
                     kPreviewSize + 8, 70, 60);
  Label3 = MakeLabel(area, QStringLiteral("Label3"), QString(), kPreviewLeft + 80, kPreviewSize + 12, 40, 40);
  SetSwatchColour(Label3, EntryColour(ReferenceColour));

  Timer1.setObjectName(QStringLiteral("Timer1"));
  Timer1.setInterval(300);
  connect(&Timer1, &QTimer::timeout, this, &Form19::Timer1_Timer);

  buildMenus();
}

Form19::~Form19() = default;

void Form19::buildMenus() {
  QMenuBar* bar = menuBar();
  mnuM = addSubMenu(bar, QStringLiteral("mnuM"), QStringLiteral("マスク"));
  mnuMALL = addMenuItem(mnuM, QStringLiteral("mnuMALL"), QStringLiteral("ALL"), &Form19::mnuMALL_Click);
  mnuMCLEAR =
      addMenuItem(mnuM, QStringLiteral("mnuMCLEAR"), QStringLiteral("CLEAR"), &Form19::mnuMCLEAR_Click);
  mnuAdd = addMenuItem(mnuM, QStringLiteral("mnuAdd"), QStringLiteral("追加"), &Form19::mnuAdd_Click);
  mnuDell = addMenuItem(mnuM, QStringLiteral("mnuDell"), QStringLiteral("削除"), &Form19::mnuDell_Click);
  mnuMRev = addMenuItem(mnuM, QStringLiteral("mnuMRev"), QStringLiteral("反転"), &Form19::mnuMRev_Click);
  mnuMKBOX =
      addMenuItem(mnuM, QStringLiteral("mnuMKBOX"), QStringLiteral("マスク保管庫"), &Form19::mnuMKBOX_Click);
  mnuEND = addMenuItem(bar, QStringLiteral("mnuEND"), QStringLiteral("終了(&Q)"), &Form19::mnuEND_Click);
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void Form19::Form_Load() {
  Canvas = CreateMemoryCanvas(client(), kCanvasSize, kCanvasSize);
  Colours.caretBackground = Rgb(255, 255, 0);
  Colours.normalBackground = S.BackgroundColour.value;
  Colours.text = 0;
  if (auto* icon = app().find<Form20>()) icon->fForm19 = true;
  S.fMaskFormOpen = true;
  Timer1.start();
}

void Form19::Form_Activate() {
  // The work area may have changed while the icon window was in front.
  if (auto* icon = app().find<Form20>()) icon->GetIC(S.FullColourPixels);
  GetBit();
  ShowBit();
  MoveCursor(0, 0);
  if (firstActivation()) clientArea()->setFocus();
}

void Form19::Form_Unload() {
  Timer1.stop();
  SetMask();
  if (auto* icon = app().find<Form20>()) icon->fForm19 = false;
  S.fMaskFormOpen = false;
  Canvas.reset();
}

void Form19::GetBit() {
  UnpackFullColourMask(S.FullColourMask, kEdge, Grid);
}

void Form19::SetMask() {
  // A mask of another size belongs to another icon; it is left alone.
  PackFullColourMask(Grid, kEdge, S.FullColourMask);
}

// ---------------------------------------------------------------------------------------------------
// Drawing

PaletteEntry Form19::shownColour(int column, int row) const {
  const BackgroundColourValue& bg = S.BackgroundColour;
  return Grid[GridIndex(column, row)] == 1 ? PaletteEntry{bg.blue, bg.green, bg.red, 0}
                                           : FullColourCell(S.FullColourPixels, kEdge, column, row);
}

void Form19::ShowBit() {
  Surface& window = client();
  Colours.normalBackground = S.BackgroundColour.value;
  window.fillRect(0, 0, window.width(), window.height(), Colours.normalBackground);
  window.setBkMode(true);
  window.setBkColor(Colours.normalBackground);
  window.setTextColor(Colours.text);
  for (int row = 0; row < kEdge; ++row) {
    for (int column = 0; column < kEdge; ++column) {
      window.textOut(8 * column, 16 * row, QString::number(Grid[GridIndex(column, row)]));
    }
  }
  if (Canvas) {
    for (int i = 0; i < kEdge; ++i) {
      for (int j = 0; j < kEdge; ++j) {
        FillColourRect(*Canvas, kCell * j, kCell * i, kCell * j + kCell, kCell * i + kCell,
                       shownColour(j, i));
      }
    }
    window.bitBlt(kPreviewLeft, 0, kPreviewSize, kPreviewSize, *Canvas, 0, 0);
  }
  refresh();
}

void Form19::MoveCursor(int x, int y) {
  Surface& window = client();
  if (DX != x || DY != y) {
    CX = x;
    CY = y;
    // The cell the caret leaves shows what it holds now, which a whole-mask change may have altered.
    M = QString::number(Grid[GridIndex(std::clamp(DX / 8, 0, 31), std::clamp(DY / 16, 0, 31))]);
    EraseOldCaret(window, *this, Colours);
  }
  const MaskCursorPosition to = WrapMaskCursor(x, y);
  CX = to.x;
  CY = to.y;
  CurColumn = CX / 8;
  CurRow = CY / 16;
  文字 = QString::number(Grid[GridIndex(CurColumn, CurRow)]);
  if (Canvas) {
    // The preview again on the right half of the canvas, with a box round the cursor's pixel.
    Canvas->bitBlt(kPreviewSize, 0, kPreviewSize, kPreviewSize, *Canvas, 0, 0);
    const int left = kPreviewSize + kCell * CurColumn;
    const int top = kCell * CurRow;
    DrawFrameRect(*Canvas, left, top, left + kCell - 1, top + kCell - 1, shownColour(CurColumn, CurRow), 1);
    window.bitBlt(kPreviewLeft, 0, kPreviewSize, kPreviewSize, *Canvas, kPreviewSize, 0);
  }
  refresh();
  CommitCaret(*this);
}

void Form19::Timer1_Timer() {
  BlinkCaret(client(), *this, Colours);
  refresh();
}

void Form19::changed() {
  SetMask();
  ShowBit();
  // Redrawn after the picture, so the box lands on the new preview and the caret shows the new value.
  MoveCursor(CX, CY);
}

// ---------------------------------------------------------------------------------------------------
// Mouse and keys

void Form19::Form_MouseDown(int /*button*/, int /*shift*/, int x, int y) {
  if (x >= 0 && x <= kGridWidth && y >= 0 && y <= kGridHeight) {
    // The grid's far edges belong to the last column and row.
    MoveCursor(8 * std::min(x / 8, 31), 16 * std::min(y / 16, 31));
    return;
  }
  if (x >= kPreviewLeft && x < kPreviewLeft + kPreviewSize && y >= 0 && y < kPreviewSize) {
    const auto bgr = ColorRefToBgr(static_cast<ColorRef>(client().getPixel(x, y)));
    ReferenceColour = {bgr[0], bgr[1], bgr[2], 0};
    Label2->setText(ColourText(ReferenceColour));
    SetSwatchColour(Label3, EntryColour(ReferenceColour));
  }
}

void Form19::Form_KeyDown(int keyCode, int /*shift*/) {
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
      changed();
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------------------
// Mask commands

void Form19::mnuMALL_Click() {
  SetWholeMask(Grid, 1);
  changed();
}

void Form19::mnuMCLEAR_Click() {
  SetWholeMask(Grid, 0);
  changed();
}

void Form19::mnuMRev_Click() {
  InvertMask(Grid);
  changed();
}

void Form19::mnuAdd_Click() {
  SelectExactColour(Grid, S.FullColourPixels, kEdge, ReferenceColour, true);
  changed();
}

void Form19::mnuDell_Click() {
  SelectExactColour(Grid, S.FullColourPixels, kEdge, ReferenceColour, false);
  changed();
}

void Form19::mnuMKBOX_Click() {
  app().create<Form24>();
}

void Form19::mnuEND_Click() {
  unload();
}

}  // namespace pf
