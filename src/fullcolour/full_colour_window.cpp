#include "fullcolour/full_colour_window.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalBlocker>
#include <cmath>

#include "fullcolour/composition_check.h"
#include "fullcolour/full_colour_archive.h"
#include "fullcolour/load_confirmation.h"
#include "fullcolour/mask_window32.h"
#include "fullcolour/mask_window64.h"
#include "model/full_colour_icon.h"
#include "model/profile.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/drawing.h"
#include "platform/local_path.h"

namespace pf {

namespace {

constexpr auto kSizes = SharedState::FullColourSizes;
constexpr auto kSlotTops = SharedState::FullColourSlotTops;
constexpr int kClientWidth = 600;  // wide enough for the whole menu bar
// Tall enough for the whole 128 x 128 slot.
constexpr int kClientHeight = 350;
constexpr const char* kSaveKey = "OpenSaveFullIcon";
constexpr const char* kOpenKey = "OpenLoadFullIcon";
const QString kIconFilter = QStringLiteral("ｱｲｺﾝ(*.ico)|*.ico");

// Check view client sizes for the 32 and 64 edges, from the window sizes in twips.
constexpr int Twips(int twips) {
  return (twips + 7) / 15;
}
constexpr QPoint kCheckView32{Twips(3920), Twips(4040)};
constexpr QPoint kCheckView64{Twips(7000), Twips(6800)};

}  // namespace

Form20::Form20(AppContext& app, QWidget* owner) : Form(app, QString::fromLatin1(kFormName), owner) {
  setWindowTitle(QStringLiteral("アイコン処理"));
  setClientSize(kClientWidth, kClientHeight);
  // The check view follows the pointer even without a button held.
  clientArea()->setMouseTracking(true);
  buildControls();
  buildMenus();
}

Form20::~Form20() = default;

void Form20::buildControls() {
  QWidget* area = clientArea();
  const QString tips[2] = {QStringLiteral("サイズを変えるとマスクパターンは消去されます。"),
                           QStringLiteral("サイズを変えると、マスクパターンは消去されます。")};
  for (int i = 0; i < 4; ++i) {
    const auto k = static_cast<std::size_t>(i);
    const int s = kSizes[k];
    auto* option = new QRadioButton(QStringLiteral("%1×%1").arg(s), area);
    option->setObjectName(QStringLiteral("Option1_%1").arg(i));
    option->setGeometry(140, kSlotTops[k] + s / 2, 80, 22);
    option->setEnabled(i < 2);
    if (i < 2) option->setToolTip(tips[i]);
    connect(option, &QRadioButton::toggled, this, [this, i](bool checked) {
      if (checked) Option1_Click(i);
    });
    Option1[k] = option;
  }

  // Below the preview surface's copy, which covers (300, 0)-(500, 200).
  MakeLabel(area, QStringLiteral("Label1"), QStringLiteral("合成用"), 244, 234, 50, 18);
  MakeLabel(area, QStringLiteral("Label2"), QStringLiteral("アルファ値"), 296, 234, 60, 18);
  MakeLabel(area, QStringLiteral("Label3"), QStringLiteral("合成用画像アルファ値"), 360, 206, 136, 18);
  Slider1 = new QSlider(Qt::Horizontal, area);
  Slider1->setObjectName(QStringLiteral("Slider1"));
  Slider1->setGeometry(360, 226, 136, 24);
  Slider1->setRange(0, 255);
  Slider1->setSingleStep(1);
  Slider1->setPageStep(10);
  Slider1->setValue(255);
  connect(Slider1, &QSlider::valueChanged, this, [this] { AlphaRefresh(); });
  Check1 = new QCheckBox(QStringLiteral("透過処理"), area);
  Check1->setObjectName(QStringLiteral("Check1"));
  Check1->setGeometry(360, 256, 120, 22);
}

void Form20::buildMenus() {
  QMenu* file = addSubMenu(menuBar(), QStringLiteral("mnuF"), QStringLiteral("ファイル"));
  addMenuItem(file, QStringLiteral("mnuOpen"), QStringLiteral("フルカラーアイコンを開く"),
              &Form20::mnuOpen_Click);
  addMenuItem(file, QStringLiteral("mnuSave"), QStringLiteral("フルカラーアイコンを保存"),
              &Form20::mnuSave_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuMSK"), QStringLiteral("マスク設定"), &Form20::mnuMSK_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuSV16"), QStringLiteral("１６色保管庫"), &Form20::mnuSV16_Click);
  addMenuItem(menuBar(), QStringLiteral("mnu24Bit"), QStringLiteral("フルカラー保管庫"),
              &Form20::mnu24Bit_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuGamen"), QStringLiteral("確認画面(&K)"), &Form20::mnuGamen_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuDoMix"), QStringLiteral("合成確定"), &Form20::mnuDoMix_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuSaveWindow"), QStringLiteral("画面設定"),
              &Form20::mnuSaveWindow_Click);
}

int Form20::chosenSize() const {
  return kSizes[static_cast<std::size_t>(SelectNum)];
}

QPoint Form20::workAreaOrigin() const {
  const int half = chosenSize() / 2;
  return {366 - half, 66 - half};
}

QPoint Form20::slotOrigin(int index) {
  return {0, kSlotTops[static_cast<std::size_t>(index)]};
}

void Form20::fillBackground(Surface& s, int left, int top, int right, int bottom) const {
  const BackgroundColourValue& bg = app().state.BackgroundColour;
  FillColourRect(s, left, top, right, bottom, PaletteEntry{bg.blue, bg.green, bg.red, 0});
}

void Form20::Form_Load() {
  app().state.fFullColourOpen = true;
  fillBackground(client(), 0, 0, kClientWidth, kClientHeight);
  // Start at 32 x 32 so the arrays exist before anything can save; no mask window can be open yet.
  {
    const QSignalBlocker blocker(Option1[0]);
    Option1[0]->setChecked(true);
  }
  chooseSize(0);
}

void Form20::Form_Activate() {
  AlphaRefresh();
}

void Form20::Form_Unload() {
  app().state.fFullColourOpen = false;
  if (fForm22) {
    if (auto* check = app().find<Form22>()) check->unload();
  }
  // The mask windows write their grid back as they close.
  if (auto* mask32 = app().find<Form19>()) mask32->unload();
  if (auto* mask64 = app().find<Form25>()) mask64->unload();
  if (auto* confirm = app().find<Form26>()) confirm->unload();
}

void Form20::Option1_Click(int index) {
  if (SuppressClick) {
    SuppressClick = false;
    return;
  }
  if (app().state.fMaskFormOpen) {
    app().ui.message(this, QStringLiteral("マスクフォームが立ち上がった状態でこの操作はできません。"));
    QRadioButton* previous = Option1[static_cast<std::size_t>(SelectNum)];
    // Only a real change toggles; a flag left set would swallow the user's next choice.
    if (!previous->isChecked()) {
      SuppressClick = true;
      previous->setChecked(true);
    }
    return;
  }
  chooseSize(index);
}

bool Form20::selectSize(int index) {
  if (index < 0 || index > 3) return false;
  QRadioButton* option = Option1[static_cast<std::size_t>(index)];
  if (!option->isEnabled()) return false;
  if (SelectNum != index) option->setChecked(true);
  return SelectNum == index;
}

void Form20::chooseSize(int index) {
  fillBackground(client(), 220, 0, 400, 150);
  SelectNum = index;
  const int s = chosenSize();
  SharedState& st = app().state;
  st.FullColourPixelBytes = 3 * s * s;
  M = s * s / 8;
  st.FullColourPixels.assign(static_cast<std::size_t>(st.FullColourPixelBytes), 0);
  st.FullColourMask.assign(static_cast<std::size_t>(M), 0);
  const QPoint work = workAreaOrigin();
  const QPoint slot = slotOrigin(index);
  client().bitBlt(work.x(), work.y(), s, s, client(), slot.x(), slot.y());
  refresh();
}

void Form20::AlphaRefresh() {
  // The slider's value is already the new one when valueChanged arrives; nothing to wait for.
  const int alpha = Slider1->value();
  fillBackground(client(), kBlendPreview.x(), kBlendPreview.y(), kBlendPreview.x() + 32,
                 kBlendPreview.y() + 32);
  fillBackground(ScratchSurface, 0, 0, 96, 32);
  if (Check1->isChecked()) {
    ScratchSurface.alphaBlend(0, 0, 32, 32, client(), kCompositionImage.x(), kCompositionImage.y(), 32, 32,
                              alpha);
    KeyColour = static_cast<ColorRef>(ScratchSurface.getPixel(0, 0));
    client().transparentBlt(kBlendPreview.x(), kBlendPreview.y(), 32, 32, ScratchSurface, 0, 0, 32, 32,
                            KeyColour);
  } else {
    client().alphaBlend(kBlendPreview.x(), kBlendPreview.y(), 32, 32, client(), kCompositionImage.x(),
                        kCompositionImage.y(), 32, 32, alpha);
  }
  refresh();
}

void Form20::Form_MouseMove(int buttons, int /*shift*/, int x, int y) {
  if (y < 0 || y > 150 || x < 300 || x > 450) return;
  if (buttons == 1) {
    const int s = chosenSize();
    const int c = 66 - s / 2;
    fillBackground(client(), 250, 0, 500, 150);
    fillBackground(PreviewSurface, 0, 0, 200, 200);
    const QPoint slot = slotOrigin(SelectNum);
    PreviewSurface.bitBlt(c, c, s, s, client(), slot.x(), slot.y());
    // The stamp is centred on the pointer.
    const int u = x - 16 - 300;
    const int v = y - 16;
    const int alpha = Slider1->value();
    if (Check1->isChecked()) {
      // Key-coloured pixels keep the icon under them: they blend the icon with itself.
      ScratchSurface.bitBlt(64, 0, 32, 32, PreviewSurface, u, v);
      KeyColour = static_cast<ColorRef>(client().getPixel(kCompositionImage.x(), kCompositionImage.y()));
      ScratchSurface.transparentBlt(64, 0, 32, 32, client(), kCompositionImage.x(), kCompositionImage.y(), 32,
                                    32, KeyColour);
      PreviewSurface.alphaBlend(u, v, 32, 32, ScratchSurface, 64, 0, 32, 32, alpha);
    } else {
      PreviewSurface.alphaBlend(u, v, 32, 32, client(), kBlendPreview.x(), kBlendPreview.y(), 32, 32, alpha);
    }
    client().bitBlt(300, 0, 200, 200, PreviewSurface, 0, 0);
  }
  refresh();
  if (fForm22) mirrorIntoCheckView();
}

void Form20::mirrorIntoCheckView() {
  auto* check = app().find<Form22>();
  if (check == nullptr || SelectNum > 1) return;
  const QPoint size = SelectNum == 0 ? kCheckView32 : kCheckView64;
  if (check->client().height() != size.y()) {
    // A smaller view would keep the corner of the larger enlargement it was cut from.
    check->setClientSize(size.x(), size.y());
    check->clearClient();
    check->activate();
    check->refresh();
  }
  Surface& view = check->client();
  if (SelectNum == 0) {
    view.stretchBlt(20, 20, 160, 160, PreviewSurface, 50, 50, 32, 32);
    view.bitBlt(200, 148, 32, 32, PreviewSurface, 50, 50);
  } else {
    const int c = 66 - 32;
    view.stretchBlt(20, 20, 320, 320, PreviewSurface, c, c, 64, 64);
    view.bitBlt(350, 276, 64, 64, PreviewSurface, 34, 34);
  }
  check->refresh();
}

void Form20::Form_KeyDown(int keyCode, int /*shift*/) {
  if (keyCode == 75) mnuGamen_Click();
  if (keyCode == 87) mnuSaveWindow_Click();
}

void Form20::mnuSaveWindow_Click() {
  // The screen settings are the editor's; it opens them whether or not it is shown.
  if (EditorLink* editor = app().editor()) editor->mnuSaveWindow_Click();
}

void Form20::mnuMSK_Click() {
  if (SelectNum == 0) app().single<Form19>();
  if (SelectNum == 1) app().single<Form25>();
}

void Form20::mnuSV16_Click() {
  app().create<Form21>();
}

void Form20::mnu24Bit_Click() {
  app().create<Form23>();
}

void Form20::mnuOpen_Click() {
  FileDialogOptions options = dialogOptions();
  options.title = QStringLiteral("フルカラーアイコンの読込");
  options.filter = kIconFilter;
  const std::optional<QString> chosen = askOpenFile(kOpenKey, options);
  if (!chosen) return;
  // The icon enters this window only when the user confirms it there.
  const std::optional<FullColourIcon> icon = ReadFullColourIcon(LocalPath(*chosen), app().state);
  if (!icon) {
    // Unreadable, or nothing in it this window can show (only 32-bit or PNG images, say): a choice that
    // came to nothing is said so, as the confirmation window says it.
    app().ui.message(this, QStringLiteral("このアイコンは読み込めません。"));
    return;
  }
  app().single<Form26>()->ShowIcon(icon->size, icon->pixels, icon->mask);
}

void Form20::mnuGamen_Click() {
  app().single<Form22>();
}

void Form20::mnuDoMix_Click() {
  // The work area exactly onto its slot, bottom row included.
  const int s = chosenSize();
  const QPoint work = workAreaOrigin();
  const QPoint slot = slotOrigin(SelectNum);
  client().bitBlt(slot.x(), slot.y(), s, s, client(), work.x(), work.y());
  refresh();
}

void Form20::GetIC(std::span<std::uint8_t> IconData) const {
  const int s = chosenSize();
  const QPoint work = workAreaOrigin();
  std::size_t n = 0;
  for (int r = 0; r < s; ++r) {
    for (int x = 0; x < s; ++x) {
      if (n + 3 > IconData.size()) return;
      const auto bgr = ColorRefToBgr(static_cast<ColorRef>(client().getPixel(work.x() + x, 65 + s / 2 - r)));
      IconData[n] = bgr[0];
      IconData[n + 1] = bgr[1];
      IconData[n + 2] = bgr[2];
      n += 3;
    }
  }
}

void Form20::mnuSave_Click() {
  SharedState& st = app().state;
  const int s = chosenSize();
  // Another window may have left arrays of another size; the icon written is always the work area's.
  st.FullColourPixels.resize(static_cast<std::size_t>(3 * s * s));
  st.FullColourMask.resize(static_cast<std::size_t>(s * s / 8));
  GetIC(st.FullColourPixels);

  FileDialogOptions options = dialogOptions();
  options.title = QStringLiteral("フルカラーアイコンの保存");
  options.filter = kIconFilter;
  AskAboutOtherImages(options, FullColourKind(s));
  const std::optional<QString> chosen = askSaveFile(kSaveKey, options, QStringLiteral(".ico"));
  if (!chosen) return;
  const QString& name = *chosen;
  if (!WriteFullColourIcon(LocalPath(name), st.FullColourPixels, st.FullColourMask, s)) {
    app().ui.message(this, QStringLiteral("Save できません。"));
  }
}

}  // namespace pf
