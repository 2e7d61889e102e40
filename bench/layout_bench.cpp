// Window layout figures: restoring a saved pattern of fifteen windows (the photo window with a 6000 x 4000
// JPEG and the full colour window it opens, five archives each loading its work file, and eight tool
// windows) the way the screen setting window's LOAD does, from closing what is open to the last window
// shown; the same pattern without the photo, to tell the photo's share; and saving the pattern.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <vector>

#include "bench_program.h"
#include "model/file_io.h"
#include "model/window_layouts.h"
#include "model/work_file.h"
#include "settings/window_layout.h"

namespace {

using pf::bench::Program;

// Pattern 1 of the program's PF.ini: fifteen windows spread over the screen.
void StorePattern(Program& p, bool withPhoto) {
  pf::LayoutRecord record;
  record.name = "bench";
  record.mainVisible = true;
  auto add = [&record](const char* name, std::string file = {}) {
    const int i = static_cast<int>(record.children.size());
    record.children.push_back({name, 300 * (i % 8), 1500 + 900 * (i / 8), std::move(file)});
  };
  add("Form18", withPhoto ? pf::bench::CameraPhotoPath().toStdString() : std::string());
  add("Form20");
  for (int n = 1; n <= 5; ++n) {
    const std::string work = p.folder.filePath(QStringLiteral("pf%1.wrk").arg(n)).toStdString();
    std::vector<std::uint8_t> bytes(pf::kWorkFileSize);
    for (std::size_t k = 0; k < bytes.size(); ++k) bytes[k] = static_cast<std::uint8_t>(k * 7 + n);
    pf::WriteFileAtomically(work, bytes);
    add("Form10", work);
  }
  for (const char* tool : {"Form1", "Form2", "Form3", "Form4", "Form5", "Form7", "Form12", "Form14"})
    add(tool);
  pf::StoreLayoutPattern(p.app->settings.path(), 1, record);
}

void Restore(benchmark::State& state, bool withPhoto) {
  Program p;
  StorePattern(p, withPhoto);
  for (auto _ : state) {
    pf::RestoreWindowPattern(*p.app, 1);
    state.PauseTiming();
    const auto open = p.app->forms.forms().size() - 1;  // the editor is not part of the pattern
    if (open != 15) state.SkipWithError("the pattern did not restore fifteen windows");
    // The windows closed by this restore are deleted before the next one starts.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    state.ResumeTiming();
  }
}

void RestoreFifteenWindows(benchmark::State& state) {
  Restore(state, true);
}
BENCHMARK(RestoreFifteenWindows)->Unit(benchmark::kMillisecond)->MinTime(3);

void RestoreFifteenWindowsWithoutPhoto(benchmark::State& state) {
  Restore(state, false);
}
BENCHMARK(RestoreFifteenWindowsWithoutPhoto)->Unit(benchmark::kMillisecond)->MinTime(3);

void SaveFifteenWindows(benchmark::State& state) {
  Program p;
  StorePattern(p, true);
  pf::RestoreWindowPattern(*p.app, 1);
  for (auto _ : state) {
    if (!pf::SaveWindowPattern(*p.app, 2, QStringLiteral("saved"))) state.SkipWithError("could not save");
  }
}
BENCHMARK(SaveFifteenWindows)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return pf::bench::RunWindowBenchmarks(argc, argv);
}
