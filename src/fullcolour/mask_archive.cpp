#include "fullcolour/mask_archive.h"

#include <QButtonGroup>
#include <algorithm>

#include "fullcolour/full_colour_window.h"
#include "fullcolour/mask_window32.h"
#include "model/packing.h"
#include "platform/app_context.h"

namespace pf {

namespace {
constexpr ColorRef kTransparentWhite = Rgb(255, 255, 255);
}  // namespace

const QString Form24::kNeeds32 = QStringLiteral("32×32のフルカラーアイコンを選んでから操作してください。");

Form24::Form24(AppContext& app, QWidget* owner)
    : ArchiveWindow(app, QString::fromLatin1(kFormName), owner, QStringLiteral("マスク保管庫　"),
                    QStringLiteral(".msk")) {
  buildControls();
}

void Form24::buildControls() {
  // The four operations are one exclusive choice, shown as check boxes.
  auto* operations = new QButtonGroup(this);
  const char* captions[4] = {"コピー", "XOR", "OR", "AND"};
  for (int i = 0; i < 4; ++i) {
    auto* box = new QCheckBox(QString::fromUtf8(captions[i]), clientArea());
    box->setObjectName(QStringLiteral("Check1_%1").arg(i));
    box->setGeometry(236, 4 + 24 * i, 70, 22);
    operations->addButton(box, i);
    Check1[static_cast<std::size_t>(i)] = box;
  }
  connect(operations, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) MaskOperation = static_cast<ComposeOperation>(id);
  });
}

void Form24::Form_Load() {
  ArchiveWindow::Form_Load();
  Check1[0]->setChecked(true);
}

void Form24::paintSlot(int slot) {
  MaskGridArray grid{};
  UnpackMask(SlotMasks[static_cast<std::size_t>(slot)], grid);
  const QPoint origin = cellOrigin(slot);
  for (int row = 0; row < kCell; ++row) {
    for (int x = 0; x < kCell; ++x) {
      const bool transparent = grid[static_cast<std::size_t>(row * kCell + x)] != 0;
      client().setPixel(origin.x() + x, origin.y() + row, transparent ? kTransparentWhite : 0);
    }
  }
}

void Form24::DrawAllSlots() {
  for (int slot = 1; slot <= kSlots; ++slot) paintSlot(slot);
  refresh();
}

void Form24::clearSlots() {
  for (int slot = 1; slot <= kSlots; ++slot) SlotMasks[static_cast<std::size_t>(slot)].fill(0);
}

std::vector<std::uint8_t> Form24::workFileBytes() const {
  return PackMaskWorkFile(SlotMasks);
}

void Form24::loadWorkFileBytes(std::span<const std::uint8_t> bytes) {
  UnpackMaskWorkFile(bytes, SlotMasks);
  DrawAllSlots();
}

std::vector<std::uint8_t>* Form24::exchangedMask() {
  // A slot holds a 32 x 32 mask; a 64 x 64 icon's mask is laid out in longer rows and would be garbled.
  std::vector<std::uint8_t>& mask = app().state.FullColourMask;
  const Form20* window = app().find<Form20>();
  if (!window || window->chosenSize() != kCell || mask.size() != kSlotMaskSize) {
    app().ui.message(this, kNeeds32);
    return nullptr;
  }
  return &mask;
}

void Form24::mnuGET_Click() {
  if (!requireSlot(kTakeWhere)) return;
  if (!exchangedMask()) return;
  // An open mask window holds edits not yet packed into the icon's mask.
  if (Form19* maskWindow = app().find<Form19>()) maskWindow->SetMask();
  const std::vector<std::uint8_t>& mask = app().state.FullColourMask;
  if (mask.size() < kSlotMaskSize) return;
  std::copy_n(mask.begin(), kSlotMaskSize, SlotMasks[static_cast<std::size_t>(SelectedSlot)].begin());
  paintSlot(SelectedSlot);
  refresh();
}

void Form24::mnuTRANS_Click() {
  if (!requireSlot(kSendWhich)) return;
  std::vector<std::uint8_t>* mask = exchangedMask();
  if (!mask) return;
  ComposeMask(SlotMasks[static_cast<std::size_t>(SelectedSlot)], *mask, MaskOperation);
  // A closed mask window reads the icon's mask when it opens.
  if (Form19* maskWindow = app().find<Form19>()) {
    maskWindow->GetBit();
    maskWindow->ShowBit();
    maskWindow->show();
    maskWindow->raise();
  }
}

}  // namespace pf
