#include "platform/small_picture.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>

namespace pf {

bool IsSmallPictureName(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == QLatin1String("png") || suffix == QLatin1String("gif");
}

std::optional<DecodedPicture> DecodeSmallPicture(const QString& path) {
  QImageReader reader(path);
  // Pixels are taken as stored; turning them would move every pixel away from where the file put it.
  reader.setAutoTransform(false);
  DecodedPicture out;
  const QSize size = reader.size();
  if (size.isValid() && (size.width() > kIconSize || size.height() > kIconSize)) {
    out.width = size.width();
    out.height = size.height();
    return out;
  }
  QImage image = reader.read();
  if (image.isNull()) return std::nullopt;
  out.width = image.width();
  out.height = image.height();
  if (out.width > kIconSize || out.height > kIconSize) return out;
  const bool indexed = image.format() == QImage::Format_Indexed8 || image.format() == QImage::Format_Mono ||
                       image.format() == QImage::Format_MonoLSB;
  if (indexed) {
    image = image.convertToFormat(QImage::Format_Indexed8);
    const QList<QRgb> table = image.colorTable();
    out.table.assign(table.begin(), table.end());
  } else {
    image = image.convertToFormat(QImage::Format_ARGB32);
  }
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (indexed) {
        const int n = image.pixelIndex(x, y);
        out.indices.push_back(static_cast<std::uint8_t>(std::min(n, 255)));
        out.argb.push_back(n < static_cast<int>(out.table.size()) ? out.table[static_cast<std::size_t>(n)]
                                                                  : 0xFF000000u);
      } else {
        out.argb.push_back(image.pixel(x, y));
      }
    }
  }
  return out;
}

}  // namespace pf
