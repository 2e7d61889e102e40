#include "platform/message_channel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QtEndian>
#include <cerrno>
#include <cstring>

namespace pf {

ChannelPlace ChooseChannelPlace(const QString& runtimeFolder, const QString& tempFolder) {
  const QString socketName = QStringLiteral("pictoforge.sock");
  if (!runtimeFolder.isEmpty() && QDir(runtimeFolder).exists())
    return {QDir(runtimeFolder).filePath(socketName), {}};

  const uid_t user = geteuid();
  const QString folder = QDir(tempFolder).filePath(QStringLiteral("pictoforge-%1").arg(user));
  const QByteArray native = QFile::encodeName(folder);
  // mkdir does not follow a link or reuse anything already there; what exists is checked below.
  if (::mkdir(native.constData(), 0700) == 0) ::chmod(native.constData(), 0700);
  struct stat st {};
  QString wrong;
  if (::lstat(native.constData(), &st) != 0) {
    wrong = QString::fromLocal8Bit(std::strerror(errno));
  } else if (S_ISLNK(st.st_mode)) {
    wrong = QStringLiteral("a symbolic link");
  } else if (!S_ISDIR(st.st_mode)) {
    wrong = QStringLiteral("not a folder");
  } else if (st.st_uid != user) {
    wrong = QStringLiteral("owned by another user");
  } else if ((st.st_mode & 077) != 0) {
    wrong = QStringLiteral("open to other users (mode %1)").arg(st.st_mode & 0777, 3, 8, QLatin1Char('0'));
  }
  if (!wrong.isEmpty()) {
    return {{}, QStringLiteral("no file-name channel: %1 is %2").arg(folder, wrong)};
  }
  return {QDir(folder).filePath(socketName), {}};
}

ChannelPlace DefaultChannelPlace() {
  return ChooseChannelPlace(qEnvironmentVariable("XDG_RUNTIME_DIR"), QDir::tempPath());
}

QString DefaultChannelPath() {
  return DefaultChannelPlace().path;
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
  if (path.isEmpty()) {
    error_ = QStringLiteral("no place for the channel");
    return false;
  }
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
