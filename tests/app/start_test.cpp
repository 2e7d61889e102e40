#include <QProcess>
#include <QProcessEnvironment>

#include "archive/file_browser.h"
#include "support/app_fixture.h"
#include "tools/palette_colour.h"

namespace pf {
namespace {

// The editor's answers before any window: they must work where there is no screen at all.
TEST(CommandLine, HelpAndVersionNeedNoDisplayAndAnythingElseSaysWhatIsMissing) {
  QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    bare.remove(QString::fromLatin1(name));
  const QString noDisplay = QStringLiteral("pictoforge: no display: set DISPLAY or WAYLAND_DISPLAY\n");
  const struct {
    QStringList args;
    int status;
    QString out;  // how the standard output starts
    QString err;
  } cases[] = {
      {{"--help"}, 0, "usage: pictoforge [FILE]\n", ""},
      {{"-h"}, 0, "usage: pictoforge [FILE]\n", ""},
      {{"--version"}, 0, "pictoforge " PF_VERSION "\n", ""},
      {{"face.ico", "--version"}, 0, "pictoforge " PF_VERSION "\n", ""},
      {{}, 1, "", noDisplay},
      {{"face.ico"}, 1, "", noDisplay},
      {{"--bogus"}, 1, "", noDisplay},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    QProcess editor;
    editor.setProcessEnvironment(bare);
    editor.start(QStringLiteral(PF_EDITOR), c.args);
    ASSERT_TRUE(editor.waitForFinished(20000));
    EXPECT_EQ(editor.exitStatus(), QProcess::NormalExit) << "no abort inside the toolkit";
    EXPECT_EQ(editor.exitCode(), c.status);
    const QString out = QString::fromUtf8(editor.readAllStandardOutput());
    EXPECT_TRUE(c.out.isEmpty() ? out.isEmpty() : out.startsWith(c.out)) << out.toStdString();
    EXPECT_EQ(QString::fromUtf8(editor.readAllStandardError()), c.err);
  }
}

class WindowIcons : public testing::AppFixture {};

TEST_F(WindowIcons, EveryWindowCarriesTheProgramsIcon) {
  const QImage shipped16(QStringLiteral(PF_SOURCE_DIR "/packaging/icons/pictoforge-16.ico"));
  const QImage shipped32(QStringLiteral(PF_SOURCE_DIR "/packaging/icons/pictoforge-32.ico"));
  ASSERT_FALSE(shipped16.isNull());
  ASSERT_FALSE(shipped32.isNull());
  const QList<QWidget*> windows = {ic, app->single<Form16>(), app->single<Form2>()};
  for (QWidget* window : windows) {
    SCOPED_TRACE(window->objectName().toStdString());
    const QIcon icon = window->windowIcon();
    EXPECT_TRUE(icon.availableSizes().contains(QSize(16, 16)));
    EXPECT_TRUE(icon.availableSizes().contains(QSize(32, 32)));
    const auto image = [&](int edge) {
      return icon.pixmap(QSize(edge, edge)).toImage().convertToFormat(QImage::Format_ARGB32);
    };
    EXPECT_EQ(image(16), shipped16.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(image(32), shipped32.convertToFormat(QImage::Format_ARGB32));
  }
}

}  // namespace
}  // namespace pf
