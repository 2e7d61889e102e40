#include "fullcolour/photo_window.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSlider>

#include "fullcolour/full_colour_window.h"
#include "model/profile.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

class PhotoWindow : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ic->setEditorVisible(false);
    form = app->single<Form18>();
  }

  // A gradient photo saved in the temporary folder.
  QString photo(const QString& name, int w, int h, const char* format = "JPEG") {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, (x + y) % 256));
    }
    const QString path = folder.filePath(name);
    EXPECT_TRUE(image.save(path, format, 95)) << name.toStdString();
    return path;
  }
  void open(const QString& path) {
    ui.fileAnswers.push_back(path);
    form->findChild<QAction*>(QStringLiteral("mnuOPEN"))->trigger();
  }
  QString label() const { return form->Label1->text(); }
  Form20* iconWindow() const { return app->find<Form20>(); }
  // What the user would see at a client point of the photo window.
  std::int64_t shownAt(int x, int y) const { return form->client().getPixel(x, y); }

  Form18* form = nullptr;
};

TEST_F(PhotoWindow, OpeningFitsThePhotoAndTheSliderFollows) {
  struct Case {
    int w, h;
    const char* label;
    int slider;
  };
  // Within both limits: the slider's largest ratio; beyond one only: that one's ratio.
  const Case cases[] = {{640, 480, "480×360", 30},
                        {1024, 768, "480×360", 19},
                        {300, 200, "225×150", 30},
                        {2000, 300, "480×72", 10},
                        {200, 2400, "30×360", 6}};
  for (const Case& c : cases) {
    const QString name = QStringLiteral("p%1x%2.jpg").arg(c.w).arg(c.h);
    open(photo(name, c.w, c.h));
    SCOPED_TRACE(name.toStdString());
    EXPECT_EQ(form->FileName, folder.filePath(name));
    EXPECT_EQ(label(), QString::fromUtf8(c.label));
    EXPECT_EQ(form->Slider1->value(), c.slider);
    const QStringList parts = label().split(QStringLiteral("×"));
    EXPECT_EQ(form->Picture2.width(), parts[0].toInt());
    EXPECT_EQ(form->Picture2.height(), parts[1].toInt());
  }

  // The dialog: the command's title, the filter, and the folder remembered for the next time.
  const ScriptedUi::Request& asked = ui.requests.back();
  EXPECT_EQ(asked.kind, "open");
  EXPECT_EQ(asked.file.title, QStringLiteral("写真を開く"));
  EXPECT_EQ(
      asked.file.filter,
      QStringLiteral(
          "写真(*.bmp,*.jpg)|*.bmp;*.jpg;*.jpeg;*.png;*.gif|フルカラーアイコン(*.ico)|*.ico|全て(*.*)|*.*"));
  EXPECT_TRUE(asked.file.mustExist);
  EXPECT_EQ(asked.file.initialFolder, folder.path());
  EXPECT_EQ(QString::fromStdString(lastFolder(app->settings, "OpenFullIcon")), folder.path());

  // Cancel changes nothing.
  form->findChild<QAction*>(QStringLiteral("mnuOPEN"))->trigger();
  EXPECT_EQ(form->FileName, folder.filePath(QStringLiteral("p200x2400.jpg")));
}

TEST_F(PhotoWindow, SliderResizesFromTheKeyboardAndOversizeOnlyRelabels) {
  open(photo(QStringLiteral("a.jpg"), 640, 480));
  ASSERT_EQ(form->Slider1->value(), 30);
  form->Slider1->setFocus();
  QTest::keyClick(form->Slider1, Qt::Key_Left);
  EXPECT_EQ(form->Slider1->value(), 29);
  EXPECT_EQ(label(), QStringLiteral("464×348"));
  EXPECT_EQ(form->Picture2.width(), 464);
  QTest::keyClick(form->Slider1, Qt::Key_PageDown);
  EXPECT_EQ(label(), QStringLiteral("384×288"));
  // Outside the picture the window background shows again.
  EXPECT_EQ(shownAt(470, 300), shownAt(479, 359));
  EXPECT_NE(shownAt(470, 300), form->Picture2.getPixel(383, 287));
  EXPECT_EQ(shownAt(383, 287), form->Picture2.getPixel(383, 287));

  // 1024 x 768 comes up at 480 x 360; the slider's top (0.75) would be 768 x 576: label only.
  open(photo(QStringLiteral("b.jpg"), 1024, 768));
  EXPECT_EQ(form->photo().decodeDenominator(), 2);
  QTest::keyClick(form->Slider1, Qt::Key_End);
  EXPECT_EQ(label(), QStringLiteral("768×576"));
  EXPECT_EQ(form->Picture2.width(), 480);
  QTest::keyClick(form->Slider1, Qt::Key_Home);
  EXPECT_EQ(label(), QStringLiteral("51×38"));
  EXPECT_EQ(form->Picture2.width(), 51);
}

TEST_F(PhotoWindow, DraggingFillsEverySlotAndTheWorkArea) {
  ASSERT_NE(iconWindow(), nullptr) << "the photo window brings the icon window";
  open(photo(QStringLiteral("drag.bmp"), 640, 480, "BMP"));
  Form20* icon = iconWindow();
  ASSERT_NE(icon, nullptr);
  icon->SelectNum = 1;

  // Near the top-left corner, so the larger squares hang over the photo's edge.
  const QPoint at(40, 50);
  QWidget* area = form->clientArea();
  QTest::mousePress(area, Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseMove(area, at);

  const Surface& shown = form->Picture2;
  // The shown photo is the photo reduced by 0.75.
  EXPECT_NEAR(static_cast<double>(shown.getPixel(200, 100) & 0xFF), 267 * 255 / 640, 3);
  for (int i = 0; i < 4; ++i) {
    const int s = SharedState::FullColourSizes[static_cast<std::size_t>(i)];
    const QPoint slot = Form20::slotOrigin(i);
    int mismatches = 0;
    for (int v = 0; v < s; ++v) {
      for (int u = 0; u < s; ++u) {
        const int px = at.x() - s / 2 + u;
        const int py = at.y() - s / 2 + v;
        const std::int64_t want = (px < 0 || py < 0) ? 0 : shown.getPixel(px, py);
        if (icon->client().getPixel(slot.x() + u, slot.y() + v) != want) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0) << "slot " << i;
  }
  const QPoint work = icon->workAreaOrigin();
  const QPoint slot1 = Form20::slotOrigin(1);
  for (int v = 0; v < 64; v += 7) {
    for (int u = 0; u < 64; u += 5) {
      ASSERT_EQ(icon->client().getPixel(work.x() + u, work.y() + v),
                icon->client().getPixel(slot1.x() + u, slot1.y() + v));
    }
  }

  // Without the button, or off the picture, nothing is copied.
  QTest::mouseRelease(area, Qt::LeftButton, {}, at);
  const Surface before = icon->client();
  QTest::mouseMove(area, QPoint(300, 300));
  QTest::mousePress(area, Qt::LeftButton, {}, QPoint(300, 300));
  QTest::mouseMove(area, QPoint(479, 370));
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(479, 370));
  EXPECT_EQ(icon->client().image(), before.image());
}

TEST_F(PhotoWindow, UnreadableTooLargeAndVanishedFilesKeepThePhoto) {
  open(photo(QStringLiteral("keep.jpg"), 1024, 768));
  const QImage kept = form->Picture2.image();
  const QString keptName = form->FileName;

  QFile noise(folder.filePath(QStringLiteral("noise.jpg")));
  ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
  noise.write(QByteArray("\xFF\xD8\xFF\xE0 definitely not a picture", 32));
  noise.close();
  QByteArray giant;
  {
    const QString small = photo(QStringLiteral("giant.jpg"), 16, 16);
    QFile f(small);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    giant = f.readAll();
    const int sof = static_cast<int>(giant.indexOf(QByteArray("\xFF\xC0", 2)));
    ASSERT_GT(sof, 0);
    giant[sof + 7] = static_cast<char>(0x75);  // 30000 wide
    giant[sof + 8] = static_cast<char>(0x30);
  }
  QFile big(folder.filePath(QStringLiteral("giant.jpg")));
  ASSERT_TRUE(big.open(QIODevice::WriteOnly | QIODevice::Truncate));
  big.write(giant);
  big.close();

  for (const char* name : {"noise.jpg", "vanished.jpg", "giant.jpg"}) {
    SCOPED_TRACE(name);
    open(folder.filePath(QString::fromLatin1(name)));
    EXPECT_EQ(form->FileName, keptName);
    EXPECT_EQ(form->photoWidth(), 1024);
    EXPECT_EQ(label(), QStringLiteral("480×360"));
    EXPECT_EQ(form->Slider1->value(), 19);
    EXPECT_EQ(form->Picture2.image(), kept);
  }
  EXPECT_EQ(ui.messages, QStringList{QStringLiteral("この写真は大きすぎて開けません。")});

  // A layout restore that names a file deleted since keeps the photo too.
  form->LoadPicFile(folder.filePath(QStringLiteral("gone.bmp")));
  EXPECT_EQ(form->FileName, keptName);
}

TEST_F(PhotoWindow, ClosingTakesTheIconWindowAlongAndBringsBackTheEditor) {
  ASSERT_FALSE(ic->isVisible());
  QPointer<Form20> icon = iconWindow();
  ASSERT_FALSE(icon.isNull());
  form->findChild<QAction*>(QStringLiteral("mnuEND"))->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(icon.isNull() || icon->isUnloaded());
  EXPECT_FALSE(state().fFullColourOpen);
  EXPECT_TRUE(ic->isVisible());
}

}  // namespace
}  // namespace pf
