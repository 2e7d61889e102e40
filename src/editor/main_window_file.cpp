// The File menu of the main window, dropped files, and the message protocol through which another
// program hands over an exchange file by name.
#include <QFileInfo>
#include <QPointer>

#include "editor/main_window.h"
#include "model/file_io.h"
#include "model/icon_file.h"
#include "model/indexed_picture.h"
#include "model/local_name.h"
#include "model/packing.h"
#include "platform/app_context.h"
#include "platform/file_name_sender.h"
#include "platform/local_path.h"
#include "platform/picture_file.h"
#include "platform/small_picture.h"
#include "tools/bitmap_size.h"

namespace pf {

namespace {
const QString kIconFilter = QStringLiteral("ｱｲｺﾝ(*.ico)|*.ico");
const QString kOpenFilter = QStringLiteral("*.ico;*.bmp;*.png;*.gif|*.ico;*.bmp;*.png;*.gif");
const QString kCannotOpen = QStringLiteral("Open できません。");

std::span<std::uint8_t> First(auto& array, std::size_t n) {
  return std::span<std::uint8_t>(array.data(), n);
}

QString NameOnly(const QString& path) {
  return QString::fromStdString(NameAfterLastSeparator(path.toStdString()));
}
}  // namespace

QString IC::askFileName(const QString& key, const QString& filter) {
  FileDialogOptions options = dialogOptions();
  options.filter = filter;
  options.initialFolder = app().rememberedFolder(key.toStdString());
  options.mustExist = true;
  return app().ui.openFile(this, options).value_or(QString());
}

QString IC::askSaveName(const QString& key, const QString& filter, const QString& extension,
                        std::optional<IconImageKind> kind) {
  FileDialogOptions options = dialogOptions();
  options.filter = filter;
  if (kind) AskAboutOtherImages(options, *kind);
  return askSaveFile(key.toLatin1().constData(), options, extension).value_or(QString());
}

void IC::rememberFolder(const QString& key, const QString& path) {
  storeLastFolder(app().settings, key.toStdString(), path.toStdString());
}

void IC::afterLoad() {
  ++picturesOpened_;
  if (ZoomBuffer) ZoomBuffer->bitBlt(0, 0, 162, 162, client(), 280, kGridTop);
  MoveCaret(0, kGridTop);
  EditActive = true;
  Icon16 = false;
  DrawPalettePanel();
  setStatusPanel(2, NameOnly(FileName));
}

void IC::openFileName() {
  const PictureKind kind = KindOfPictureFile(FileName);
  if (kind == PictureKind::Icon) {
    const IconReadStatus status =
        ReadIconFile(LocalPath(FileName), 0,
                     {S.IconPalette, First(PackedPixels, kPackedSize), First(S.IconMask, kMaskSize), S});
    if (status != IconReadStatus::Ok) {
      FileName.clear();
      return;
    }
    UnpackPixels32(First(PackedPixels, kPackedSize), S.IconPixels);
    UnpackMask(First(S.IconMask, kMaskSize), S.MaskGrid);
    RedisplayAll(0);
    afterLoad();
    noteSaved();
  } else if (kind == PictureKind::Bitmap) {
    BitmapFileName = FileName;
    // A rejected bitmap must not leave the icon with a black palette behind the unchanged picture.
    const Palette before = S.IconPalette;
    const IconReadStatus status =
        ReadIconFile(LocalPath(BitmapFileName), 1,
                     {S.IconPalette, First(PackedPixels, kPackedSize), First(S.IconMask, kMaskSize), S});
    if (status == IconReadStatus::HeightTooLarge)
      app().ui.message(this, QStringLiteral("高さが、32を超えています。"));
    if (status == IconReadStatus::WidthTooLarge)
      app().ui.message(this, QStringLiteral("幅が、32を超えています。"));
    if (status != IconReadStatus::Ok) {
      S.IconPalette = before;
      FileName.clear();
      return;
    }
    UnpackPixels32(First(PackedPixels, kPackedSize), S.IconPixels);
    RedisplayAll(1);
    // The palette panel and the status bar show the bitmap's colours and name too, as after an icon.
    afterLoad();
    noteSaved();
  } else if (IsSmallPictureName(FileName)) {
    openSmallPicture();
  } else {
    app().ui.message(this, QStringLiteral("読み込めるデータではありません。"));
  }
}

void IC::openSmallPicture() {
  const std::optional<DecodedPicture> decoded = DecodeSmallPicture(FileName);
  const SmallPicture picture = decoded ? ReadSmallPicture(*decoded) : SmallPicture{};
  if (!decoded || picture.status != SmallPictureStatus::Ok) {
    app().ui.message(this, decoded ? QStringLiteral("32×32ドット・16色までの画像ではありません。\n"
                                                    "写真加工（フルカラー→４bit処理）でアイコンにできます。")
                                   : QStringLiteral("読み込めるデータではありません。"));
    FileName.clear();
    return;
  }
  S.IconPalette = picture.palette;
  S.IconPixels = picture.pixels;
  S.MaskGrid = picture.mask;
  PackMask(S.MaskGrid, First(S.IconMask, kMaskSize));
  // The transparent pixels were given one palette number; an icon saved next makes exactly them
  // transparent, unless the mask is kept as edited anyway.
  if (picture.transparentIndex >= 0 && !KeepMask) {
    S.TransparentIndex = picture.transparentIndex;
    Opaque = false;
    setStatusPanel(3, QStringLiteral("透明色=%1").arg(S.TransparentIndex));
  }
  RedisplayAll(0);
  afterLoad();
  noteSaved();
}

void IC::mnuOpen_Click() {
  SkipHistoryOnce = false;
  FileName = askFileName(QStringLiteral("OpenIcon"), kOpenFilter);
  if (FileName.isEmpty()) return;
  rememberFolder(QStringLiteral("OpenIcon"), FileName);
  openFileName();
}

void IC::Form_OLEDragDrop(const QStringList& files) {
  if (files.isEmpty()) return;
  SkipHistoryOnce = false;
  FileName = files.first();
  openFileName();
}

void IC::AutoFileOpen(const QString& name) {
  SkipHistoryOnce = false;
  FileName = name;
  openFileName();
}

void IC::mnuSAVE_Click() {
  const QString chosen =
      askSaveName(QStringLiteral("LoadIcon"), kIconFilter, QStringLiteral(".ico"), kFourBitIcon32);
  if (chosen.isEmpty()) return;
  FileName = chosen;
  PackPixels32(S.IconPixels, First(PackedPixels, kPackedSize));
  PackMask(S.MaskGrid, First(S.IconMask, kMaskSize));
  if (!KeepMask) {
    BuildMaskFromTransparent(First(PackedPixels, kPackedSize), S.TransparentIndex, Opaque,
                             First(S.IconMask, kMaskSize));
  }
  if (!WriteIcon32(LocalPath(FileName), S.IconPalette, First(PackedPixels, kPackedSize),
                   First(S.IconMask, kMaskSize))) {
    app().ui.message(this, kCannotOpen);
  } else {
    noteSaved();
  }
  rememberFolder(QStringLiteral("LoadIcon"), FileName);
}

void IC::mnuFBSAVE_Click() {
  const QString chosen = askSaveName(QStringLiteral("LoadBitmap"), QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ(*.bmp)|*.bmp"),
                                     QStringLiteral(".bmp"));
  if (chosen.isEmpty()) return;
  BitmapFileName = chosen;
  app().showModal<Form6>();
  PackPixels32(S.IconPixels, First(PackedPixels, kPackedSize));
  if (WriteBitmapFile(LocalPath(BitmapFileName), First(PackedPixels, kPackedSize), S.BitmapWidth,
                      S.BitmapHeight, S.IconPalette) != 0) {
    app().ui.message(this, QStringLiteral("SAVEできませんでした。"));
  } else {
    noteSaved();
  }
  rememberFolder(QStringLiteral("LoadBitmap"), BitmapFileName);
}

void IC::mnuHexLoad_Click() {
  SkipHistoryOnce = false;
  const QString chosen = askFileName(QStringLiteral("FavIcon"), kOpenFilter);
  if (chosen.isEmpty()) return;
  FileName = chosen;
  if (KindOfPictureFile(FileName) != PictureKind::Icon) return;
  if (ReadIcon16(LocalPath(FileName), First(S.IconPixels, kPixelCount), S) != 0) {
    app().ui.message(this, QStringLiteral("１６色でないか、または、サイズがことなります。"));
    return;
  }
  RedisplayAll(0);
  afterLoad();
  Icon16 = true;
  noteSaved();
  rememberFolder(QStringLiteral("FavIcon"), FileName);
}

void IC::mnuHexIcon_Click() {
  const QString chosen =
      askSaveName(QStringLiteral("FavIconSave"), kIconFilter, QStringLiteral(".ico"), kFourBitIcon16);
  if (chosen.isEmpty()) return;
  FileName = chosen;
  if (!WriteIcon16(LocalPath(FileName), First(S.IconPixels, kPixelCount), S.IconPalette,
                   Opaque ? -1 : S.TransparentIndex)) {
    app().ui.message(this, kCannotOpen);
  } else {
    noteSaved();
  }
  rememberFolder(QStringLiteral("FavIconSave"), FileName);
}

void IC::mnuPNG_Click(int edge) {
  const QString chosen =
      askSaveName(QStringLiteral("SavePng"), QStringLiteral("PNG(*.png)|*.png"), QStringLiteral(".png"));
  if (chosen.isEmpty()) return;
  // The transparent colour as the 16 x 16 icon save takes it: the palette number, none when opaque.
  if (!WriteIconPng(LocalPath(chosen), First(S.IconPixels, kPixelCount), S.IconPalette,
                    Opaque ? -1 : S.TransparentIndex, edge)) {
    app().ui.message(this, QStringLiteral("SAVEできませんでした。"));
  } else {
    noteSaved();
  }
  rememberFolder(QStringLiteral("SavePng"), chosen);
}

// ---------------------------------------------------------------------------------------------------
// Message protocol

void IC::InstallMessageHook() {
  channel_ = std::make_unique<MessageChannel>([this](const ChannelMessage& m) { MessageHookProc(m); });
  // What a sender built and left without 812 is what the next 811 without 810 appends to.
  channel_->setEndHandler([this](MessageChannel::ConnectionId sender) {
    const auto it = namesBeingSent_.find(sender);
    if (it == namesBeingSent_.end()) return;
    ReceivedFileName = it->second;
    namesBeingSent_.erase(it);
  });
  // Without the channel the editor works as before; another program just cannot reach it.
  channel_->listen(app().channelPath());
}

void IC::RemoveMessageHook() {
  channel_.reset();
  namesBeingSent_.clear();
}

bool IC::isListening() const {
  return channel_ && channel_->isListening();
}

void IC::MessageHookProc(const ChannelMessage& message) {
  lastMessage_ = message;
  lastSender_ = channel_ ? channel_->currentConnection() : 0;
  GetICOFromIFM();
  app().workChanged();
}

void IC::ShowRestoredWork() {
  // The history came back as it was, snapshot and all: this redisplay stores nothing, so the counter,
  // the records and what 戻す and 進む reach are as before (after a step back the snapshot is blank,
  // and a recording redisplay would copy the record on screen over the next one).
  SkipHistoryOnce = true;
  RedisplayAll(1);
  updateHistoryLabel();
  afterLoad();
  // Work that came back has not been saved.
  savedPicture_.reset();
  if (FileName.isEmpty()) setStatusPanel(2, QStringLiteral("New"));
  setStatusPanel(3, QStringLiteral("透明色=%1").arg(S.TransparentIndex));
}

void IC::GetICOFromIFM() {
  // Each sender has a name of its own: two sending at once do not mix their characters. A sender that
  // appends without beginning starts from the name the last one completed or left.
  const MessageChannel::ConnectionId sender = lastSender_;
  switch (lastMessage_.message) {
    case 810:
      namesBeingSent_[sender].clear();
      break;
    case 811: {
      const auto [it, fresh] = namesBeingSent_.try_emplace(sender, ReceivedFileName);
      const std::u16string units = NameUnitsOf(static_cast<char32_t>(lastMessage_.lParam));
      it->second += QString::fromUtf16(units.data(), static_cast<qsizetype>(units.size()));
      break;
    }
    case 812: {
      if (const auto it = namesBeingSent_.find(sender); it != namesBeingSent_.end())
        ReceivedFileName = it->second;
      // The sender hears at once that the name has come, and later whether the file opened.
      if (channel_) channel_->answer(sender, {kNameTaken, 0, 0});
      // While the recovery question shows, a file handed over waits for the answer: はい would replace it.
      if (holdingHandedFiles_) {
        heldHandedFiles_.push_back({lastMessage_.wParam, ReceivedFileName, sender});
        break;
      }
      takeHandedFile(lastMessage_.wParam, sender);
      break;
    }
    default:
      break;
  }
}

void IC::takeHandedFile(int kind, MessageChannel::ConnectionId sender) {
  // The channel may be gone by the time the file has been tried (the editor closed under a message box).
  const QPointer<MessageChannel> channel = channel_.get();
  bool opened = false;
  // `pictoforge FILE` hands over a picture file to open; other senders an exchange file.
  if (kind == kNameIsPictureFile) {
    const std::uint64_t before = picturesOpened_;
    AutoFileOpen(ReceivedFileName);
    opened = picturesOpened_ != before;
  } else {
    opened = LoadExchangeFile();
  }
  if (channel) channel->answer(sender, {kNameDone, 0, opened ? 1 : 0});
  // The sender has been told the file arrived: it must be seen, also while the full colour part or a
  // layout keeps the editor hidden (their windows stay open). Not once it has been closed.
  if (!isUnloaded()) showHandedOver();
}

void IC::holdHandedFiles(bool hold) {
  holdingHandedFiles_ = hold;
  if (hold) return;
  const std::vector<HeldFile> held = std::exchange(heldHandedFiles_, {});
  for (const HeldFile& file : held) {
    ReceivedFileName = file.name;
    takeHandedFile(file.kind, file.sender);
  }
  if (!held.empty()) app().workChanged();
}

bool IC::LoadExchangeFile() {
  const std::optional<ExchangeImage> image = ReadExchangeFile(LocalPath(ReceivedFileName));
  if (!image) return false;
  std::fill_n(S.IconPixels.begin(), kPixelCount, std::uint8_t{0});
  std::fill_n(PackedPixels.begin(), kPackedSize, std::uint8_t{0});
  std::fill_n(S.IconMask.begin(), kMaskSize, std::uint8_t{0});
  S.IconPalette = image->palette;
  std::copy(image->packed.begin(), image->packed.end(), PackedPixels.begin());
  std::copy(image->mask.begin(), image->mask.end(), S.IconMask.begin());
  Icon16 = image->size == 16;
  if (Icon16) {
    UnpackPixels16(First(PackedPixels, 128), S.IconPixels);
  } else {
    UnpackPixels32(First(PackedPixels, kPackedSize), S.IconPixels);
  }
  UnpackMask(First(S.IconMask, kMaskSize), S.MaskGrid);
  RedisplayAll(1);
  DrawPalettePanel();
  noteSaved();
  return true;
}

}  // namespace pf
