// pictoforge-send FILE [--socket PATH]
//
// Sends a file name to the running editor the way its message protocol expects: 810 to begin, one 811
// per character (lParam = the Unicode code point) and 812 to load the name as an exchange file.
#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

#include "platform/file_name_sender.h"
#include "platform/message_channel.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  QString socketPath;
  const qsizetype socketFlag = args.indexOf(QStringLiteral("--socket"));
  if (socketFlag >= 0 && socketFlag + 1 < args.size()) {
    socketPath = args[socketFlag + 1];
    args.remove(socketFlag, 2);
  }
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: pictoforge-send FILE [--socket PATH]\n");
    return 2;
  }
  if (socketPath.isEmpty()) {
    // The editor's own choice: a name nobody else can have made.
    const pf::ChannelPlace place = pf::DefaultChannelPlace();
    if (place.path.isEmpty()) {
      std::fprintf(stderr, "pictoforge-send: %s\n", qPrintable(place.problem));
      return 1;
    }
    socketPath = place.path;
  }
  // The editor reads the name as it arrives, from its own working folder: send it absolute.
  const QString name = QFileInfo(args[0]).absoluteFilePath();

  QString error;
  const pf::SendResult result =
      pf::SendToEditor(socketPath, pf::FileNameMessages(name, pf::kNameIsExchangeFile), &error);
  if (result == pf::SendResult::NoEditor) {
    std::fprintf(stderr, "pictoforge-send: no editor is listening on %s (%s)\n", qPrintable(socketPath),
                 qPrintable(error));
    return 1;
  }
  if (result == pf::SendResult::Failed) {
    std::fprintf(stderr, "pictoforge-send: could not send to the editor (%s)\n", qPrintable(error));
    return 1;
  }
  return 0;
}
