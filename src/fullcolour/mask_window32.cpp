#include "fullcolour/mask_window32.h"

#include <QMenuBar>

#include "fullcolour/full_colour_window.h"
#include "fullcolour/mask_archive.h"
#include "model/full_colour_icon.h"
#include "model/full_colour_mask.h"
#include "model/mask_ops.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/swatch.h"

namespace pf {

namespace {

QString ColourText(const PaletteEntry& c) {
  return QStringLiteral("R=%1\nG=%2\nB=%3").arg(c.red).arg(c.green).arg(c.blue);
}

}  // namespace

Form19::Form19(AppContext& app, QWidget* owner)
    : MaskGridWindow(app, QString::fromLatin1(kFormName), owner, OwnGrid) {
  QWidget* area = clientArea();
  Label1 = MakeLabel(area, QStringLiteral("Label1"), QString(), kPreviewLeft, kPreviewSize + 72, 160);
  Label2 = MakeLabel(area, QStringLiteral("Label2"), ColourText(ReferenceColour), kPreviewLeft,
                     kPreviewSize + 8, 70, 60);
  Label3 = MakeLabel(area, QStringLiteral("Label3"), QString(), kPreviewLeft + 80, kPreviewSize + 12, 40, 40);
  SetSwatchColour(Label3, EntryColour(ReferenceColour));
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
  MaskGridWindow::Form_Load();
  if (auto* icon = app().find<Form20>()) icon->fForm19 = true;
  S.fMaskFormOpen = true;
}

void Form19::Form_Activate() {
  // The work area may have changed while the icon window was in front.
  if (auto* icon = app().find<Form20>()) icon->GetIC(S.FullColourPixels);
  GetBit();
  MaskGridWindow::Form_Activate();
}

void Form19::Form_Unload() {
  MaskGridWindow::Form_Unload();
  SetMask();
  if (auto* icon = app().find<Form20>()) icon->fForm19 = false;
  S.fMaskFormOpen = false;
}

void Form19::GetBit() {
  UnpackFullColourMask(S.FullColourMask, kEdge, Grid);
}

void Form19::SetMask() {
  // A mask of another size belongs to another icon; it is left alone.
  PackFullColourMask(Grid, kEdge, S.FullColourMask);
}

PaletteEntry Form19::pixelColour(int column, int row) const {
  return FullColourCell(S.FullColourPixels, kEdge, column, row);
}

void Form19::gridChanged() {
  SetMask();
  MaskGridWindow::gridChanged();
}

void Form19::pressedOutsideGrid(int x, int y) {
  if (x < kPreviewLeft || x >= kPreviewLeft + kPreviewSize || y < 0 || y >= kPreviewSize) return;
  const auto bgr = ColorRefToBgr(static_cast<ColorRef>(client().getPixel(x, y)));
  ReferenceColour = {bgr[0], bgr[1], bgr[2], 0};
  Label2->setText(ColourText(ReferenceColour));
  SetSwatchColour(Label3, EntryColour(ReferenceColour));
}

// ---------------------------------------------------------------------------------------------------
// Mask commands

void Form19::mnuAdd_Click() {
  SelectExactColour(Grid, S.FullColourPixels, kEdge, ReferenceColour, true);
  gridChanged();
}

void Form19::mnuDell_Click() {
  SelectExactColour(Grid, S.FullColourPixels, kEdge, ReferenceColour, false);
  gridChanged();
}

void Form19::mnuMKBOX_Click() {
  app().create<Form24>();
}

}  // namespace pf
