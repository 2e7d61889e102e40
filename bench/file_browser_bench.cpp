// File browser figures: listing and showing a folder of 5,000 icons (with as many other files the
// pattern leaves out), and the preview of one file on a click.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QListWidget>

#include "archive/file_browser.h"
#include "bench_program.h"
#include "model/file_io.h"
#include "model/icon_file.h"
#include "platform/local_path.h"

namespace {

using pf::bench::Program;

constexpr int kFiles = 5000;

// A folder of the program's temporary folder holding 5,000 icons and 5,000 text files.
QString FullFolder(Program& p) {
  const QString path = p.folder.filePath(QStringLiteral("many"));
  QDir().mkpath(path);
  const std::vector<std::uint8_t> icon =
      pf::BuildIcon32(pf::Palette{}, std::vector<std::uint8_t>(512, 0x12), std::vector<std::uint8_t>(128, 0));
  for (int i = 0; i < kFiles; ++i) {
    const QString stem = QDir(path).filePath(QStringLiteral("picture %1").arg(i, 5, 10, QLatin1Char('0')));
    pf::WriteFileAtomically(pf::LocalPath(stem + (i % 2 ? QStringLiteral(".ico") : QStringLiteral(".ICO"))),
                            icon);
    pf::WriteFileAtomically(pf::LocalPath(stem + QStringLiteral(".txt")), std::vector<std::uint8_t>{});
  }
  return path;
}

pf::Form16* OpenBrowser(Program& p) {
  auto* browser = p.app->single<pf::Form16>();
  if (!browser->wasActivated()) browser->activate();
  return browser;
}

void ListFolderOf5000Files(benchmark::State& state) {
  Program p;
  const QString many = FullFolder(p);
  pf::Form16* browser = OpenBrowser(p);
  for (auto _ : state) {
    // Back and forth, so each round lists the big folder afresh.
    browser->ChangeFolder(p.folder.path());
    browser->ChangeFolder(many);
    QCoreApplication::processEvents();
  }
  state.counters["files"] = browser->findChild<QListWidget*>(QStringLiteral("File1"))->count();
}
BENCHMARK(ListFolderOf5000Files)->Unit(benchmark::kMillisecond);

void PreviewOneFile(benchmark::State& state) {
  Program p;
  const QString many = FullFolder(p);
  pf::Form16* browser = OpenBrowser(p);
  browser->ChangeFolder(many);
  auto* files = browser->findChild<QListWidget*>(QStringLiteral("File1"));
  files->setCurrentRow(2500);
  for (auto _ : state) browser->File1_Click();
}
BENCHMARK(PreviewOneFile)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  return pf::bench::RunWindowBenchmarks(argc, argv);
}
