// A running program for window benchmarks: the App in a temporary folder with the shipped palette file,
// dialogs answered by ScriptedUi, the main window started and activated.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <memory>

#include "app/app.h"
#include "editor/main_window.h"
#include "platform/fonts.h"

namespace pf::bench {

struct Program {
  QTemporaryDir folder;
  ScriptedUi ui;
  std::unique_ptr<App> app;
  IC* ic = nullptr;

  Program() {
    QFile::copy(QStringLiteral(PF_SOURCE_DIR "/data/Pal.pal"), folder.filePath(QStringLiteral("Pal.pal")));
    app = std::make_unique<App>(ui, folder.path());
    ic = app->start();
    if (!ic->wasActivated()) ic->activate();
  }
};

// main() of a window benchmark: one QApplication on the offscreen platform for all of them, without the
// platform's notes on every window operation it cannot do.
inline int RunWindowBenchmarks(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
  QApplication application(argc, argv);
  InstallFontSubstitutes();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

}  // namespace pf::bench
