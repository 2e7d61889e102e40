// Whole icon files from the command line: --format icon-set (4-bit and full colour images of several
// sizes in one .ico), --add (the output's images put into an icon file that is there), and --format
// png / png16 (the 16-colour result as an indexed PNG).
#pragma once

#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <variant>
#include <vector>

namespace pf::convert {

// The sizes an icon set holds unless --sizes says otherwise.
inline const std::vector<int> kIconSetSizes{16, 32, 48, 256};

// "16,32,48,256": each size once, 1 to 256, ascending or not. Nothing for anything else.
std::optional<std::vector<int>> ParseIconSetSizes(const QString& text);

// The single-image icon file of a full colour picture (edge x edge, rows from the top): below 256 a 24-bit
// image whose mask is the picture's alpha (below half transparent, their colours kept), at 256 a PNG with
// the alpha as it is.
std::vector<std::uint8_t> FullColourImageFile(const QImage& picture);

// What makes the images of an icon set: a 16-colour single-image icon file of edge 16 or 32, reduced at
// that size, and the picture placed at an edge with its alpha. Either fails with its reason.
struct IconSetMakers {
  std::function<std::optional<std::vector<std::uint8_t>>(int edge, QString* reason)> fourBit;
  std::function<std::optional<QImage>(int edge, QString* reason)> colour;
};

// The icon file of `sizes`: 4-bit images for 16 and 32, a full colour image for every size, largest first.
std::variant<std::vector<std::uint8_t>, QString> MakeIconSet(const std::vector<int>& sizes,
                                                             const IconSetMakers& makers);

// The icon file `made` (one image or several) put into the icon file at `path` with the atomic writer,
// keeping the other images there; a new file when there is none. A file there that is no icon is
// replaced whole with `force`, else left alone. The reason when nothing was written.
std::optional<QString> AddToIconFile(const QString& path, const std::vector<std::uint8_t>& made, bool force);

}  // namespace pf::convert
