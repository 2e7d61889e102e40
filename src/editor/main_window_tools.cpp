// Opening the tool windows from the main window's menus and keys, and keeping open tool windows in step
// with the main window.
#include <algorithm>

#include "archive/composition_window.h"
#include "archive/file_browser.h"
#include "archive/work_archive.h"
#include "editor/main_window.h"
#include "fullcolour/photo_reduction.h"
#include "fullcolour/photo_window.h"
#include "platform/app_context.h"
#include "settings/screen_settings.h"
#include "tools/arithmetic.h"
#include "tools/check_pattern.h"
#include "tools/line_paint_settings.h"
#include "tools/mask_setting.h"
#include "tools/mouse_draw.h"
#include "tools/mouse_palette.h"
#include "tools/palette_array.h"
#include "tools/palette_colour.h"
#include "tools/palette_conversion.h"
#include "tools/shift_block.h"
#include "tools/transformation.h"

namespace pf {

void IC::mnuBPC_Click() {
  app().single<Form4>();
}
void IC::mnuBChange_Click() {
  app().single<Form2>();
}
void IC::mnuBPA_Click() {
  app().single<Form12>();
}
void IC::mnuBENZ_Click() {
  app().single<Form5>();
}
void IC::mnuBMouse_Click() {
  app().single<Form1>();
}
void IC::mnuBLine_Click() {
  app().single<Form3>();
}
void IC::mnuBCHK_Click() {
  app().single<Form7>();
}
// Every use of the menu item opens an independent transformation window.
void IC::mnuBREP_Click() {
  app().create<Form14>();
}
void IC::mnuMouseDrae_Click() {
  app().single<Form17>();
}

void IC::mnuBMIX_Click() {
  // A new composition window each time, numbered on from the last one, also after they were closed.
  ++MixWindowCount;
  Form8* mix = app().create<Form8>();
  mix->setWindowTitle(mix->windowTitle() + QString::number(MixWindowCount));
}

void IC::mnuBMSK_Click() {
  app().single<Form11>();
}

void IC::mnuFList_Click() {
  QAction* item = menuAction(QStringLiteral("mnuFList"));
  const bool opening = item && item->isEnabled();
  Form16* browser = app().single<Form16>();
  if (!opening) return;
  // Beside the editor, on its left where the screen has room; the menu item waits until the browser
  // closes.
  browser->move(std::max(0, frameGeometry().left() - browser->frameGeometry().width()),
                frameGeometry().top());
  item->setEnabled(false);
  connect(browser, &Form::unloaded, this, [item] { item->setEnabled(true); });
}

void IC::mnuFullColIcon_Click() {
  // The full colour windows take over until the photo window closes and brings the editor back.
  AllClose();
  app().single<Form18>();
  hide();
}

void IC::mnuBBITMAP_Click() {
  app().single<Form9>();
}

void IC::mnuHKN_Click() {
  app().create<Form10>();
}

void IC::openToolByKey(int keyCode) {
  switch (keyCode) {
    case 77:  // M
      app().single<Form15>();
      break;
    case 80:  // P
      app().single<Form12>();
      break;
    case 86:  // V: the one shared transformation window
      app().single<Form14>();
      break;
    case 71:  // G: the one shared composition window, apart from the numbered ones
      app().single<Form8>();
      break;
    case 76:  // L
      mnuFList_Click();
      break;
    case 87:  // W
      mnuSaveWindow_Click();
      break;
    default:
      break;
  }
}

void IC::mnuSaveWindow_Click() {
  app().single<Form27>();
}

void IC::notifyPaletteSelection() {
  if (S.Form3Open) {
    if (auto* f = app().find<Form3>()) f->Form_Load();
  }
  if (S.Form2Open) {
    if (auto* f = app().find<Form2>()) f->Form_Load();
  }
  if (S.Form1Open) {
    if (auto* f = app().find<Form1>()) f->Form_Load();
  }
  if (S.Form7Open) {
    if (auto* f = app().find<Form7>()) f->RGBSET();
  }
}

void IC::forwardMouseToShiftWindow(int button, int x, int y) {
  if (!S.Form15Open) return;
  if (auto* f = app().find<Form15>()) f->SetXY(button, x, y);
}

}  // namespace pf
