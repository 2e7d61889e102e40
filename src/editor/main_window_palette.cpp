// The palette panel, the selected colour, the transparent and base colour commands, the default palette
// and the back/forward labels of the main window.
#include <QDir>
#include <QFile>

#include "editor/main_window.h"
#include "model/history.h"
#include "model/numeric_text.h"
#include "model/palette_set.h"
#include "platform/app_context.h"
#include "platform/local_path.h"
#include "platform/palette_set_messages.h"

namespace pf {

void IC::DrawPalettePanel() {
  Surface& w = client();
  w.setBkMode(true);
  w.setTextColor(0);
  w.setBkColor(S.BackgroundColour.value);
  for (int a = 0; a < 8; ++a) {
    w.textOut(290, 280 + 25 * a, HexDigit(a));
    FillColourRect(w, 300, 280 + 25 * a, 330, 295 + 25 * a, S.IconPalette[static_cast<std::size_t>(a)]);
    w.textOut(390, 280 + 25 * a, HexDigit(a + 8));
    FillColourRect(w, 400, 280 + 25 * a, 430, 295 + 25 * a, S.IconPalette[static_cast<std::size_t>(a + 8)]);
  }
  refresh();
}

void IC::ShowSelectedColour(int n) {
  n &= 0x0F;
  Surface& w = client();
  const PaletteEntry& e = S.IconPalette[static_cast<std::size_t>(n)];
  FillColourRect(w, 350, 500, 400, 520, e);
  w.fillRect(420, 490, 500, 600, S.BackgroundColour.value);
  w.setBkMode(true);
  w.setTextColor(0);
  w.setBkColor(S.BackgroundColour.value);
  w.textOut(340, 505, HexDigit(n));
  w.textOut(420, 490, QStringLiteral("R=%1").arg(e.red));
  w.textOut(420, 506, QStringLiteral("G=%1").arg(e.green));
  w.textOut(420, 522, QStringLiteral("B=%1").arg(e.blue));
  refresh();
}

void IC::palettePick(int x, int y) {
  const bool left = x >= 300 && x <= 330;
  const bool right = x >= 400 && x <= 430;
  if (!left && !right) return;
  const int column = (x - 300) / 100;
  for (int a = 0; a < 8; ++a) {
    if (280 + 25 * a < y && y <= 295 + 25 * a) {
      SelectPalNum = a + 8 * column;
      ShowSelectedColour(SelectPalNum);
      notifyPaletteSelection();
      return;
    }
  }
}

void IC::mnuBTP_Click() {
  const std::optional<QString> answer = app().ui.inputBox(
      this, QStringLiteral("パレット番号を１０進数で入力してください。\n不透明=－1 そのまま＝99"),
      QStringLiteral("透明色　選択"), QStringLiteral("0"));
  if (!answer || answer->isEmpty()) return;
  int a = ReadDecimalInt(answer->toStdString());
  if (a == 99) {
    KeepMask = true;
    setStatusPanel(3, QStringLiteral("透明色=不変更"));
    return;
  }
  KeepMask = false;
  a = std::min(a, 15);
  if (a < 0) {
    Opaque = true;
    setStatusPanel(3, QStringLiteral("透明色=不透明"));
  } else {
    Opaque = false;
    S.TransparentIndex = a;
    setStatusPanel(3, QStringLiteral("透明色=%1").arg(a));
  }
}

void IC::mnuBCS_Click() {
  const std::optional<QString> answer =
      app().ui.inputBox(this, QStringLiteral("パレット番号を１０進数で入力してください。"),
                        QStringLiteral("カラー選択"), QStringLiteral("0"));
  if (!answer || answer->isEmpty()) return;
  const int n = std::clamp(ReadDecimalInt(answer->toStdString()), 0, 15);
  std::fill(S.IconPixels.begin(), S.IconPixels.begin() + kPixelCount, static_cast<std::uint8_t>(n));
  RedisplayAll(1);
  MoveCaret(CX, CY);
}

void IC::LoadDefaultPalette() {
  S.IconPalette = Palette{};
  // The file is Pal.pal; accept any spelling of its case, as the file system it came from did.
  const QDir folder(app().programFolder());
  const QStringList found = folder.entryList({QStringLiteral("pal.pal")}, QDir::Files, QDir::Name);
  const QString path = folder.filePath(found.isEmpty() ? QStringLiteral("Pal.pal") : found.first());
  ShowPaletteSetResult(
      app(), this, ReadPaletteSetFile(LocalPath(path), {S.PaletteSets, S.CurrentPaletteSet, S.IconPalette}));
}

void IC::Label1_MouseDown(int index) {
  PressLabel* label = Label1[static_cast<std::size_t>(index & 1)];
  label1SavedStyle_ = label->styleSheet();
  label->setStyleSheet(QStringLiteral("background-color: rgb(255, 0, 0);"));
}

void IC::Label1_MouseUp(int index) {
  PressLabel* label = Label1[static_cast<std::size_t>(index & 1)];
  label->setStyleSheet(label1SavedStyle_);
  SkipHistoryOnce = true;
  if (StepHistory(S, index & 1) == 0) {
    DoShow();
    updateHistoryLabel();
  }
}

}  // namespace pf
