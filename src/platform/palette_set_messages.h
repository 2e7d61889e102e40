// The messages a palette-set read can end with; the start-up palette and the palette array share them.
#pragma once

#include "model/palette_set.h"

class QWidget;

namespace pf {

class AppContext;

// Shows what went wrong reading a palette-set file, if anything.
void ShowPaletteSetResult(AppContext& app, QWidget* parent, PaletteSetRead result);

}  // namespace pf
