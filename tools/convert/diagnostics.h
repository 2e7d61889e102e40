// What the image libraries say while a file is converted, kept for that file's one line instead of
// reaching the terminal unnamed.
//
// Qt's decoders report through Qt's message handler; libpng writes its errors straight to the C library's
// stderr. Both are turned into the current thread's capture, so files converted at once on several threads
// keep their messages apart. The program's own lines go to MessageStream().
#pragma once

#include <QString>
#include <QStringList>
#include <cstdio>

namespace pf::convert {

// Installs the message handler and the stderr that feeds the captures. Call once, before any thread.
void InstallDiagnosticsCapture();
// The terminal's standard error, for the program's own lines.
FILE* MessageStream();

// Collects, while it lives, what the libraries say on this thread.
class DiagnosticsCapture {
 public:
  DiagnosticsCapture();
  ~DiagnosticsCapture();
  DiagnosticsCapture(const DiagnosticsCapture&) = delete;
  DiagnosticsCapture& operator=(const DiagnosticsCapture&) = delete;

  // Whether a decoder said the data is damaged (an error, or a warning such as a JPEG ending early,
  // which the decoder fills with grey and otherwise passes as success).
  bool damaged() const { return !complaint_.isEmpty(); }
  // The decoder's words, without its "libpng error:" prefix; empty when it said nothing.
  const QString& complaint() const { return complaint_; }

  void add(const QString& line);

 private:
  DiagnosticsCapture* outer_;
  QString complaint_;
  QString partial_;  // a line written in pieces
  friend ssize_t WriteToCapture(void*, const char*, size_t);
};

}  // namespace pf::convert
