// The MouseDraw window's arithmetic: reading its true-colour surface back into palette indices, and the
// colours of the two-colour mix.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "model/colour.h"
#include "model/image_ops.h"

namespace pf {

// The screen colour of each palette index.
using ColourMap = std::array<ColorRef, 16>;
ColourMap BuildColourMap(const Palette& palette);

// `screen` holds the 32 x 32 colours row by row with y from the top (screen[y * 32 + x]). Each pixel
// whose colour is in the map stores the first matching index into the work image, which is in bitmap
// order (pixel (x, y) is work[(31 - y) * 32 + x]); a colour matching no entry leaves the pixel as it was.
// Only the pixels the span holds are read.
void ReadBack(std::span<const ColorRef> screen, const ColourMap& map, Image32& work);

// The mix checkerboard at (x, y): c2 where x + y is even, c1 where it is odd, each clamped to 0..15 so
// it always indexes the colour map.
int MixIndex(int x, int y, int c1, int c2);

}  // namespace pf
