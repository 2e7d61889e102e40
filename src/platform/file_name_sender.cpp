#include "platform/file_name_sender.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QtEndian>

#include "model/local_name.h"
#include "platform/message_channel.h"

namespace pf {

QByteArray FileNameMessages(const QString& name, std::int32_t wParam812) {
  QByteArray stream = EncodeMessage({810, 0, 0});
  const std::u16string_view units(reinterpret_cast<const char16_t*>(name.utf16()),
                                  static_cast<std::size_t>(name.size()));
  for (char32_t c : NameCodePoints(units)) stream += EncodeMessage({811, 0, static_cast<std::int32_t>(c)});
  stream += EncodeMessage({812, wParam812, 0});
  return stream;
}

namespace {

// How long an editor may take to say it has the name. One that never does predates the answers.
constexpr int kTakenWithinMs = 5000;

// The next whole answer from the editor: true with `m` filled, false when the editor closed the
// connection or `timeoutMs` (-1: no limit) passed first (`timedOut` tells which).
bool ReadAnswer(int fd, int timeoutMs, ChannelMessage& m, bool& timedOut) {
  char bytes[12];
  std::size_t have = 0;
  timedOut = false;
  while (have < sizeof(bytes)) {
    pollfd p{fd, POLLIN, 0};
    const int ready = ::poll(&p, 1, timeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready == 0) timedOut = true;
    if (ready != 1) return false;
    const ssize_t n = ::recv(fd, bytes + have, sizeof(bytes) - have, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    have += static_cast<std::size_t>(n);
  }
  m.message = qFromLittleEndian<std::int32_t>(bytes);
  m.wParam = qFromLittleEndian<std::int32_t>(bytes + 4);
  m.lParam = qFromLittleEndian<std::int32_t>(bytes + 8);
  return true;
}

SendResult AwaitAnswer(int fd, QString* error) {
  ChannelMessage m;
  bool timedOut = false;
  bool taken = false;
  for (;;) {
    if (!ReadAnswer(fd, taken ? -1 : kTakenWithinMs, m, timedOut)) {
      // No word in time from an editor that keeps the connection: one from before the answers.
      if (!taken && timedOut) return SendResult::Sent;
      if (error) *error = QStringLiteral("the editor ended before it answered");
      return SendResult::Failed;
    }
    if (m.message == kNameTaken) taken = true;
    if (m.message == kNameDone) return m.lParam == 1 ? SendResult::Opened : SendResult::NotOpened;
  }
}

}  // namespace

SendResult SendToEditor(const QString& socketPath, const QByteArray& messages, QString* error, Answer wait) {
  const int fd = ConnectToChannel(socketPath, 2000, error);
  if (fd < 0) return SendResult::NoEditor;
  qsizetype sent = 0;
  while (sent < messages.size()) {
    pollfd p{fd, POLLOUT, 0};
    if (::poll(&p, 1, 5000) != 1) {
      if (error) *error = QStringLiteral("the editor does not take the messages");
      ::close(fd);
      return SendResult::Failed;
    }
    const ssize_t n = ::send(fd, messages.constData() + sent,
                             static_cast<std::size_t>(messages.size() - sent), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    if (n < 0) {
      if (error) *error = QString::fromLocal8Bit(std::strerror(errno));
      ::close(fd);
      return SendResult::Failed;
    }
    sent += n;
  }
  const SendResult result = wait == Answer::Wait ? AwaitAnswer(fd, error) : SendResult::Sent;
  ::close(fd);
  return result;
}

}  // namespace pf
