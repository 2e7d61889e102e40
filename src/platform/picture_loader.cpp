#include "platform/picture_loader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "platform/ui.h"

namespace pf {

namespace {

bool Transposes(QImageIOHandler::Transformations t) {
  return t.testFlag(QImageIOHandler::TransformationRotate90);
}

bool Covers(QSize have, QSize shown) {
  return have.width() >= shown.width() && have.height() >= shown.height();
}

// The smooth scaler walks the source in 16.16 fixed point: a step of source / target, and a weight per
// source pixel (scaling down) or a starting offset (scaling up). Two pairs of lengths with the same
// numbers make the same first pixels.
bool SameScaleSteps(std::int64_t s, std::int64_t d, std::int64_t s2, std::int64_t d2) {
  if ((d >= s) != (d2 >= s2) || (s << 16) / d != (s2 << 16) / d2) return false;
  if (d >= s) return 0x8000 * s / d == 0x8000 * s2 / d2;
  return ((d << 14) + s - 1) / s == ((d2 << 14) + s2 - 1) / s2;
}

// A point of the picture as shown (after orientation) in the picture as stored; `stored` is the stored
// size. The reader mirrors and flips first, then turns a quarter clockwise.
QPoint ToStored(QPoint shown, QSize stored, QImageIOHandler::Transformations t) {
  int x = shown.x();
  int y = shown.y();
  if (t.testFlag(QImageIOHandler::TransformationRotate90)) {
    x = shown.y();
    y = stored.height() - 1 - shown.x();
  }
  if (t.testFlag(QImageIOHandler::TransformationMirror)) x = stored.width() - 1 - x;
  if (t.testFlag(QImageIOHandler::TransformationFlip)) y = stored.height() - 1 - y;
  return {x, y};
}

// Transparent parts over the picture box's background; the windows copy RGB only.
QImage OverBackground(const QImage& part, QRgb background) {
  if (!part.hasAlphaChannel()) return part.convertToFormat(QImage::Format_RGB32);
  QImage out(part.size(), QImage::Format_RGB32);
  out.fill(background);
  QPainter painter(&out);
  painter.drawImage(0, 0, part);
  return out;
}

}  // namespace

ScaleCrop ExactScaleCrop(int source, int target, int need) {
  if (source <= 0 || target <= need + 2) return {source, target};
  const std::int64_t step = (std::int64_t{source} << 16) / target;
  // The source pixels the first `need` target pixels read, with room to spare.
  const std::int64_t reach = ((need * step) >> 16) + source / target + 3;
  for (std::int64_t d2 = need + 2; d2 < target; ++d2) {
    // The source lengths whose step over d2 is the same.
    const std::int64_t lo = std::max(reach, (step * d2 + 0xFFFF) >> 16);
    const std::int64_t hi = std::min<std::int64_t>(source, ((step + 1) * d2 - 1) >> 16);
    for (std::int64_t s2 = lo; s2 <= hi; ++s2) {
      if (SameScaleSteps(source, target, s2, d2)) return {static_cast<int>(s2), static_cast<int>(d2)};
    }
  }
  return {source, target};
}

QImage ScaledPart(const QImage& image, QSize size, QRect part) {
  part = part.intersected(QRect(QPoint(0, 0), size));
  if (image.isNull() || part.isEmpty()) return {};
  if (image.size() == size) return image.copy(part);
  const ScaleCrop x = ExactScaleCrop(image.width(), size.width(), part.right() + 1);
  const ScaleCrop y = ExactScaleCrop(image.height(), size.height(), part.bottom() + 1);
  const QImage crop =
      x.source == image.width() && y.source == image.height() ? image : image.copy(0, 0, x.source, y.source);
  return crop.scaled(x.target, y.target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).copy(part);
}

int JpegScaleDenominator(QSize stored, QSize shown) {
  for (int d : {8, 4, 2}) {
    if (Covers(QSize(stored.width() / d, stored.height() / d), shown)) return d;
  }
  return 1;
}

PictureStatus LoadPicture(const QString& path, const QByteArray* data, int imageNumber, Photo& photo) {
  if (!data && !QFileInfo(path).isFile()) return PictureStatus::Unreadable;
  // The toolkit's own limit on one decode (128 MiB by default) lies below the pixels this program decodes
  // whole; the limits above are what bound the memory. Eight bytes a pixel leaves room for 16-bit PNGs.
  // Set once, before the first reader of any thread looks at it.
  static const bool limitSet = [] {
    QImageReader::setAllocationLimit(static_cast<int>(kMaxDecodedPixels * 8 / (1024 * 1024)));
    return true;
  }();
  (void)limitSet;
  Photo opened;
  opened.path_ = path;
  if (data) opened.data_ = *data;
  opened.imageNumber_ = imageNumber;
  QBuffer buffer;
  QImageReader reader;
  if (!opened.aim(reader, buffer)) return PictureStatus::Unreadable;
  const QByteArray format = reader.format();
  const QSize stored = reader.size();
  if (!stored.isValid() || stored.isEmpty()) return PictureStatus::Unreadable;
  const std::int64_t pixels = std::int64_t{stored.width()} * stored.height();
  const bool scalable = format == "jpeg" || format == "jpg";
  if (stored.width() > kMaxPictureEdge || stored.height() > kMaxPictureEdge || pixels > kMaxPicturePixels ||
      (!scalable && pixels > kMaxDecodedPixels)) {
    return PictureStatus::TooLarge;
  }

  opened.format_ = format;
  opened.stored_ = stored;
  opened.transform_ = reader.transformation();
  opened.size_ = Transposes(opened.transform_) ? stored.transposed() : stored;
  opened.scalable_ = scalable;
  photo = std::move(opened);
  return PictureStatus::Ok;
}

PictureStatus LoadPictureFile(const QString& path, Photo& photo, int imageNumber) {
  return LoadPicture(path, nullptr, imageNumber, photo);
}

PictureStatus LoadPictureData(const QByteArray& data, const QString& name, Photo& photo, int imageNumber) {
  return LoadPicture(name.isEmpty() ? QStringLiteral("-") : name, &data, imageNumber, photo);
}

bool Photo::aim(QImageReader& reader, QBuffer& buffer) const {
  if (data_.isNull()) {
    reader.setFileName(path_);
  } else {
    buffer.setData(data_);
    buffer.open(QIODevice::ReadOnly);
    reader.setDevice(&buffer);
  }
  reader.setAutoTransform(true);
  // The reader knows the file's images only once it has looked at the file, and asked again after the
  // jump it would look at the file from where the jump left it.
  const bool readable = reader.canRead();
  if (readable && imageNumber_ > 0) return reader.jumpToImage(imageNumber_);
  return readable;
}

bool Photo::decodeFor(QSize shown) {
  if (isNull()) return false;
  shown = shown.expandedTo(QSize(1, 1));
  if (!decoded_.isNull() && Covers(decoded_.size(), shown)) return true;

  const QSize storedShown = Transposes(transform_) ? shown.transposed() : shown;
  const int d = scalable_ ? JpegScaleDenominator(stored_, storedShown) : 1;
  if (std::int64_t{stored_.width() / d} * (stored_.height() / d) > decodeLimit_) return false;

  QBuffer buffer;
  QImageReader reader;
  aim(reader, buffer);
  // The JPEG decoder picks its reduction from the ratio of the full to the asked size; asking the
  // rounded-down reduced size makes it pick exactly d.
  if (d > 1) reader.setScaledSize(QSize(std::max(1, stored_.width() / d), std::max(1, stored_.height() / d)));
  QImage image = reader.read();
  if (image.isNull()) {
    decodeError_ = reader.errorString();
    return false;
  }
  // Transparency is kept (premultiplied, as the smooth scaler wants it) until the picture is shown; the
  // conversion is made in place where it can be, so a large picture is not held twice.
  image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  decoded_ = std::move(image);
  denominator_ = d;
  return true;
}

QImage Photo::scaled(QSize shown) const {
  if (decoded_.isNull() || shown.isEmpty()) return {};
  if (decoded_.size() == shown) return decoded_;
  return decoded_.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage Photo::decodeTopLeft(QSize shown, QSize crop) const {
  const bool transposes = Transposes(transform_);
  const int d = scalable_ ? JpegScaleDenominator(stored_, transposes ? shown.transposed() : shown) : 1;
  const QSize decodedStored(std::max(1, stored_.width() / d), std::max(1, stored_.height() / d));
  const QSize decodedShown = transposes ? decodedStored.transposed() : decodedStored;
  crop = crop.boundedTo(decodedShown);
  const QRect stored = QRect(ToStored(QPoint(0, 0), decodedStored, transform_),
                             ToStored(QPoint(crop.width() - 1, crop.height() - 1), decodedStored, transform_))
                           .normalized();
  if (std::int64_t{stored.width()} * stored.height() > decodeLimit_) return {};
  QBuffer buffer;
  QImageReader reader;
  aim(reader, buffer);
  // The JPEG decoder reads only the rows it needs and keeps only the columns asked for. At a reduction it
  // decodes the clip whole and scales it to whole pixels of the 1/d picture, which is close to, not
  // exactly, what its own reduction of the whole picture gives.
  reader.setClipRect(QRect(stored.x() * d, stored.y() * d, stored.width() * d, stored.height() * d));
  if (d > 1) reader.setScaledSize(stored.size());
  const QImage image = reader.read();
  if (image.size() != crop) return {};
  return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                       : QImage::Format_RGB32);
}

QImage Photo::decodeRect(QSize shown, QRect rect) const {
  const bool transposes = Transposes(transform_);
  const int d = scalable_ ? JpegScaleDenominator(stored_, transposes ? shown.transposed() : shown) : 1;
  const QSize decodedStored(std::max(1, stored_.width() / d), std::max(1, stored_.height() / d));
  const QSize decodedShown = transposes ? decodedStored.transposed() : decodedStored;
  rect = rect.intersected(QRect(QPoint(0, 0), decodedShown));
  if (rect.isEmpty()) return {};
  const QRect stored = QRect(ToStored(rect.topLeft(), decodedStored, transform_),
                             ToStored(rect.bottomRight(), decodedStored, transform_))
                           .normalized();
  if (std::int64_t{stored.width()} * stored.height() > decodeLimit_) return {};
  QImageReader reader(path_);
  reader.setAutoTransform(true);
  reader.setClipRect(QRect(stored.x() * d, stored.y() * d, stored.width() * d, stored.height() * d));
  if (d > 1) reader.setScaledSize(stored.size());
  const QImage image = reader.read();
  if (image.size() != rect.size()) return {};
  return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied
                                                       : QImage::Format_RGB32);
}

QImage Photo::scaledRegion(QSize shown, QRect part, bool decodedCovers) const {
  // The stretch of the source (the cached decode, or the file decoded at the reduction `shown` asks
  // for) under the part, two shown pixels to spare on each side, scaled on its own: what a part far from
  // the top-left corner costs is its own size, not the whole picture's up to it.
  const bool transposes = Transposes(transform_);
  QSize source = decoded_.size();
  if (!decodedCovers && scalable_) {
    const int d = JpegScaleDenominator(stored_, transposes ? shown.transposed() : shown);
    source = transposes ? QSize(stored_.height() / d, stored_.width() / d)
                        : QSize(stored_.width() / d, stored_.height() / d);
  }
  if (source.isEmpty()) return {};
  const double fx = static_cast<double>(source.width()) / shown.width();
  const double fy = static_cast<double>(source.height()) / shown.height();
  const int sx0 = std::clamp(static_cast<int>(std::floor((part.left() - 2) * fx)), 0, source.width() - 1);
  const int sy0 = std::clamp(static_cast<int>(std::floor((part.top() - 2) * fy)), 0, source.height() - 1);
  const int sx1 = std::clamp(static_cast<int>(std::ceil((part.right() + 3) * fx)), sx0 + 1, source.width());
  const int sy1 = std::clamp(static_cast<int>(std::ceil((part.bottom() + 3) * fy)), sy0 + 1, source.height());
  const QRect from(sx0, sy0, sx1 - sx0, sy1 - sy0);
  const QImage crop = decodedCovers || !scalable_ ? decoded_.copy(from) : decodeRect(shown, from);
  if (crop.isNull()) return {};
  const int tx0 = static_cast<int>(std::lround(sx0 / fx));
  const int ty0 = static_cast<int>(std::lround(sy0 / fy));
  const int tw = std::max(1, static_cast<int>(std::lround(sx1 / fx)) - tx0);
  const int th = std::max(1, static_cast<int>(std::lround(sy1 / fy)) - ty0);
  const QImage scaled = crop.size() == QSize(tw, th)
                            ? crop
                            : crop.scaled(tw, th, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  return scaled.copy(part.translated(-tx0, -ty0));
}

QImage Photo::shownPart(QSize shown, QRect part, QRgb background) {
  part = part.intersected(QRect(QPoint(0, 0), shown));
  if (isNull() || part.isEmpty()) return {};
  if (part.topLeft() != QPoint(0, 0)) {
    QImage region = scaledRegion(shown, part, decodeFor(shown));
    // The file is gone or unreadable now: the earlier decode, scaled, rather than nothing.
    if (region.isNull() && !decoded_.isNull()) region = scaledRegion(shown, part, true);
    return region.isNull() ? QImage() : OverBackground(region, background);
  }
  if (decodeFor(shown)) return OverBackground(ScaledPart(decoded_, shown, part), background);

  if (scalable_) {
    // Too large to decode whole at this reduction: decode just the crop the part is scaled from.
    const bool transposes = Transposes(transform_);
    const int d = JpegScaleDenominator(stored_, transposes ? shown.transposed() : shown);
    const QSize decoded = transposes ? QSize(stored_.height() / d, stored_.width() / d)
                                     : QSize(stored_.width() / d, stored_.height() / d);
    ScaleCrop x = ExactScaleCrop(decoded.width(), shown.width(), part.right() + 1);
    ScaleCrop y = ExactScaleCrop(decoded.height(), shown.height(), part.bottom() + 1);
    // Where no short crop scales exactly alike, a slightly different step is better than a strip of
    // the whole photo: nothing was shown here before to compare with.
    const auto nearCrop = [](int source, int target, int need, ScaleCrop exact) {
      if (exact.target <= 4 * need) return exact;
      const int t = need + 2;
      return ScaleCrop{std::min(source, static_cast<int>((std::int64_t{source} * t + target / 2) / target)),
                       t};
    };
    x = nearCrop(decoded.width(), shown.width(), part.right() + 1, x);
    y = nearCrop(decoded.height(), shown.height(), part.bottom() + 1, y);
    const QImage crop = decodeTopLeft(shown, QSize(x.source, y.source));
    if (!crop.isNull()) {
      return OverBackground(
          crop.scaled(x.target, y.target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).copy(part),
          background);
    }
  }
  // The file is gone or unreadable now: the earlier decode, scaled, rather than nothing.
  if (!decoded_.isNull()) return OverBackground(ScaledPart(decoded_, shown, part), background);
  return {};
}

std::optional<Photo> OpenPhoto(Ui& ui, QWidget* parent, const QString& path,
                               const std::function<QSize(QSize)>& firstShown) {
  Photo opened;
  const PictureStatus status = LoadPictureFile(path, opened);
  if (status == PictureStatus::TooLarge) ui.message(parent, kPhotoTooLargeMessage);
  if (status != PictureStatus::Ok) return std::nullopt;
  // A file whose header reads but whose pictures do not is refused here, before the shown photo goes.
  if (!opened.decodeFor(firstShown(opened.size()))) return std::nullopt;
  return opened;
}

}  // namespace pf
