// Main window figures: one typed digit (the full redisplay and the caret move) and start-up to the first
// painted main window.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include "app/app.h"
#include "editor/main_window.h"
#include "platform/fonts.h"

namespace {

struct Program {
  QTemporaryDir folder;
  pf::ScriptedUi ui;
  std::unique_ptr<pf::App> app;
  pf::IC* ic = nullptr;

  Program() {
    QFile::copy(QStringLiteral(PF_SOURCE_DIR "/data/Pal.pal"), folder.filePath(QStringLiteral("Pal.pal")));
    app = std::make_unique<pf::App>(ui, folder.path());
    ic = app->start();
    if (!ic->wasActivated()) ic->activate();
  }
};

void TypedDigit(benchmark::State& state) {
  Program p;
  int digit = 0;
  for (auto _ : state) {
    // A different value each time, so every redisplay also stores an undo record.
    p.ic->Form_KeyDown(48 + (digit++ % 10), 0);
    p.ic->MoveCaret(p.ic->CX + 8, p.ic->CY);
  }
}
BENCHMARK(TypedDigit)->Unit(benchmark::kMicrosecond);

void MoveCaretOnly(benchmark::State& state) {
  Program p;
  int column = 0;
  for (auto _ : state) p.ic->MoveCaret(8 * (column++ % 32), p.ic->CY);
}
BENCHMARK(MoveCaretOnly)->Unit(benchmark::kMicrosecond);

void RedisplayOnly(benchmark::State& state) {
  Program p;
  for (auto _ : state) p.ic->RedisplayAll(1);
}
BENCHMARK(RedisplayOnly)->Unit(benchmark::kMicrosecond);

void StartUpToFirstPaint(benchmark::State& state) {
  for (auto _ : state) {
    Program p;
    p.ic->repaint();  // paints the window synchronously
    QCoreApplication::processEvents();
  }
}
BENCHMARK(StartUpToFirstPaint)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  pf::InstallFontSubstitutes();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
