// Costs of the editing tools' interactive steps: one fine-rotation resampling of the transformation
// window, and one MouseDraw drag step (draw the shape, read the picture back, redraw the canvas).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QTemporaryDir>
#include <random>

#include "app/app.h"
#include "editor/main_window.h"
#include "model/transform.h"
#include "platform/fonts.h"
#include "tools/mouse_draw.h"

namespace {

void QuietHandler(QtMsgType, const QMessageLogContext&, const QString&) {}

// One QApplication on the offscreen platform for every window benchmark.
void EnsureApplication() {
  static QApplication* application = [] {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietHandler);
    static int argc = 1;
    static char name[] = "tools_bench";
    static char* argv[] = {name, nullptr};
    auto* a = new QApplication(argc, argv);
    pf::InstallFontSubstitutes();
    return a;
  }();
  (void)application;
}

void BM_RotateFine(benchmark::State& state) {
  std::mt19937 random(7);
  pf::TransformState t;
  pf::Image32 picture{};
  for (auto& p : picture) p = static_cast<std::uint8_t>(random() % 16);
  pf::CaptureImage(t, picture);
  t.scale = 1.0;
  for (auto _ : state) {
    const pf::ResampleResult r = pf::RotateFine(t, pf::TurnDirection::Left);
    benchmark::DoNotOptimize(r.ok);
    benchmark::DoNotOptimize(t.work.data());
  }
}
BENCHMARK(BM_RotateFine);

void BM_MouseDrawDragStep(benchmark::State& state) {
  EnsureApplication();
  QTemporaryDir folder;
  // The shipped palette file beside this source: <repository>/data/Pal.pal.
  const QString palette =
      QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../data/Pal.pal");
  QFile::copy(palette, folder.filePath(QStringLiteral("Pal.pal")));
  pf::ScriptedUi ui;
  {
    pf::App app(ui, folder.path());
    pf::IC* ic = app.start();
    if (!ic->wasActivated()) ic->activate();
    std::mt19937 random(11);
    for (int i = 0; i < pf::kPixelCount; ++i)
      app.state.IconPixels[i] = static_cast<std::uint8_t>(random() % 16);

    pf::Form17* form = app.single<pf::Form17>();
    if (!form->wasActivated()) form->activate();
    form->findChild<QRadioButton*>(QStringLiteral("Option1_2"))->setChecked(true);  // lines
    form->Form_MouseDown(1, 0, 235, 50 + 20 * 9 + 5);                               // colour 9
    form->Form_MouseDown(1, 0, 10 + 5 * 3, 10 + 5 * 4);                             // the line's start
    int step = 0;
    for (auto _ : state) {
      // The pointer sweeps the canvas; every move redraws the line from the start.
      const int x = step % 32;
      const int y = (step / 32) % 32;
      form->Form_MouseMove(1, 0, 10 + 5 * x + 2, 10 + 5 * y + 2);
      ++step;
      benchmark::DoNotOptimize(form->work().data());
    }
    form->Form_MouseUp(1, 0, 0, 0);
  }
}
BENCHMARK(BM_MouseDrawDragStep)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
