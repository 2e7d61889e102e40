#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QtEndian>

#include "model/file_io.h"
#include "platform/file_name_sender.h"
#include "platform/local_path.h"
#include "platform/message_channel.h"
#include "support/app_fixture.h"

extern char** environ;

namespace pf {
namespace {

using testing::AppFixture;

class SendTool : public AppFixture {
 protected:
  // Runs pictoforge-send while the editor keeps handling events; returns its exit code.
  int run(const QStringList& args, QString* errors = nullptr) {
    QProcess process;
    process.start(QStringLiteral(PF_SEND_TOOL), args);
    QElapsedTimer timer;
    timer.start();
    while (process.state() != QProcess::NotRunning && timer.elapsed() < 10000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      process.waitForFinished(10);
    }
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    if (errors) *errors = QString::fromLocal8Bit(process.readAllStandardError());
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }
};

TEST_F(SendTool, HandsTheEditorAnExchangeFile) {
  std::vector<std::uint8_t> bytes(578 + 128, 0);
  bytes[0] = 32;
  bytes[66] = 0x70;  // bottom-left pixel 7
  const QString file = folder.filePath("送る.dat");
  ASSERT_TRUE(WriteFileAtomically(file.toStdString(), bytes));
  EXPECT_EQ(run({file, "--socket", folder.filePath("channel.sock")}), 0);
  EXPECT_EQ(ic->receivedFileName(), file);
  EXPECT_EQ(pixel(0, 31), 7);
}

// An exchange file whose bottom-left pixel is `value`.
std::vector<std::uint8_t> Exchange(std::uint8_t value) {
  std::vector<std::uint8_t> bytes(578 + 128, 0);
  bytes[0] = 32;
  bytes[66] = static_cast<std::uint8_t>(value << 4);
  return bytes;
}

void RunEventsUntil(const std::function<bool()>& done) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

TEST_F(SendTool, FortySendersAtOnceAreAllServed) {
  std::vector<std::unique_ptr<QProcess>> senders;
  QStringList files;
  for (int i = 0; i < 40; ++i) {
    files << folder.filePath(QStringLiteral("many%1.dat").arg(i));
    ASSERT_TRUE(
        WriteFileAtomically(files.back().toStdString(), Exchange(static_cast<std::uint8_t>(1 + i % 15))));
  }
  for (const QString& file : files) {
    senders.push_back(std::make_unique<QProcess>());
    senders.back()->start(QStringLiteral(PF_SEND_TOOL), {file, "--socket", folder.filePath("channel.sock")});
  }
  RunEventsUntil([&] {
    return std::all_of(senders.begin(), senders.end(),
                       [](const auto& p) { return p->state() == QProcess::NotRunning; });
  });
  for (std::size_t i = 0; i < senders.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(senders[i]->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(senders[i]->exitCode(), 0) << senders[i]->readAllStandardError().toStdString();
  }
  ASSERT_TRUE(files.contains(ic->receivedFileName())) << ic->receivedFileName().toStdString();
  // Names are opened in turn as they complete, so the picture shown is one of the files sent, whole.
  EXPECT_GE(pixel(0, 31), 1);
  EXPECT_LE(pixel(0, 31), 15);
}

// A sender of our own over the real socket, writing when the test says and reading the editor's answers.
class RawSender {
 public:
  explicit RawSender(const QString& path) : fd_(ConnectToChannel(path, 2000, nullptr)) {}
  ~RawSender() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool connected() const { return fd_ >= 0; }
  void write(const QByteArray& bytes) {
    ASSERT_EQ(::write(fd_, bytes.constData(), bytes.size()), bytes.size());
  }
  // The answers read so far, as (message, lParam).
  std::vector<std::pair<std::int32_t, std::int32_t>> answers() {
    char chunk[120];
    pollfd p{fd_, POLLIN, 0};
    while (::poll(&p, 1, 0) == 1) {
      const ssize_t n = ::recv(fd_, chunk, sizeof(chunk), MSG_DONTWAIT);
      if (n <= 0) break;
      got_.append(chunk, n);
    }
    std::vector<std::pair<std::int32_t, std::int32_t>> out;
    for (qsizetype at = 0; at + 12 <= got_.size(); at += 12) {
      out.emplace_back(qFromLittleEndian<std::int32_t>(got_.constData() + at),
                       qFromLittleEndian<std::int32_t>(got_.constData() + at + 8));
    }
    return out;
  }

 private:
  int fd_;
  QByteArray got_;
};

TEST_F(SendTool, ASlowAndAFastSenderEachGetTheirOwnFile) {
  const QString slowFile = folder.filePath("slow.dat");
  const QString fastFile = folder.filePath("fast.dat");
  ASSERT_TRUE(WriteFileAtomically(slowFile.toStdString(), Exchange(3)));
  ASSERT_TRUE(WriteFileAtomically(fastFile.toStdString(), Exchange(9)));
  const QByteArray slowMessages = FileNameMessages(slowFile, kNameIsExchangeFile);
  const qsizetype half = slowMessages.size() / 24 * 12;

  RawSender slow(folder.filePath("channel.sock"));
  RawSender fast(folder.filePath("channel.sock"));
  ASSERT_TRUE(slow.connected() && fast.connected());
  slow.write(slowMessages.left(half));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  fast.write(FileNameMessages(fastFile, kNameIsExchangeFile));
  RunEventsUntil([&] { return fast.answers().size() >= 2; });
  EXPECT_EQ(pixel(0, 31), 9);
  slow.write(slowMessages.mid(half));
  RunEventsUntil([&] { return slow.answers().size() >= 2; });
  EXPECT_EQ(pixel(0, 31), 3) << "the slow sender's name is not mixed with the fast one's";
  EXPECT_EQ(ic->receivedFileName(), slowFile);
  using Answers = std::vector<std::pair<std::int32_t, std::int32_t>>;
  EXPECT_EQ(fast.answers(), (Answers{{kNameTaken, 0}, {kNameDone, 1}}));
  EXPECT_EQ(slow.answers(), (Answers{{kNameTaken, 0}, {kNameDone, 1}}));

  // A picture file the editor cannot open is answered as such, and the editor says what 開く says.
  const QString text = folder.filePath("notes.txt");
  ASSERT_TRUE(WriteFileAtomically(text.toStdString(), Exchange(1)));
  const QString badIcon = folder.filePath("bad.ico");
  ASSERT_TRUE(WriteFileAtomically(badIcon.toStdString(), std::vector<std::uint8_t>(10, 0)));
  for (const QString& file : {text, badIcon}) {
    SCOPED_TRACE(file.toStdString());
    RawSender handing(folder.filePath("channel.sock"));
    handing.write(FileNameMessages(file, kNameIsPictureFile));
    RunEventsUntil([&] { return handing.answers().size() >= 2; });
    EXPECT_EQ(handing.answers(), (Answers{{kNameTaken, 0}, {kNameDone, 0}}));
  }
  EXPECT_EQ(ui.messages, QStringList{"読み込めるデータではありません。"});
}

// Runs a program with arguments given as bytes (QProcess would re-encode them) while the editor runs.
int RunWithByteArguments(const std::vector<std::string>& args, std::string* errors) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    return -1;
  }
  int status = 0;
  RunEventsUntil([&] { return ::waitpid(pid, &status, WNOHANG) == pid; });
  char chunk[512];
  for (ssize_t n; (n = ::read(pipeFds[0], chunk, sizeof(chunk))) > 0;) errors->append(chunk, n);
  ::close(pipeFds[0]);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(SendTool, ANameThatIsNotUtf8GoesAsItsBytesAndAFailureIsReported) {
  // Made through the bytes of the name, as a file system that is not UTF-8 gives them.
  const std::string folderBytes = QFile::encodeName(folder.path()).toStdString();
  const std::string raw = folderBytes + "/x\xff\xe9.dat";
  ASSERT_TRUE(WriteFileAtomically(raw, Exchange(6)));
  std::string errors;
  EXPECT_EQ(RunWithByteArguments({PF_SEND_TOOL, raw, "--socket", folderBytes + "/channel.sock"}, &errors), 0)
      << errors;
  EXPECT_EQ(pixel(0, 31), 6);
  EXPECT_EQ(LocalPath(ic->receivedFileName()), raw);

  // A file the editor cannot read: one line and status 1.
  const std::string bad = folderBytes + "/bad\xff.dat";
  ASSERT_TRUE(WriteFileAtomically(bad, std::vector<std::uint8_t>(5, 0)));
  errors.clear();
  EXPECT_EQ(RunWithByteArguments({PF_SEND_TOOL, bad, "--socket", folderBytes + "/channel.sock"}, &errors), 1);
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
  EXPECT_NE(errors.find("could not read"), std::string::npos) << errors;
  EXPECT_EQ(pixel(0, 31), 6) << "nothing changes";
  // The temporary folder cannot name these itself.
  ::unlink(raw.c_str());
  ::unlink(bad.c_str());
}

TEST_F(SendTool, FailsClearlyWhenNoEditorListens) {
  QString errors;
  EXPECT_EQ(run({folder.filePath("x.dat"), "--socket", folder.filePath("nobody.sock")}, &errors), 1);
  EXPECT_TRUE(errors.contains("no editor is listening")) << errors.toStdString();
  EXPECT_EQ(run({}), 2) << "no file name: usage";
}

}  // namespace
}  // namespace pf
