// pictoforge-convert as a user runs it: with no display, on batches with a bad file among good ones, and
// with the command lines it must refuse.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <random>

#include "convert.h"
#include "model/colour_reduction.h"
#include "model/file_io.h"
#include "model/full_colour_icon.h"
#include "model/icon_file.h"
#include "model/packing.h"
#include "model/palette_set.h"

namespace pf::convert {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Finished {
  int status = -1;
  QStringList errorLines;
};

class Convert : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  Bytes bytesOf(const QString& name) const {
    return ReadWholeFile(path(name).toStdString()).value_or(Bytes{});
  }
  // Runs the command with no window system at all: no display, no platform plugin asked for.
  Finished run(const QStringList& arguments) const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      env.remove(QLatin1String(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir.path());
    p.start(QStringLiteral(PF_CONVERT_TOOL), arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    Finished r;
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.errorLines = QString::fromUtf8(p.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return r;
  }
  // A picture of random colours of a few kinds, saved as PNG; its pixels, rows from the top.
  std::vector<PaletteEntry> randomPicture(const QString& name, int w, int h, std::mt19937& rng) {
    std::uniform_int_distribution<int> byte(0, 255);
    const int kind = byte(rng) % 3;
    const QRgb a = qRgb(byte(rng), byte(rng), byte(rng));
    const QRgb b = qRgb(byte(rng), byte(rng), byte(rng));
    QImage image(w, h, QImage::Format_RGB32);
    std::vector<PaletteEntry> pixels;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        QRgb c = qRgb(byte(rng), byte(rng), byte(rng));
        if (kind == 1) c = (x * x + y * y < 300) ? a : qRgb(qRed(b), (qGreen(b) + 4 * y) % 256, qBlue(b));
        if (kind == 2)
          c = qRgb((qRed(a) + 7 * x) % 256, (qGreen(a) + 5 * y) % 256, (byte(rng) & 63) + qBlue(b) / 2);
        image.setPixel(x, y, c);
        pixels.push_back({std::uint8_t(qBlue(c)), std::uint8_t(qGreen(c)), std::uint8_t(qRed(c)), 0});
      }
    }
    EXPECT_TRUE(image.save(path(name), "PNG"));
    return pixels;
  }
  // The 32 x 32 picture of a 16-colour icon file as colours, rows from the top.
  std::vector<PaletteEntry> iconColours(const QString& name) {
    const Bytes bytes = bytesOf(name);
    Palette palette{};
    std::array<std::uint8_t, kPackedSize> packed{};
    std::array<std::uint8_t, kMaskSize> mask{};
    auto headers = std::make_unique<SharedState>();
    EXPECT_EQ(ParseIcon32(bytes, {palette, packed, mask, *headers}), IconReadStatus::Ok)
        << name.toStdString();
    PixelArray pixels{};
    UnpackPixels32(packed, pixels);
    std::vector<PaletteEntry> out;
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x)
        out.push_back(palette[pixels[static_cast<std::size_t>((31 - y) * 32 + x)]]);
    }
    return out;
  }

  QTemporaryDir dir;
};

std::int64_t Error(const std::vector<PaletteEntry>& a, const std::vector<PaletteEntry>& b) {
  std::int64_t sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const int r = a[i].red - b[i].red, g = a[i].green - b[i].green, bl = a[i].blue - b[i].blue;
    sum += r * r + g * g + bl * bl;
  }
  return sum;
}

TEST_F(Convert, BatchWithABrokenFileDoesTheRestAndSaysWhichFailed) {
  std::mt19937 rng(1);
  randomPicture("a.png", 32, 32, rng);
  QFile broken(path("b.jpg"));
  ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
  broken.write("\xFF\xD8\xFF\xE0 not really a JPEG");
  broken.close();
  randomPicture("c.png", 300, 200, rng);
  const Finished r = run({QStringLiteral("a.png"), QStringLiteral("b.jpg"), QStringLiteral("c.png"),
                          QStringLiteral("-o"), QStringLiteral("out")});
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(r.errorLines.size(), 1) << r.errorLines.join(QLatin1Char('\n')).toStdString();
  EXPECT_TRUE(r.errorLines[0].startsWith(QStringLiteral("b.jpg: "))) << r.errorLines[0].toStdString();
  EXPECT_EQ(bytesOf(QStringLiteral("out/a.ico")).size(), kIcon32FileSize);
  EXPECT_EQ(bytesOf(QStringLiteral("out/c.ico")).size(), kIcon32FileSize);
  EXPECT_FALSE(QFile::exists(path(QStringLiteral("out/b.ico"))));

  // Finished again: every output exists and is refused, one line each, until --force.
  const Finished again =
      run({QStringLiteral("a.png"), QStringLiteral("c.png"), QStringLiteral("-o"), QStringLiteral("out")});
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.errorLines.size(), 2);
  const Finished forced =
      run({QStringLiteral("a.png"), QStringLiteral("c.png"), QStringLiteral("-o"), QStringLiteral("out"),
           QStringLiteral("--force"), QStringLiteral("--jobs"), QStringLiteral("1")});
  EXPECT_EQ(forced.status, 0);
  EXPECT_TRUE(forced.errorLines.isEmpty());
}

TEST_F(Convert, EachFormatHasItsLayoutAndFitKeepsTheWholePicture) {
  // 64 x 32, red left half, blue right half: fitted into a square it fills rows 8 to 23.
  QImage wide(64, 32, QImage::Format_RGB32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 64; ++x) wide.setPixel(x, y, x < 32 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
  }
  ASSERT_TRUE(wide.save(path("wide.bmp"), "BMP"));
  const struct {
    const char* format;
    std::size_t size;
  } cases[] = {{"ico", 766},    {"ico16", 318}, {"bmp", 118 + 16 * 32}, {"fc32", 3262},
               {"fc64", 12862}, {"fc16", 894},  {"exchange", 706}};
  for (const auto& c : cases) {
    const QString out = QStringLiteral("wide-%1").arg(QLatin1String(c.format));
    ASSERT_EQ(run({QStringLiteral("--format"), QLatin1String(c.format), QStringLiteral("wide.bmp"),
                   QStringLiteral("-o"), out})
                  .status,
              0)
        << c.format;
    EXPECT_EQ(bytesOf(out).size(), c.size) << c.format;
  }
  auto headers = std::make_unique<SharedState>();
  const std::optional<FullColourIcon> icon =
      ReadFullColourIcon(bytesOf(QStringLiteral("wide-fc32")), *headers);
  ASSERT_TRUE(icon);
  const auto at = [&icon](int x, int y) {  // red, green, blue; y from the top
    const std::size_t i = 3 * static_cast<std::size_t>((31 - y) * 32 + x);
    return std::array<int, 3>{icon->pixels[i + 2], icon->pixels[i + 1], icon->pixels[i]};
  };
  EXPECT_EQ(at(3, 7), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(at(3, 8), (std::array<int, 3>{255, 0, 0}));
  EXPECT_EQ(at(28, 23), (std::array<int, 3>{0, 0, 255}));
  EXPECT_EQ(at(28, 24), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(ReadWholeFile(path("wide-bmp").toStdString())->at(0), 'B');

  // An icon to its own format comes back as it was: the 16-colour one keeping its mask, the full colour
  // one its pixels and mask.
  const QString shipped = QStringLiteral(PF_SOURCE_DIR "/packaging/icons/pictoforge-32.ico");
  ASSERT_EQ(run({shipped, QStringLiteral("--transparent"), QStringLiteral("99"), QStringLiteral("-o"),
                 QStringLiteral("same.ico")})
                .status,
            0);
  EXPECT_EQ(bytesOf(QStringLiteral("same.ico")), ReadWholeFile(shipped.toStdString()).value_or(Bytes{}));
  // ... and through an exchange file and back.
  ASSERT_EQ(run({shipped, QStringLiteral("--transparent=99"), QStringLiteral("-o"), QStringLiteral("x.dat")})
                .status,
            0);
  ASSERT_EQ(run({QStringLiteral("x.dat"), QStringLiteral("--transparent=99"), QStringLiteral("-o"),
                 QStringLiteral("x.ico")})
                .status,
            0);
  EXPECT_EQ(bytesOf(QStringLiteral("x.ico")), bytesOf(QStringLiteral("same.ico")));
  ASSERT_EQ(run({QStringLiteral("--format=fc32"), QStringLiteral("wide-fc32"), QStringLiteral("-o"),
                 QStringLiteral("again.ico")})
                .status,
            0);
  EXPECT_EQ(bytesOf(QStringLiteral("again.ico")), bytesOf(QStringLiteral("wide-fc32")));
}

TEST_F(Convert, BestQualityIsNeverWorseAndAFixedPaletteIsKept) {
  std::mt19937 rng(23);
  QStringList inputs;
  std::vector<std::vector<PaletteEntry>> pictures;
  for (int i = 0; i < 12; ++i) {
    inputs << QStringLiteral("r%1.png").arg(i);
    pictures.push_back(randomPicture(inputs.back(), 32, 32, rng));
  }
  ASSERT_EQ(run(QStringList(inputs) << QStringLiteral("-o") << QStringLiteral("plain")).status, 0);
  ASSERT_EQ(run(QStringList(inputs) << QStringLiteral("-o") << QStringLiteral("best")
                                    << QStringLiteral("--quality") << QStringLiteral("best"))
                .status,
            0);
  for (int i = 0; i < 12; ++i) {
    const QString name = QStringLiteral("r%1.ico").arg(i);
    const std::int64_t plain = Error(pictures[static_cast<std::size_t>(i)], iconColours("plain/" + name));
    const std::int64_t best = Error(pictures[static_cast<std::size_t>(i)], iconColours("best/" + name));
    EXPECT_LE(best, plain) << i;
  }

  // Row 2 of a palette-set file: every output carries exactly its colours.
  std::array<Palette, kPaletteSetCount> sets{};
  for (int n = 0; n < 16; ++n)
    sets[2][static_cast<std::size_t>(n)] = {std::uint8_t(16 * n), std::uint8_t(255 - 16 * n), 128, 0};
  const std::string text = WritePaletteSets(sets, 0);
  ASSERT_TRUE(WriteFileAtomically(path("set.pal").toStdString(), Bytes(text.begin(), text.end())));
  ASSERT_EQ(run(QStringList(inputs.mid(0, 3)) << QStringLiteral("-o") << QStringLiteral("fixed")
                                              << QStringLiteral("--palette") << QStringLiteral("set.pal:2"))
                .status,
            0);
  for (int i = 0; i < 3; ++i) {
    const Bytes icon = bytesOf(QStringLiteral("fixed/r%1.ico").arg(i));
    ASSERT_EQ(icon.size(), kIcon32FileSize);
    EXPECT_EQ(PaletteFromBytes(std::span(icon).subspan(62).first<64>()), sets[2]) << i;
  }
}

TEST_F(Convert, UsageErrorsExitWithTwo) {
  const QStringList bad[] = {
      {},
      {QStringLiteral("a.png")},
      {QStringLiteral("-o"), QStringLiteral("x.ico")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.gif")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--format"),
       QStringLiteral("gif")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.bmp"), QStringLiteral("--size"),
       QStringLiteral("33")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--crop"),
       QStringLiteral("1")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--fit"),
       QStringLiteral("--crop=1,2")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"),
       QStringLiteral("--transparent"), QStringLiteral("16")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--quality"),
       QStringLiteral("good")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--palette"),
       QStringLiteral("none.pal")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--jobs"),
       QStringLiteral("-1")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--threshold")},
      {QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"),
       QStringLiteral("--frobnicate")},
  };
  for (const QStringList& arguments : bad) {
    EXPECT_TRUE(std::holds_alternative<QString>(ParseArguments(arguments)) ||
                std::holds_alternative<QString>(PlanJobs(std::get<Options>(ParseArguments(arguments)))))
        << arguments.join(QLatin1Char(' ')).toStdString();
  }
  // Through the program: status 2, a line saying what is wrong and where to read more.
  QFile(path("file")).open(QIODevice::WriteOnly);
  for (const QStringList& arguments : {bad[5], QStringList{QStringLiteral("a.png"), QStringLiteral("b.png"),
                                                           QStringLiteral("-o"), QStringLiteral("file")}}) {
    const Finished r = run(arguments);
    EXPECT_EQ(r.status, 2) << arguments.join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(r.errorLines.size(), 2);
  }
  EXPECT_EQ(run({QStringLiteral("--help")}).status, 0);
  const auto parsed =
      ParseArguments({QStringLiteral("a.png"), QStringLiteral("--size=20x12"), QStringLiteral("-o"),
                      QStringLiteral("x.bmp"), QStringLiteral("--crop"), QStringLiteral("5,6,0.25")});
  ASSERT_TRUE(std::holds_alternative<Options>(parsed));
  const Options& o = std::get<Options>(parsed);
  EXPECT_EQ(o.bitmapWidth, 20);
  EXPECT_EQ(o.bitmapHeight, 12);
  ASSERT_TRUE(std::holds_alternative<Crop>(o.placement));
  EXPECT_DOUBLE_EQ(std::get<Crop>(o.placement).scale, 0.25);
}

TEST_F(Convert, PaletteOfAnotherProgramGivesItsFirstColours) {
  QImage image(32, 32, QImage::Format_RGB32);
  image.fill(qRgb(250, 10, 10));
  ASSERT_TRUE(image.save(path("red.png"), "PNG"));
  const std::string gimp = "GIMP Palette\nName: three\n0 0 0 black\n255 0 0 red\n0 0 255 blue\n";
  ASSERT_TRUE(WriteFileAtomically(path("three.gpl").toStdString(), Bytes(gimp.begin(), gimp.end())));
  ASSERT_EQ(run({QStringLiteral("red.png"), QStringLiteral("-o"), QStringLiteral("red.ico"),
                 QStringLiteral("--palette"), QStringLiteral("three.gpl")})
                .status,
            0);
  const Bytes icon = bytesOf(QStringLiteral("red.ico"));
  ASSERT_EQ(icon.size(), kIcon32FileSize);
  const Palette p = PaletteFromBytes(std::span(icon).subspan(62).first<64>());
  EXPECT_EQ(p[1], (PaletteEntry{0, 0, 255, 0}));
  EXPECT_EQ(p[2], (PaletteEntry{255, 0, 0, 0}));
  for (int i = 3; i < 16; ++i) EXPECT_EQ(p[static_cast<std::size_t>(i)], p[0]) << i;
  EXPECT_EQ(icon[62 + 64], 0x11) << "the red pixels take the file's red";
}

}  // namespace
}  // namespace pf::convert
