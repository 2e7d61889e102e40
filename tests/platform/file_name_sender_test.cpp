#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "platform/file_name_sender.h"
#include "platform/message_channel.h"

namespace pf {
namespace {

std::vector<std::array<std::int32_t, 3>> Received(const std::vector<ChannelMessage>& messages) {
  std::vector<std::array<std::int32_t, 3>> out;
  for (const ChannelMessage& m : messages) out.push_back({m.message, m.wParam, m.lParam});
  return out;
}

TEST(FileNameSender, DeliversTheNameCharacterByCharacterThroughTheChannel) {
  QTemporaryDir dir;
  std::vector<ChannelMessage> received;
  MessageChannel channel([&](const ChannelMessage& m) { received.push_back(m); });
  const QString path = dir.filePath("channel.sock");
  ASSERT_TRUE(channel.listen(path)) << channel.errorString().toStdString();

  // A name beyond the Basic Multilingual Plane goes as one code point, not as two UTF-16 halves.
  const QString name = QStringLiteral("/t/é\U0001F600.ico");
  ASSERT_EQ(SendToEditor(path, FileNameMessages(name, kNameIsPictureFile)), SendResult::Sent);
  QElapsedTimer timer;
  timer.start();

  const std::vector<std::array<std::int32_t, 3>> expected = {{810, 0, 0},
                                                             {811, 0, '/'},
                                                             {811, 0, 't'},
                                                             {811, 0, '/'},
                                                             {811, 0, 0xE9},
                                                             {811, 0, 0x1F600},
                                                             {811, 0, '.'},
                                                             {811, 0, 'i'},
                                                             {811, 0, 'c'},
                                                             {811, 0, 'o'},
                                                             {812, kNameIsPictureFile, 0}};
  while (received.size() < expected.size() && timer.elapsed() < 5000)
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(Received(received), expected);
  EXPECT_EQ(FileNameMessages(QStringLiteral("a"), kNameIsExchangeFile).right(12),
            EncodeMessage({812, kNameIsExchangeFile, 0}));
}

TEST(FileNameSender, FindsNoEditorWhereNoneListens) {
  QTemporaryDir dir;
  QString error;
  EXPECT_EQ(SendToEditor(dir.filePath("none.sock"), FileNameMessages("x.ico", 1), &error),
            SendResult::NoEditor);
  EXPECT_FALSE(error.isEmpty());

  // The socket file an editor leaves behind when it is killed: nothing answers on it.
  const QByteArray stale = dir.filePath("stale.sock").toLocal8Bit();
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, stale.constData(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  QElapsedTimer timer;
  timer.start();
  EXPECT_EQ(SendToEditor(QString::fromLocal8Bit(stale), FileNameMessages("x.ico", 1)), SendResult::NoEditor);
  EXPECT_LT(timer.elapsed(), 1500) << "a dead socket is recognised at once, not after a timeout";

  // And the next editor takes the place over.
  MessageChannel channel([](const ChannelMessage&) {});
  EXPECT_TRUE(channel.listen(QString::fromLocal8Bit(stale))) << channel.errorString().toStdString();
}

TEST(FileNameSender, AFullQueueIsTriedAgainUntilTheListenerTakesTheConnection) {
  QTemporaryDir dir;
  const QByteArray path = QFile::encodeName(dir.filePath("busy.sock"));
  const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.constData(), sizeof(address.sun_path) - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  // Fill the queue until the listener refuses.
  std::vector<int> waiting;
  for (int i = 0; i < 64; ++i) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
      ::close(fd);
      break;
    }
    waiting.push_back(fd);
  }
  ASSERT_LT(waiting.size(), 64u) << "the queue never filled";

  // The listener drains its queue a little later, as a busy editor does.
  std::atomic<bool> connected = false;
  std::thread drain([listener, &connected] {
    ::usleep(200 * 1000);
    while (!connected) {
      const int fd = ::accept(listener, nullptr, nullptr);
      if (fd >= 0) ::close(fd);
      ::usleep(5 * 1000);
    }
  });
  QString error;
  const int fd = ConnectToChannel(QFile::decodeName(path), 2000, &error);
  connected = true;
  drain.join();
  EXPECT_GE(fd, 0) << error.toStdString();
  sockaddr_un peer{};
  socklen_t length = sizeof(peer);
  EXPECT_EQ(::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length), 0) << "really connected";
  ::close(fd);
  for (int w : waiting) ::close(w);
  ::close(listener);
}

TEST(ChannelPlace, OnlyAPrivateFolderOfTheUsersOwnHoldsTheSocket) {
  QTemporaryDir runtime;
  EXPECT_EQ(ChooseChannelPlace(runtime.path(), "/nonexistent").path, runtime.filePath("pictoforge.sock"));

  // Without XDG_RUNTIME_DIR: pictoforge-<uid> in the temporary folder, made 0700 when missing, refused
  // when someone could have prepared it. Only root can give a folder away, so only root tries that.
  enum Prepare { Missing, Private, OpenToOthers, Link, PlainFile, Others };
  const std::pair<Prepare, bool> cases[] = {{Missing, true}, {Private, true},    {OpenToOthers, false},
                                            {Link, false},   {PlainFile, false}, {Others, false}};
  for (const auto& [prepare, usable] : cases) {
    SCOPED_TRACE(prepare);
    if (prepare == Others && geteuid() != 0) continue;
    QTemporaryDir temp;
    const QString folder = temp.filePath(QStringLiteral("pictoforge-%1").arg(geteuid()));
    const QByteArray at = QFile::encodeName(folder);
    if (prepare == Private || prepare == OpenToOthers || prepare == Others) ::mkdir(at, 0700);
    if (prepare == OpenToOthers) ::chmod(at, 0755);
    if (prepare == Others) {
      ASSERT_EQ(::chown(at, 65534, 65534), 0);
    }
    if (prepare == Link) {
      ::mkdir(QFile::encodeName(temp.filePath("elsewhere")), 0700);
      ::symlink(QFile::encodeName(temp.filePath("elsewhere")), at);
    }
    if (prepare == PlainFile) QFile(folder).open(QIODevice::WriteOnly);

    const ChannelPlace place = ChooseChannelPlace({}, temp.path());
    MessageChannel channel([](const ChannelMessage&) {});
    EXPECT_EQ(channel.listen(place.path), usable) << channel.errorString().toStdString();
    if (usable) {
      EXPECT_EQ(place.path, QDir(folder).filePath("pictoforge.sock"));
      struct stat st {};
      ASSERT_EQ(::lstat(at, &st), 0);
      EXPECT_EQ(st.st_mode & 0777, 0700u);
    } else {
      EXPECT_TRUE(place.path.isEmpty());
      EXPECT_TRUE(place.problem.contains(folder)) << place.problem.toStdString();
    }
  }
}

// Waits until `done` or five seconds have passed.
void RunEventsUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 5000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(MessageChannel, KeepsItsSocketToTheUserAndJoinsMessagesSplitAcrossWrites) {
  QTemporaryDir dir;
  const QString path = dir.filePath("channel.sock");
  std::vector<ChannelMessage> received;
  {
    MessageChannel channel([&](const ChannelMessage& m) { received.push_back(m); });
    ASSERT_TRUE(channel.listen(path)) << channel.errorString().toStdString();
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u) << "nobody but the user may write to the editor";

    MessageChannel second([](const ChannelMessage&) {});
    EXPECT_FALSE(second.listen(path)) << "a second editor leaves the first one its channel";

    QString error;
    const int fd = ConnectToChannel(path, 2000, &error);
    ASSERT_GE(fd, 0) << error.toStdString();
    const QByteArray bytes = EncodeMessage({810, 0, 0}) + EncodeMessage({811, 0, 0x3042});
    ASSERT_EQ(::write(fd, bytes.constData(), 17), 17);
    RunEventsUntil([&] { return !received.empty(); });
    ASSERT_EQ(::write(fd, bytes.constData() + 17, 7), 7);
    RunEventsUntil([&] { return received.size() >= 2; });
    ::close(fd);
    EXPECT_EQ(Received(received), (std::vector<std::array<std::int32_t, 3>>{{810, 0, 0}, {811, 0, 0x3042}}));
  }
  EXPECT_FALSE(QFile::exists(path)) << "closing removes the socket file";
}

TEST(MessageChannel, AHandlerMayCloseTheChannelMidStream) {
  QTemporaryDir dir;
  const QString path = dir.filePath("channel.sock");
  int calls = 0;
  std::unique_ptr<MessageChannel> channel;
  channel = std::make_unique<MessageChannel>([&](const ChannelMessage&) {
    ++calls;
    channel.reset();
  });
  ASSERT_TRUE(channel->listen(path));
  ASSERT_EQ(SendToEditor(path, FileNameMessages("abc", 0)), SendResult::Sent);
  RunEventsUntil([&] { return calls > 0; });
  EXPECT_EQ(calls, 1) << "nothing is delivered once the channel is gone";
  EXPECT_EQ(SendToEditor(path, FileNameMessages("x", 0)), SendResult::NoEditor);
}

}  // namespace
}  // namespace pf
