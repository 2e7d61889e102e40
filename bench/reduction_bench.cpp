// "16色化" of one 32 x 32 square: the channel cuts, the palette choice and the mapping.
//
// With PF_REDUCTION_SQUARES=DIR it also compares the error of our reduction (threshold 10) with ImageMagick's
// `convert SQUARE +dither -colors 16`, square by square, in one table:
//
//   PF_REDUCTION_SQUARES=/tmp/squares build/bench/reduction_bench --benchmark_filter=ReducedSquareError
//
// When DIR holds no .png or .ppm picture, the nine standard squares are made there first: ImageMagick's
// built-in pictures rose:, wizard: and logo:, each scaled to exactly 96 x 96 (aspect ignored), cut into the
// 32 x 32 squares at the top left (0, 0), the centre (32, 32) and the bottom right (64, 64). Otherwise every
// picture in DIR is measured by its top-left 32 x 32 pixels. `convert` must be on the PATH.
//
// The error of a reduction is the mean squared error per channel on the 0..255 scale: the sum over the 1024
// pixels and the three channels of (source - reduced)^2, divided by 3072.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>

#include "model/colour_reduction.h"

namespace {

pf::ColourSquare SquareOf(const QImage& image) {
  pf::ColourSquare square{};
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const QRgb c = image.pixel(x, y);
      square[static_cast<std::size_t>(y * 32 + x)] = {static_cast<std::uint8_t>(qBlue(c)),
                                                      static_cast<std::uint8_t>(qGreen(c)),
                                                      static_cast<std::uint8_t>(qRed(c)), 0};
    }
  }
  return square;
}

double MeanSquaredError(const pf::ColourSquare& a, const pf::ColourSquare& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const double db = a[i].blue - b[i].blue, dg = a[i].green - b[i].green, dr = a[i].red - b[i].red;
    sum += db * db + dg * dg + dr * dr;
  }
  return sum / (3.0 * static_cast<double>(a.size()));
}

// Our reduction as a picture again, top row first like the source.
pf::ColourSquare Reduced(const pf::ColourSquare& square) {
  const pf::ColourReduction r = pf::ReduceColours(square, 10);
  pf::ColourSquare out{};
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      out[static_cast<std::size_t>(y * 32 + x)] =
          r.choice.palette[r.indices[static_cast<std::size_t>((31 - y) * 32 + x)] & 0x0F];
    }
  }
  return out;
}

bool Convert(const QStringList& arguments) {
  QProcess p;
  p.start(QStringLiteral("convert"), arguments);
  if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
    std::fprintf(stderr, "convert %s failed: %s\n", qPrintable(arguments.join(u' ')),
                 p.readAllStandardError().constData());
    return false;
  }
  return true;
}

bool MakeStandardSquares(const QDir& folder) {
  struct Place {
    const char* name;
    int offset;
  };
  for (const char* picture : {"rose", "wizard", "logo"}) {
    for (const Place place : {Place{"1-topleft", 0}, Place{"2-centre", 32}, Place{"3-bottomright", 64}}) {
      const QString out =
          folder.filePath(QStringLiteral("%1-%2.png").arg(QLatin1String(picture), QLatin1String(place.name)));
      const QString crop = QStringLiteral("32x32+%1+%1").arg(place.offset);
      if (!Convert({QLatin1String(picture) + u':', QStringLiteral("-alpha"), QStringLiteral("off"),
                    QStringLiteral("-resize"), QStringLiteral("96x96!"), QStringLiteral("-crop"), crop,
                    QStringLiteral("+repage"), QStringLiteral("PNG24:") + out})) {
        return false;
      }
    }
  }
  return true;
}

void ReduceOneSquare(benchmark::State& state) {
  // A photo-like square: a gradient with noise.
  std::mt19937 random(3);
  pf::ColourSquare square{};
  for (int i = 0; i < 1024; ++i) {
    const int x = i % 32, y = i / 32;
    square[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(4 * x + random() % 24),
                                           static_cast<std::uint8_t>(6 * y + random() % 24),
                                           static_cast<std::uint8_t>(120 + random() % 60), 0};
  }
  for (auto _ : state) benchmark::DoNotOptimize(pf::ReduceColours(square, 10));
}
BENCHMARK(ReduceOneSquare)->Unit(benchmark::kMicrosecond);

void ReducedSquareError(benchmark::State& state) {
  const QString path = qEnvironmentVariable("PF_REDUCTION_SQUARES");
  if (path.isEmpty()) {
    state.SkipWithError("PF_REDUCTION_SQUARES names no folder of 32 x 32 pictures");
    return;
  }
  QDir folder(path);
  const QStringList pictures = {QStringLiteral("*.png"), QStringLiteral("*.ppm")};
  if ((!folder.exists() && !QDir().mkpath(path)) ||
      (folder.entryList(pictures, QDir::Files).isEmpty() && !MakeStandardSquares(folder))) {
    state.SkipWithError("could not make the squares with ImageMagick's convert");
    return;
  }
  QTemporaryDir scratch;
  for (auto _ : state) {
    double worst = 0;
    std::printf("\n%-28s %10s %10s %7s\n", "square", "ours", "magick", "ratio");
    for (const QString& name : folder.entryList(pictures, QDir::Files, QDir::Name)) {
      const QImage image(folder.filePath(name));
      const QString theirsFile = scratch.filePath(name + QStringLiteral(".16.png"));
      if (image.width() < 32 || image.height() < 32) continue;
      QStringList arguments = {folder.filePath(name)};
      if (image.size() != QSize(32, 32))
        arguments << QStringLiteral("-crop") << QStringLiteral("32x32+0+0") << QStringLiteral("+repage");
      arguments << QStringLiteral("+dither") << QStringLiteral("-colors") << QStringLiteral("16")
                << theirsFile;
      if (!Convert(arguments)) {
        state.SkipWithError("ImageMagick's convert failed");
        return;
      }
      const pf::ColourSquare square = SquareOf(image);
      const double ours = MeanSquaredError(square, Reduced(square));
      const double theirs = MeanSquaredError(square, SquareOf(QImage(theirsFile)));
      const double ratio = theirs > 0 ? ours / theirs : (ours > 0 ? 1e9 : 1.0);
      worst = std::max(worst, ratio);
      std::printf("%-28s %10.2f %10.2f %7.2f\n", qPrintable(name), ours, theirs, ratio);
    }
    std::printf("\n");
    state.counters["worst_ratio"] = worst;
  }
}
BENCHMARK(ReducedSquareError)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
