#include "platform/message_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/local_path.h"

#include "platform/private_folder.h"

namespace pf {

namespace {

// A sender that floods us with garbage cannot grow a connection's buffer beyond this.
constexpr qsizetype kMaxPending = 1 << 20;

QString ErrnoText(const char* what) {
  return QStringLiteral("%1: %2").arg(QString::fromLatin1(what),
                                      QString::fromLocal8Bit(std::strerror(errno)));
}

// The socket address of a path; false when the path does not fit.
bool AddressOf(const QString& path, sockaddr_un& address) {
  const std::string bytes = LocalPath(path);
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (bytes.empty() || bytes.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, bytes.data(), bytes.size());
  return true;
}

}  // namespace

ChannelPlace ChooseChannelPlace(const QString& runtimeFolder, const QString& tempFolder) {
  const QString socketName = QStringLiteral("pictoforge.sock");
  if (!runtimeFolder.isEmpty() && QDir(runtimeFolder).exists())
    return {QDir(runtimeFolder).filePath(socketName), {}};

  const QString folder = QDir(tempFolder).filePath(QStringLiteral("pictoforge-%1").arg(geteuid()));
  MakePrivateFolder(folder);
  const QString wrong = PrivateFolderProblem(folder, 077);
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

int ConnectToChannel(const QString& path, int timeoutMs, QString* error) {
  sockaddr_un address;
  if (!AddressOf(path, address)) {
    if (error) *error = QStringLiteral("%1: the path is too long for a socket").arg(path);
    return -1;
  }
  QElapsedTimer clock;
  clock.start();
  int pauseMs = 5;
  for (;;) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
      if (error) *error = ErrnoText("socket");
      return -1;
    }
    int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address));
    if (result != 0 && errno == EINPROGRESS) {
      // Not what a local socket does today, but allowed: wait for the outcome.
      pollfd p{fd, POLLOUT, 0};
      int soError = ETIMEDOUT;
      if (::poll(&p, 1, std::max<qint64>(0, timeoutMs - clock.elapsed())) == 1) {
        socklen_t length = sizeof(soError);
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &soError, &length);
      }
      errno = soError;
      result = soError == 0 ? 0 : -1;
    }
    if (result == 0) {
      ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
      return fd;
    }
    const int failure = errno;
    ::close(fd);
    // A full queue (EAGAIN) is final for this attempt on a local socket; the listener drains it soon.
    // Nothing there or nobody listening is final at once.
    const qint64 left = timeoutMs - clock.elapsed();
    if ((failure != EAGAIN && failure != EWOULDBLOCK) || left <= 0) {
      errno = failure;
      if (error) *error = ErrnoText("connect");
      return -1;
    }
    ::poll(nullptr, 0, static_cast<int>(std::min<qint64>(pauseMs, left)));
    pauseMs = std::min(pauseMs * 2, 100);
  }
}

struct MessageChannel::Connection {
  ConnectionId id = 0;
  int fd = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  QByteArray pending;
  // The sender has closed (or sent too much); the connection goes once its messages are handled.
  bool ended = false;
  ~Connection() {
    notifier.reset();
    if (fd >= 0) ::close(fd);
  }
};

MessageChannel::MessageChannel(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

MessageChannel::~MessageChannel() {
  close();
}

bool MessageChannel::listen(const QString& path) {
  if (path.isEmpty()) {
    error_ = QStringLiteral("no place for the channel");
    return false;
  }
  close();
  sockaddr_un address;
  if (!AddressOf(path, address)) {
    error_ = QStringLiteral("%1: the path is too long for a socket").arg(path);
    return false;
  }
  // A socket file that nobody answers on is left over from an editor that died; one that answers belongs
  // to a running editor, which keeps it.
  if (const int probe = ConnectToChannel(path, 200, nullptr); probe >= 0) {
    ::close(probe);
    error_ = QStringLiteral("another editor listens on %1").arg(path);
    return false;
  }
  QFile::remove(path);

  // Readable and writable by the user alone from the moment it appears: made in a private folder beside
  // the target, restricted, then renamed into place.
  QByteArray folder =
      QFile::encodeName(QFileInfo(path).absolutePath() + QStringLiteral("/.pictoforge-XXXXXX"));
  if (::mkdtemp(folder.data()) == nullptr) {
    error_ = ErrnoText("mkdtemp");
    return false;
  }
  const QString staging = QFile::decodeName(folder) + QStringLiteral("/s");
  sockaddr_un stagingAddress;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  bool ok = fd >= 0 && AddressOf(staging, stagingAddress);
  if (!ok) error_ = ErrnoText("socket");
  if (ok && ::bind(fd, reinterpret_cast<const sockaddr*>(&stagingAddress), sizeof(stagingAddress)) != 0) {
    error_ = ErrnoText("bind");
    ok = false;
  }
  if (ok && (::chmod(stagingAddress.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 64) != 0 ||
             ::rename(stagingAddress.sun_path, address.sun_path) != 0)) {
    error_ = ErrnoText("listen");
    ok = false;
  }
  ::unlink(stagingAddress.sun_path);
  ::rmdir(folder.constData());
  if (!ok) {
    if (fd >= 0) ::close(fd);
    return false;
  }
  listenFd_ = fd;
  path_ = path;
  listenNotifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  connect(listenNotifier_.get(), &QSocketNotifier::activated, this, &MessageChannel::acceptConnections);
  return true;
}

void MessageChannel::close() {
  connections_.clear();
  if (listenFd_ < 0) return;
  listenNotifier_.reset();
  ::close(listenFd_);
  listenFd_ = -1;
  QFile::remove(path_);
}

void MessageChannel::acceptConnections() {
  while (listenFd_ >= 0) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) return;
    auto connection = std::make_unique<Connection>();
    connection->id = ++lastId_;
    connection->fd = fd;
    connection->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    const ConnectionId id = connection->id;
    connect(connection->notifier.get(), &QSocketNotifier::activated, this, [this, id] {
      if (Connection* c = find(id)) readFrom(c);
    });
    connections_.push_back(std::move(connection));
  }
}

MessageChannel::Connection* MessageChannel::find(ConnectionId id) const {
  for (const auto& c : connections_) {
    if (c->id == id) return c.get();
  }
  return nullptr;
}

void MessageChannel::answer(ConnectionId connection, const ChannelMessage& m) {
  const Connection* c = find(connection);
  if (c == nullptr) return;
  const QByteArray bytes = EncodeMessage(m);
  // Twelve bytes fit a socket buffer whole or not at all; a sender that has gone gets nothing.
  (void)::send(c->fd, bytes.constData(), static_cast<std::size_t>(bytes.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
}

void MessageChannel::readFrom(Connection* connection) {
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::recv(connection->fd, chunk, sizeof(chunk), 0);
    if (n > 0) {
      connection->pending.append(chunk, static_cast<qsizetype>(n));
      if (connection->pending.size() > kMaxPending) {
        connection->ended = true;
        connection->pending.clear();
        break;
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    connection->ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
    break;
  }
  // Whole messages only; a trailing partial message waits for the rest or is dropped with the connection.
  const qsizetype whole = connection->pending.size() / 12 * 12;
  const QByteArray bytes = connection->pending.left(whole);
  connection->pending.remove(0, whole);
  const ConnectionId id = connection->id;
  // The handler may show dialogs and run events: this connection is not read again meanwhile, so its
  // messages keep their order, while other senders' messages go on arriving.
  connection->notifier->setEnabled(false);
  // The handler may also close this channel; nothing of ours is touched after.
  const QPointer<MessageChannel> self = this;
  for (qsizetype at = 0; at + 12 <= bytes.size() && self && handler_; at += 12) {
    ChannelMessage m;
    m.message = qFromLittleEndian<std::int32_t>(bytes.constData() + at);
    m.wParam = qFromLittleEndian<std::int32_t>(bytes.constData() + at + 4);
    m.lParam = qFromLittleEndian<std::int32_t>(bytes.constData() + at + 8);
    const Handler handler = handler_;
    const ConnectionId outer = std::exchange(current_, id);
    handler(m);
    if (self) current_ = outer;
  }
  if (!self) return;
  Connection* still = find(id);
  if (still == nullptr) return;
  if (!still->ended) {
    still->notifier->setEnabled(true);
    return;
  }
  std::erase_if(connections_, [still](const auto& c) { return c.get() == still; });
  if (endHandler_) {
    const auto ended = endHandler_;
    ended(id);
  }
}

}  // namespace pf
