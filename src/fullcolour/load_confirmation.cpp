#include "fullcolour/load_confirmation.h"

#include <algorithm>

#include "fullcolour/full_colour_window.h"
#include "model/full_colour_mask.h"
#include "model/shared_state.h"
#include "platform/app_context.h"
#include "platform/controls.h"

namespace pf {

namespace {

constexpr int kTop = 8;
constexpr ColorRef kWhite = 0xFFFFFF;
const QString kMaskWindowOpen = QStringLiteral("マスクフォームが立ち上がった状態でこの操作はできません。");
const QString kCannotLoad = QStringLiteral("このアイコンは読み込めません。");

}  // namespace

Form26::Form26(AppContext& app, QWidget* owner)
    : Form(app, QString::fromLatin1(kFormName), owner),
      S(app.state),
      Grid32(FullColourMaskBytes(32) * 8, 0),
      Grid64(FullColourMaskBytes(64) * 8, 0) {
  setWindowTitle(QStringLiteral("読み込んだフルカラーアイコン"));
  QWidget* area = clientArea();
  Label1 = MakeLabel(area, QStringLiteral("Label1"), QStringLiteral("この画像を読み込みますか。"), 0, 0, 240);
  Command1 = MakeButton(area, QStringLiteral("Command1"), QStringLiteral("YES"), 0, 0, 80);
  Command2 = MakeButton(area, QStringLiteral("Command2"), QStringLiteral("NO"), 0, 0, 80);
  connect(Command1, &QPushButton::clicked, this, &Form26::Command1_Click);
  connect(Command2, &QPushButton::clicked, this, &Form26::Command2_Click);
  layOut();
}

Form26::~Form26() = default;

void Form26::Form_Load() {
  if (auto* icon = app().find<Form20>()) icon->fForm26 = true;
}

void Form26::Form_Activate() {
  if (auto* icon = app().find<Form20>()) icon->fForm26 = true;
}

void Form26::Form_Unload() {
  if (auto* icon = app().find<Form20>()) icon->fForm26 = false;
}

int Form26::edge() const {
  return SizeNum == 0 ? 32 : SizeNum == 1 ? 64 : 0;
}

bool Form26::loadable() const {
  const int s = edge();
  return s != 0 && Pixels.size() == FullColourPixelBytesOf(s) && Mask.size() == FullColourMaskBytes(s);
}

const std::vector<std::uint8_t>& Form26::grid() const {
  return SizeNum == 1 ? Grid64 : Grid32;
}

QPoint Form26::picturePosition(int index) const {
  const int s = Picture1.width();
  return {index * (s + 20), kTop};
}

void Form26::layOut() {
  const int s = Picture1.width();
  const int below = kTop + s + 10;
  Label1->move(0, below);
  Command1->move(0, below + 26);
  Command2->move(90, below + 26);
  setClientSize(std::max(3 * s + 40, 240), below + 60);
  client().fillRect(0, 0, client().width(), client().height(), S.BackgroundColour.value);
  for (int i = 0; i < 3; ++i) {
    const Surface& p = i == 0 ? Picture1 : i == 1 ? Picture2 : Picture3;
    const QPoint at = picturePosition(i);
    client().bitBlt(at.x(), at.y(), p.width(), p.height(), p, 0, 0);
  }
  refresh();
}

void Form26::ShowIcon(int iconSize, std::span<const std::uint8_t> ICO, std::span<const std::uint8_t> MSK) {
  IconSize = iconSize;
  Pixels.assign(ICO.begin(), ICO.end());
  Mask.assign(MSK.begin(), MSK.end());
  SizeNum = IconSize == 32 ? 0 : IconSize == 64 ? 1 : 99;
  // Nothing to picture for a size this program does not handle.
  const int s = std::max(edge(), 1);
  Picture1.resize(s, s);
  Picture2.resize(s, s);
  Picture3.resize(s, s);
  GetBit(Mask);
  if (edge() != 0) {
    DrawMaskPicture();
    DrawIconPicture();
    // The combination: transparent pixels come out inverted.
    for (int y = 0; y < s; ++y) {
      for (int x = 0; x < s; ++x) {
        const auto c = static_cast<ColorRef>(Picture1.getPixel(x, y));
        const auto m = static_cast<ColorRef>(Picture2.getPixel(x, y));
        Picture3.setPixel(x, y, c ^ m);
      }
    }
  }
  layOut();
}

void Form26::GetBit(std::span<const std::uint8_t> MSK) {
  if (SizeNum == 0) UnpackFullColourMask(MSK, 32, Grid32);
  if (SizeNum == 1) UnpackFullColourMask(MSK, 64, Grid64);
}

void Form26::DrawMaskPicture() {
  const int s = edge();
  const std::vector<std::uint8_t>& g = grid();
  for (int row = 0; row < s; ++row) {
    for (int column = 0; column < s; ++column) {
      Picture2.setPixel(column, row, g[static_cast<std::size_t>(row * s + column)] == 1 ? kWhite : 0);
    }
  }
}

void Form26::DrawIconPicture() {
  const int s = edge();
  for (int row = 0; row < s; ++row) {
    for (int column = 0; column < s; ++column) {
      Picture1.setPixel(column, row, EntryColour(FullColourCell(Pixels, s, column, row)));
    }
  }
}

void Form26::Command1_Click() {
  if (!loadable()) {
    app().ui.message(this, kCannotLoad);
    return;
  }
  // The mask window's grid would no longer match the arrays; the size change is refused meanwhile too.
  if (S.fMaskFormOpen) {
    app().ui.message(this, kMaskWindowOpen);
    return;
  }
  auto* icon = app().find<Form20>();
  if (icon == nullptr) return;
  const int index = SizeNum;
  if (!icon->selectSize(index)) return;

  S.FullColourPixels = Pixels;
  S.FullColourPixelBytes = static_cast<std::int32_t>(Pixels.size());
  S.FullColourMask = Mask;
  const int s = edge();
  const QPoint slot = Form20::slotOrigin(index);
  Surface& window = icon->client();
  for (int row = 0; row < s; ++row) {
    for (int column = 0; column < s; ++column) {
      window.setPixel(slot.x() + column, slot.y() + row, EntryColour(FullColourCell(Pixels, s, column, row)));
    }
  }
  const QPoint work = icon->workAreaOrigin();
  window.bitBlt(work.x(), work.y(), s, s, window, slot.x(), slot.y());
  icon->refresh();
  unload();
}

void Form26::Command2_Click() {
  unload();
}

}  // namespace pf
