#include "platform/palette_set_messages.h"

#include "platform/app_context.h"

namespace pf {

void ShowPaletteSetResult(AppContext& app, QWidget* parent, PaletteSetRead result) {
  if (result == PaletteSetRead::TooManySets) {
    app.ui.message(parent, QStringLiteral("パレットは最大２０です。これ以上は読みません。"));
  }
  if (result == PaletteSetRead::Invalid) {
    app.ui.message(parent, QStringLiteral("パレットデータ(pal.pal)がないか、データが不正です。"));
  }
}

}  // namespace pf
