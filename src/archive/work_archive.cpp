#include "archive/work_archive.h"

#include <QButtonGroup>
#include <QMenuBar>
#include <algorithm>

#include "archive/composition_window.h"
#include "platform/app_context.h"
#include "platform/index_chooser.h"
#include "platform/picture_file.h"

namespace pf {

namespace {
const QString kChooseMix = QStringLiteral("mixフォームを選んでください。");
}  // namespace

// ---------------------------------------------------------------------------------------------------
// The 16-colour slots

Archive16::Archive16(AppContext& app, const QString& formName, QWidget* owner)
    : ArchiveWindow(app, formName, owner, QStringLiteral("保管庫　"), QStringLiteral(".wrk")) {}

void Archive16::paintSlot(int slot) {
  if (slot < 1 || slot > kSlots) return;
  const ArchiveSlot& s = Slots[static_cast<std::size_t>(slot)];
  const QPoint origin = cellOrigin(slot);
  for (int row = 0; row < kCell; ++row) {
    for (int x = 0; x < kCell; ++x) {
      const std::uint8_t index = s.pixels[static_cast<std::size_t>(row * kCell + x)] & 0x0F;
      client().setPixel(origin.x() + x, origin.y() + kCell - 1 - row, EntryColour(s.palette[index]));
    }
  }
}

void Archive16::DrawAllSlots() {
  for (int slot = 1; slot <= kSlots; ++slot) paintSlot(slot);
  refresh();
}

void Archive16::DrawSlot() {
  paintSlot(SelectedSlot);
  refresh();
}

void Archive16::clearSlots() {
  for (int slot = 1; slot <= kSlots; ++slot) {
    ArchiveSlot& s = Slots[static_cast<std::size_t>(slot)];
    std::fill_n(s.pixels.begin(), kPixelCount, std::uint8_t{0});
    s.palette = Palette{};
  }
}

std::vector<std::uint8_t> Archive16::workFileBytes() const {
  return PackWorkFile(Slots);
}

void Archive16::loadWorkFileBytes(std::span<const std::uint8_t> bytes) {
  UnpackWorkFile(bytes, Slots);
  DrawAllSlots();
}

void Archive16::mnuGET_Click() {
  if (!requireSlot(kTakeWhere)) return;
  const SharedState& s = app().state;
  std::copy_n(s.IconPixels.begin(), kPixelCount, selected().pixels.begin());
  selected().palette = s.IconPalette;
  DrawSlot();
}

void Archive16::dropFile(int slot, const QString& path) {
  const std::optional<Picture16> picture = ReadDroppedPicture(app(), this, path);
  if (!picture) return;
  ArchiveSlot& s = Slots[static_cast<std::size_t>(slot)];
  s.palette = picture->palette;
  std::copy_n(picture->pixels.begin(), kPixelCount, s.pixels.begin());
  DrawSlot();
}

// ---------------------------------------------------------------------------------------------------
// The editor's archive

Form10::Form10(AppContext& app, QWidget* owner) : Archive16(app, QString::fromLatin1(kFormName), owner) {
  buildControls();
}

void Form10::buildControls() {
  QWidget* area = clientArea();
  constexpr int kLeft = 236;
  // The four operations are one exclusive choice, shown as check boxes.
  auto* operations = new QButtonGroup(this);
  const char* captions[4] = {"コピー", "XOR", "OR", "AND"};
  for (int i = 0; i < 4; ++i) {
    auto* box = new QCheckBox(QString::fromUtf8(captions[i]), area);
    box->setObjectName(QStringLiteral("Check1_%1").arg(i));
    box->setGeometry(kLeft, 4 + 24 * i, 70, 22);
    operations->addButton(box, i);
    Check1[static_cast<std::size_t>(i)] = box;
  }
  connect(operations, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
    if (checked) ArchiveOperation = static_cast<ComposeOperation>(id);
  });

  Check2 = new QCheckBox(QStringLiteral("パレット付"), area);
  Check2->setObjectName(QStringLiteral("Check2"));
  Check2->setGeometry(kLeft, 104, 90, 22);
  Check3 = new QCheckBox(QStringLiteral("透過"), area);
  Check3->setObjectName(QStringLiteral("Check3"));
  Check3->setGeometry(kLeft, 128, 70, 22);

  List2 = new IndexChooser(area, QStringLiteral("List2"), QRect(kLeft + 76, 4, 50, 150),
                           [this](int row) { List2_Click(row); });
  connect(Check3, &QCheckBox::toggled, this, [this](bool checked) {
    if (checked) List2->ask();
  });

  Label1 = new QLabel(QStringLiteral("MIXフォーム"), area);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(kLeft, 160, 120, 20);
  List1 = new QListWidget(area);
  List1->setObjectName(QStringLiteral("List1"));
  List1->setGeometry(kLeft, 182, 126, 130);
}

void Form10::addOwnMenus() {
  QMenu* mix = addSubMenu(menuBar(), QStringLiteral("mnuM"), QStringLiteral("MIX送受"));
  addMenuItem(mix, QStringLiteral("mnuMGET"), QStringLiteral("MIX画像取込"), &Form10::mnuMGET_Click);
  addMenuItem(mix, QStringLiteral("mnuMSEND"), QStringLiteral("MIX画像送信"), &Form10::mnuMSEND_Click);
}

void Form10::Form_Load() {
  Archive16::Form_Load();
  Check1[0]->setChecked(true);
}

void Form10::Form_Activate() {
  RefreshMixWindows();
  Archive16::Form_Activate();
}

void Form10::RefreshMixWindows() {
  List1->clear();
  MixWindows.clear();
  for (Form* f : app().forms.forms()) {
    auto* mix = qobject_cast<Form8*>(f);
    if (!mix || !f->windowTitle().contains(QString::fromUtf8(Form8::kCaption))) continue;
    List1->addItem(f->windowTitle());
    MixWindows.emplace_back(mix);
  }
  if (!MixWindows.empty()) List1->setCurrentRow(0);
}

void Form10::List2_Click(int row) {
  if (TransferBusy || row < 0 || row > 15) return;
  ArchiveTransparentIndex = row;
  List2->hide();
}

void Form10::mnuTRANS_Click() {
  if (!requireSlot(kSendWhich)) return;
  TransferBusy = true;
  SharedState& s = app().state;
  ComposeIntoEditor(selected().pixels, s.IconPixels, ArchiveTransparentIndex, ArchiveOperation,
                    Check3->isChecked());
  if (Check2->isChecked()) s.IconPalette = selected().palette;
  TransferBusy = false;
  if (EditorLink* editor = app().editor()) editor->DoShow();
  Check3->setChecked(false);
}

Form8* Form10::chosenMixWindow() {
  const int row = List1->currentRow();
  // A composition window closed since the list was made counts as no choice.
  Form8* mix = row >= 0 && row < static_cast<int>(MixWindows.size())
                   ? MixWindows[static_cast<std::size_t>(row)].data()
                   : nullptr;
  if (mix && mix->isUnloaded()) mix = nullptr;
  return mix;
}

void Form10::mnuMSEND_Click() {
  Form8* mix = chosenMixWindow();
  if (!mix) {
    app().ui.message(this, kChooseMix);
    return;
  }
  if (!requireSlot(kSendWhich)) return;
  if (Check3->isChecked()) app().ui.message(this, QStringLiteral("この操作では、透過は無効です。"));
  TransferBusy = true;
  PixelArray pixels{};
  for (int k = 0; k < kPixelCount; ++k) pixels[static_cast<std::size_t>(k)] = mix->GetIcon(k);
  ComposeIntoEditor(selected().pixels, pixels, 0, ArchiveOperation, false);
  for (int k = 0; k < kPixelCount; ++k) mix->SetIcon(k, pixels[static_cast<std::size_t>(k)]);
  if (Check2->isChecked()) {
    for (int e = 0; e < 16; ++e) {
      const PaletteEntry& entry = selected().palette[static_cast<std::size_t>(e)];
      mix->SetMyRGB(e, entry.blue, entry.green, entry.red);
    }
  }
  mix->DoShow();
  TransferBusy = false;
}

void Form10::mnuMGET_Click() {
  Form8* mix = chosenMixWindow();
  if (!mix) {
    app().ui.message(this, kChooseMix);
    return;
  }
  if (!requireSlot(kTakeWhere)) return;
  for (int k = 0; k < kPixelCount; ++k) selected().pixels[static_cast<std::size_t>(k)] = mix->GetIcon(k);
  for (int e = 0; e < 16; ++e) {
    PaletteEntry& entry = selected().palette[static_cast<std::size_t>(e)];
    mix->GetMyRGB(e, entry.blue, entry.green, entry.red);
  }
  DrawSlot();
}

}  // namespace pf
