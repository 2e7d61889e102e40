// The local socket on which other programs hand the main window a file name, one character at a time.
//
// A plain Unix-domain stream socket watched by the event loop: the editor does without Qt's network
// library, which would cost every start-up the loading of it and its Kerberos and proxy libraries.
//
// A message is 12 bytes: message number, wParam and lParam, each a little-endian signed 32-bit integer.
// 810 begins a name, 811 appends the character whose Unicode code point is lParam, 812 says the name is
// complete.
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

  explicit MessageChannel(Handler handler, QObject* parent = nullptr);
  ~MessageChannel() override;

  // Starts listening; false when the path cannot be used, or another editor already listens there.
  bool listen(const QString& path);
  void close();
  bool isListening() const { return listenFd_ >= 0; }
  QString errorString() const { return error_; }

 private:
  struct Connection;
  void acceptConnections();
  void readFrom(Connection* connection);

  Handler handler_;
  int listenFd_ = -1;
  QString path_;
  std::unique_ptr<QSocketNotifier> listenNotifier_;
  std::vector<std::unique_ptr<Connection>> connections_;
  QString error_;
};

// Connects to a Unix-domain stream socket within `timeoutMs`; the descriptor (blocking), or -1 with
// the reason in `error`. Also used by the sender.
int ConnectToChannel(const QString& path, int timeoutMs, QString* error);

}  // namespace pf
