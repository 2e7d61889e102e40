// The picture through the system clipboard: コピー puts it there as an image and as the grid's text,
// 貼り付け takes an image or such a text back as one undo step; and the fill of the region around the
// caret.
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <algorithm>

#include "editor/main_window.h"
#include "model/clipboard_picture.h"
#include "model/flood_fill.h"
#include "model/icon_file.h"
#include "model/packing.h"
#include "model/photo_geometry.h"
#include "platform/app_context.h"

namespace pf {

namespace {

// The reduction's threshold for pictures of many colours, as the photo reduction starts with.
constexpr int kPasteThreshold = 10;

ArgbPicture ArgbOf(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  ArgbPicture picture{argb.width(), argb.height(), {}};
  picture.pixels.reserve(static_cast<std::size_t>(argb.width()) * static_cast<std::size_t>(argb.height()));
  for (int y = 0; y < argb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    picture.pixels.insert(picture.pixels.end(), line, line + argb.width());
  }
  return picture;
}

QImage ImageOf(const ArgbPicture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_ARGB32);
  for (int y = 0; y < picture.height; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::copy_n(picture.pixels.begin() + static_cast<std::ptrdiff_t>(y) * picture.width, picture.width, line);
  }
  return image;
}

// A larger picture brought within 32 x 32, its shape kept, as the photo windows fit a photo.
QImage FittedImage(const QImage& image) {
  if (image.width() <= kIconSize && image.height() <= kIconSize) return image;
  const Extent e = ShownSizeAt(image.width(), image.height(),
                               FitRatio(image.width(), image.height(), kIconSize, kIconSize, 1.0));
  const QSize size(std::clamp(e.width, 1, kIconSize), std::clamp(e.height, 1, kIconSize));
  return image.convertToFormat(QImage::Format_ARGB32_Premultiplied)
      .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// What a paste puts into the picture, and the palette it brings along, if any.
struct Paste {
  IndexedPicture picture;
  std::optional<Palette> palette;
};

std::optional<Paste> PasteOf(const QMimeData* data, const Palette& palette, int transparentIndex) {
  if (!data) return std::nullopt;
  const std::optional<IndexedPicture> grid = ParseGridText(data->text().toStdString());
  const QImage image = data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage();
  if (image.isNull()) {
    if (grid) return Paste{*grid, std::nullopt};
    return std::nullopt;
  }
  if (image.width() <= kIconSize && image.height() <= kIconSize) {
    const ArgbPicture argb = ArgbOf(image);
    if (std::optional<IndexedPicture> inPalette = IndicesInPalette(argb, palette, transparentIndex)) {
      // Our own copy carries the grid beside the image: it tells apart entries of the same colour.
      if (grid && GridShowsPicture(*grid, argb, palette, transparentIndex)) return Paste{*grid, std::nullopt};
      return Paste{std::move(*inPalette), std::nullopt};
    }
    if (std::optional<PalettedPicture> own = OwnColours(argb, transparentIndex))
      return Paste{std::move(own->picture), own->palette};
  }
  if (std::optional<PalettedPicture> reduced =
          ReducedColours(ArgbOf(FittedImage(image)), transparentIndex, kPasteThreshold))
    return Paste{std::move(reduced->picture), reduced->palette};
  return std::nullopt;
}

}  // namespace

void IC::addClipboardItems(QMenu* draw) {
  draw->addSeparator()->setObjectName(QStringLiteral("mnuBar3"));
  addMenuItem(draw, QStringLiteral("mnuBCopy"), QStringLiteral("コピー"), &IC::mnuBCopy_Click)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
  addMenuItem(draw, QStringLiteral("mnuBPaste"), QStringLiteral("貼り付け"), &IC::mnuBPaste_Click)
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));

  auto* fill = new QAction(this);
  fill->setObjectName(QStringLiteral("actFill"));
  fill->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
  fill->setShortcutContext(Qt::WindowShortcut);
  connect(fill, &QAction::triggered, this, [this] {
    fillAtCaret();
    app().workChanged();
  });
  addAction(fill);
}

void IC::mnuBCopy_Click() {
  const int size = Icon16 ? 16 : kIconSize;
  // Transparent where the icon save makes the pixels transparent.
  PackedArray packed{};
  MaskArray mask{};
  MaskGridArray transparent{};
  const std::span<std::uint8_t> packedPixels(packed.data(), kPackedSize);
  const std::span<std::uint8_t> packedMask(mask.data(), kMaskSize);
  PackPixels32(S.IconPixels, packedPixels);
  PackMask(S.MaskGrid, packedMask);
  if (!KeepMask || Icon16) BuildMaskFromTransparent(packedPixels, S.TransparentIndex, Opaque, packedMask);
  UnpackMask(packedMask, transparent);

  auto* data = new QMimeData;
  data->setImageData(ImageOf(GridPicture(S.IconPixels, S.IconPalette, size, transparent)));
  data->setText(QString::fromStdString(GridText(S.IconPixels, size)));
  QGuiApplication::clipboard()->setMimeData(data);
}

void IC::mnuBPaste_Click() {
  std::optional<Paste> paste =
      PasteOf(QGuiApplication::clipboard()->mimeData(), S.IconPalette, S.TransparentIndex);
  if (!paste || !PlacePicture(paste->picture, S.IconPixels)) {
    app().ui.message(this, QStringLiteral("クリップボードの内容は貼り付けできません。"));
    return;
  }
  if (paste->palette) S.IconPalette = *paste->palette;
  DoShow();
}

void IC::fillAtCaret() {
  FloodFill(S.IconPixels, CurPixelIndex, SelectPalNum);
  RedisplayAll(1);
  MoveCaret(CX, CY);
}

}  // namespace pf
