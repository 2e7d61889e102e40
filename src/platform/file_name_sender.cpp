#include "platform/file_name_sender.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/message_channel.h"

namespace pf {

QByteArray FileNameMessages(const QString& name, std::int32_t wParam812) {
  QByteArray stream = EncodeMessage({810, 0, 0});
  for (char32_t c : name.toUcs4()) stream += EncodeMessage({811, 0, static_cast<std::int32_t>(c)});
  stream += EncodeMessage({812, wParam812, 0});
  return stream;
}

SendResult SendToEditor(const QString& socketPath, const QByteArray& messages, QString* error) {
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
  ::close(fd);
  return SendResult::Sent;
}

}  // namespace pf
