// Photo figures: opening a 6000 x 4000 JPEG to the 480 x 320 picture the photo window shows (through the
// loader, through the window, and decoded whole for comparison), the same reduction by djpeg as a
// reference, the peak memory each costs, one drag step over the shown photo and one stamping step, and one
// drag step in the photo reduction window.
#include <benchmark/benchmark.h>

#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <fstream>
#include <string>

#include "bench_program.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/photo_reduction.h"
#include "fullcolour/photo_window.h"
#include "fullcolour/reduction_window.h"
#include "platform/picture_loader.h"

namespace {

using pf::bench::Program;
using pf::bench::StatusMiB;

const QSize kShown(480, 320);

// How far the peak resident size rises above the current one while `work` runs. The kernel lets a
// process reset its own peak, so each figure stands alone rather than behind the largest before it.
template <class Work>
double PeakGrowthMiB(Work&& work) {
  std::ofstream("/proc/self/clear_refs") << "5";
  const double before = StatusMiB("VmHWM");
  work();
  return StatusMiB("VmHWM") - before;
}

QImage OpenShown() {
  pf::Photo photo;
  if (pf::LoadPictureFile(pf::bench::CameraPhotoPath(), photo) != pf::PictureStatus::Ok ||
      !photo.decodeFor(kShown))
    return {};
  return photo.scaled(kShown);
}

void OpenThroughLoader(benchmark::State& state) {
  pf::bench::CameraPhotoPath();
  state.counters["peak_rss_growth_MiB"] = PeakGrowthMiB([] { benchmark::DoNotOptimize(OpenShown()); });
  for (auto _ : state) {
    QImage shown = OpenShown();
    if (shown.size() != kShown) state.SkipWithError("the photo did not open");
    benchmark::DoNotOptimize(shown);
  }
}
BENCHMARK(OpenThroughLoader)->Unit(benchmark::kMillisecond);

// What the decoder's own reduction saves: the whole photo decoded, then scaled down.
QImage OpenWhole() {
  QImageReader reader(pf::bench::CameraPhotoPath());
  reader.setAutoTransform(true);
  return reader.read().scaled(kShown, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

void OpenDecodedWhole(benchmark::State& state) {
  pf::bench::CameraPhotoPath();
  state.counters["peak_rss_growth_MiB"] = PeakGrowthMiB([] { benchmark::DoNotOptimize(OpenWhole()); });
  for (auto _ : state) benchmark::DoNotOptimize(OpenWhole());
}
BENCHMARK(OpenDecodedWhole)->Unit(benchmark::kMillisecond);

// The reference: libjpeg-turbo's own tool reducing by 1/8 into nowhere, process start included.
void DjpegEighth(benchmark::State& state) {
  const QString djpeg = QStandardPaths::findExecutable(QStringLiteral("djpeg"));
  if (djpeg.isEmpty()) {
    state.SkipWithError("djpeg is not installed (libjpeg-turbo-progs)");
    return;
  }
  const QStringList args{QStringLiteral("-scale"), QStringLiteral("1/8"), QStringLiteral("-outfile"),
                         QStringLiteral("/dev/null"), pf::bench::CameraPhotoPath()};
  // The child's own peak, read while it runs: its rusage would also count the fork of this process.
  {
    QProcess child;
    child.start(djpeg, args);
    child.waitForStarted();
    const QString status = QStringLiteral("/proc/%1/status").arg(child.processId());
    double peak = 0;
    do {
      std::ifstream in(status.toStdString());
      for (std::string line; std::getline(in, line);) {
        if (line.rfind("VmHWM:", 0) == 0) peak = std::max(peak, std::stod(line.substr(6)) / 1024.0);
      }
    } while (!child.waitForFinished(1));
    state.counters["child_peak_rss_MiB"] = peak;
  }
  for (auto _ : state) {
    if (QProcess::execute(djpeg, args) != 0) state.SkipWithError("djpeg failed");
  }
}
BENCHMARK(DjpegEighth)->Unit(benchmark::kMillisecond);

// The window's whole open: load, fit, decode, and the shown picture on its surface.
void OpenThroughWindow(benchmark::State& state) {
  pf::bench::CameraPhotoPath();
  Program p;
  auto* form = p.app->single<pf::Form18>();
  state.counters["peak_rss_growth_MiB"] =
      PeakGrowthMiB([&] { form->LoadPicFile(pf::bench::CameraPhotoPath()); });
  for (auto _ : state) form->LoadPicFile(pf::bench::CameraPhotoPath());
  if (form->Picture2.width() != kShown.width()) state.SkipWithError("the photo is not shown at 480 x 320");
}
BENCHMARK(OpenThroughWindow)->Unit(benchmark::kMillisecond);

// One move with the button held: four slot copies, the work area and the icon window's refresh.
void DragStep(benchmark::State& state) {
  pf::bench::CameraPhotoPath();
  Program p;
  auto* form = p.app->single<pf::Form18>();
  form->LoadPicFile(pf::bench::CameraPhotoPath());
  int x = 100;
  for (auto _ : state) {
    form->Form_MouseMove(1, 0, x, 160);
    x = x == 100 ? 101 : 100;
  }
  QCoreApplication::processEvents();
}
BENCHMARK(DragStep)->Unit(benchmark::kMicrosecond);

// One move with the button held in the photo reduction window, the photo at full size: the pending
// events, the square enlarged and copied into the reduction window, and its refresh.
void ReductionDragStep(benchmark::State& state) {
  pf::bench::CameraPhotoPath();
  Program p;
  auto* form = p.app->single<pf::Form9>();
  if (!form->LoadPicFile(pf::bench::CameraPhotoPath())) state.SkipWithError("the photo did not open");
  form->Slider1->setValue(20);
  int x = 100;
  for (auto _ : state) {
    form->Form_MouseMove(1, 0, x, 160);
    x = x == 100 ? 101 : 100;
  }
  if (p.ui.messages.size() != 0) state.SkipWithError("the reduction window is not open");
  QCoreApplication::processEvents();
}
BENCHMARK(ReductionDragStep)->Unit(benchmark::kMicrosecond);

// One stamping move in the icon window with transparency on: the slot into the preview, the key colour
// left out, the blend and the copy back to the window.
void StampStep(benchmark::State& state) {
  Program p;
  auto* form = p.app->single<pf::Form18>();
  (void)form;
  auto* icon = p.app->find<pf::Form20>();
  icon->Check1->setChecked(true);
  icon->Slider1->setValue(128);
  int x = 360;
  for (auto _ : state) {
    icon->Form_MouseMove(1, 0, x, 60);
    x = x == 360 ? 361 : 360;
  }
  QCoreApplication::processEvents();
}
BENCHMARK(StampStep)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return pf::bench::RunWindowBenchmarks(argc, argv);
}
