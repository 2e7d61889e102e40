#include "fullcolour/composition_check.h"

#include <QMenuBar>

#include "fullcolour/full_colour_window.h"
#include "platform/app_context.h"
#include "platform/drawing.h"

namespace pf {

namespace {
// Client sizes from the window sizes in twips: 3920 x 4040 for 32 x 32, 7000 x 6800 for 64 x 64.
constexpr int kSmallWidth = 261;
constexpr int kSmallHeight = 269;
constexpr int kLargeWidth = 467;
constexpr int kLargeHeight = 453;
}  // namespace

Form22::Form22(AppContext& app, QWidget* owner) : Form(app, QString::fromLatin1(kFormName), owner) {
  setWindowTitle(QStringLiteral("合成確認"));
  setClientSize(kSmallWidth, kSmallHeight);
  addMenuItem(menuBar(), QStringLiteral("mnuCLOSE"), QStringLiteral("閉じる"), &Form22::mnuCLOSE_Click);
}

Form22::~Form22() = default;

int Form22::selectNum() const {
  if (auto* icon = app().find<Form20>()) return icon->SelectNum;
  return LoadedSelectNum;
}

void Form22::Form_Load() {
  auto* icon = app().find<Form20>();
  if (icon == nullptr) return;
  icon->fForm22 = true;
  LoadedSelectNum = icon->SelectNum;
  if (LoadedSelectNum == 0) setClientSize(kSmallWidth, kSmallHeight);
  if (LoadedSelectNum == 1) setClientSize(kLargeWidth, kLargeHeight);
}

void Form22::Form_Activate() {
  // White: the contrast colour of black. The frame sits one pixel outside the enlargement, which starts
  // at (20, 20) and is 160 or 320 pixels wide.
  const PaletteEntry black{};
  const int n = selectNum();
  if (n == 0) DrawFrameRect(client(), 19, 19, 181, 181, black, 1);
  if (n == 1) DrawFrameRect(client(), 19, 19, 341, 341, black, 1);
  refresh();
}

void Form22::Form_Unload() {
  if (auto* icon = app().find<Form20>()) icon->fForm22 = false;
}

void Form22::mnuCLOSE_Click() {
  unload();
}

}  // namespace pf
