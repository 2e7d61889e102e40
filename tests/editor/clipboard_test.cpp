#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

const QString kCannotPaste = QStringLiteral("クリップボードの内容は貼り付けできません。");

class Clipboard : public AppFixture {
 protected:
  QClipboard* board() { return QGuiApplication::clipboard(); }
  void offer(const QImage& image, const QString& text = QString()) {
    auto* data = new QMimeData;
    if (!image.isNull()) data->setImageData(image);
    if (!text.isNull()) data->setText(text);
    board()->setMimeData(data);
  }
  std::array<std::uint8_t, kPixelCount> picture() {
    std::array<std::uint8_t, kPixelCount> p{};
    std::copy_n(state().IconPixels.begin(), kPixelCount, p.begin());
    return p;
  }
  QRgb colourOf(int v) {
    const PaletteEntry& e = state().IconPalette[v];
    return qRgb(e.red, e.green, e.blue);
  }
};

TEST_F(Clipboard, CopyAndPasteRoundTripThePictureAsImageAndAsText) {
  for (int i = 0; i < kPixelCount; ++i) state().IconPixels[i] = std::uint8_t((i * 5 + i / 32) & 15);
  state().IconPalette[11] = state().IconPalette[3];  // two entries of one colour
  state().TransparentIndex = 2;
  ic->DoShow();
  const auto before = picture();
  key(Qt::Key_C, Qt::ControlModifier);

  const QImage image = qvariant_cast<QImage>(board()->mimeData()->imageData());
  ASSERT_EQ(image.size(), QSize(32, 32));
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const int v = pixel(x, y);
      ASSERT_EQ(qAlpha(image.pixel(x, y)), v == 2 ? 0 : 255) << x << "," << y;
      if (v != 2) {
        ASSERT_EQ(image.pixel(x, y), colourOf(v) | 0xFF000000u) << x << "," << y;
      }
    }
  }
  const QStringList lines = board()->text().split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 32);
  QString top;
  for (int x = 0; x < 32; ++x) top += HexDigit(pixel(x, 0));
  EXPECT_EQ(lines[0], top);

  // Pasted back over a cleared picture: the image and, beside it, the text that tells 3 from 11.
  const QString copied = board()->text();
  for (const bool textOnly : {false, true}) {
    if (textOnly) board()->setText(copied);
    trigger("mnuBCLS");
    const int record = state().HistoryIndex;
    trigger("mnuBPaste");
    EXPECT_EQ(picture(), before) << "text only: " << textOnly;
    EXPECT_EQ(state().HistoryIndex, record + 1) << "one undo step";
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(pixel(5, 5), 0) << "undone";
    EXPECT_TRUE(ui.messages.isEmpty());
  }
}

TEST_F(Clipboard, ASixteenIconTravelsAsItsQuarter) {
  trigger("mnuNew16");
  setPixel(0, 16, 7);
  setPixel(15, 31, 9);
  state().TransparentIndex = 9;
  key(Qt::Key_C, Qt::ControlModifier);
  const QImage image = qvariant_cast<QImage>(board()->mimeData()->imageData());
  ASSERT_EQ(image.size(), QSize(16, 16));
  EXPECT_EQ(image.pixel(0, 0), colourOf(7) | 0xFF000000u);
  EXPECT_EQ(qAlpha(image.pixel(15, 15)), 0);
  EXPECT_EQ(board()->text().split('\n', Qt::SkipEmptyParts).size(), 16);

  trigger("mnuNEW");
  setPixel(20, 20, 4);
  trigger("mnuBPaste");
  EXPECT_EQ(pixel(0, 16), 7);
  EXPECT_EQ(pixel(15, 31), 9) << "transparent takes the transparent colour";
  EXPECT_EQ(pixel(1, 17), 0);
  EXPECT_EQ(pixel(20, 20), 4) << "outside the quarter the picture stays";
}

TEST_F(Clipboard, ImagesOfOtherProgramsByTheirColours) {
  const Palette shipped = state().IconPalette;
  QImage few(20, 20, QImage::Format_RGB32);
  few.fill(qRgb(1, 2, 3));
  few.setPixel(19, 19, qRgb(200, 100, 50));
  QImage photo(64, 40, QImage::Format_RGB32);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 64; ++x) photo.setPixel(x, y, qRgb(x * 4, y * 6, (x * y) & 255));
  const struct {
    const char* name;
    QImage image;
    QString text;
    bool palette;  // the image's colours became the palette
    int value;     // pixel (0, 0) afterwards; -1: not pasted; -2: a photo, checked below
  } cases[] = {
      {"few colours", few, QString(), true, 0},
      {"a photo, fitted and reduced", photo, QString(), true, -2},
      {"a text that is no grid", QImage(), QStringLiteral("hello"), false, -1},
      {"nothing", QImage(), QString(), false, -1},
  };
  for (const auto& c : cases) {
    trigger("mnuNEW");
    setPixel(0, 25, 6);
    ic->DoShow();
    const int record = state().HistoryIndex;
    ui.messages.clear();
    offer(c.image, c.text);
    trigger("mnuBPaste");
    if (c.value == -1) {
      EXPECT_EQ(ui.messages, QStringList{kCannotPaste}) << c.name;
      EXPECT_EQ(state().HistoryIndex, record) << c.name;
      EXPECT_EQ(pixel(0, 25), 6) << c.name;
      EXPECT_EQ(state().IconPalette, shipped) << c.name;
      continue;
    }
    EXPECT_TRUE(ui.messages.isEmpty()) << c.name;
    EXPECT_EQ(state().HistoryIndex, record + 1) << c.name;
    EXPECT_EQ(state().IconPalette != shipped, c.palette) << c.name;
    if (c.value >= 0) {
      EXPECT_EQ(pixel(0, 0), c.value) << c.name;
      EXPECT_EQ(state().IconPalette[1], (PaletteEntry{50, 100, 200, 0}))
          << c.name << ": in order of appearance";
    } else {
      // Fitted into 32 x 20 at the top: the rows below it stay, the corners differ as in the photo.
      EXPECT_EQ(pixel(0, 25), 6);
      EXPECT_NE(colourOf(pixel(31, 19)), colourOf(pixel(0, 0)));
    }
  }
}

TEST_F(Clipboard, CtrlFFillsAroundTheCaretAndTheMenuItemsReachAssistiveTechnology) {
  for (int x = 2; x <= 6; ++x)
    for (int y = 2; y <= 6; ++y) setPixel(x, y, x == 2 || x == 6 || y == 2 || y == 6 ? 1 : 0);
  ic->DoShow();
  click(Qt::RightButton, 310, 440);  // palette entry 6
  ASSERT_EQ(ic->SelectPalNum, 6);
  clickCell(4, 4);
  key(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(pixel(4, 4), 6);
  EXPECT_EQ(pixel(3, 5), 6);
  EXPECT_EQ(pixel(2, 4), 1) << "the ring holds";
  EXPECT_EQ(pixel(0, 0), 0) << "outside is another region";
  key(Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(pixel(4, 4), 0) << "one undo step";

  QAccessibleInterface* draw = QAccessible::queryAccessibleInterface(ic->menu(QStringLiteral("mnuB")));
  ASSERT_NE(draw, nullptr);
  QStringList names;
  for (int i = 0; i < draw->childCount(); ++i) names << draw->child(i)->text(QAccessible::Name);
  EXPECT_TRUE(names.contains("コピー")) << names.join(',').toStdString();
  const int paste = static_cast<int>(names.indexOf("貼り付け"));
  ASSERT_GE(paste, 0);
  EXPECT_EQ(ic->menuAction(QStringLiteral("mnuBPaste"))->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_V));
  board()->setText(QString(32, '3').append('\n').repeated(32));
  draw->child(paste)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(pixel(31, 31), 3);
}

}  // namespace
}  // namespace pf
