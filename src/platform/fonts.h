// The Mincho face the windows ask for by its Windows name, mapped to the Mincho face installed here.
#pragma once

#include <QFont>

namespace pf {

// Makes the Windows Mincho face names resolve to an installed Japanese Mincho face (IPAMincho first).
// Call once after the QGuiApplication exists, before any window builds a font; calling again is harmless.
void InstallFontSubstitutes();

// The Mincho face at a height in pixels (a negative height is taken as its magnitude, 0 as 16) with a
// Windows font weight (400 normal, 700 bold), rendered without antialiasing.
QFont MinchoFont(int pixelHeight, int weight = 400);

}  // namespace pf
