// The picture operations of the main window's Draw menu, closing the other windows and ending the
// program.
#include <QCloseEvent>
#include <QCoreApplication>
#include <algorithm>

#include "archive/archive_window.h"
#include "editor/main_window.h"
#include "model/image_ops.h"
#include "model/window_layouts.h"
#include "platform/app_context.h"
#include "platform/manual_file.h"

#ifndef PF_VERSION
#define PF_VERSION "0"
#endif

namespace pf {

void IC::mnuBCLS_Click() {
  ClearPixels(S.IconPixels);
  RedisplayAll(1);
  MoveCaret(CX, CY);
}

void IC::shiftPicture(ShiftDirection direction) {
  ShiftImage(S.IconPixels, direction);
  RedisplayAll(1);
  MoveCaret(CX, CY);
}

void IC::mnuBSUP_Click() {
  shiftPicture(ShiftDirection::Up);
}
void IC::mnuBSR_Click() {
  shiftPicture(ShiftDirection::Right);
}
void IC::mnuBSD_Click() {
  shiftPicture(ShiftDirection::Down);
}
void IC::mnuBSL_Click() {
  shiftPicture(ShiftDirection::Left);
}

void IC::mnuH_Click() {
  ReduceTo16(S.IconPixels, S.MaskGrid);
  RedisplayAll(1);
}

void IC::AllClose() {
  // Every window but this one. Told apart by name rather than caption: the file browser's caption is its
  // folder, which may well contain "Pictoforge".
  for (Form* form : app().forms.forms()) {
    if (form != this) form->unload();
  }
}

int IC::GetWIndowData(int& nFM, QStringList& FMData, std::vector<Form*>& ThisForm) const {
  nFM = 0;
  FMData.clear();
  ThisForm.assign(1, nullptr);
  for (Form* form : app().forms.forms()) {
    // Neither the editor nor the screen setting window is part of a layout.
    if (form == this || form->formName() == QLatin1String("Form27")) continue;
    const QPoint at = form->frameGeometry().topLeft();
    FMData << form->formName() << QString::number(PixelsToTwips(at.y()))
           << QString::number(PixelsToTwips(at.x()));
    ThisForm.push_back(form);
    ++nFM;
  }
  return 0;
}

void IC::activateEditor() {
  raise();
  activateWindow();
}

void IC::showHandedOver() {
  if (!isVisible()) show();
  activateEditor();
}

void IC::mnuCHLDCLOSE_Click() {
  AllClose();
}

void IC::mnuManual_Click() {
  const QString manual = FindManual(RunningManualPlaces());
  if (manual.isEmpty()) {
    app().ui.message(this, QStringLiteral("マニュアルが見つかりません。"));
  } else if (!app().ui.openInViewer(this, manual)) {
    app().ui.message(this, QStringLiteral("マニュアルを開けませんでした。\n%1").arg(manual));
  }
}

void IC::mnuVersion_Click() {
  app().ui.message(this, QStringLiteral("Pictoforge バージョン %1").arg(QStringLiteral(PF_VERSION)));
}

void IC::mnuEND_Click() {
  app().processEvents();
  if (!confirmEnd()) return;
  AllClose();
  unload();
}

IC::SavedPicture IC::currentPicture() const {
  SavedPicture p;
  std::copy_n(S.IconPixels.begin(), kPixelCount, p.pixels.begin());
  p.palette = S.IconPalette;
  p.maskGrid = S.MaskGrid;
  p.transparentIndex = S.TransparentIndex;
  p.opaque = Opaque;
  p.keepMask = KeepMask;
  return p;
}

void IC::noteSaved() {
  savedPicture_ = currentPicture();
}

bool IC::pictureUnsaved() const {
  return !savedPicture_ || !(*savedPicture_ == currentPicture());
}

QStringList IC::unsavedWork() const {
  QStringList names;
  if (pictureUnsaved()) names << QStringLiteral("アイコン");
  for (const Form* form : app().forms.forms()) {
    const auto* archive = qobject_cast<const ArchiveWindow*>(form);
    if (archive && archive->holdsUnsavedSlots()) names << archive->archiveName();
  }
  return names;
}

bool IC::confirmEnd() {
  const QStringList unsaved = unsavedWork();
  if (unsaved.isEmpty()) return true;
  return app().ui.askYesNo(
      this, QStringLiteral("保存されていない変更があります（%1）。終了しますか？").arg(unsaved.join(u'、')));
}

void IC::closeEvent(QCloseEvent* event) {
  // The window's close button or the desktop closing it asks as 終了 does. A close from inside the
  // program (終了, the close-all button, the program ending) has asked already or must not ask.
  if (event->spontaneous() && !isUnloaded() && !confirmEnd()) {
    event->ignore();
    return;
  }
  Form::closeEvent(event);
}

}  // namespace pf
