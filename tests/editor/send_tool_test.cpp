#include <QElapsedTimer>
#include <QProcess>

#include "model/file_io.h"
#include "support/app_fixture.h"

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

TEST_F(SendTool, FailsClearlyWhenNoEditorListens) {
  QString errors;
  EXPECT_EQ(run({folder.filePath("x.dat"), "--socket", folder.filePath("nobody.sock")}, &errors), 1);
  EXPECT_TRUE(errors.contains("no editor is listening")) << errors.toStdString();
  EXPECT_EQ(run({}), 2) << "no file name: usage";
}

}  // namespace
}  // namespace pf
