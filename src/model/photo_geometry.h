// Where the photo windows put a photo and which square they cut out of it: the size a photo is shown at
// for a ratio, the ratio that fits it into an area, and the square under the pointer. The command line
// cuts the same squares from the same shown pictures.
#pragma once

namespace pf {

struct Extent {
  int width = 0;
  int height = 0;
  friend bool operator==(const Extent&, const Extent&) = default;
};

// The photo's size at `ratio`, each side rounded half to even.
Extent ShownSizeAt(int width, int height, double ratio);

// The ratio that brings a photo within box width x box height: the smaller of the two reductions where
// both sides are beyond the box, the one side's reduction where only it is. A photo within the box in both
// directions keeps `insideRatio`.
double FitRatio(int width, int height, int boxWidth, int boxHeight, double insideRatio);

// The left (or top) of the square of `edge` pixels a drag at `pointer` cuts out of the shown photo.
// The photo reduction window holds its 32 x 32 square 15 pixels right of and below the pointer's left
// and top; the photo window centres its squares on the pointer.
inline constexpr int kReductionPointerOffset = 15;
constexpr int ReductionSquareOrigin(int pointer) {
  return pointer - kReductionPointerOffset;
}
constexpr int CentredSquareOrigin(int pointer, int edge) {
  return pointer - edge / 2;
}

}  // namespace pf
