// How long the main window's grid of 32 x 32 one-character cells takes to draw.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <array>

#include "platform/fonts.h"
#include "platform/surface.h"

namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "surface_bench";
  static char* argv[] = {name, nullptr};
  if (QGuiApplication::instance() != nullptr) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(argc, argv);
  pf::InstallFontSubstitutes();
}

// 1024 opaque cells of one hexadecimal digit each, 16 pixels apart, the way the editor's canvas is drawn.
void BM_TextOutGrid(benchmark::State& state) {
  EnsureApplication();
  pf::Surface s(512, 512);
  s.setFont(pf::MinchoFont(16));
  s.setBkMode(true);
  s.setBkColor(pf::Rgb(255, 255, 255));
  std::array<QString, 16> digits;
  for (int i = 0; i < 16; ++i) digits[i] = QString::number(i, 16).toUpper();
  for (auto _ : state) {
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        const int v = (x + y) & 15;
        s.setTextColor(pf::Rgb(v * 16, 0, 255 - v * 16));
        s.textOut(x * 16, y * 16, digits[v]);
      }
    benchmark::DoNotOptimize(s.image().constBits());
  }
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_TextOutGrid)->Unit(benchmark::kMicrosecond);

// The same, building each one-character text on the fly.
void BM_TextOutGridFreshStrings(benchmark::State& state) {
  EnsureApplication();
  pf::Surface s(512, 512);
  s.setFont(pf::MinchoFont(16));
  for (auto _ : state) {
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x)
        s.textOut(x * 16, y * 16, QString(QChar(u"0123456789ABCDEF"[(x + y) & 15])));
    benchmark::DoNotOptimize(s.image().constBits());
  }
  state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_TextOutGridFreshStrings)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
