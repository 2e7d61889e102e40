#include "icon_set.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <string>

#include "model/file_io.h"
#include "model/full_colour_icon.h"
#include "model/icon_directory.h"
#include "model/indexed_picture.h"

namespace pf::convert {

std::optional<std::vector<int>> ParseIconSetSizes(const QString& text) {
  std::vector<int> sizes;
  for (const QString& part : text.split(QLatin1Char(','))) {
    bool ok = false;
    const int size = part.trimmed().toInt(&ok, 10);
    if (!ok || size < 1 || size > 256) return std::nullopt;
    if (std::find(sizes.begin(), sizes.end(), size) != sizes.end()) return std::nullopt;
    sizes.push_back(size);
  }
  return sizes;
}

std::vector<std::uint8_t> FullColourImageFile(const QImage& picture) {
  const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
  const int edge = image.width();
  if (edge < 1 || edge > 256 || image.height() != edge) return {};
  if (edge == 256) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(4 * edge * edge));
    for (int y = 0; y < edge; ++y) {
      for (int x = 0; x < edge; ++x) {
        const QRgb c = image.pixel(x, y);
        rgba.insert(rgba.end(), {static_cast<std::uint8_t>(qRed(c)), static_cast<std::uint8_t>(qGreen(c)),
                                 static_cast<std::uint8_t>(qBlue(c)), static_cast<std::uint8_t>(qAlpha(c))});
      }
    }
    return BuildPngIconFile(EncodeRgbaPng(rgba, edge, edge), edge);
  }
  const auto e = static_cast<std::size_t>(edge);
  const std::size_t maskRow = (e + 7) / 8;
  std::vector<std::uint8_t> pixels;
  std::vector<std::uint8_t> mask(maskRow * e, 0);
  pixels.reserve(3 * e * e);
  // Both bitmaps bottom row first; a masked pixel keeps its colour, as the full colour outputs keep it.
  for (int r = 0; r < edge; ++r) {
    const int y = edge - 1 - r;
    for (int x = 0; x < edge; ++x) {
      const QRgb c = image.pixel(x, y);
      const bool clear = qAlpha(c) < 128;
      pixels.insert(pixels.end(), {static_cast<std::uint8_t>(qBlue(c)), static_cast<std::uint8_t>(qGreen(c)),
                                   static_cast<std::uint8_t>(qRed(c))});
      if (clear)
        mask[static_cast<std::size_t>(r) * maskRow + static_cast<std::size_t>(x / 8)] |= 0x80 >> (x % 8);
    }
  }
  return BuildFullColourIconOfEdge(pixels, mask, edge);
}

std::variant<std::vector<std::uint8_t>, QString> MakeIconSet(const std::vector<int>& sizes,
                                                             const IconSetMakers& makers) {
  std::vector<std::vector<std::uint8_t>> images;
  QString reason;
  for (const int edge : sizes) {
    if (edge == 16 || edge == 32) {
      std::optional<std::vector<std::uint8_t>> image = makers.fourBit(edge, &reason);
      if (!image) return reason;
      images.push_back(std::move(*image));
    }
    const std::optional<QImage> picture = makers.colour(edge, &reason);
    if (!picture) return reason;
    images.push_back(FullColourImageFile(*picture));
  }
  std::vector<std::uint8_t> file = PutIconImages({}, images);
  if (file.empty()) return QStringLiteral("nothing could be made of it");
  return file;
}

std::optional<QString> AddToIconFile(const QString& path, const std::vector<std::uint8_t>& made, bool force) {
  const std::string local = QFile::encodeName(path).toStdString();
  std::vector<std::uint8_t> existing;
  if (QFileInfo::exists(path)) {
    std::string error;
    std::optional<std::vector<std::uint8_t>> there = ReadWholeFile(local, &error);
    if (!there) return QStringLiteral("%1: %2").arg(path, QString::fromStdString(error));
    if (!ReadIconEntries(*there) && !force) {
      return QStringLiteral("%1 is not an icon file whose images can be kept (--force replaces it)")
          .arg(path);
    }
    existing = std::move(*there);
  }
  const std::optional<std::vector<IconEntry>> entries = ReadIconEntries(made);
  std::vector<std::vector<std::uint8_t>> images;
  for (const IconEntry& e : entries.value_or(std::vector<IconEntry>{}))
    images.push_back(BuildIconFromEntries({e}));
  const std::vector<std::uint8_t> bytes = PutIconImages(existing, images);
  if (images.empty() || bytes.empty()) return QStringLiteral("nothing could be made of it");
  std::string error;
  if (!WriteFileAtomically(local, bytes, &error))
    return QStringLiteral("%1: %2").arg(path, QString::fromStdString(error));
  return std::nullopt;
}

}  // namespace pf::convert
