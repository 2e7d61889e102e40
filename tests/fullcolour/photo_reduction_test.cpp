#include "fullcolour/photo_reduction.h"

#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QPointer>
#include <QScrollBar>
#include <QSlider>
#include <functional>

#include "fullcolour/reduction_window.h"
#include "model/numeric_text.h"
#include "model/profile.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

class PhotoReduction : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    form = app->single<Form9>();
  }

  // A photo without a black pixel, so black in a copy can only come from outside the photo.
  QString photo(const QString& name, int w, int h, const char* format = "BMP") {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x)
        image.setPixel(x, y, qRgb(40 + x * 200 / w, 40 + y * 200 / h, 40 + (x * 7 + y) % 200));
    }
    const QString path = folder.filePath(name);
    EXPECT_TRUE(image.save(path, format, 95)) << name.toStdString();
    return path;
  }
  void open(const std::optional<QString>& path) {
    ui.fileAnswers.push_back(path);
    form->findChild<QAction*>(QStringLiteral("mnuFile"))->trigger();
  }
  void slide(Qt::Key k) {
    form->Slider1->setFocus();
    QTest::keyClick(form->Slider1, k);
  }
  void drag(QPoint at) {
    QWidget* area = form->clientArea();
    QTest::mousePress(area, Qt::LeftButton, {}, at);
    QTest::mouseMove(area, at);
    QTest::mouseRelease(area, Qt::LeftButton, {}, at);
  }
  Form13* display() const { return app->find<Form13>(); }
  // The shown photo's pixel, black outside it.
  std::int64_t shown(int x, int y) const {
    const std::int64_t v = form->Picture2.getPixel(x, y);
    return v < 0 ? 0 : v;
  }
  // How many pixels of the display's 1:1 square and of its enlargement differ from the square of the
  // shown photo whose pointer position is `at`.
  std::pair<int, int> squareMismatches(QPoint at) const {
    const Surface& out = display()->client();
    int plain = 0;
    int enlarged = 0;
    for (int v = 0; v < 32; ++v) {
      for (int u = 0; u < 32; ++u) {
        const std::int64_t want = shown(at.x() - 15 + u, at.y() - 15 + v);
        if (out.getPixel(Form13::kSourceLeft + u, Form13::kSourceTop + v) != want) ++plain;
        for (int k = 0; k < 25; ++k) {
          if (out.getPixel(5 * u + k % 5, 5 * v + k / 5) != want) ++enlarged;
        }
      }
    }
    return {plain, enlarged};
  }

  Form9* form = nullptr;
};

TEST_F(PhotoReduction, OpensAtOneTwentiethAndTheSliderReachesFullSize) {
  EXPECT_TRUE(state().Form9Open);
  ASSERT_NE(display(), nullptr) << "the photo window brings the reduction window";
  EXPECT_TRUE(state().Form13Open);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("写真加工"));
  EXPECT_EQ(form->Frame1->title(), QStringLiteral("写真の縮小"));
  EXPECT_EQ(form->Slider1->parentWidget(), form->Frame1);
  EXPECT_FALSE(form->Slider1->isEnabled());
  EXPECT_EQ(form->Slider1->value(), 1);

  open(photo(QStringLiteral("wide.jpg"), 1600, 1000, "JPEG"));
  EXPECT_EQ(form->FileName, folder.filePath(QStringLiteral("wide.jpg")));
  EXPECT_TRUE(form->Slider1->isEnabled());
  EXPECT_EQ(form->Slider1->value(), 1);
  EXPECT_EQ(form->Picture2.width(), 80);
  EXPECT_EQ(form->Picture2.height(), 50);
  EXPECT_EQ(form->photo().decodeDenominator(), 8) << "1/20 needs no more than the decoder's 1/8";

  const ScriptedUi::Request& asked = ui.requests.back();
  EXPECT_EQ(asked.kind, "open");
  EXPECT_EQ(asked.file.title, QStringLiteral("ファイル"));
  EXPECT_EQ(
      asked.file.filter,
      QStringLiteral("画像データﾟ(*.bmp;*.jpg;*.ico)|*.bmp;*.jpg;*.jpeg;*.png;*.gif;*.ico|全て(*.*)|*.*"));
  EXPECT_TRUE(asked.file.mustExist);
  EXPECT_EQ(QString::fromStdString(lastFolder(app->settings, "MedianPicture")), folder.path());

  // From the keyboard: one page is five steps, the top the photo's own size.
  struct Step {
    Qt::Key key;
    int value, w, h, denominator;
  };
  const Step steps[] = {{Qt::Key_PageUp, 6, 480, 300, 2},
                        {Qt::Key_Right, 7, 560, 350, 2},
                        {Qt::Key_End, 20, 1600, 1000, 1},
                        {Qt::Key_Home, 1, 80, 50, 1}};
  for (const Step& s : steps) {
    slide(s.key);
    SCOPED_TRACE(s.value);
    EXPECT_EQ(form->Slider1->value(), s.value);
    EXPECT_EQ(form->shownSize(), QSize(s.w, s.h));
    // Only the part the pointer can reach is held.
    EXPECT_EQ(form->Picture2.width(), std::min(s.w, Form9::kHeldWidth));
    EXPECT_EQ(form->Picture2.height(), std::min(s.h, Form9::kHeldHeight));
    EXPECT_EQ(form->photo().decodeDenominator(), s.denominator);
  }
  // What the client shows is the shown photo, and the background beyond it.
  EXPECT_EQ(form->client().getPixel(79, 49), form->Picture2.getPixel(79, 49));
  EXPECT_NE(form->client().getPixel(80, 49), form->Picture2.getPixel(79, 49));

  // Reopening starts at 1/20 again; cancel changes nothing.
  slide(Qt::Key_End);
  open(photo(QStringLiteral("tall.bmp"), 300, 500));
  EXPECT_EQ(form->Slider1->value(), 1);
  EXPECT_EQ(form->Picture2.width(), 15);
  EXPECT_EQ(form->Picture2.height(), 25);
  open(std::nullopt);
  EXPECT_EQ(form->FileName, folder.filePath(QStringLiteral("tall.bmp")));
  EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(PhotoReduction, DraggingCopiesTheSquareUnderThePointerBlackBeyondThePhoto) {
  ASSERT_NE(display(), nullptr);
  open(photo(QStringLiteral("p.bmp"), 800, 600));
  slide(Qt::Key_End);
  ASSERT_EQ(form->shownSize().width(), 800);

  // Inside the photo, at both edges of the picture area (640 x 480 is shown of it), and at the top-left
  // corner where the square hangs over the photo's edge; each drag replaces all of the last square.
  for (const QPoint at : {QPoint(100, 80), QPoint(639, 470), QPoint(3, 7)}) {
    drag(at);
    SCOPED_TRACE(at.x());
    EXPECT_EQ(squareMismatches(at), std::make_pair(0, 0));
  }
  EXPECT_EQ(display()->client().getPixel(Form13::kSourceLeft, Form13::kSourceTop), 0);

  // A photo smaller than the square: most of the square is black.
  open(photo(QStringLiteral("tiny.bmp"), 20, 12));
  slide(Qt::Key_End);
  ASSERT_EQ(form->Picture2.width(), 20);
  drag(QPoint(10, 6));
  EXPECT_EQ(squareMismatches(QPoint(10, 6)), std::make_pair(0, 0));
  EXPECT_NE(display()->client().getPixel(Form13::kSourceLeft + 5, Form13::kSourceTop + 9), 0);
  EXPECT_EQ(display()->client().getPixel(Form13::kSourceLeft + 25, Form13::kSourceTop + 9), 0);

  // Beyond the picture area, or without the button, nothing is copied.
  open(photo(QStringLiteral("again.bmp"), 800, 600));
  slide(Qt::Key_End);
  const QImage before = display()->client().image();
  drag(QPoint(640, 100));
  drag(QPoint(700, 300));
  QTest::mouseMove(form->clientArea(), QPoint(200, 200));
  EXPECT_EQ(display()->client().image(), before);
  EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(PhotoReduction, EveryPartOfAPhotoShownLargeCanBeReachedAndDraggedFrom) {
  ASSERT_NE(display(), nullptr);
  const int w = 1600, h = 1000;
  open(photo(QStringLiteral("big.bmp"), w, h));
  EXPECT_FALSE(form->HScroll1->isEnabled()) << "at 1/20 the photo fits";
  slide(Qt::Key_End);
  ASSERT_EQ(form->shownSize(), QSize(w, h));
  EXPECT_EQ(form->HScroll1->maximum(), w - Form9::kPictureWidth);
  EXPECT_EQ(form->VScroll1->maximum(), h - Form9::kPictureHeight);
  // The middle of what was shown at 1/20 (the whole photo) stays in the middle.
  EXPECT_EQ(form->scrolledTo(), QPoint(w / 2 - 320, h / 2 - 240));

  const auto photoAt = [&](QPoint p) {
    return static_cast<std::int64_t>(
        Rgb(40 + p.x() * 200 / w, 40 + p.y() * 200 / h, 40 + (p.x() * 7 + p.y()) % 200));
  };
  const auto rightDrag = [&](QPoint from, QPoint to) {
    QWidget* area = form->clientArea();
    QTest::mousePress(area, Qt::RightButton, {}, from);
    QTest::mouseMove(area, to);
    QTest::mouseRelease(area, Qt::RightButton, {}, to);
  };
  const struct {
    const char* how;
    std::function<void()> act;
    QPoint expected;
  } steps[] = {
      {"End on both scroll bars",
       [&] {
         QTest::keyClick(form->HScroll1, Qt::Key_End);
         QTest::keyClick(form->VScroll1, Qt::Key_End);
       },
       {960, 520}},
      {"right button drag",
       [&] {
         rightDrag({300, 300}, {500, 350});
       },
       {760, 470}},
      {"right button beyond the edge",
       [&] {
         rightDrag({300, 300}, {1, 1});
       },
       {960, 520}},
      {"a page back", [&] { QTest::keyClick(form->HScroll1, Qt::Key_PageUp); }, {320, 520}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.how);
    step.act();
    EXPECT_EQ(form->scrolledTo(), step.expected);
    // The picture area shows the photo from there, and dragging copies from what it shows.
    EXPECT_EQ(form->client().getPixel(0, 0), photoAt(step.expected));
    EXPECT_EQ(form->client().getPixel(639, 479), photoAt(step.expected + QPoint(639, 479)));
    drag(QPoint(639, 479));
    EXPECT_EQ(squareMismatches(QPoint(639, 479)), std::make_pair(0, 0));
    EXPECT_EQ(display()->client().getPixel(Form13::kSourceLeft, Form13::kSourceTop),
              photoAt(step.expected + QPoint(639 - 15, 479 - 15)));
    EXPECT_LE(form->Picture2.width(), Form9::kHeldWidth) << "only the reachable part is held";
    EXPECT_LE(form->Picture2.height(), Form9::kHeldHeight);
  }
  // Smaller again: the same spot of the photo stays in the middle, within what can be scrolled.
  slide(Qt::Key_PageDown);
  EXPECT_EQ(form->shownSize(), QSize(1200, 750));
  EXPECT_EQ(form->scrolledTo(), QPoint(RoundToInt((320 + 320) * 0.75 - 320), 270));
}

TEST_F(PhotoReduction, DraggingWithTheDisplayClosedOnlyTellsSo) {
  open(photo(QStringLiteral("p.bmp"), 640, 480));
  QPointer<Form13> closed = display();
  ASSERT_FALSE(closed.isNull());
  closed->unload();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  ASSERT_FALSE(state().Form13Open);

  drag(QPoint(100, 100));
  EXPECT_EQ(ui.messages, QStringList{QStringLiteral("表示フォームが立ち上がっていません。")});
  QTest::mouseMove(form->clientArea(), QPoint(120, 120));
  EXPECT_EQ(ui.messages.size(), 1) << "no message without the button";
}

TEST_F(PhotoReduction, UnreadableFilesKeepTheShownPhoto) {
  open(photo(QStringLiteral("keep.jpg"), 400, 300, "JPEG"));
  slide(Qt::Key_PageUp);
  const QImage kept = form->Picture2.image();
  ASSERT_EQ(kept.width(), 120);

  QFile noise(folder.filePath(QStringLiteral("noise.jpg")));
  ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
  noise.write(QByteArray("\xFF\xD8\xFF\xE0 definitely not a picture", 32));
  noise.close();
  QFile text(folder.filePath(QStringLiteral("text.bmp")));
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("BM, but only by name");
  text.close();
  // A bitmap whose header claims 30000 pixels across: refused before anything is decoded.
  QFile small(photo(QStringLiteral("small.bmp"), 64, 64));
  ASSERT_TRUE(small.open(QIODevice::ReadOnly));
  QByteArray header = small.readAll();
  header[18] = static_cast<char>(0x30);
  header[19] = static_cast<char>(0x75);
  QFile giant(folder.filePath(QStringLiteral("giant.bmp")));
  ASSERT_TRUE(giant.open(QIODevice::WriteOnly));
  giant.write(header);
  giant.close();

  for (const char* name : {"noise.jpg", "text.bmp", "vanished.bmp", "giant.bmp"}) {
    SCOPED_TRACE(name);
    open(folder.filePath(QString::fromLatin1(name)));
    EXPECT_EQ(form->FileName, folder.filePath(QStringLiteral("keep.jpg")));
    EXPECT_EQ(form->photoWidth(), 400);
    EXPECT_EQ(form->Slider1->value(), 6);
    EXPECT_EQ(form->Picture2.image(), kept);
  }
  EXPECT_EQ(ui.messages, QStringList{QStringLiteral("この写真は大きすぎて開けません。")});
  // The kept photo still follows the slider.
  slide(Qt::Key_End);
  EXPECT_EQ(form->Picture2.width(), 400);
}

TEST_F(PhotoReduction, TransparentPartsShowTheBackgroundAndAMovedPhotoStillShows) {
  // Left half transparent, right half opaque, as a PNG and as an icon with alpha.
  QImage clear(600, 40, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  for (int y = 0; y < 40; ++y) {
    for (int x = 300; x < 600; ++x) clear.setPixel(x, y, qRgba(200, 60, 30, 255));
  }
  const ColorRef background =
      Rgb(form->palette().color(QPalette::Window).red(), form->palette().color(QPalette::Window).green(),
          form->palette().color(QPalette::Window).blue());
  for (const char* name : {"clear.png", "clear.ico"}) {
    SCOPED_TRACE(name);
    const QString path = folder.filePath(QString::fromLatin1(name));
    const QImage image =
        QString::fromLatin1(name).endsWith(QLatin1String(".ico")) ? clear.scaled(64, 64) : clear;
    ASSERT_TRUE(image.save(path));
    open(path);
    ASSERT_EQ(form->FileName, path);
    slide(Qt::Key_End);
    EXPECT_EQ(form->Picture2.getPixel(10, 10), background);
    EXPECT_EQ(form->Picture2.getPixel(image.width() - 10, 10), Rgb(200, 60, 30));
  }

  // A photo moved away after opening is still shown at every size, from what was decoded.
  open(photo(QStringLiteral("moved.jpg"), 1600, 1000, "JPEG"));
  ASSERT_TRUE(QFile::remove(form->FileName));
  for (const Qt::Key k : {Qt::Key_PageUp, Qt::Key_End}) {
    slide(k);
    int black = 0;
    for (int y = 0; y < std::min(480, form->Picture2.height()); ++y) {
      for (int x = 0; x < std::min(640, form->Picture2.width()); ++x)
        black += form->Picture2.getPixel(x, y) == 0;
    }
    EXPECT_EQ(black, 0) << form->Slider1->value();
  }
  EXPECT_EQ(form->shownSize(), QSize(1600, 1000));
}

TEST_F(PhotoReduction, ExitClosesTheDisplayToo) {
  QPointer<Form13> shown = display();
  ASSERT_FALSE(shown.isNull());
  QPointer<Form9> self = form;
  form->findChild<QAction*>(QStringLiteral("mnuEND"))->trigger();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(shown.isNull() || shown->isUnloaded());
  EXPECT_TRUE(self.isNull() || self->isUnloaded());
  EXPECT_FALSE(state().Form9Open);
  EXPECT_FALSE(state().Form13Open);

  // Closed on its own, the display is already gone: exit closes just this window.
  form = app->single<Form9>();
  ASSERT_TRUE(state().Form9Open);
  display()->unload();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  form->findChild<QAction*>(QStringLiteral("mnuEND"))->trigger();
  EXPECT_FALSE(state().Form9Open);
}

}  // namespace
}  // namespace pf
