// The picture operations of the main window's Draw menu, closing the other windows and ending the
// program.
#include <QCoreApplication>

#include "editor/main_window.h"
#include "model/image_ops.h"
#include "platform/app_context.h"

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
  for (Form* form : app().forms.forms()) {
    if (!form->windowTitle().contains(QLatin1String("Pictoforge"))) form->unload();
  }
}

void IC::mnuCHLDCLOSE_Click() {
  AllClose();
}

void IC::mnuVersion_Click() {
  app().ui.message(this, QStringLiteral("Pictoforge バージョン %1").arg(QStringLiteral(PF_VERSION)));
}

void IC::mnuEND_Click() {
  app().processEvents();
  AllClose();
  unload();
}

}  // namespace pf
