// The local socket on which other programs hand the main window a file name, one character at a time.
//
// A plain Unix-domain stream socket watched by the event loop: the editor does without Qt's network
// library, which would cost every start-up the loading of it and its Kerberos and proxy libraries.
//
// A message is 12 bytes: message number, wParam and lParam, each a little-endian signed 32-bit integer.
// 810 begins a name, 811 appends the character whose Unicode code point is lParam, 812 says the name is
// complete. The editor answers each 812 on the same connection: 813 at once (the name has arrived), then
// 814 when it has tried the file, lParam 1 when it opened it and 0 when it could not. A sender that does
// not wait for the answers may close at once; they are then dropped.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace pf {

// Where the editor listens and the senders send: $XDG_RUNTIME_DIR/pictoforge.sock, or without that
// folder pictoforge.sock in a private folder of the user's own, pictoforge-<uid> in the temporary folder
// ($TMPDIR or /tmp), made with mode 0700. A shared temporary folder lets anyone make that name first, so
// it is used only when it is a real folder (not a link), owned by this user, open to nobody else.
struct ChannelPlace {
  // Empty when there is no safe place: the editor then runs without a channel.
  QString path;
  // One line saying why there is none.
  QString problem;
};
// `runtimeFolder` is XDG_RUNTIME_DIR (may be empty), `tempFolder` the temporary folder.
ChannelPlace ChooseChannelPlace(const QString& runtimeFolder, const QString& tempFolder);
// The same for this process's environment. The one function the editor and the senders both ask.
ChannelPlace DefaultChannelPlace();
// DefaultChannelPlace().path.
QString DefaultChannelPath();

inline constexpr std::int32_t kNameTaken = 813;
inline constexpr std::int32_t kNameDone = 814;

struct ChannelMessage {
  std::int32_t message = 0;
  std::int32_t wParam = 0;
  std::int32_t lParam = 0;
};

QByteArray EncodeMessage(const ChannelMessage& m);

class MessageChannel final : public QObject {
  Q_OBJECT
 public:
  using Handler = std::function<void(const ChannelMessage&)>;
  // Tells the senders apart: every connection has its own, never reused.
  using ConnectionId = std::uint64_t;

  explicit MessageChannel(Handler handler, QObject* parent = nullptr);
  ~MessageChannel() override;

  // Starts listening; false when the path cannot be used, or another editor already listens there.
  bool listen(const QString& path);
  void close();
  bool isListening() const { return listenFd_ >= 0; }
  QString errorString() const { return error_; }

  // The connection whose message the handler is being given (0 outside the handler).
  ConnectionId currentConnection() const { return current_; }
  // Called once a connection has ended and all its messages have been handled.
  void setEndHandler(std::function<void(ConnectionId)> handler) { endHandler_ = std::move(handler); }
  // Writes a message back to a sender; nothing when it has gone or does not read.
  void answer(ConnectionId connection, const ChannelMessage& m);

 private:
  struct Connection;
  void acceptConnections();
  void readFrom(Connection* connection);

  Connection* find(ConnectionId id) const;

  Handler handler_;
  std::function<void(ConnectionId)> endHandler_;
  ConnectionId current_ = 0;
  ConnectionId lastId_ = 0;
  int listenFd_ = -1;
  QString path_;
  std::unique_ptr<QSocketNotifier> listenNotifier_;
  std::vector<std::unique_ptr<Connection>> connections_;
  QString error_;
};

// Connects to a Unix-domain stream socket within `timeoutMs`; the descriptor (blocking), or -1 with
// the reason in `error`. A listener whose queue is full refuses at once (EAGAIN); that is tried again
// with a growing pause until the time is up. Also used by the sender.
int ConnectToChannel(const QString& path, int timeoutMs, QString* error);

}  // namespace pf
