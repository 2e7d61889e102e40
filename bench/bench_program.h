// A running program for window benchmarks: the App in a temporary folder with the shipped palette file,
// dialogs answered by ScriptedUi, the main window started and activated.
#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include "app/app.h"
#include "editor/main_window.h"
#include "platform/fonts.h"

namespace pf::bench {

// A figure of this process's /proc status in MiB, such as "VmHWM" (the peak resident size); 0 if absent.
inline double StatusMiB(const char* key) {
  std::ifstream status("/proc/self/status");
  const std::string prefix = std::string(key) + ":";
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(prefix, 0) == 0) return std::stod(line.substr(prefix.size())) / 1024.0;
  }
  return 0;
}

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

// One camera-sized photo (6000 x 4000 JPEG) for the whole run: gradients with some noise, so the encoder
// and the decoder have real work.
inline const QString& CameraPhotoPath() {
  static QTemporaryDir folder;
  static const QString path = [] {
    const QString p = folder.filePath(QStringLiteral("photo.jpg"));
    QImage image(6000, 4000, QImage::Format_RGB32);
    std::uint32_t seed = 12345;
    for (int y = 0; y < image.height(); ++y) {
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        seed = seed * 1664525u + 1013904223u;
        const int noise = static_cast<int>(seed >> 28) - 8;
        line[x] = qRgb(std::clamp(x * 255 / 6000 + noise, 0, 255), std::clamp(y * 255 / 4000 + noise, 0, 255),
                       std::clamp((x + y) % 256 + noise, 0, 255));
      }
    }
    image.save(p, "JPEG", 90);
    return p;
  }();
  return path;
}

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
