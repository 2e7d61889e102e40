// "16色化" of one 32 x 32 square: the channel cuts, the palette choice and the mapping. With
// PF_REDUCTION_SQUARES naming a folder of 32 x 32 pictures, also the mean squared error (per channel, 0..255
// scale) of each reduced square against its source, for comparing with other reducers.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QImage>
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

double MeanSquaredError(const pf::ColourSquare& square, const pf::ColourReduction& r) {
  double sum = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const pf::PaletteEntry& s = square[static_cast<std::size_t>(y * 32 + x)];
      const pf::PaletteEntry& m =
          r.choice.palette[r.indices[static_cast<std::size_t>((31 - y) * 32 + x)] & 0x0F];
      const double db = s.blue - m.blue, dg = s.green - m.green, dr = s.red - m.red;
      sum += db * db + dg * dg + dr * dr;
    }
  }
  return sum / (3.0 * 1024);
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
  const QString folder = qEnvironmentVariable("PF_REDUCTION_SQUARES");
  if (folder.isEmpty()) {
    state.SkipWithError("PF_REDUCTION_SQUARES names no folder of 32 x 32 pictures");
    return;
  }
  for (auto _ : state) {
    for (const QString& name : QDir(folder).entryList({QStringLiteral("*.ppm")}, QDir::Files, QDir::Name)) {
      const QImage image(QDir(folder).filePath(name));
      if (image.width() < 32 || image.height() < 32) continue;
      const pf::ColourSquare square = SquareOf(image);
      state.counters["mse_" + name.toStdString()] = MeanSquaredError(square, pf::ReduceColours(square, 10));
    }
  }
}
BENCHMARK(ReducedSquareError)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
