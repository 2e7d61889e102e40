#include "diagnostics.h"

#include <unistd.h>

#include <QByteArray>
#include <QtGlobal>

namespace pf::convert {

namespace {

thread_local DiagnosticsCapture* current = nullptr;
FILE* terminal = stderr;

void Handle(QtMsgType type, const QMessageLogContext&, const QString& message) {
  // Outside a file's conversion nothing the toolkit says concerns the user; inside, only its warnings and
  // errors (libpng's own warnings come as information and are harmless).
  if (current && type != QtDebugMsg && type != QtInfoMsg) current->add(message);
}

}  // namespace

ssize_t WriteToCapture(void*, const char* data, size_t size) {
  DiagnosticsCapture* capture = current;
  if (!capture) {
    // A library writing outside any file's conversion: let it through as it was.
    std::fwrite(data, 1, size, terminal);
    return static_cast<ssize_t>(size);
  }
  capture->partial_ += QString::fromLocal8Bit(data, static_cast<qsizetype>(size));
  for (qsizetype end; (end = capture->partial_.indexOf(QLatin1Char('\n'))) >= 0;) {
    capture->add(capture->partial_.left(end));
    capture->partial_.remove(0, end + 1);
  }
  return static_cast<ssize_t>(size);
}

void InstallDiagnosticsCapture() {
  terminal = stderr;
  qInstallMessageHandler(Handle);
  cookie_io_functions_t io{};
  io.write = WriteToCapture;
  if (FILE* capture = fopencookie(nullptr, "w", io)) {
    std::setvbuf(capture, nullptr, _IONBF, 0);  // each write reaches the capture on the writing thread
    stderr = capture;
  }
}

FILE* MessageStream() {
  return terminal;
}

DiagnosticsCapture::DiagnosticsCapture() : outer_(current) {
  current = this;
}

DiagnosticsCapture::~DiagnosticsCapture() {
  if (!partial_.isEmpty()) add(partial_);
  current = outer_;
}

void DiagnosticsCapture::add(const QString& line) {
  QString text = line.trimmed();
  // libpng's warnings (an odd colour profile, say) leave the picture whole, and so do the JPEG decoder's
  // about stray bytes between its markers, which many cameras write.
  if (text.startsWith(QLatin1String("libpng warning:")) ||
      text.contains(QLatin1String("extraneous bytes before marker")))
    return;
  const QLatin1String error("libpng error:");
  if (text.startsWith(error)) text = text.mid(error.size()).trimmed();
  if (text.isEmpty()) return;
  // The first thing said is the cause; what follows is usually its consequence.
  if (complaint_.isEmpty()) complaint_ = text;
}

}  // namespace pf::convert
