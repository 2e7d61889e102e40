// Main window figures: one typed digit (its key event, the redisplay of what it changed, the caret move and
// the repaint of the previous one), a redisplay with nothing changed, and start-up to the first painted
// main window inside a running program. bench/typing_cpu.sh and bench/startup_bench.sh measure the real
// program on an X server.
#include <benchmark/benchmark.h>

#include <QDir>
#include <random>

#include "app/recovery.h"
#include "archive/work_archive.h"
#include "bench_program.h"
#include "model/file_io.h"
#include "platform/local_path.h"

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

// The same with the recovery journal on: each digit notes the change as a key press does, and the
// snapshot its timer takes once a second (the digit's processEvents runs it) is part of the figure.
void TypedDigitWithJournal(benchmark::State& state) {
  Program p;
  pf::SessionJournal journal(*p.app, p.folder.filePath(QStringLiteral("state")));
  journal.offerAndStart();
  int digit = 0;
  for (auto _ : state) {
    p.ic->Form_KeyDown(48 + (digit++ % 10), 0);
    p.ic->MoveCaret(p.ic->CX + 8, p.ic->CY);
    p.app->workChanged();
  }
  journal.end();
}
BENCHMARK(TypedDigitWithJournal)->Unit(benchmark::kMicrosecond);

// A full undo history and five archives with unsaved slots, each over a work file of its own on disk.
struct JournalledProgram {
  Program p;
  std::vector<pf::Form10*> archives;

  JournalledProgram() {
    std::mt19937 random(3);
    for (int n = 0; n < 5; ++n) {
      auto* archive = p.app->create<pf::Form10>();
      if (!archive->wasActivated()) archive->activate();
      archives.push_back(archive);
    }
    for (int digit = 0; digit < 260; ++digit) {
      for (int k = 0; k < pf::kPixelCount; k += 97) p.app->state.IconPixels[k] = std::uint8_t(random() % 16);
      p.ic->RedisplayAll(1);
    }
    for (int n = 0; n < 5; ++n) {
      // Saved through its menu, then changed: the slots differ from the file on disk.
      p.ui.fileAnswers = {p.folder.filePath(QStringLiteral("a%1.wrk").arg(n))};
      archives[n]->mnuFSAVE_Click();
      archives[n]->Option1[1]->setChecked(true);
      archives[n]->mnuGET_Click();
    }
  }
};

// What the timer does on the user's thread once a second while work changes.
void JournalSnapshot(benchmark::State& state) {
  JournalledProgram j;
  for (auto _ : state) benchmark::DoNotOptimize(pf::CaptureRecoveryState(*j.p.app));
  const pf::EncodedJournal encoded = pf::EncodeJournal(pf::CaptureRecoveryState(*j.p.app));
  state.counters["journal_bytes"] = static_cast<double>(encoded.journal.size());
  state.counters["blob_bytes"] = static_cast<double>(pf::EncodeJournalBlobFile(encoded.blobs).size());
}
BENCHMARK(JournalSnapshot)->Unit(benchmark::kMicrosecond);

// What the worker thread does with it: encode and write with the atomic writer (flushed to disk).
void JournalEncodeAndWrite(benchmark::State& state) {
  JournalledProgram j;
  const pf::RecoveryState snapshot = pf::CaptureRecoveryState(*j.p.app);
  const std::string path = pf::LocalPath(j.p.folder.filePath(QStringLiteral("journal.pfj")));
  for (auto _ : state) {
    const pf::EncodedJournal encoded = pf::EncodeJournal(snapshot);
    pf::WriteFileAtomically(path + ".blobs", pf::EncodeJournalBlobFile(encoded.blobs));
    pf::WriteFileAtomically(path, encoded.journal);
  }
}
BENCHMARK(JournalEncodeAndWrite)->Unit(benchmark::kMillisecond);

// What a minute of steady typing writes: a full history and five archives, the argument's keys a second
// (each adding an undo record of a picture not seen before), and the journal's write once a second, as
// its timer coalesces them. Rewrites of the blob file are counted with the rest.
void JournalTypingMinute(benchmark::State& state) {
  const auto keysPerSecond = static_cast<int>(state.range(0));
  JournalledProgram j;
  pf::SessionJournal journal(*j.p.app, j.p.folder.filePath(QStringLiteral("state")));
  journal.offerAndStart();
  journal.writer()->writeNow();
  const std::int64_t first = journal.writer()->bytesWritten();
  int digit = 0;
  std::int64_t firstMinute = -1;
  for (auto _ : state) {
    for (int second = 0; second < 60; ++second) {
      for (int k = 0; k < keysPerSecond; ++k) {
        j.p.ic->Form_KeyDown(48 + (digit++ % 10), 0);
        // Along the rows and down the grid, so that no picture comes twice and each record is new.
        int x = j.p.ic->CX + 8, y = j.p.ic->CY;
        if (x > pf::IC::kCaretMaxX) {
          x = 0;
          y = y + 16 > pf::IC::kCaretMaxY ? pf::IC::kGridTop : y + 16;
        }
        j.p.ic->MoveCaret(x, y);
      }
      journal.writer()->writeNow();
    }
    if (firstMinute < 0) firstMinute = journal.writer()->bytesWritten() - first;
  }
  state.counters["first_write_bytes"] = static_cast<double>(first);
  state.counters["first_minute_bytes"] = static_cast<double>(firstMinute);
  state.counters["bytes_per_minute"] =
      static_cast<double>(journal.writer()->bytesWritten() - first) / static_cast<double>(state.iterations());
  journal.end();
}
BENCHMARK(JournalTypingMinute)->Arg(1)->Arg(8)->Iterations(10)->Unit(benchmark::kMillisecond);

// Taking the picture into an archive slot, without and with the journal's notice of it.
void ArchiveTake(benchmark::State& state) {
  Program p;
  std::unique_ptr<pf::SessionJournal> journal;
  if (state.range(0)) {
    journal = std::make_unique<pf::SessionJournal>(*p.app, p.folder.filePath(QStringLiteral("state")));
    journal->offerAndStart();
  }
  auto* archive = p.app->create<pf::Form10>();
  if (!archive->wasActivated()) archive->activate();
  archive->Option1[1]->setChecked(true);
  for (auto _ : state) {
    archive->mnuGET_Click();
    p.app->workChanged();
  }
  if (journal) journal->end();
}
BENCHMARK(ArchiveTake)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

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
