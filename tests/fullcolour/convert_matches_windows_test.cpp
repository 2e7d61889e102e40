// pictoforge-convert against the windows: a photo cut and reduced by hand in the photo reduction and
// reduction windows and saved by them and by the editor, and the same cut asked of the command, give the
// same files.
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QProcess>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include "fullcolour/photo_reduction.h"
#include "fullcolour/reduction_window.h"
#include "model/file_io.h"
#include "model/icon_file.h"
#include "support/app_fixture.h"
#include "tools/bitmap_size.h"

namespace pf {
namespace {

using Bytes = std::vector<std::uint8_t>;

class ConvertMatchesWindows : public testing::AppFixture {
 protected:
  Bytes bytesOf(const QString& path) { return ReadWholeFile(path.toStdString()).value_or(Bytes{}); }
  void trigger(QWidget* form, const char* name) {
    QAction* a = form->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
  }
  // Runs the command; its exit status.
  int convert(const QStringList& arguments) {
    QProcess p;
    p.start(QStringLiteral(PF_CONVERT_TOOL), arguments);
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.readAllStandardError(), QByteArray());
    return p.exitCode();
  }
};

TEST_F(ConvertMatchesWindows, CropOfAPhotoGivesTheWindowsFiles) {
  // A JPEG, so that both go through the decoder's own reduction and the same smoothing.
  QImage image(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x)
      image.setPixel(x, y, qRgb((x * 3 + y) % 256, (y * 5) % 256, ((x ^ y) * 7) % 256));
  }
  const QString photo = folder.filePath("photo.jpg");
  ASSERT_TRUE(image.save(photo, "JPEG", 90));

  // By hand: open, slide to 6 / 20 (one page up from 1), drag at (100, 70), 16色化.
  Form9* form9 = app->single<Form9>();
  ui.fileAnswers.push_back(photo);
  trigger(form9, "mnuFile");
  form9->Slider1->setFocus();
  QTest::keyClick(form9->Slider1, Qt::Key_PageUp);
  ASSERT_EQ(form9->Slider1->value(), 6);
  const QPoint at(100, 70);
  QTest::mousePress(form9->clientArea(), Qt::LeftButton, {}, at);
  QTest::mouseMove(form9->clientArea(), at);
  QTest::mouseRelease(form9->clientArea(), Qt::LeftButton, {}, at);
  Form13* form13 = app->find<Form13>();
  ASSERT_NE(form13, nullptr);
  trigger(form13, "mnuCOL16");

  // The reduction window's full colour saves, then the editor's icon and bitmap saves of what it hands over.
  ui.fileAnswers.push_back(folder.filePath("w-fc32.ico"));
  trigger(form13, "mnuFULLCOLOR");
  ui.fileAnswers.push_back(folder.filePath("w-fc16.ico"));
  trigger(form13, "mnuHexFul");
  trigger(form13, "mnuDo");
  ui.fileAnswers.push_back(folder.filePath("w.ico"));
  trigger(ic, "mnuSAVE");
  ui.fileAnswers.push_back(folder.filePath("w.bmp"));
  QTimer::singleShot(0, [this] {
    Form6* dialog = app->find<Form6>();
    ASSERT_NE(dialog, nullptr);
    QTest::mouseClick(dialog->Option1[0], Qt::LeftButton);  // 32 x 32
    QTest::mouseClick(dialog->Command1, Qt::LeftButton);
  });
  trigger(ic, "mnuFBSAVE");
  ui.fileAnswers.push_back(folder.filePath("w16.ico"));
  trigger(ic, "mnuHexIcon");

  // The editor saves its icon with palette number 0 transparent; the command makes a photo's icon with
  // no transparent colour unless asked.
  const struct {
    const char* format;
    const char* windows;
    QStringList options;
  } cases[] = {{"ico", "w.ico", {QStringLiteral("--transparent"), QStringLiteral("0")}},
               {"bmp", "w.bmp", {}},
               {"fc32", "w-fc32.ico", {}},
               {"fc16", "w-fc16.ico", {}}};
  for (const auto& c : cases) {
    const QString out = folder.filePath(QStringLiteral("c-%1").arg(QLatin1String(c.format)));
    ASSERT_EQ(
        convert(QStringList{photo, QStringLiteral("--crop"), QStringLiteral("100,70,0.3"),
                            QStringLiteral("--format"), QLatin1String(c.format), QStringLiteral("-o"), out} +
                c.options),
        0)
        << c.format;
    const Bytes windows = bytesOf(folder.filePath(QLatin1String(c.windows)));
    ASSERT_FALSE(windows.empty()) << c.windows;
    EXPECT_EQ(bytesOf(out), windows) << c.format;
  }

  // The editor's 16 x 16 save is the lower-left quarter of its picture, whichever file that came from; the
  // exchange file holds what the icon holds.
  const QString icon = folder.filePath("w.ico");
  ASSERT_EQ(convert({icon, QStringLiteral("--format"), QStringLiteral("ico16"), QStringLiteral("-o"),
                     folder.filePath("c16.ico")}),
            0);
  EXPECT_EQ(bytesOf(folder.filePath("c16.ico")), bytesOf(folder.filePath("w16.ico")));
  ASSERT_EQ(convert({icon, QStringLiteral("-o"), folder.filePath("c.dat")}), 0);
  const std::optional<ExchangeImage> exchange = ReadExchangeFile(bytesOf(folder.filePath("c.dat")));
  ASSERT_TRUE(exchange);
  EXPECT_EQ(exchange->size, 32);
  EXPECT_EQ(BuildIcon32(exchange->palette, exchange->packed, exchange->mask), bytesOf(icon));
}

}  // namespace
}  // namespace pf
