#include "tools/mask_setting.h"

#include <QKeyEvent>
#include <QMenuBar>
#include <algorithm>
#include <optional>
#include <span>

#include "model/mask_ops.h"
#include "model/packing.h"
#include "model/profile.h"
#include "model/shared_state.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/fonts.h"
#include "platform/index_chooser.h"
#include "platform/local_path.h"

namespace pf {

namespace {

constexpr int kClientWidth = 468;
constexpr int kClientHeight = 520;
// The text grid: 32 columns of 8 pixels, 32 rows of 16.
constexpr int kGridWidth = 256;
constexpr int kGridHeight = 512;
constexpr int kCell = 5;  // preview pixels per icon pixel
constexpr int kCanvasSize = 340;

const QString kIconFilter = QStringLiteral("ｱｲｺﾝ(*.ico)|*.ico|全て(*.*)|*.*");
const QString kCannotOpen = QStringLiteral("Open できません。");

std::size_t GridIndex(int column, int row) {
  return static_cast<std::size_t>(row * kIconSize + column);
}

}  // namespace

Form11::Form11(AppContext& app, QWidget* owner)
    : Form(app, QString::fromLatin1(kFormName), owner), S(app.state) {
  setWindowTitle(QStringLiteral("マスク設定"));
  setClientSize(kClientWidth, kClientHeight);
  client().setFont(MinchoFont(16));
  QWidget* area = clientArea();

  List2 = new IndexChooser(area, QStringLiteral("List2"), QRect(kPreviewLeft, kPreviewSize + 8, 60, 300),
                           [this](int row) { List2_Click(row); });
  // A click, or Enter on a row reached with the arrow keys. The list takes the focus when shown, and the
  // row that focus makes current is no choice of the user's, so the current row alone chooses nothing.

  Label1 = MakeLabel(area, QStringLiteral("Label1"), QString(), kPreviewLeft + 70, kPreviewSize + 8, 90);

  Timer1.setObjectName(QStringLiteral("Timer1"));
  Timer1.setInterval(300);
  connect(&Timer1, &QTimer::timeout, this, &Form11::Timer1_Timer);

  buildMenus();
}

Form11::~Form11() = default;

void Form11::buildMenus() {
  QMenuBar* bar = menuBar();
  mnuBF = addSubMenu(bar, QStringLiteral("mnuBF"), QStringLiteral("ファイル"));
  mnuSAVE = addMenuItem(mnuBF, QStringLiteral("mnuSAVE"), QStringLiteral("保存"), &Form11::mnuSAVE_Click);
  mnuBS16 = addMenuItem(mnuBF, QStringLiteral("mnuBS16"), QStringLiteral("１６ドットアイコン保存"),
                        &Form11::mnuBS16_Click);
  mnuM = addSubMenu(bar, QStringLiteral("mnuM"), QStringLiteral("マスク"));
  mnuMALL = addMenuItem(mnuM, QStringLiteral("mnuMALL"), QStringLiteral("ALL"), &Form11::mnuMALL_Click);
  mnuMCLEAR =
      addMenuItem(mnuM, QStringLiteral("mnuMCLEAR"), QStringLiteral("CLEAR"), &Form11::mnuMCLEAR_Click);
  mnuMADD = addMenuItem(mnuM, QStringLiteral("mnuMADD"), QStringLiteral("色追加"), &Form11::mnuMADD_Click);
  mnuMDell = addMenuItem(mnuM, QStringLiteral("mnuMDell"), QStringLiteral("色削除"), &Form11::mnuMDell_Click);
  mnuMRev = addMenuItem(mnuM, QStringLiteral("mnuMRev"), QStringLiteral("反転"), &Form11::mnuMRev_Click);
  mnuEND = addMenuItem(bar, QStringLiteral("mnuEND"), QStringLiteral("終了(&Q)"), &Form11::mnuEND_Click);
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void Form11::Form_Load() {
  Canvas = CreateMemoryCanvas(client(), kCanvasSize, kCanvasSize);
  Colours.caretBackground = Rgb(255, 255, 0);
  Colours.normalBackground = S.BackgroundColour.value;
  Colours.text = 0;
  Timer1.start();
}

void Form11::Form_Activate() {
  // The mask may have been replaced while another window was in front.
  ShowBit();
  MoveCursor(0, 0);
  if (firstActivation()) clientArea()->setFocus();
}

void Form11::Form_Unload() {
  Timer1.stop();
  Canvas.reset();
}

// ---------------------------------------------------------------------------------------------------
// Drawing

void Form11::ShowBit() {
  Surface& window = client();
  // The background is measured by the editor once it is up; take it as it is now.
  Colours.normalBackground = S.BackgroundColour.value;
  window.fillRect(0, 0, window.width(), window.height(), Colours.normalBackground);
  window.setBkMode(true);
  window.setBkColor(Colours.normalBackground);
  window.setTextColor(Colours.text);
  for (int row = 0; row < kIconSize; ++row) {
    for (int column = 0; column < kIconSize; ++column) {
      window.textOut(8 * column, 16 * row, QString::number(S.MaskGrid[GridIndex(column, row)]));
    }
  }

  if (Canvas) {
    const PaletteEntry background{S.BackgroundColour.blue, S.BackgroundColour.green, S.BackgroundColour.red,
                                  0};
    for (int i = 0; i < kIconSize; ++i) {
      for (int j = 0; j < kIconSize; ++j) {
        const int v = S.IconPixels[static_cast<std::size_t>((31 - i) * kIconSize + j)] & 0x0F;
        const PaletteEntry& shown =
            S.MaskGrid[GridIndex(j, i)] != 1 ? S.IconPalette[static_cast<std::size_t>(v)] : background;
        FillColourRect(*Canvas, kCell * j, kCell * i, kCell * j + kCell, kCell * i + kCell, shown);
      }
    }
    window.bitBlt(kPreviewLeft, 0, kPreviewSize, kPreviewSize, *Canvas, 0, 0);
  }
  refresh();
}

void Form11::MoveCursor(int x, int y) {
  Surface& window = client();
  if (DX != x || DY != y) {
    CX = x;
    CY = y;
    // Redraw the cell the caret leaves with what it holds now: a whole-mask change or a new picture
    // may have changed it since the caret got there.
    M = QString::number(S.MaskGrid[GridIndex(std::clamp(DX / 8, 0, 31), std::clamp(DY / 16, 0, 31))]);
    EraseOldCaret(window, *this, Colours);
  }

  const MaskCursorPosition to = WrapMaskCursor(x, y);
  CX = to.x;
  CY = to.y;
  CurColumn = CX / 8;
  CurRow = CY / 16;
  CurPixelIndex = (31 - CurRow) * kIconSize + CurColumn;
  const std::uint8_t cell = S.MaskGrid[GridIndex(CurColumn, CurRow)];
  文字 = QString::number(cell);

  if (Canvas) {
    // The preview again on the right half of the canvas, with a box round the cursor's pixel in the
    // contrast colour of what that pixel shows.
    Canvas->bitBlt(kPreviewSize, 0, kPreviewSize, kPreviewSize, *Canvas, 0, 0);
    const PaletteEntry shown =
        cell == 1 ? PaletteEntry{S.BackgroundColour.blue, S.BackgroundColour.green, S.BackgroundColour.red, 0}
                  : S.IconPalette[static_cast<std::size_t>(
                        S.IconPixels[static_cast<std::size_t>(CurPixelIndex)] & 0x0F)];
    const int left = kPreviewSize + kCell * CurColumn;
    const int top = kCell * CurRow;
    DrawFrameRect(*Canvas, left, top, left + kCell - 1, top + kCell - 1, shown, 1);
    window.bitBlt(kPreviewLeft, 0, kPreviewSize, kPreviewSize, *Canvas, kPreviewSize, 0);
  }
  refresh();
  CommitCaret(*this);
}

void Form11::Timer1_Timer() {
  BlinkCaret(client(), *this, Colours);
  refresh();
}

// ---------------------------------------------------------------------------------------------------
// Mouse and keys

void Form11::Form_MouseDown(int /*button*/, int /*shift*/, int x, int y) {
  if (x < 0 || x > kGridWidth || y < 0 || y > kGridHeight) return;
  // The grid's far edges (x 256, y 512) belong to the last column and row, not to the next row.
  const int column = std::min(x / 8, 31);
  const int row = std::min(y / 16, 31);
  MoveCursor(8 * column, 16 * row);
}

void Form11::Form_KeyDown(int keyCode, int /*shift*/) {
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
      ToggleMaskCell(S.MaskGrid, CurColumn, CurRow);
      // Redraw first, so the cursor box lands on the new preview instead of being painted over.
      ShowBit();
      MoveCursor(CX, CY);
      break;
    default:
      break;
  }
}

// ---------------------------------------------------------------------------------------------------
// Mask commands

void Form11::mnuMALL_Click() {
  SetWholeMask(S.MaskGrid, 1);
  ShowBit();
  MoveCursor(CX, CY);
}

void Form11::mnuMCLEAR_Click() {
  SetWholeMask(S.MaskGrid, 0);
  ShowBit();
  MoveCursor(CX, CY);
}

void Form11::mnuMRev_Click() {
  InvertMask(S.MaskGrid);
  ShowBit();
  // Without this the caret would go on blinking the cell's old value.
  MoveCursor(CX, CY);
}

void Form11::mnuMADD_Click() {
  showList(true);
}

void Form11::mnuMDell_Click() {
  showList(false);
}

void Form11::showList(bool addMode) {
  AddMode = addMode;
  List2->ask();
}

void Form11::List2_Click(int row) {
  if (List2->isHidden() || row < 0 || row > 15) return;
  ChosenIndex = static_cast<std::uint8_t>(row);
  List2->hide();
  clientArea()->setFocus();
  SetMaskByIndex(S.MaskGrid, std::span<const std::uint8_t>(S.IconPixels).first(kPixelCount), ChosenIndex,
                 AddMode);
  ShowBit();
  MoveCursor(CX, CY);
}

// ---------------------------------------------------------------------------------------------------
// Files

QString Form11::askIconName(const char* key) {
  FileDialogOptions options = dialogOptions();
  options.filter = kIconFilter;
  return askSaveFile(key, options, QStringLiteral(".ico")).value_or(QString());
}

void Form11::mnuSAVE_Click() {
  const QString name = askIconName("MaskIcon");
  if (name.isEmpty()) return;
  FileName = name;
  const auto mask = std::span<std::uint8_t>(S.IconMask).first(kMaskSize);
  PackMaskRows(S.MaskGrid, mask);
  if (!WriteMaskIcon32(LocalPath(FileName), std::span<const std::uint8_t>(S.IconPixels).first(kPixelCount),
                       S.IconPalette, mask)) {
    app().ui.message(this, kCannotOpen);
  }
}

void Form11::mnuBS16_Click() {
  const QString name = askIconName("MaskFavIcon");
  if (name.isEmpty()) return;
  FileName = name;
  const auto mask = std::span<std::uint8_t>(S.IconMask).first(kMaskSize);
  PackMask(S.MaskGrid, mask);
  if (!WriteMaskIcon16(LocalPath(FileName), std::span<const std::uint8_t>(S.IconPixels).first(kPixelCount),
                       S.IconPalette, mask)) {
    app().ui.message(this, kCannotOpen);
  }
}

void Form11::mnuEND_Click() {
  unload();
}

}  // namespace pf
