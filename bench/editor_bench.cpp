// Main window figures: one typed digit (its key event, the redisplay of what it changed, the caret move and
// the repaint of the previous one), a redisplay with nothing changed, and start-up to the first painted
// main window inside a running program. bench/typing_cpu.sh and bench/startup_bench.sh measure the real
// program on an X server.
#include <benchmark/benchmark.h>

#include "bench_program.h"

namespace {

using pf::bench::Program;

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
  return pf::bench::RunWindowBenchmarks(argc, argv);
}
