// Archive and composition figures: repainting all twenty cells of an archive, one send from an archive
// into the editor with the editor's full redisplay, and the memory of a program with ten archives and
// five composition windows open.
#include <benchmark/benchmark.h>

#include <fstream>
#include <random>
#include <string>

#include "archive/composition_window.h"
#include "archive/work_archive.h"
#include "bench_program.h"

namespace {

using pf::bench::Program;

pf::Form10* ArchiveWithPictures(Program& p) {
  std::mt19937 random(5);
  auto* archive = p.app->create<pf::Form10>();
  if (!archive->wasActivated()) archive->activate();
  for (int slot = 1; slot <= 20; ++slot) {
    for (int k = 0; k < pf::kPixelCount; ++k)
      p.app->state.IconPixels[k] = static_cast<std::uint8_t>(random() % 16);
    archive->Option1[slot]->setChecked(true);
    archive->mnuGET_Click();
  }
  return archive;
}

void DrawAllSlots(benchmark::State& state) {
  Program p;
  pf::Form10* archive = ArchiveWithPictures(p);
  for (auto _ : state) archive->DrawAllSlots();
}
BENCHMARK(DrawAllSlots)->Unit(benchmark::kMicrosecond);

void SendToEditor(benchmark::State& state) {
  Program p;
  pf::Form10* archive = ArchiveWithPictures(p);
  archive->Check1[1]->setChecked(true);  // XOR: every send changes the picture, so every one is an undo step
  for (auto _ : state) archive->mnuTRANS_Click();
}
BENCHMARK(SendToEditor)->Unit(benchmark::kMicrosecond);

// Resident memory in MiB, from the kernel's account of this process.
double ResidentMiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  }
  return 0;
}

void ManyWindowsOpen(benchmark::State& state) {
  for (auto _ : state) {
    Program p;
    QCoreApplication::processEvents();
    const double before = ResidentMiB();
    for (int i = 0; i < 10; ++i) ArchiveWithPictures(p);
    for (int i = 0; i < 5; ++i) p.ic->mnuBMIX_Click();
    QCoreApplication::processEvents();
    state.counters["rss_MiB"] = ResidentMiB();
    state.counters["added_MiB"] = ResidentMiB() - before;
  }
}
BENCHMARK(ManyWindowsOpen)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  return pf::bench::RunWindowBenchmarks(argc, argv);
}
