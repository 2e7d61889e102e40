// Peak memory of 写真加工 for one photo at one slider position: pictoforge's photo reduction window opens
// FILE and the slider is set to SLIDER (1..20), then the process's peak resident size (VmHWM) is printed.
// Each run is a fresh process, so the figure belongs to that one position:
//   photo_memory_bench FILE SLIDER
// Without arguments it makes a 12000 x 9000 JPEG and runs itself at slider 1, 11 and 20;
//   photo_memory_bench --make FOLDER   only writes that JPEG into FOLDER, as big.jpg.
#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QScrollBar>
#include <QSlider>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "bench_program.h"
#include "fullcolour/photo_reduction.h"

namespace {

using pf::bench::StatusMiB;

// A smooth gradient with a little noise, written in bands so that making it costs little memory.
QString MakePhoto(const QTemporaryDir& dir) {
  const QString path = dir.filePath(QStringLiteral("big.jpg"));
  QImage image(12000, 9000, QImage::Format_RGB888);
  std::uint32_t seed = 7;
  for (int y = 0; y < image.height(); ++y) {
    uchar* line = image.scanLine(y);
    for (int x = 0; x < image.width(); ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = static_cast<int>(seed >> 29);
      line[3 * x] = static_cast<uchar>(32 + (x * 200 / 12000 ^ noise));
      line[3 * x + 1] = static_cast<uchar>(32 + (y * 200 / 9000 ^ noise));
      line[3 * x + 2] = static_cast<uchar>(32 + (x + y) % 200);
    }
  }
  image.save(path, "JPEG", 90);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--make") {
    QCoreApplication core(argc, argv);
    QTemporaryDir dir(QString::fromLocal8Bit(argv[2]) + QStringLiteral("/photo-XXXXXX"));
    dir.setAutoRemove(false);
    std::printf("%s\n", qPrintable(MakePhoto(dir)));
    return 0;
  }
  if (argc == 1) {
    QCoreApplication core(argc, argv);
    QTemporaryDir dir;
    const QString photo = MakePhoto(dir);
    for (const char* slider : {"1", "11", "20"}) {
      QProcess run;
      run.setProcessChannelMode(QProcess::ForwardedChannels);
      run.start(QCoreApplication::applicationFilePath(), {photo, QString::fromLatin1(slider)});
      run.waitForFinished(-1);
    }
    return 0;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  const QString file = QString::fromLocal8Bit(argv[1]);
  const int slider = argc > 2 ? std::atoi(argv[2]) : 1;
  pf::bench::Program program;
  pf::Form9* form = program.app->single<pf::Form9>();
  const double before = StatusMiB("VmHWM");
  form->LoadPicFile(file);
  form->Slider1->setValue(slider);
  QCoreApplication::processEvents();
  // Black pixels in the picture area: the photo has none, so any is a photo the window failed to show.
  int black = 0;
  for (int y = 0; y < std::min(480, form->Picture2.height()); ++y) {
    for (int x = 0; x < std::min(640, form->Picture2.width()); ++x)
      black += form->Picture2.getPixel(x, y) == 0;
  }
  std::printf(
      "slider %2d: shown %5dx%-5d held %4dx%-4d black %6d  peak %7.1f MiB (%6.1f MiB before opening)\n",
      slider, form->shownSize().width(), form->shownSize().height(), form->Picture2.width(),
      form->Picture2.height(), black, StatusMiB("VmHWM"), before);
  // Then scrolled to the far corner, where the part shown is the photo's last.
  form->HScroll1->setValue(form->HScroll1->maximum());
  form->VScroll1->setValue(form->VScroll1->maximum());
  QCoreApplication::processEvents();
  black = 0;
  for (int y = 0; y < std::min(480, form->Picture2.height()); ++y) {
    for (int x = 0; x < std::min(640, form->Picture2.width()); ++x)
      black += form->Picture2.getPixel(x, y) == 0;
  }
  std::printf("   far corner (%5d,%5d): held %4dx%-4d black %6d  peak %7.1f MiB\n", form->scrolledTo().x(),
              form->scrolledTo().y(), form->Picture2.width(), form->Picture2.height(), black,
              StatusMiB("VmHWM"));
  return 0;
}
