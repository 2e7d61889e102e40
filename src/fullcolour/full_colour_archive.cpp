#include "fullcolour/full_colour_archive.h"

#include "fullcolour/full_colour_window.h"
#include "model/full_colour_work_files.h"
#include "platform/app_context.h"
#include "platform/surface.h"

namespace pf {

namespace {

constexpr std::array<int, 2> kColumnX{ArchiveWindow::kLeftColumnX, ArchiveWindow::kRightColumnX};

}  // namespace

void SendToFullColourWindow(AppContext& app, const Surface& from, QPoint cell) {
  Form20* window = app.find<Form20>();
  if (!window) return;
  constexpr int kCell = ArchiveWindow::kCell;
  // The slider first: a change re-blends the preview from the old composition image, which the copies
  // below then replace.
  window->Slider1->setValue(255);
  Surface& surface = window->client();
  surface.bitBlt(Form20::kCompositionImage.x(), Form20::kCompositionImage.y(), kCell, kCell, from, cell.x(),
                 cell.y());
  surface.bitBlt(Form20::kBlendPreview.x(), Form20::kBlendPreview.y(), kCell, kCell, from, cell.x(),
                 cell.y());
  window->hMem().bitBlt(64, 0, kCell, kCell, from, cell.x(), cell.y());
  window->refresh();
}

// ---------------------------------------------------------------------------------------------------
// The full colour window's 16-colour archive

Form21::Form21(AppContext& app, QWidget* owner) : Archive16(app, QString::fromLatin1(kFormName), owner) {}

void Form21::mnuTRANS_Click() {
  if (!requireSlot(kSendWhich)) return;
  SendToFullColourWindow(app(), client(), cellOrigin(SelectedSlot));
}

// ---------------------------------------------------------------------------------------------------
// The full colour archive

Form23::Form23(AppContext& app, QWidget* owner)
    : ArchiveWindow(app, QString::fromLatin1(kFormName), owner, QStringLiteral("フルカラー保管庫　"),
                    QStringLiteral(".w24")) {}

void Form23::DrawAllSlots() {
  // The cells are the store: there is nothing to paint them from.
  refresh();
}

void Form23::clearSlots() {
  paintColumnsBlack();
}

std::vector<std::uint8_t> Form23::workFileBytes() const {
  CellColumnColours colours(kCellColumnPixelCount, 0);
  for (int c = 0; c < 2; ++c) {
    for (int x = 0; x < kCellColumnWidth; ++x) {
      for (int y = 0; y < kCellColumnHeight; ++y) {
        colours[CellColumnIndex(c, x, y)] =
            static_cast<ColorRef>(client().getPixel(kColumnX[static_cast<std::size_t>(c)] + x, y));
      }
    }
  }
  return PackFullColourWorkFile(colours);
}

void Form23::loadWorkFileBytes(std::span<const std::uint8_t> bytes) {
  const CellColumnColours colours = UnpackFullColourWorkFile(bytes);
  for (int c = 0; c < 2; ++c) {
    for (int x = 0; x < kCellColumnWidth; ++x) {
      for (int y = 0; y < kCellColumnHeight; ++y) {
        client().setPixel(kColumnX[static_cast<std::size_t>(c)] + x, y, colours[CellColumnIndex(c, x, y)]);
      }
    }
  }
  refresh();
}

void Form23::mnuGET_Click() {
  if (!requireSlot(kTakeWhere)) return;
  Form20* window = app().find<Form20>();
  if (!window) return;
  const QPoint cell = cellOrigin(SelectedSlot);
  client().bitBlt(cell.x(), cell.y(), kCell, kCell, window->client(), kWorkArea32.x(), kWorkArea32.y());
  refresh();
}

void Form23::mnuTRANS_Click() {
  if (!requireSlot(kSendWhich)) return;
  SendToFullColourWindow(app(), client(), cellOrigin(SelectedSlot));
}

}  // namespace pf
