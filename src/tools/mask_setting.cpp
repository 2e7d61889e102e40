#include "tools/mask_setting.h"

#include <QMenuBar>
#include <optional>
#include <span>

#include "model/mask_ops.h"
#include "model/packing.h"
#include "model/profile.h"
#include "model/shared_state.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/index_chooser.h"
#include "platform/local_path.h"

namespace pf {

namespace {

const QString kIconFilter = QStringLiteral("ｱｲｺﾝ(*.ico)|*.ico|全て(*.*)|*.*");
const QString kCannotOpen = QStringLiteral("Open できません。");

}  // namespace

Form11::Form11(AppContext& app, QWidget* owner)
    : MaskGridWindow(app, QString::fromLatin1(kFormName), owner, app.state.MaskGrid) {
  QWidget* area = clientArea();
  List2 = new IndexChooser(area, QStringLiteral("List2"), QRect(kPreviewLeft, kPreviewSize + 8, 60, 300),
                           [this](int row) { List2_Click(row); });
  // A click, or Enter on a row reached with the arrow keys. The list takes the focus when shown, and the
  // row that focus makes current is no choice of the user's, so the current row alone chooses nothing.

  Label1 = MakeLabel(area, QStringLiteral("Label1"), QString(), kPreviewLeft + 70, kPreviewSize + 8, 90);

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

PaletteEntry Form11::pixelColour(int column, int row) const {
  const int v = S.IconPixels[static_cast<std::size_t>((31 - row) * kIconSize + column)] & 0x0F;
  return S.IconPalette[static_cast<std::size_t>(v)];
}

// ---------------------------------------------------------------------------------------------------
// Mask commands

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
  SetMaskByIndex(Grid, std::span<const std::uint8_t>(S.IconPixels).first(kPixelCount), ChosenIndex, AddMode);
  gridChanged();
}

// ---------------------------------------------------------------------------------------------------
// Files

QString Form11::askIconName(const char* key, IconImageKind kind) {
  FileDialogOptions options = dialogOptions();
  options.filter = kIconFilter;
  AskAboutOtherImages(options, kind);
  return askSaveFile(key, options, QStringLiteral(".ico")).value_or(QString());
}

void Form11::mnuSAVE_Click() {
  const QString name = askIconName("MaskIcon", kFourBitIcon32);
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
  const QString name = askIconName("MaskFavIcon", kFourBitIcon16);
  if (name.isEmpty()) return;
  FileName = name;
  const auto mask = std::span<std::uint8_t>(S.IconMask).first(kMaskSize);
  PackMask(S.MaskGrid, mask);
  if (!WriteMaskIcon16(LocalPath(FileName), std::span<const std::uint8_t>(S.IconPixels).first(kPixelCount),
                       S.IconPalette, mask)) {
    app().ui.message(this, kCannotOpen);
  }
}

}  // namespace pf
