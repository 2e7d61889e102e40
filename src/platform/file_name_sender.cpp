#include "platform/file_name_sender.h"

#include <QLocalSocket>

#include "platform/message_channel.h"

namespace pf {

QByteArray FileNameMessages(const QString& name, std::int32_t wParam812) {
  QByteArray stream = EncodeMessage({810, 0, 0});
  for (char32_t c : name.toUcs4()) stream += EncodeMessage({811, 0, static_cast<std::int32_t>(c)});
  stream += EncodeMessage({812, wParam812, 0});
  return stream;
}

SendResult SendToEditor(const QString& socketPath, const QByteArray& messages, QString* error) {
  QLocalSocket socket;
  socket.connectToServer(socketPath);
  if (!socket.waitForConnected(2000)) {
    if (error) *error = socket.errorString();
    return SendResult::NoEditor;
  }
  socket.write(messages);
  while (socket.bytesToWrite() > 0) {
    if (!socket.waitForBytesWritten(5000)) {
      if (error) *error = socket.errorString();
      return SendResult::Failed;
    }
  }
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(2000);
  return SendResult::Sent;
}

}  // namespace pf
