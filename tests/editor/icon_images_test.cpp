// Whole icon files from the windows: every icon save changes only its own image of a file and says so
// before it does, and the editor writes and reads PNG.
#include <QAction>
#include <QImage>
#include <functional>

#include "fullcolour/full_colour_window.h"
#include "fullcolour/reduction_window.h"
#include "model/file_io.h"
#include "model/full_colour_icon.h"
#include "model/icon_directory.h"
#include "model/icon_file.h"
#include "model/icon_test_support.h"
#include "model/indexed_picture.h"
#include "support/app_fixture.h"
#include "tools/mask_setting.h"

namespace pf {
namespace {

using Bytes = std::vector<std::uint8_t>;

class WholeIconSaves : public testing::AppFixture {
 protected:
  QString path(const QString& name) { return folder.filePath(name); }
  Bytes bytesOf(const QString& name) { return ReadWholeFile(path(name).toStdString()).value_or(Bytes{}); }
  void writeBytes(const QString& name, const Bytes& b) {
    ASSERT_TRUE(WriteFileAtomically(path(name).toStdString(), b));
  }
  // Saves under `name`, answering the overwrite question Yes; the question asked, if any.
  QString saveAs(const std::function<void()>& save, const QString& name) {
    ui.requests.clear();
    ui.fileAnswers = {path(name)};
    ui.yesNoAnswers = {true};
    save();
    for (const auto& r : ui.requests)
      if (r.kind == "yesno") return r.text;
    return {};
  }
};

// An icon of seven images, one of every kind the windows save and a PNG, each of its own bytes.
Bytes SevenImages() {
  Palette palette{};
  for (int i = 0; i < 16; ++i) palette[static_cast<std::size_t>(i)] = {std::uint8_t(9 * i), 40, 200, 0};
  const Bytes rgba(4 * 256 * 256, 0x7F);
  const std::vector<Bytes> singles = {
      BuildIcon32(palette, Bytes(512, 0x12), Bytes(128, 0x01)),
      BuildIcon16(Bytes(1024, 7), palette, 7),
      BuildFullColourIcon(Bytes(3 * 1024, 0x33), Bytes(128, 0), 32),
      BuildFullColourIcon(Bytes(3 * 4096, 0x44), Bytes(512, 0), 64),
      BuildFullColourIconOfEdge(Bytes(3 * 256, 0x55), Bytes(32, 0), 16),
      BuildFullColourIconOfEdge(Bytes(3 * 48 * 48, 0x66), Bytes(6 * 48, 0), 48),
      BuildPngIconFile(EncodeRgbaPng(rgba, 256, 256), 256),
  };
  return PutIconImages({}, singles);
}

TEST_F(WholeIconSaves, EverySaveKeepsTheOtherImagesAndSaysSo) {
  struct Row {
    const char* name;
    std::function<void()> save;
    IconImageKind kind;
    std::size_t newSize;
  };
  const Row rows[] = {
      {"アイコンファイルを保存", [this] { trigger("mnuSAVE"); }, kFourBitIcon32, 766},
      {"１６×１６ドットアイコンとして保存", [this] { trigger("mnuHexIcon"); }, kFourBitIcon16, 318},
      {"マスク処理 保存", command<Form11>("mnuSAVE"), kFourBitIcon32, 766},
      {"マスク処理 １６ドットアイコン保存", command<Form11>("mnuBS16"), kFourBitIcon16, 318},
      {"フルカラーアイコンを保存", command<Form20>("mnuSave"), FullColourKind(32), 3262},
      {"取得画像 フルカラーアイコン", command<Form13>("mnuFULLCOLOR"), FullColourKind(32), 3262},
      {"取得画像 フルカラー１６ドット保存", command<Form13>("mnuHexFul"), FullColourKind(16), 894},
  };
  const Bytes seven = SevenImages();
  const std::vector<IconEntry> sevenEntries = *ReadIconEntries(seven);
  const Bytes pngOnly = BuildPngIconFile(EncodeRgbaPng(Bytes(4 * 256 * 256, 0x7F), 256, 256), 256);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // A new file, then the same file again: the plain question, and the file as it always was.
    QFile::remove(path("new.ico"));
    EXPECT_EQ(saveAs(row.save, "new.ico"), "");
    const Bytes fresh = bytesOf("new.ico");
    EXPECT_EQ(fresh.size(), row.newSize);
    EXPECT_EQ(saveAs(row.save, "new.ico"), "new.ico は既に存在します。\n上書きしますか?");
    EXPECT_EQ(bytesOf("new.ico"), fresh);

    writeBytes("face.ico", seven);
    EXPECT_EQ(saveAs(row.save, "face"),
              "face.ico には他の画像が 6 "
              "個あります。\nこの画像だけを置き換え、他の画像はそのまま残します。よろしいですか?");
    const auto after = ReadIconEntries(bytesOf("face.ico"));
    ASSERT_TRUE(after);
    ASSERT_EQ(after->size(), 7u);
    int changed = 0;
    for (const IconEntry& e : *after) {
      const bool same = std::any_of(sevenEntries.begin(), sevenEntries.end(),
                                    [&](const IconEntry& s) { return s.image == e.image; });
      if (!same) {
        ++changed;
        EXPECT_EQ(KindOfEntry(e), row.kind);
        EXPECT_EQ(e.image, SingleImageOf(fresh)->image) << "the image the save writes into a new file";
      }
    }
    EXPECT_EQ(changed, 1);

    writeBytes("big.ico", pngOnly);
    EXPECT_EQ(
        saveAs(row.save, "big.ico"),
        "big.ico には他の画像が 1 個あります。\nこの画像を加え、他の画像はそのまま残します。よろしいですか?");
    EXPECT_EQ(ReadIconEntries(bytesOf("big.ico"))->size(), 2u);

    // No: the dialog comes back, and the file stays as it was.
    writeBytes("face.ico", seven);
    ui.fileAnswers = {path("face.ico")};
    ui.yesNoAnswers = {false};
    row.save();
    EXPECT_EQ(bytesOf("face.ico"), seven);
  }
}

TEST_F(WholeIconSaves, PngSavesReadBackExactly) {
  for (int i = 0; i < kPixelCount; ++i)
    state().IconPixels[static_cast<std::size_t>(i)] = std::uint8_t((i * 7 + i / 32) % 16);
  for (int i = 0; i < 16; ++i)
    state().IconPalette[static_cast<std::size_t>(i)] = {std::uint8_t(i * 16), std::uint8_t(255 - i), 90, 0};
  state().TransparentIndex = 3;
  const PixelArray pixels = state().IconPixels;
  const Palette palette = state().IconPalette;

  ui.fileAnswers = {path("pic")};
  trigger("mnuPNG32");
  EXPECT_EQ(ui.requests.back().file.filter, "PNG(*.png)|*.png");
  ui.fileAnswers = {path("small.png")};
  trigger("mnuPNG16");
  const QImage written(path("pic.png"));
  ASSERT_EQ(written.format(), QImage::Format_Indexed8) << "pic typed, pic.png written";
  EXPECT_EQ(written.colorCount(), 16);

  state().IconPixels.fill(0);
  state().IconPalette = Palette{};
  state().TransparentIndex = 0;
  ic->AutoFileOpen(path("pic.png"));
  EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join("|").toStdString();
  EXPECT_EQ(state().IconPixels, pixels);
  EXPECT_EQ(state().IconPalette, palette);
  EXPECT_EQ(state().TransparentIndex, 3) << "the PNG's transparent entry is the transparent colour";
  EXPECT_EQ(ic->statusPanel(3), "透明色=3");
  EXPECT_EQ(state().MaskGrid[0], pixel(0, 0) == 3 ? 1 : 0);
  for (int i = 0; i < kPixelCount; ++i) {
    const int row = i / 32, column = i % 32;
    ASSERT_EQ(state().MaskGrid[static_cast<std::size_t>(i)], pixel(column, row) == 3 ? 1 : 0) << i;
  }

  ic->Form_OLEDragDrop({path("small.png")});
  for (int row = 0; row < 32; ++row) {
    for (int column = 0; column < 32; ++column) {
      const std::size_t at = static_cast<std::size_t>((31 - row) * 32 + column);
      ASSERT_EQ(pixel(column, row), row >= 16 && column < 16 ? pixels[at] : 0) << column << "," << row;
    }
  }
}

TEST_F(WholeIconSaves, PicturesTooLargeOrOfTooManyColoursPointToThePhotoWindow) {
  QImage large(40, 20, QImage::Format_RGB32);
  large.fill(Qt::red);
  ASSERT_TRUE(large.save(path("large.png")));
  QImage colourful(32, 32, QImage::Format_RGB32);
  for (int i = 0; i < 32 * 32; ++i) colourful.setPixel(i % 32, i / 32, qRgb(i % 17, 0, 0));
  ASSERT_TRUE(colourful.save(path("colourful.PNG")));
  setPixel(4, 4, 9);
  for (const char* name : {"large.png", "colourful.PNG"}) {
    ui.messages.clear();
    ic->AutoFileOpen(path(name));
    ASSERT_EQ(ui.messages.size(), 1) << name;
    EXPECT_EQ(ui.messages[0],
              "32×32ドット・16色までの画像ではありません。\n写真加工（フルカラー→４bit処理）でアイコンにでき"
              "ます。");
    EXPECT_EQ(pixel(4, 4), 9) << "the picture is left as it was";
    EXPECT_TRUE(ic->FileName.isEmpty());
  }
}

TEST_F(WholeIconSaves, AGifOfImageMagickOpensWithItsColours) {
  if (!QFile::exists("/usr/bin/convert"))
    PF_SKIP_CROSS_CHECK("ImageMagick is not installed (Debian package imagemagick)");
  QImage picture(20, 10, QImage::Format_ARGB32);
  // Two transparent columns, then five colours.
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) picture.setPixel(x, y, x < 2 ? 0u : qRgb(40 * (x % 5), 30, 200));
  ASSERT_TRUE(picture.save(path("p.png")));
  const std::string command =
      "/usr/bin/convert '" + path("p.png").toStdString() + "' '" + path("p.gif").toStdString() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  ic->AutoFileOpen(path("p.gif"));
  ASSERT_TRUE(ui.messages.isEmpty()) << ui.messages.join("|").toStdString();
  // Rows 22..31 hold the picture; its two left columns are transparent.
  EXPECT_EQ(state().MaskGrid[22 * 32 + 0], 1);
  EXPECT_EQ(state().MaskGrid[22 * 32 + 2], 0);
  EXPECT_EQ(pixel(0, 25), state().TransparentIndex);
  for (int x = 2; x < 20; ++x)
    EXPECT_EQ(EntryColour(state().IconPalette[pixel(x, 25)]), Rgb(40 * (x % 5), 30, 200)) << x;
}

}  // namespace
}  // namespace pf
