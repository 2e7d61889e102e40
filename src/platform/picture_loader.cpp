#include "platform/picture_loader.h"

#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

#include "platform/ui.h"

namespace pf {

namespace {

bool Transposes(QImageIOHandler::Transformations t) {
  return t.testFlag(QImageIOHandler::TransformationRotate90);
}

bool Covers(QSize have, QSize shown) {
  return have.width() >= shown.width() && have.height() >= shown.height();
}

}  // namespace

int JpegScaleDenominator(QSize stored, QSize shown) {
  for (int d : {8, 4, 2}) {
    if (Covers(QSize(stored.width() / d, stored.height() / d), shown)) return d;
  }
  return 1;
}

PictureStatus LoadPictureFile(const QString& path, Photo& photo) {
  if (!QFileInfo(path).isFile()) return PictureStatus::Unreadable;
  QImageReader reader(path);
  reader.setAutoTransform(true);
  if (!reader.canRead()) return PictureStatus::Unreadable;
  const QByteArray format = reader.format();
  const QSize stored = reader.size();
  if (!stored.isValid() || stored.isEmpty()) return PictureStatus::Unreadable;
  const std::int64_t pixels = std::int64_t{stored.width()} * stored.height();
  const bool scalable = format == "jpeg" || format == "jpg";
  if (stored.width() > kMaxPictureEdge || stored.height() > kMaxPictureEdge || pixels > kMaxPicturePixels ||
      (!scalable && pixels > kMaxDecodedPixels)) {
    return PictureStatus::TooLarge;
  }

  Photo opened;
  opened.path_ = path;
  opened.format_ = format;
  opened.stored_ = stored;
  opened.size_ = Transposes(reader.transformation()) ? stored.transposed() : stored;
  opened.scalable_ = scalable;
  photo = std::move(opened);
  return PictureStatus::Ok;
}

bool Photo::decodeFor(QSize shown) {
  if (isNull()) return false;
  shown = shown.expandedTo(QSize(1, 1));
  if (!decoded_.isNull() && Covers(decoded_.size(), shown)) return true;

  const bool transposed = size_ != stored_;
  const QSize storedShown = transposed ? shown.transposed() : shown;
  const int d = scalable_ ? JpegScaleDenominator(stored_, storedShown) : 1;
  if (std::int64_t{stored_.width() / d} * (stored_.height() / d) > kMaxDecodedPixels) return false;

  QImageReader reader(path_);
  reader.setAutoTransform(true);
  // The JPEG decoder picks its reduction from the ratio of the full to the asked size; asking the
  // rounded-down reduced size makes it pick exactly d.
  if (d > 1) reader.setScaledSize(QSize(std::max(1, stored_.width() / d), std::max(1, stored_.height() / d)));
  QImage image = reader.read();
  if (image.isNull()) return false;
  decoded_ = image.convertToFormat(QImage::Format_RGB32);
  denominator_ = d;
  return true;
}

QImage Photo::scaled(QSize shown) const {
  if (decoded_.isNull() || shown.isEmpty()) return {};
  if (decoded_.size() == shown) return decoded_;
  return decoded_.scaled(shown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
