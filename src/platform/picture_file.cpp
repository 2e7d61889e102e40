#include "platform/picture_file.h"

#include "model/file_io.h"
#include "model/icon_file.h"
#include "model/packing.h"
#include "platform/app_context.h"
#include "platform/local_path.h"

namespace pf {

namespace {

std::optional<Picture16> Parse(AppContext& app, QWidget* parent, const QString& path, bool icon) {
  const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(LocalPath(path));
  if (!bytes) return std::nullopt;
  // The readers write into scratch buffers, so a rejected file leaves the caller's picture and palette
  // exactly as they were.
  Picture16 picture;
  PackedArray packed{};
  MaskArray mask{};
  const IconReadTargets targets{picture.palette, packed, mask, app.state};
  const IconReadStatus status = icon ? ParseIcon32(*bytes, targets) : ParseBitmap16(*bytes, targets);
  if (parent && status == IconReadStatus::HeightTooLarge) {
    app.ui.message(parent, QStringLiteral("高さが、32を超えています。"));
  }
  if (parent && status == IconReadStatus::WidthTooLarge) {
    app.ui.message(parent, QStringLiteral("幅が、32を超えています。"));
  }
  if (status != IconReadStatus::Ok) return std::nullopt;
  UnpackPixels32(std::span<const std::uint8_t>(packed.data(), kPackedSize),
                 std::span<std::uint8_t>(picture.pixels.data(), kPixelCount));
  return picture;
}

}  // namespace

PictureKind KindOfPictureFile(const QString& path) {
  const std::string local = LocalPath(path);
  const PictureKind byName = PictureKindByName(local);
  if (byName != PictureKind::Unknown) return byName;
  const std::optional<std::vector<std::uint8_t>> start = ReadFileStart(local, kPictureKindBytes);
  return start ? PictureKindOf(local, *start) : PictureKind::Unknown;
}

std::optional<Picture16> ReadDroppedPicture(AppContext& app, QWidget* parent, const QString& path) {
  const PictureKind kind = KindOfPictureFile(path);
  if (kind != PictureKind::Unknown) return Parse(app, parent, path, kind == PictureKind::Icon);
  app.ui.message(parent, QStringLiteral("読み込めるデータではありません。"));
  return std::nullopt;
}

std::optional<Picture16> ReadIconPicture(AppContext& app, const QString& path) {
  return Parse(app, nullptr, path, true);
}

}  // namespace pf
