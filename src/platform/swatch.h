// Colour swatches: labels whose background shows a colour.
#pragma once

#include <QLabel>

#include "model/colour.h"

namespace pf {

inline void SetSwatchColour(QLabel* label, ColorRef colour) {
  QPalette p = label->palette();
  p.setColor(QPalette::Window, QColor(RedOf(colour), GreenOf(colour), BlueOf(colour)));
  label->setPalette(p);
  label->setAutoFillBackground(true);
}

}  // namespace pf
