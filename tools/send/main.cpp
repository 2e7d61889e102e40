// pictoforge-send FILE [--socket PATH]
//
// Sends a file name to the running editor the way its message protocol expects: 810 to begin, one 811
// per character (lParam = the Unicode code point) and 812 to load the name as an exchange file.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStringList>
#include <cstdio>

#include "platform/message_channel.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = QCoreApplication::arguments().mid(1);
  QString socketPath = pf::DefaultChannelPath();
  const qsizetype socketFlag = args.indexOf(QStringLiteral("--socket"));
  if (socketFlag >= 0 && socketFlag + 1 < args.size()) {
    socketPath = args[socketFlag + 1];
    args.remove(socketFlag, 2);
  }
  if (args.size() != 1) {
    std::fprintf(stderr, "usage: pictoforge-send FILE [--socket PATH]\n");
    return 2;
  }
  // The editor reads the name as it arrives, from its own working folder: send it absolute.
  const QString name = QFileInfo(args[0]).absoluteFilePath();

  QLocalSocket socket;
  socket.connectToServer(socketPath);
  if (!socket.waitForConnected(2000)) {
    std::fprintf(stderr, "pictoforge-send: no editor is listening on %s (%s)\n", qPrintable(socketPath),
                 qPrintable(socket.errorString()));
    return 1;
  }
  QByteArray stream = pf::EncodeMessage({810, 0, 0});
  for (char32_t c : name.toUcs4()) stream += pf::EncodeMessage({811, 0, static_cast<std::int32_t>(c)});
  stream += pf::EncodeMessage({812, 0, 0});
  socket.write(stream);
  if (!socket.waitForBytesWritten(5000) && socket.bytesToWrite() > 0) {
    std::fprintf(stderr, "pictoforge-send: could not send to the editor (%s)\n",
                 qPrintable(socket.errorString()));
    return 1;
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(2000);
  return 0;
}
