// pictoforge-convert as scripts use it: the transparency it chooses by default, damaged and large inputs,
// icons with several images, pipes and standard streams, names in other encodings, interruption, and the
// command lines it refuses. Every case runs the program with no display.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <thread>

#include "model/file_io.h"
#include "model/icon_file.h"
#include "model/packing.h"

namespace pf {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Ran {
  int status = -1;
  bool signalled = false;
  QString err;
  QByteArray out;
};

class Conventions : public ::testing::Test {
 protected:
  QString path(const QString& name) const { return dir.filePath(name); }
  Bytes bytesOf(const QString& name) const {
    return ReadWholeFile(path(name).toStdString()).value_or(Bytes{});
  }
  QProcess* start(const QStringList& arguments, const QString& program = QStringLiteral(PF_CONVERT_TOOL)) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
      env.remove(QLatin1String(name));
    auto* p = new QProcess;
    p->setProcessEnvironment(env);
    p->setWorkingDirectory(dir.path());
    p->start(program, arguments);
    EXPECT_TRUE(p->waitForStarted());
    return p;
  }
  Ran finish(QProcess* p) {
    EXPECT_TRUE(p->waitForFinished(60000));
    Ran r;
    r.signalled = p->exitStatus() == QProcess::CrashExit;
    r.status = p->exitCode();
    r.err = QString::fromUtf8(p->readAllStandardError());
    r.out = p->readAllStandardOutput();
    delete p;
    return r;
  }
  Ran run(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess* p = start(arguments);
    p->write(input);
    p->closeWriteChannel();
    return finish(p);
  }
  // Through the shell, for what a QString argument cannot carry.
  Ran shell(const QString& script) {
    return finish(
        start({QStringLiteral("-c"), script, QStringLiteral(PF_CONVERT_TOOL)}, QStringLiteral("/bin/sh")));
  }
  void save(const QImage& image, const QString& name, const char* format = "PNG") {
    ASSERT_TRUE(image.save(path(name), format)) << name.toStdString();
  }
  // Palette, pixels (storage rows, bottom first) and mask of a 32 x 32 16-colour icon.
  struct Icon {
    Palette palette{};
    PixelArray pixels{};
    std::array<std::uint8_t, kMaskSize> mask{};
    int masked() const {
      int n = 0;
      for (std::uint8_t b : mask) n += __builtin_popcount(b);
      return n;
    }
  };
  Icon icon(const Bytes& bytes) {
    Icon i;
    std::array<std::uint8_t, kPackedSize> packed{};
    auto headers = std::make_unique<SharedState>();
    EXPECT_EQ(ParseIcon32(bytes, {i.palette, packed, i.mask, *headers}), IconReadStatus::Ok);
    UnpackPixels32(packed, i.pixels);
    return i;
  }

  QTemporaryDir dir;
};

// A picture: a red disc on white, or the same with the white transparent.
QImage Disc(bool alpha) {
  QImage image(40, 40, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = (x - 20) * (x - 20) + (y - 20) * (y - 20) < 144;
      image.setPixel(x, y,
                     inside  ? qRgb(220, 20, 30)
                     : alpha ? qRgba(255, 255, 255, 0)
                             : qRgb(255, 255, 255));
    }
  }
  return image;
}

// An icon file of 32-bit images, one colour each, in the order given.
Bytes MultiIcon(const std::vector<std::pair<int, QRgb>>& images) {
  Bytes out{0, 0, 1, 0, static_cast<std::uint8_t>(images.size()), 0};
  std::vector<Bytes> bodies;
  for (const auto& [edge, colour] : images) {
    Bytes body(40, 0);
    const auto put32 = [&body](std::size_t at, std::uint32_t v) {
      for (int k = 0; k < 4; ++k) body[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
    };
    put32(0, 40), put32(4, edge), put32(8, 2 * edge), body[12] = 1, body[14] = 32;
    for (int i = 0; i < edge * edge; ++i) {
      body.insert(body.end(),
                  {static_cast<std::uint8_t>(qBlue(colour)), static_cast<std::uint8_t>(qGreen(colour)),
                   static_cast<std::uint8_t>(qRed(colour)), 255});
    }
    body.resize(body.size() + static_cast<std::size_t>(edge * ((edge + 31) / 32) * 4), 0);
    bodies.push_back(std::move(body));
  }
  std::size_t offset = 6 + 16 * images.size();
  for (std::size_t i = 0; i < images.size(); ++i) {
    const int edge = images[i].first;
    Bytes entry(16, 0);
    entry[0] = static_cast<std::uint8_t>(edge), entry[1] = static_cast<std::uint8_t>(edge), entry[4] = 1,
    entry[6] = 32;
    for (int k = 0; k < 4; ++k) {
      entry[8 + k] = static_cast<std::uint8_t>(bodies[i].size() >> (8 * k));
      entry[12 + k] = static_cast<std::uint8_t>(offset >> (8 * k));
    }
    out.insert(out.end(), entry.begin(), entry.end());
    offset += bodies[i].size();
  }
  for (const Bytes& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

TEST_F(Conventions, TransparencyComesFromThePictureUnlessAnOptionSaysOtherwise) {
  save(Disc(false), QStringLiteral("disc.png"));
  save(Disc(true), QStringLiteral("alpha.png"));
  const QString shipped = QStringLiteral(PF_SOURCE_DIR "/packaging/icons/pictoforge-32.ico");
  const struct {
    const char* input;
    QStringList options;
    int masked;      // pixels masked in the 32 x 32 icon; -1: as many as the input icon has
    int clearIndex;  // the palette number of the masked pixels, -1 for any
  } cases[] = {
      {"disc.png", {}, 0, -1},                                                     // no alpha: no holes
      {"disc.png", {QStringLiteral("--transparent"), QStringLiteral("0")}, 1, 0},  // N keeps its meaning
      {"alpha.png", {}, 1, 15},                                                    // alpha: its own entry 15
      {"alpha.png", {QStringLiteral("--transparent=99")}, 1, 15},
      {"alpha.png", {QStringLiteral("--transparent"), QStringLiteral("-1")}, 0, -1},
      {"disc.png", {QStringLiteral("--transparent-colour"), QStringLiteral("ff0000")}, 1, -1},
      {PF_SOURCE_DIR "/packaging/icons/pictoforge-32.ico", {}, -1, -1},
  };
  int n = 0;
  for (const auto& c : cases) {
    const QString out = QStringLiteral("t%1.ico").arg(n++);
    const Ran r = run(QStringList{QLatin1String(c.input), QStringLiteral("-o"), out} + c.options);
    ASSERT_EQ(r.status, 0) << c.input << " " << r.err.toStdString();
    const Icon i = icon(bytesOf(out));
    if (c.masked < 0) {
      EXPECT_EQ(bytesOf(out), ReadWholeFile(shipped.toStdString()).value_or(Bytes{}))
          << "the icon round-trips";
      continue;
    }
    EXPECT_EQ(i.masked() > 0, c.masked > 0) << out.toStdString();
    for (int p = 0; p < kPixelCount; ++p) {
      const bool bit = (i.mask[static_cast<std::size_t>(p / 8)] & (0x80 >> (p % 8))) != 0;
      if (!bit) continue;
      if (c.clearIndex >= 0) {
        ASSERT_EQ(i.pixels[static_cast<std::size_t>(p)], c.clearIndex) << out.toStdString();
      }
      // By default the disc's red is never a hole.
      const PaletteEntry& e = i.palette[i.pixels[static_cast<std::size_t>(p)]];
      if (c.options.isEmpty()) {
        EXPECT_LT(e.red - e.green, 100) << out.toStdString();
      }
    }
  }
  // An alpha picture's bands of --fit are transparent too; a plain one's take --background.
  save(Disc(true).copy(0, 0, 40, 20), QStringLiteral("wide-alpha.png"));
  save(Disc(false).copy(0, 10, 40, 20), QStringLiteral("wide.png"));
  ASSERT_EQ(run({QStringLiteral("wide.png"), QStringLiteral("--background"), QStringLiteral("00ff00"),
                 QStringLiteral("-o"), QStringLiteral("band.ico")})
                .status,
            0);
  const Icon band = icon(bytesOf(QStringLiteral("band.ico")));
  EXPECT_EQ(band.masked(), 0);
  const PaletteEntry top = band.palette[band.pixels[31 * 32]];
  EXPECT_EQ((std::array<int, 3>{top.red, top.green, top.blue}), (std::array<int, 3>{0, 255, 0}));

  // --transparent 99 keeps the input icon's mask in a 16 x 16 icon too: its lower-left quarter.
  ASSERT_EQ(
      run({shipped, QStringLiteral("--format"), QStringLiteral("ico16"), QStringLiteral("--transparent"),
           QStringLiteral("99"), QStringLiteral("-o"), QStringLiteral("q.ico")})
          .status,
      0);
  const Icon whole = icon(ReadWholeFile(shipped.toStdString()).value_or(Bytes{}));
  const Bytes quarter = bytesOf(QStringLiteral("q.ico"));
  ASSERT_EQ(quarter.size(), kIcon16FileSize);
  int kept = 0;
  for (std::size_t r = 0; r < 16; ++r) {
    EXPECT_EQ(quarter[254 + 4 * r], whole.mask[4 * r]);
    EXPECT_EQ(quarter[254 + 4 * r + 1], whole.mask[4 * r + 1]);
    kept += __builtin_popcount(whole.mask[4 * r]) + __builtin_popcount(whole.mask[4 * r + 1]);
  }
  EXPECT_GT(kept, 0) << "the shipped icon has masked pixels in its lower-left quarter";
}

TEST_F(Conventions, InputsOfEveryKindFailWithOneNamedLineOrConvert) {
  QImage photo(300, 200, QImage::Format_RGB32);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) photo.setPixel(x, y, qRgb(x % 256, (x * y) % 256, y));
  }
  save(photo, QStringLiteral("photo.jpg"), "JPEG");
  save(photo, QStringLiteral("photo.png"));
  const Bytes jpeg = bytesOf(QStringLiteral("photo.jpg"));
  ASSERT_GT(jpeg.size(), 4000u);
  ASSERT_TRUE(WriteFileAtomically(path("cut.jpg").toStdString(), std::span(jpeg).first(jpeg.size() / 3)));
  Bytes png = bytesOf(QStringLiteral("photo.png"));
  png[png.size() / 2] ^= 0xFF;
  ASSERT_TRUE(WriteFileAtomically(path("crc.png").toStdString(), png));
  // A bitmap header promising more than a side may have.
  Bytes huge(54, 0);
  huge[0] = 'B', huge[1] = 'M', huge[10] = 54, huge[14] = 40, huge[18] = 0x30, huge[19] = 0x75, huge[22] = 1,
  huge[26] = 1, huge[28] = 24;
  ASSERT_TRUE(WriteFileAtomically(path("huge.bmp").toStdString(), huge));
  // Within the limits, beyond the toolkit's own default of 128 MiB.
  QImage large(8192, 4097, QImage::Format_RGB32);
  large.fill(qRgb(10, 200, 30));
  save(large, QStringLiteral("large.png"));
  large = QImage();
  // Four images, none 4-bit: a 32 x 32 output takes the 32, a 64 the 64, a 16 x 16 the 16, a 20 x 20
  // bitmap the smallest larger one (32).
  const Bytes multi = MultiIcon(
      {{64, qRgb(255, 0, 0)}, {48, qRgb(0, 255, 0)}, {32, qRgb(0, 0, 255)}, {16, qRgb(255, 255, 0)}});
  ASSERT_TRUE(WriteFileAtomically(path("multi.ico").toStdString(), multi));
  ASSERT_EQ(::mkfifo(path("fifo").toLocal8Bit().constData(), 0600), 0);

  const struct {
    QString script;    // run by sh with $0 the program
    const char* line;  // what the failure line holds; nullptr: converts
    QRgb colour = 0;   // with `line` nullptr and colour set: every pixel of the 32 x 32 output
  } cases[] = {
      {QStringLiteral("\"$0\" cut.jpg -o out.ico"), "cut.jpg: damaged: "},
      {QStringLiteral("\"$0\" crc.png -o out.ico"), "crc.png: damaged: "},
      {QStringLiteral("\"$0\" huge.bmp -o out.ico"),
       "huge.bmp: the picture is too large: at most 20000 pixels"},
      {QStringLiteral("\"$0\" photo.jpg --crop 5000,10 -o out.ico"),
       "photo.jpg: the --crop square lies wholly outside"},
      {QStringLiteral("\"$0\" fifo -o out.ico"), "fifo: nothing to read"},
      {QStringLiteral("\"$0\" \"$(printf 'caf\\351.png')\" -o out.ico"), "caf\\xE9.png: No such file"},
      {QStringLiteral("\"$0\" large.png -o out.ico"), nullptr, qRgb(10, 200, 30)},
      {QStringLiteral("\"$0\" multi.ico -o out.ico"), nullptr, qRgb(0, 0, 255)},
      {QStringLiteral("\"$0\" multi.ico --format bmp --size 20 -o out.bmp"), nullptr},
      {QStringLiteral("cat multi.ico | \"$0\" /dev/stdin -o out.ico"), nullptr, qRgb(0, 0, 255)},
      {QStringLiteral("cat photo.png | \"$0\" - -o out.ico && cmp out.ico ref.ico"), nullptr},
      {QStringLiteral("\"$0\" photo.png -o - | cmp - ref.ico"), nullptr},
      {QStringLiteral("cp photo.png \"$(printf 'caf\\351.png')\" && \"$0\" \"$(printf 'caf\\351.png')\" -o "
                      "\"$(printf '\\203e.ico')\" && cmp \"$(printf '\\203e.ico')\" ref.ico; s=$?; "
                      "rm -f \"$(printf 'caf\\351.png')\" \"$(printf '\\203e.ico')\"; exit $s"),
       nullptr},
  };
  ASSERT_EQ(run({QStringLiteral("photo.png"), QStringLiteral("-o"), QStringLiteral("ref.ico")}).status, 0);
  for (const auto& c : cases) {
    QFile::remove(path("out.ico"));
    const Ran r = shell(c.script);
    const QStringList lines = r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (c.line) {
      EXPECT_EQ(r.status, 1) << c.script.toStdString();
      ASSERT_EQ(lines.size(), 1) << c.script.toStdString() << "\n" << r.err.toStdString();
      EXPECT_TRUE(lines[0].startsWith(QString::fromUtf8(c.line))) << lines[0].toStdString();
      EXPECT_FALSE(QFile::exists(path("out.ico")));
      continue;
    }
    EXPECT_EQ(r.status, 0) << c.script.toStdString() << "\n" << r.err.toStdString();
    EXPECT_TRUE(lines.isEmpty()) << r.err.toStdString();
    if (c.colour == 0) continue;
    // The middle of the picture: a wide one is fitted with bands above and below.
    const Icon i = icon(bytesOf(QStringLiteral("out.ico")));
    const PaletteEntry& e = i.palette[i.pixels[16 * 32 + 16]];
    EXPECT_EQ(qRgb(e.red, e.green, e.blue), c.colour) << c.script.toStdString();
  }
  // The 20 x 20 bitmap came from the 32 x 32 image (blue), the 64 x 64 full colour icon from the 64.
  const Bytes bmp = bytesOf(QStringLiteral("out.bmp"));
  ASSERT_GT(bmp.size(), 60u);
  EXPECT_EQ((std::array<int, 3>{bmp[56], bmp[55], bmp[54]}), (std::array<int, 3>{0, 0, 255}));
  ASSERT_EQ(run({QStringLiteral("multi.ico"), QStringLiteral("--format=fc64"), QStringLiteral("-o"),
                 QStringLiteral("fc.ico")})
                .status,
            0);
  const Bytes fc = bytesOf(QStringLiteral("fc.ico"));
  ASSERT_GT(fc.size(), 70u);
  EXPECT_EQ((std::array<int, 3>{fc[64], fc[63], fc[62]}), (std::array<int, 3>{255, 0, 0}));
}

TEST_F(Conventions, AnInterruptedBatchLeavesWholeFilesAndNoTemporaryOne) {
  QStringList inputs;
  for (int i = 0; i < 400; ++i) {
    inputs << QStringLiteral("in%1.png").arg(i);
    save(Disc(i % 2 == 0).scaled(64 + i % 7, 64), inputs.back());
  }
  for (const int sig : {SIGINT, SIGTERM}) {
    QDir(path("out")).removeRecursively();
    QProcess* p = start(QStringList(inputs) << QStringLiteral("-o") << QStringLiteral("out")
                                            << QStringLiteral("--jobs") << QStringLiteral("2"));
    // Once a few files are written.
    for (int wait = 0; wait < 2000 && QDir(path("out")).entryList(QDir::Files).size() < 5; ++wait)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(static_cast<pid_t>(p->processId()), sig);
    const Ran r = finish(p);
    EXPECT_TRUE(r.signalled) << "ended by the signal, so a shell sees 128 + " << sig;
    EXPECT_EQ(r.status, sig);
    const QStringList left = QDir(path("out")).entryList(QDir::Files | QDir::Hidden);
    EXPECT_LT(left.size(), inputs.size()) << "stopped before the end";
    for (const QString& name : left) {
      EXPECT_TRUE(name.endsWith(QLatin1String(".ico")) && !name.startsWith(QLatin1Char('.')))
          << name.toStdString();
      EXPECT_EQ(bytesOf(QStringLiteral("out/") + name).size(), kIcon32FileSize) << name.toStdString();
    }
  }
}

TEST_F(Conventions, OptionsThatDoNothingOrTakeNoValueAreRefused) {
  save(Disc(false), QStringLiteral("a.png"));
  // Many colours, all closer together than the threshold asked for: one is kept.
  QImage near(32, 32, QImage::Format_RGB32);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) near.setPixel(x, y, qRgb(3 * x, 3 * y, (7 * x * y) % 97));
  }
  save(near, QStringLiteral("near.png"));
  const struct {
    QStringList arguments;
    int status;
    const char* line;  // the start of the first line on stderr; nullptr: none at all
  } cases[] = {
      {{QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--force=no")},
       2,
       "pictoforge-convert: --force takes no value"},
      {{QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--fit=yes")},
       2,
       "pictoforge-convert: --fit takes no value"},
      {{QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--crop"),
        QStringLiteral("2147483632,0")},
       2,
       "pictoforge-convert: --crop: X and Y lie from"},
      {{QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--size"),
        QStringLiteral("16")},
       2,
       "pictoforge-convert: --size does nothing for --format ico"},
      {{QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--format"),
        QStringLiteral("fc32"), QStringLiteral("--transparent"), QStringLiteral("3")},
       2,
       "pictoforge-convert: --transparent does nothing for --format fc32"},
      {{QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.bmp"),
        QStringLiteral("--transparent-colour"), QStringLiteral("ffffff")},
       2,
       "pictoforge-convert: --transparent-colour does nothing for --format bmp"},
      {{QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"), QStringLiteral("--palette"),
        QStringLiteral("missing.pal")},
       2,
       "pictoforge-convert: --palette: missing.pal: No such file"},
      {{QStringLiteral("a.png"), QStringLiteral("-o"), QStringLiteral("x.ico"),
        QStringLiteral("--background"), QStringLiteral("red")},
       2,
       "pictoforge-convert: --background: 'red'"},
      {{QStringLiteral("near.png"), QStringLiteral("-o"), QStringLiteral("n.ico"),
        QStringLiteral("--threshold"), QStringLiteral("400")},
       0,
       "near.png: note: only 1 colour is far enough apart"},
      {{QStringLiteral("near.png"), QStringLiteral("-o"), QStringLiteral("q.ico"),
        QStringLiteral("--threshold"), QStringLiteral("400"), QStringLiteral("--quiet"),
        QStringLiteral("--jobs"), QStringLiteral("0")},
       0,
       nullptr},
      {{QStringLiteral("nothing/*.png"), QStringLiteral("none/*.jpg"), QStringLiteral("-o"),
        QStringLiteral("made")},
       1,
       "nothing/*.png: No such file"},
  };
  for (const auto& c : cases) {
    const Ran r = run(c.arguments);
    EXPECT_EQ(r.status, c.status) << c.arguments.join(QLatin1Char(' ')).toStdString();
    if (!c.line) {
      EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
      continue;
    }
    EXPECT_TRUE(r.err.startsWith(QString::fromUtf8(c.line))) << r.err.toStdString();
  }
  EXPECT_FALSE(QFile::exists(path("made"))) << "a batch of inputs that name nothing makes no folder";
  EXPECT_FALSE(QFile::exists(path("x.ico")));
}

}  // namespace
}  // namespace pf
