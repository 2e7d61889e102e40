#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTimer>

#include <QLineEdit>
#include <QListWidget>

#include "archive/file_browser.h"
#include "fullcolour/photo_window.h"
#include "model/file_io.h"
#include "model/icon_file.h"
#include "model/packing.h"
#include "platform/file_name_sender.h"
#include "support/app_fixture.h"
#include "tools/bitmap_size.h"

namespace pf {
namespace {

using testing::AppFixture;

class FileMenu : public AppFixture {
 protected:
  QString path(const QString& name) { return folder.filePath(name); }
  std::vector<std::uint8_t> bytesOf(const QString& name) {
    return ReadWholeFile(path(name).toStdString()).value_or(std::vector<std::uint8_t>{});
  }
  void writeBytes(const QString& name, const std::vector<std::uint8_t>& bytes) {
    ASSERT_TRUE(WriteFileAtomically(path(name).toStdString(), bytes));
  }
  // A 32 x 32 icon of a recognisable picture: pixel value = (x + row) mod 16, the top-left pixel masked.
  std::vector<std::uint8_t> sampleIcon() {
    PixelArray pixels{};
    for (int i = 0; i < kPixelCount; ++i)
      pixels[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i % 32 + i / 32) % 16);
    std::array<std::uint8_t, kPackedSize> packed{};
    PackPixels32(pixels, packed);
    std::array<std::uint8_t, kMaskSize> mask{};
    mask[124] = 0x80;
    Palette palette{};
    for (int i = 0; i < 16; ++i)
      palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i), 0,
                                              static_cast<std::uint8_t>(255 - i), 0};
    return BuildIcon32(palette, packed, mask);
  }
  std::string setting(const char* key) { return app->settings.ReadSetting("DIR", key); }
};

TEST_F(FileMenu, OpenReadsAnIconAndRemembersItsFolder) {
  QDir().mkpath(path("icons"));
  writeBytes("icons/pic.ico", sampleIcon());
  ui.fileAnswers.push_back(path("icons/pic.ico"));
  key(Qt::Key_Down);
  trigger("mnuOpen");
  EXPECT_EQ(ic->FileName, path("icons/pic.ico"));
  EXPECT_EQ(ic->statusPanel(2), "pic.ico");
  EXPECT_EQ(pixel(5, 31), 5) << "storage row 0 is the bottom row";
  EXPECT_EQ(state().MaskGrid[0], 1);
  EXPECT_EQ(state().IconPalette[3].red, 252);
  EXPECT_EQ(ic->curRow(), 0) << "the caret goes back to the first cell";
  EXPECT_EQ(setting("OpenIcon"), path("icons").toStdString());
  EXPECT_TRUE(ui.requests.back().file.mustExist);
  EXPECT_EQ(ui.requests.back().file.filter, "*.ico;*.bmp;*.png;*.gif|*.ico;*.bmp;*.png;*.gif");

  ui.fileAnswers.push_back(std::nullopt);
  trigger("mnuOpen");
  EXPECT_EQ(ui.requests.back().file.initialFolder, path("icons")) << "the next dialog starts there";
  EXPECT_TRUE(ic->FileName.isEmpty()) << "Cancel clears the file name";
}

TEST_F(FileMenu, DialogsWithNothingRememberedStartInTheStartFolder) {
  const QString home = path("home");
  QDir().mkpath(home);
  const struct {
    QString start;  // empty: a portable copy, which starts in its program folder
    const char* action;
  } cases[] = {{{}, "mnuOpen"}, {home, "mnuOpen"}, {home, "mnuSAVE"}, {home, "mnuHexLoad"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.action);
    app->setStartFolder(c.start);
    ui.fileAnswers.push_back(std::nullopt);
    trigger(c.action);
    EXPECT_EQ(ui.requests.back().file.initialFolder, c.start.isEmpty() ? folder.path() : home);
    EXPECT_TRUE(setting("OpenIcon").empty() && setting("LoadIcon").empty() && setting("FavIcon").empty());
  }
}

TEST_F(FileMenu, TheEndingCountsAsAnIconInAnyLetterCase) {
  writeBytes("A.Ico", sampleIcon());
  ic->AutoFileOpen(path("A.Ico"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ic->statusPanel(2), "A.Ico");
  writeBytes("B.ICO", sampleIcon());
  ic->AutoFileOpen(path("B.ICO"));
  EXPECT_EQ(ic->statusPanel(2), "B.ICO");
}

TEST_F(FileMenu, ABitmapShowsItsPaletteAndNameLikeAnIcon) {
  // An icon first, so that stale colours or a stale name would show.
  writeBytes("first.ico", sampleIcon());
  ic->AutoFileOpen(path("first.ico"));
  Palette palette{};
  for (int i = 0; i < 16; ++i)
    palette[static_cast<std::size_t>(i)] = {0, static_cast<std::uint8_t>(i * 16), 90, 0};
  writeBytes("then.bmp", BuildBitmapFile(std::vector<std::uint8_t>(512, 0x34), 32, 32, palette));
  ic->AutoFileOpen(path("then.bmp"));
  EXPECT_EQ(ic->statusPanel(2), "then.bmp");
  EXPECT_EQ(pixel(0, 31), 3);
  for (int i = 0; i < 16; ++i) {
    SCOPED_TRACE(i);
    // The panel's swatch of entry i (left column 0..7, right column 8..15) shows the bitmap's colour.
    EXPECT_EQ(ic->client().getPixel(i < 8 ? 315 : 415, 287 + 25 * (i % 8)),
              static_cast<std::int64_t>(EntryColour(palette[static_cast<std::size_t>(i)])));
  }
}

TEST_F(FileMenu, RejectedFilesLeaveThePictureAndClearTheName) {
  setPixel(3, 3, 9);
  const Palette palette = state().IconPalette;
  std::vector<std::uint8_t> truncated = sampleIcon();
  truncated.resize(300);
  writeBytes("cut.ico", truncated);
  ic->AutoFileOpen(path("cut.ico"));
  EXPECT_TRUE(ic->FileName.isEmpty());
  EXPECT_EQ(pixel(3, 3), 9);

  // A bitmap that is too high: the message, and the palette is kept.
  std::vector<std::uint8_t> tall = BuildBitmapFile(std::vector<std::uint8_t>(512, 0x11), 20, 20, palette);
  tall[22] = 40;  // height field
  writeBytes("tall.BMP", tall);
  ic->AutoFileOpen(path("tall.BMP"));
  ASSERT_EQ(ui.messages.size(), 1);
  EXPECT_EQ(ui.messages[0], "高さが、32を超えています。");
  EXPECT_EQ(state().IconPalette, palette);
  EXPECT_EQ(pixel(3, 3), 9);
}

TEST_F(FileMenu, DropOpensTheFirstFile) {
  writeBytes("drop.ico", sampleIcon());
  ic->Form_OLEDragDrop({path("drop.ico"), path("other.ico")});
  EXPECT_EQ(ic->statusPanel(2), "drop.ico");
  EXPECT_TRUE(setting("OpenIcon").empty()) << "a drop stores no folder";
}

TEST_F(FileMenu, SaveIconWritesTheMaskFromTheTransparentColour) {
  setPixel(0, 0, 3);
  setPixel(31, 31, 3);
  setPixel(1, 0, 4);
  state().TransparentIndex = 3;
  ui.fileAnswers.push_back(path("pic"));
  trigger("mnuSAVE");
  const auto bytes = bytesOf("pic.ico");
  ASSERT_EQ(bytes.size(), 766u) << "saving as pic writes pic.ico";
  EXPECT_EQ(bytes[638 + 124], 0x80);
  EXPECT_EQ(bytes[638 + 3], 0x01);
  EXPECT_TRUE(ui.requests.back().file.askOverwrite);
  EXPECT_EQ(setting("LoadIcon"), folder.path().toStdString());

  // With the mask kept, the edited mask is written whatever the transparent colour is.
  ic->KeepMask = true;
  state().MaskGrid.fill(0);
  state().MaskGrid[5] = 1;
  ui.fileAnswers.push_back(path("kept.ICO"));
  trigger("mnuSAVE");
  const auto kept = bytesOf("kept.ICO");
  ASSERT_EQ(kept.size(), 766u) << "pic.ICO keeps its name";
  EXPECT_EQ(kept[638 + 124], 0x04);
  EXPECT_EQ(kept[638 + 3], 0x00);

  // Opaque: no transparent pixel at all.
  ic->KeepMask = false;
  ic->Opaque = true;
  ui.fileAnswers.push_back(path("opaque.ico"));
  trigger("mnuSAVE");
  const auto opaque = bytesOf("opaque.ico");
  ASSERT_EQ(opaque.size(), 766u);
  EXPECT_TRUE(std::all_of(opaque.begin() + 638, opaque.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST_F(FileMenu, FailedSaveSaysSoAndKeepsNothingHalfWritten) {
  ui.fileAnswers.push_back(path("missing-folder/pic.ico"));
  trigger("mnuSAVE");
  ASSERT_EQ(ui.messages.size(), 1);
  EXPECT_EQ(ui.messages[0], "Open できません。");
  EXPECT_FALSE(QFileInfo::exists(path("missing-folder/pic.ico")));
}

TEST_F(FileMenu, SixteenBySixteenSaveAndLoadKeepTheOtherQuarters) {
  for (int y = 16; y < 32; ++y)
    for (int x = 0; x < 16; ++x) setPixel(x, y, (x * y) % 16);
  state().TransparentIndex = 0;
  ui.fileAnswers.push_back(path("small"));
  trigger("mnuHexIcon");
  ASSERT_EQ(bytesOf("small.ico").size(), 318u);
  EXPECT_EQ(setting("FavIconSave"), folder.path().toStdString());

  trigger("mnuNew16");
  setPixel(20, 2, 7);  // upper right quarter: must survive the load
  ui.fileAnswers.push_back(path("small.ico"));
  trigger("mnuHexLoad");
  for (int y = 16; y < 32; ++y)
    for (int x = 0; x < 16; ++x) ASSERT_EQ(pixel(x, y), (x * y) % 16) << x << "," << y;
  EXPECT_EQ(pixel(20, 2), 7);
  EXPECT_EQ(pixel(20, 20), 15);
  EXPECT_EQ(ic->statusPanel(2), "small.ico");
  EXPECT_EQ(setting("FavIcon"), folder.path().toStdString());

  // A 32 x 32 icon has no 16 x 16 image: the message, nothing changes.
  writeBytes("big.ico", sampleIcon());
  ui.fileAnswers.push_back(path("big.ico"));
  trigger("mnuHexLoad");
  EXPECT_EQ(ui.messages.back(), "１６色でないか、または、サイズがことなります。");
  // A name without .ico is ignored without a message.
  const auto count = ui.messages.size();
  ui.fileAnswers.push_back(path("small.bmp"));
  trigger("mnuHexLoad");
  EXPECT_EQ(ui.messages.size(), count);
}

TEST_F(FileMenu, BitmapSaveAsksForTheSizeAndWritesIt) {
  for (int x = 0; x < 32; ++x) setPixel(x, 31, x % 16);
  ui.fileAnswers.push_back(path("pic"));
  // The size dialog is our own modal window: answer it the way a user would, once it is up.
  QTimer::singleShot(0, [this] {
    Form6* dialog = app->find<Form6>();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), dialog) << "the editor is blocked behind the dialog";
    EXPECT_TRUE(dialog->Option1[0]->isChecked()) << "both sizes 0: 32 x 32 preselected";
    QTest::mouseClick(dialog->Option1[4], Qt::LeftButton);
    EXPECT_TRUE(dialog->Combo1[0]->isEnabled());
    dialog->Combo1[0]->setEditText("20");
    dialog->Combo1[1]->setEditText("12");
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
  });
  trigger("mnuFBSAVE");
  EXPECT_EQ(state().BitmapHeight, 20);
  EXPECT_EQ(state().BitmapWidth, 12);
  const auto bytes = bytesOf("pic.bmp");
  ASSERT_EQ(bytes.size(), 118u + 8u * 20u) << "width 12: rows of 8 bytes";
  EXPECT_EQ(bytes[118], 0x01) << "bottom row first: pixels 0 and 1";
  EXPECT_EQ(setting("LoadBitmap"), folder.path().toStdString());

  // Reading it back gives the 12 x 20 picture in the lower-left corner.
  trigger("mnuNEW");
  ic->AutoFileOpen(path("pic.bmp"));
  EXPECT_EQ(pixel(11, 31), 11);
  EXPECT_EQ(pixel(12, 31), 0);
  EXPECT_EQ(state().BitmapWidth, 12);
}

TEST_F(FileMenu, FileDialogsAreTitledAfterTheirCommand) {
  trigger("mnuOpen");
  trigger("mnuSAVE");
  ASSERT_EQ(ui.requests.size(), 2u);
  EXPECT_EQ(ui.requests[0].file.title, "開く");
  EXPECT_EQ(ui.requests[1].file.title, "アイコンファイルを保存");
}

TEST_F(FileMenu, BitmapDialogPreselectsFromTheHeightAndCloseBoxKeepsSizes) {
  state().BitmapHeight = 24;
  state().BitmapWidth = 24;
  Form6* dialog = app->create<Form6>();
  EXPECT_TRUE(dialog->Option1[1]->isChecked());
  EXPECT_FALSE(dialog->Combo1[0]->isEnabled());
  dialog->close();
  EXPECT_EQ(state().BitmapHeight, 24);

  state().BitmapHeight = 13;
  state().BitmapWidth = 0;
  dialog = app->create<Form6>();
  EXPECT_TRUE(dialog->Option1[4]->isChecked());
  EXPECT_EQ(dialog->Combo1[0]->currentText(), "13");
  EXPECT_EQ(dialog->Combo1[0]->count(), 22) << "10 to 31";
  dialog->Combo1[0]->setEditText("zz");
  QTest::mouseClick(dialog->Command1, Qt::LeftButton);
  EXPECT_EQ(state().BitmapHeight, 0) << "text that is not a number reads as 0";
}

// Sends messages over the real socket and waits until the editor has handled them.
class Channel : public AppFixture {
 protected:
  void send(const std::vector<ChannelMessage>& messages) {
    QByteArray bytes;
    for (const ChannelMessage& m : messages) bytes += EncodeMessage(m);
    sendBytes(bytes);
  }
  void sendBytes(const QByteArray& bytes) {
    QLocalSocket socket;
    socket.connectToServer(folder.filePath("channel.sock"));
    ASSERT_TRUE(socket.waitForConnected(2000)) << socket.errorString().toStdString();
    socket.write(bytes);
    socket.flush();
    socket.waitForBytesWritten(2000);
    socket.disconnectFromServer();
    for (int i = 0; i < 50; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  std::vector<ChannelMessage> name(const QString& text) {
    std::vector<ChannelMessage> out;
    for (char32_t c : text.toUcs4()) out.push_back({811, 0, static_cast<std::int32_t>(c)});
    return out;
  }
  std::vector<std::uint8_t> exchangeFile(int size, std::uint8_t packedByte) {
    std::vector<std::uint8_t> bytes(578 + static_cast<std::size_t>(size) * 4, 0);
    bytes[0] = static_cast<std::uint8_t>(size);
    bytes[2 + 4 * 5 + 2] = 200;  // entry 5 red
    for (int i = 0; i < size * size / 2; ++i) bytes[66 + static_cast<std::size_t>(i)] = packedByte;
    bytes[578] = 0x80;  // bottom-left pixel transparent
    return bytes;
  }
};

TEST_F(Channel, BeginAppendAndLoad) {
  ASSERT_TRUE(ic->isListening());
  const QString file = folder.filePath("交換.dat");
  ASSERT_TRUE(WriteFileAtomically(file.toStdString(), exchangeFile(32, 0x52)));
  std::vector<ChannelMessage> messages = {{810, 0, 0}};
  for (const auto& m : name(file)) messages.push_back(m);
  messages.push_back({812, 0, 0});
  send(messages);
  EXPECT_EQ(ic->receivedFileName(), file);
  EXPECT_EQ(pixel(0, 31), 5);
  EXPECT_EQ(pixel(1, 31), 2);
  EXPECT_EQ(state().IconPalette[5].red, 200);
  EXPECT_EQ(state().MaskGrid[31 * 32 + 0], 1);
  EXPECT_TRUE(ic->FileName.isEmpty()) << "the protocol leaves the file name alone";

  // 812 alone loads the same file again.
  setPixel(0, 31, 9);
  send({{812, 0, 0}});
  EXPECT_EQ(pixel(0, 31), 5);
}

TEST_F(Channel, SixteenBySixteenExchangeFillsTheRestWith15) {
  const QString file = folder.filePath("x16.dat");
  ASSERT_TRUE(WriteFileAtomically(file.toStdString(), exchangeFile(16, 0x33)));
  std::vector<ChannelMessage> messages = {{810, 0, 0}};
  for (const auto& m : name(file)) messages.push_back(m);
  messages.push_back({812, 0, 0});
  send(messages);
  EXPECT_EQ(pixel(0, 31), 3);
  EXPECT_EQ(pixel(15, 16), 3);
  EXPECT_EQ(pixel(16, 31), 15);
  EXPECT_EQ(pixel(0, 0), 15);
}

TEST_F(Channel, APictureFileHandedOverOpensLikeTheOpenCommand) {
  // What a second `pictoforge FILE` sends to the editor that is already running.
  std::array<std::uint8_t, kPackedSize> packed{};
  packed.fill(0x7A);
  Palette palette{};
  palette[10] = {1, 2, 3, 0};
  const QString file = folder.filePath("渡す.ico");
  ASSERT_TRUE(WriteFileAtomically(file.toStdString(),
                                  BuildIcon32(palette, packed, std::array<std::uint8_t, kMaskSize>{})));
  sendBytes(FileNameMessages(file, kNameIsPictureFile));
  EXPECT_EQ(ic->FileName, file);
  EXPECT_EQ(pixel(0, 31), 7);
  EXPECT_EQ(pixel(1, 0), 10);
  EXPECT_EQ(state().IconPalette[10].red, 3);
}

TEST_F(Channel, AFileHandedOverToAHiddenEditorBringsItBackIntoView) {
  std::array<std::uint8_t, kPackedSize> packed{};
  packed.fill(0x7A);
  const QString icon = folder.filePath("hidden.ico");
  ASSERT_TRUE(WriteFileAtomically(icon.toStdString(),
                                  BuildIcon32(Palette{}, packed, std::array<std::uint8_t, kMaskSize>{})));
  const QString exchange = folder.filePath("hidden.dat");
  ASSERT_TRUE(WriteFileAtomically(exchange.toStdString(), exchangeFile(32, 0x52)));

  // `pictoforge FILE` hands over a picture file, pictoforge-send an exchange file; the editor is hidden
  // by a layout, or by the full colour part, whose windows stay open.
  const struct {
    QString file;
    std::int32_t kind;
    bool fullColour;
    int leftPixel;
  } cases[] = {{icon, kNameIsPictureFile, false, 7},
               {exchange, kNameIsExchangeFile, false, 5},
               {icon, kNameIsPictureFile, true, 7},
               {exchange, kNameIsExchangeFile, true, 5}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toStdString() + (c.fullColour ? " / full colour part open" : " / layout"));
    setPixel(0, 31, 0);
    if (c.fullColour) {
      trigger("mnuFullColIcon");
    } else {
      ic->setEditorVisible(false);
    }
    ASSERT_FALSE(ic->isVisible());
    sendBytes(FileNameMessages(c.file, c.kind));
    EXPECT_TRUE(ic->isVisible());
    EXPECT_EQ(pixel(0, 31), c.leftPixel);
    if (c.fullColour) {
      Form18* photo = app->find<Form18>();
      ASSERT_NE(photo, nullptr);
      EXPECT_TRUE(photo->isVisible());
      photo->mnuEND_Click();
    }
  }
}

TEST_F(Channel, AppendWithoutBeginAndBadInputChangeNothingHarmful) {
  send({{810, 0, 0}, {811, 0, 'a'}});
  send({{811, 0, 'b'}, {811, 0, -5}, {811, 0, 0xD800}, {811, 0, 0x110000}, {999, 1, 2}});
  EXPECT_EQ(ic->receivedFileName(), "ab") << "811 without 810 appends; invalid code points append nothing";
  setPixel(1, 1, 4);
  send({{812, 0, 0}});  // "ab" is no exchange file
  EXPECT_EQ(pixel(1, 1), 4);
  // A short, malformed stream is dropped without harm.
  QLocalSocket socket;
  socket.connectToServer(folder.filePath("channel.sock"));
  ASSERT_TRUE(socket.waitForConnected(2000));
  socket.write(QByteArray("\x2a\x03\x00", 3));
  socket.flush();
  socket.disconnectFromServer();
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(ic->receivedFileName(), "ab");
  EXPECT_TRUE(ic->isListening());
}

// Every way of opening a 16-colour picture decides the reader alike: by the file's own name in any letter
// case, never a folder's, and by the first bytes where the name says nothing.
TEST_F(Channel, EveryOpenDecidesTheReaderByTheFilesOwnNameOrItsBytes) {
  std::array<std::uint8_t, kPackedSize> packed{};
  packed.fill(0x6C);
  Palette palette{};
  palette[6] = {10, 20, 30, 0};
  const std::vector<std::uint8_t> icon = BuildIcon32(palette, packed, std::array<std::uint8_t, kMaskSize>{});
  const std::vector<std::uint8_t> bitmap = BuildBitmapFile(packed, 32, 32, palette);
  QDir().mkpath(folder.filePath("my.icons"));
  QDir().mkpath(folder.filePath(".icons"));
  const struct {
    const char* name;
    const std::vector<std::uint8_t>& bytes;
    bool opens;
    const char* message = nullptr;  // what a refusal says; a failed read says nothing and forgets the name
  } cases[] = {
      {"face.Ico", icon, true},
      {"FACE.ICO", icon, true},
      {"x.Bmp", bitmap, true},
      {".icons/face.bmp", bitmap, true},
      {"my.icons/face.bmp", bitmap, true},
      {"x.ico.bmp", bitmap, true},
      {"noending", icon, true},
      {"noending2", bitmap, true},
      {"face.png", bitmap, true},
      {"face.ico.bak", icon, true},
      {"face.ico", bitmap, false},
      {"text.txt", {'h', 'i'}, false, "読み込めるデータではありません。"},
  };
  enum Way { Open, Drop, Handed, List };
  for (const Way way : {Open, Drop, Handed, List}) {
    for (const auto& c : cases) {
      const QString file = folder.filePath(QString::fromUtf8(c.name));
      const QString shown = QFileInfo(file).fileName();
      // The file list shows only names ending in .ico or .bmp.
      if (way == List && !shown.endsWith(".ico", Qt::CaseInsensitive) &&
          !shown.endsWith(".bmp", Qt::CaseInsensitive))
        continue;
      SCOPED_TRACE(std::string(c.name) + " way " + std::to_string(way));
      ASSERT_TRUE(WriteFileAtomically(file.toStdString(), c.bytes));
      setPixel(0, 31, 0);
      ic->FileName = "before.ico";
      ui.messages.clear();
      if (way == List) {
        app->settings.WriteSetting("DIR", "Input", QFileInfo(file).absolutePath().toStdString());
        Form16* list = app->single<Form16>();
        auto* files = list->findChild<QListWidget*>(QStringLiteral("File1"));
        const QList<QListWidgetItem*> found = files->findItems(shown, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        files->setCurrentItem(found.front());
        EXPECT_EQ(list->findChild<QLineEdit*>(QStringLiteral("Text1"))->text(), c.opens ? "OK" : "表示不可");
        list->mnuEND_Click();
        QFile::remove(file);
        continue;
      }
      if (way == Open) {
        ui.fileAnswers.push_back(file);
        trigger("mnuOpen");
      } else if (way == Drop) {
        ic->Form_OLEDragDrop({file});
      } else {
        sendBytes(FileNameMessages(file, kNameIsPictureFile));
      }
      EXPECT_EQ(pixel(0, 31), c.opens ? 6 : 0);
      if (c.opens) {
        EXPECT_EQ(ic->FileName, file);
        EXPECT_EQ(ic->statusPanel(2), shown);
        EXPECT_TRUE(ui.messages.empty());
      } else if (c.message) {
        EXPECT_EQ(ui.messages, QStringList{QString::fromUtf8(c.message)});
      } else {
        EXPECT_TRUE(ic->FileName.isEmpty());
      }
      QFile::remove(file);
    }
  }
}

}  // namespace
}  // namespace pf
