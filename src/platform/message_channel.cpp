#include "platform/message_channel.h"

#include <unistd.h>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QtEndian>

namespace pf {

QString DefaultChannelPath() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QDir(runtime).exists())
    return QDir(runtime).filePath(QStringLiteral("pictoforge.sock"));
  return QDir(QDir::tempPath()).filePath(QStringLiteral("pictoforge-%1.sock").arg(getuid()));
}

QByteArray EncodeMessage(const ChannelMessage& m) {
  QByteArray bytes(12, '\0');
  qToLittleEndian<std::int32_t>(m.message, bytes.data());
  qToLittleEndian<std::int32_t>(m.wParam, bytes.data() + 4);
  qToLittleEndian<std::int32_t>(m.lParam, bytes.data() + 8);
  return bytes;
}

MessageChannel::MessageChannel(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &MessageChannel::acceptConnections);
}

MessageChannel::~MessageChannel() {
  close();
}

bool MessageChannel::listen(const QString& path) {
  // A socket file that nobody answers on is left over from an editor that died; one that answers belongs
  // to a running editor, which keeps it.
  QLocalSocket probe;
  probe.connectToServer(path);
  if (probe.waitForConnected(200)) {
    probe.disconnectFromServer();
    error_ = QStringLiteral("another editor listens on %1").arg(path);
    return false;
  }
  QLocalServer::removeServer(path);
  if (!server_.listen(path)) {
    error_ = server_.errorString();
    return false;
  }
  return true;
}

void MessageChannel::close() {
  if (server_.isListening()) server_.close();
}

void MessageChannel::acceptConnections() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      // Whole messages only; a trailing partial message waits for the rest or is dropped with the socket.
      while (socket->bytesAvailable() >= 12) {
        const QByteArray bytes = socket->read(12);
        if (bytes.size() != 12) break;
        ChannelMessage m;
        m.message = qFromLittleEndian<std::int32_t>(bytes.constData());
        m.wParam = qFromLittleEndian<std::int32_t>(bytes.constData() + 4);
        m.lParam = qFromLittleEndian<std::int32_t>(bytes.constData() + 8);
        if (handler_) handler_(m);
      }
      // A sender that floods us with garbage cannot grow the buffer without bound.
      if (socket->bytesAvailable() > 1 << 20) socket->abort();
    });
  }
}

}  // namespace pf
