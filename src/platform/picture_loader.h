// Photos (bitmap, JPEG, full colour icon) for the windows that show them reduced. Opening reads only the
// header, so a photo's size is known without decoding it; a JPEG is then decoded at the smallest of the
// decoder's own reductions (1/8, 1/4, 1/2, 1) that still covers what is shown, and smoothed down from
// there. EXIF orientation is applied throughout: sizes and pictures are as the camera was held.
#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QRect>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class QImageReader;
class QWidget;

namespace pf {

// Beyond these a photo is refused before anything is decoded.
inline constexpr int kMaxPictureEdge = 20000;
inline constexpr std::int64_t kMaxPicturePixels = 200'000'000;
// The most pixels one decode may produce (256 MB at 4 bytes a pixel); formats the decoder cannot reduce
// are refused above it, since they are always decoded whole.
inline constexpr std::int64_t kMaxDecodedPixels = 64'000'000;

enum class PictureStatus { Ok, Unreadable, TooLarge };

// The photos the loader reads, as file dialog patterns (the dialogs match them in any letter case).
// The full colour icons (*.ico) it reads too are offered by each window as it names them.
inline const QString kPhotoPatterns = QStringLiteral("*.bmp;*.jpg;*.jpeg;*.png;*.gif");

// What the photo windows tell the user about a photo they refuse for its size.
inline const QString kPhotoTooLargeMessage = QStringLiteral("この写真は大きすぎて開けません。");

class Photo {
 public:
  bool isNull() const { return path_.isEmpty(); }
  const QString& path() const { return path_; }
  // Size as shown, after orientation.
  QSize size() const { return size_; }
  // "jpeg", "bmp", "ico", ...
  const QByteArray& format() const { return format_; }

  // Makes sure the cached decode covers `shown` (sizes after orientation), decoding again at the
  // smallest sufficient reduction when it does not. False when the file can no longer be decoded; the
  // earlier decode, if any, is kept.
  bool decodeFor(QSize shown);
  // The cached decode scaled smoothly to exactly `shown`; null when `shown` is empty or nothing has been
  // decoded yet.
  QImage scaled(QSize shown) const;
  // The part `part` (clipped to the picture) of the photo shown at `shown`, over `background` where the
  // photo is transparent. A part from the top-left corner has exactly the pixels of scaled(shown) after
  // decodeFor(shown); one elsewhere is scaled from the stretch under it alone, within a shade of them.
  // Only the part is ever made: a photo too large to decode whole at `shown` has just the part decoded
  // (JPEG), and one that can no longer be read is scaled from the earlier decode. Null when there is nothing
  // to show.
  QImage shownPart(QSize shown, QRect part, QRgb background);

  // The most pixels a whole decode may have (kMaxDecodedPixels); tests lower it.
  void limitDecodedPixels(std::int64_t pixels) { decodeLimit_ = pixels; }

  // The reduction of the cached decode (8, 4, 2 or 1; 0 before the first decode) and its size.
  int decodeDenominator() const { return denominator_; }
  QSize decodedSize() const { return decoded_.size(); }
  // What the decoder said when the last decode failed.
  const QString& decodeError() const { return decodeError_; }

 private:
  friend PictureStatus LoadPicture(const QString& path, const QByteArray* data, int imageNumber,
                                   Photo& photo);

  // Points a reader at the file, or at the bytes a photo read from a stream holds, and at its image;
  // false when the reader does not know the file.
  bool aim(QImageReader& reader, QBuffer& buffer) const;

  QString path_;
  QByteArray format_;
  QSize size_;
  QSize stored_;  // as stored in the file, before orientation
  QImageIOHandler::Transformations transform_ = QImageIOHandler::TransformationNone;
  bool scalable_ = false;
  // Decodes just the top-left part of the picture at the decoder reduction `shown` asks for: the
  // `crop` of the decode at that reduction (sizes after orientation).
  QImage decodeTopLeft(QSize shown, QSize crop) const;
  // The same for any rectangle of the decode at that reduction (in shown orientation).
  QImage decodeRect(QSize shown, QRect rect) const;
  // A part away from the top-left corner, scaled from just the stretch of the source under it: from the
  // cached decode when `decodedCovers` (or the photo cannot be decoded in parts), else decoded alone.
  // Close to the whole scaled picture's pixels, not always exactly them.
  QImage scaledRegion(QSize shown, QRect part, bool decodedCovers) const;

  QByteArray data_;  // the whole file, for a photo that came through a pipe
  int imageNumber_ = 0;
  QString decodeError_;

  QImage decoded_;
  int denominator_ = 0;
  std::int64_t decodeLimit_ = kMaxDecodedPixels;
};

// The shortest source and target lengths along one side whose smooth scaling makes the first `need`
// target pixels exactly as scaling `source` to `target` does (the scaler's steps depend only on the two
// lengths); {source, target} when there are none shorter.
struct ScaleCrop {
  int source;
  int target;
};
ScaleCrop ExactScaleCrop(int source, int target, int need);
// `part` of `image` scaled smoothly to `size`, made from a crop of `image` wherever the steps allow.
QImage ScaledPart(const QImage& image, QSize size, QRect part);

// Opens a photo without decoding it. On failure `photo` is left as it was. `imageNumber` picks one image
// of a file that holds several (an icon's entries, in directory order).
PictureStatus LoadPictureFile(const QString& path, Photo& photo, int imageNumber = 0);
// The same for a file already read whole (from a pipe); `name` is what path() then says.
PictureStatus LoadPictureData(const QByteArray& data, const QString& name, Photo& photo, int imageNumber = 0);

class Ui;
// What the photo windows do to open a photo: load it and decode it for the size `firstShown` gives for its
// full size, telling the user when it is too large. Nothing when it cannot be opened or decoded, so the
// window keeps the photo it shows.
std::optional<Photo> OpenPhoto(Ui& ui, QWidget* parent, const QString& path,
                               const std::function<QSize(QSize)>& firstShown);

// The largest of 1, 2, 4, 8 for which the decoder's reduction of `stored` (what the decoder produces,
// rounded down) still is at least `shown` in both directions.
int JpegScaleDenominator(QSize stored, QSize shown);

}  // namespace pf
