#include "model/photo_geometry.h"

#include <algorithm>

#include "model/numeric_text.h"

namespace pf {

Extent ShownSizeAt(int width, int height, double ratio) {
  return {RoundToInt(width * ratio), RoundToInt(height * ratio)};
}

double FitRatio(int width, int height, int boxWidth, int boxHeight, double insideRatio) {
  const double rx = width > boxWidth ? static_cast<double>(boxWidth) / width : 0.0;
  const double ry = height > boxHeight ? static_cast<double>(boxHeight) / height : 0.0;
  if (rx == 0.0 && ry == 0.0) return insideRatio;
  if (rx == 0.0) return ry;
  if (ry == 0.0) return rx;
  return std::min(rx, ry);
}

}  // namespace pf
