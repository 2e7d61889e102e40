// pictoforge-convert making whole icon files (--format icon-set, --sizes, --add) and indexed PNGs.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "model/file_io.h"
#include "model/full_colour_icon.h"
#include "model/icon_directory.h"
#include "model/icon_file.h"
#include "model/indexed_picture.h"

namespace pf {
namespace {

using Bytes = std::vector<std::uint8_t>;

class IconSet : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  Bytes bytesOf(const QString& name) const {
    return ReadWholeFile(path(name).toStdString()).value_or(Bytes{});
  }
  int run(QStringList arguments) const {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(PF_CONVERT_TOOL), arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  }
  // A 60 x 60 picture: its left third transparent, the rest three colours in bands.
  void writePicture(const QString& name) const {
    QImage image(60, 60, QImage::Format_ARGB32);
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 60; ++x)
        image.setPixel(x, y, x < 20 ? 0u : qRgb(200 * (y / 20 == 0), 150, 80 * (y / 20)));
    ASSERT_TRUE(image.save(path(name)));
  }
  std::vector<IconImageKind> kinds(const QString& name) const {
    std::vector<IconImageKind> out;
    for (const IconEntry& e : ReadIconEntries(bytesOf(name)).value_or(std::vector<IconEntry>{}))
      out.push_back(KindOfEntry(e));
    return out;
  }
  QTemporaryDir dir;
};

constexpr IconImageKind kPng256{256, 0, true};

TEST_F(IconSet, EverySizeInOneFileEachImageAsItsOwnFormatMakesIt) {
  writePicture("p.png");
  ASSERT_EQ(run({"p.png", "--format", "icon-set", "--transparent", "4", "-o", "set.ico"}), 0);
  EXPECT_EQ(kinds("set.ico"),
            (std::vector<IconImageKind>{kPng256, FullColourKind(48), kFourBitIcon32, FullColourKind(32),
                                        kFourBitIcon16, FullColourKind(16)}));
  // The 4-bit images are those ico and ico16 make of the picture, byte for byte.
  ASSERT_EQ(run({"p.png", "--format", "ico", "--transparent", "4", "-o", "a.ico"}), 0);
  ASSERT_EQ(run({"p.png", "--format", "ico16", "--transparent", "4", "-o", "b.ico"}), 0);
  const std::vector<IconEntry> set = *ReadIconEntries(bytesOf("set.ico"));
  EXPECT_EQ(set[2].image, SingleImageOf(bytesOf("a.ico"))->image);
  EXPECT_EQ(set[4].image, SingleImageOf(bytesOf("b.ico"))->image);

  // The full colour images take their masks from the alpha; the 256 PNG keeps it.
  QImage png256;
  ASSERT_TRUE(png256.loadFromData(set[0].image.data(), static_cast<int>(set[0].image.size()), "PNG"));
  EXPECT_EQ(qAlpha(png256.pixel(10, 100)), 0);
  EXPECT_EQ(qAlpha(png256.pixel(200, 100)), 255);
  const std::uint8_t* mask48 = set[1].image.data() + 40 + 48 * 48 * 3;  // 8 bytes a row, bottom first
  EXPECT_EQ(mask48[8 * 24] & 0x80, 0x80) << "left is transparent";
  EXPECT_EQ(mask48[8 * 24 + 5], 0) << "right is opaque";

  ASSERT_EQ(run({"p.png", "--format", "icon-set", "--sizes", "256,32", "-o", "two.ico"}), 0);
  EXPECT_EQ(kinds("two.ico"), (std::vector<IconImageKind>{kPng256, kFourBitIcon32, FullColourKind(32)}));
  ASSERT_EQ(run({"p.png", "--format=icon-set", "--sizes=48", "-o", "one.ico"}), 0);
  EXPECT_EQ(kinds("one.ico"), (std::vector<IconImageKind>{FullColourKind(48)}));

  for (const QStringList& bad : {QStringList{"--format", "icon-set", "--sizes", "0"},
                                 QStringList{"--format", "icon-set", "--sizes", "16,300"},
                                 QStringList{"--format", "icon-set", "--sizes", "16,16"},
                                 QStringList{"--format", "icon-set", "--sizes", "a"},
                                 QStringList{"--format", "ico", "--sizes", "16"}}) {
    EXPECT_EQ(run(bad + QStringList{"p.png", "-o", "bad.ico"}), 2) << bad.join(' ').toStdString();
  }
}

TEST_F(IconSet, AddPutsTheImagesIntoTheFileThereAndKeepsTheOthers) {
  writePicture("p.png");
  Palette palette{};
  palette[1] = {10, 20, 30, 0};
  const Bytes sixteen = BuildIcon16(Bytes(1024, 1), palette, -1);
  const Bytes big = BuildFullColourIcon(Bytes(3 * 4096, 0x42), Bytes(512, 0), 64);
  const Bytes there = PutIconImages({}, {sixteen, big});
  ASSERT_TRUE(WriteFileAtomically(path("face.ico").toStdString(), there));
  const std::vector<IconEntry> before = *ReadIconEntries(there);

  // One image added: the two there are kept byte for byte.
  ASSERT_EQ(run({"p.png", "--add", "-o", "face.ico"}), 0);
  std::vector<IconEntry> after = *ReadIconEntries(bytesOf("face.ico"));
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0].image, before[0].image);
  EXPECT_EQ(KindOfEntry(after[1]), kFourBitIcon32);
  EXPECT_EQ(after[2].image, before[1].image);

  // A set: the 4-bit 16 and 32 replaced, the 64 kept, the rest added.
  ASSERT_EQ(run({"p.png", "--format", "icon-set", "--add", "-o", "face.ico"}), 0);
  after = *ReadIconEntries(bytesOf("face.ico"));
  EXPECT_EQ(after.size(), 7u);
  EXPECT_EQ(after[1].image, before[0].image) << "the 64 behind the 256";
  EXPECT_EQ(kinds("face.ico")[5], kFourBitIcon16);
  EXPECT_NE(after[5].image, before[1].image);

  // A file that is no icon is left alone, unless --force replaces it; formats that are no icon refuse.
  ASSERT_TRUE(WriteFileAtomically(path("notes.ico").toStdString(), Bytes{'h', 'i'}));
  EXPECT_EQ(run({"p.png", "--add", "-o", "notes.ico"}), 1);
  EXPECT_EQ(bytesOf("notes.ico"), (Bytes{'h', 'i'}));
  EXPECT_EQ(run({"p.png", "--add", "--force", "-o", "notes.ico"}), 0);
  EXPECT_EQ(bytesOf("notes.ico").size(), kIcon32FileSize);
  EXPECT_EQ(run({"p.png", "--add", "--format", "bmp", "-o", "x.bmp"}), 2) << "a usage error";
  EXPECT_EQ(run({"p.png", "--add", "-o", "fresh.ico"}), 0) << "--add makes a file that is not there";
  EXPECT_EQ(bytesOf("fresh.ico").size(), kIcon32FileSize);
}

TEST_F(IconSet, PngIsTheSixteenColourResultWithItsPalette) {
  writePicture("p.png");
  ASSERT_EQ(run({"p.png", "--transparent", "2", "-o", "a.png"}), 0) << ".png means png";
  ASSERT_EQ(run({"p.png", "--transparent", "2", "--format", "png16", "-o", "b.png"}), 0);
  ASSERT_EQ(run({"p.png", "--transparent", "2", "-o", "a.ico"}), 0);
  Palette palette{};
  std::array<std::uint8_t, kPackedSize> packed{};
  std::array<std::uint8_t, kMaskSize> mask{};
  auto headers = std::make_unique<SharedState>();
  ASSERT_EQ(ParseIcon32(bytesOf("a.ico"), {palette, packed, mask, *headers}), IconReadStatus::Ok);
  // From the picture's alpha by default: its clear pixels take an entry of their own, the PNG's transparency.
  ASSERT_EQ(run({"p.png", "-o", "c.png"}), 0);
  const QImage fromAlpha(path("c.png"));
  ASSERT_EQ(fromAlpha.colorCount(), 16);
  EXPECT_EQ(qAlpha(fromAlpha.pixel(0, 30)), 0);
  EXPECT_EQ(qAlpha(fromAlpha.pixel(31, 30)), 255);

  for (const auto& [name, edge] : {std::pair{"a.png", 32}, std::pair{"b.png", 16}}) {
    const QImage png(path(name));
    ASSERT_EQ(png.format(), QImage::Format_Indexed8) << name;
    EXPECT_EQ(png.size(), QSize(edge, edge));
    ASSERT_EQ(png.colorCount(), 16);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(qAlpha(png.color(i)), i == 2 ? 0 : 255) << i;
    if (edge == 32) {
      for (int i = 0; i < 16; ++i) EXPECT_EQ(qRed(png.color(i)), palette[static_cast<std::size_t>(i)].red);
      for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
          const std::uint8_t byte = packed[static_cast<std::size_t>(16 * (31 - y) + x / 2)];
          ASSERT_EQ(png.pixelIndex(x, y), x % 2 ? byte & 15 : byte >> 4) << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace pf
