#include "tools/mouse_draw.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

class MouseDrawWindow : public AppFixture {
 protected:
  // Opens the window on the current picture.
  void open() {
    form = app->single<Form17>();
    if (!form->wasActivated()) form->activate();
  }
  QWidget* area() { return form->clientArea(); }
  // The middle of image pixel (x, y) on the 5x canvas.
  static QPoint at(int x, int y) { return {10 + 5 * x + 2, 10 + 5 * y + 2}; }

  void stroke(std::initializer_list<QPoint> pixels) {
    auto p = pixels.begin();
    QTest::mousePress(area(), Qt::LeftButton, {}, at(p->x(), p->y()));
    QPoint last = *p;
    for (++p; p != pixels.end(); ++p) {
      QTest::mouseMove(area(), at(p->x(), p->y()));
      last = *p;
    }
    QTest::mouseRelease(area(), Qt::LeftButton, {}, at(last.x(), last.y()));
  }
  void pickColour(Qt::MouseButton button, int k) {
    QTest::mouseClick(area(), button, {}, QPoint(235, 50 + 20 * k + 10));
  }
  void mode(int index) {
    auto* r = form->findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(index));
    clickIndicator(r);
    ASSERT_TRUE(r->isChecked());
  }
  void tick(const char* name) { clickIndicator(form->findChild<QCheckBox*>(QString::fromLatin1(name))); }
  void type(int box, const QString& text) {
    typeInto(form->findChild<QLineEdit*>(QStringLiteral("Text1_%1").arg(box)), text);
  }
  QString text(const char* name) {
    if (auto* l = form->findChild<QLabel*>(QString::fromLatin1(name))) return l->text();
    return form->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
  }
  void menu(const char* name) { form->findChild<QAction*>(QString::fromLatin1(name))->trigger(); }

  // Pixel (x, y), y from the top, of the window's picture; checked against what the canvas shows.
  int drawn(int x, int y) {
    const int v = form->work()[static_cast<std::size_t>((31 - y) * 32 + x)];
    EXPECT_EQ(form->client().getPixel(10 + 5 * x + 2, 10 + 5 * y + 2), paletteColour(v)) << x << "," << y;
    return v;
  }
  // Which pixels of a rectangle hold a value, as a row-by-row string of '#' and '.'.
  std::string shape(int left, int top, int right, int bottom, int v) {
    std::string s;
    for (int y = top; y <= bottom; ++y) {
      for (int x = left; x <= right; ++x) s += drawn(x, y) == v ? '#' : '.';
      s += '\n';
    }
    return s;
  }

  Form17* form = nullptr;
};

TEST_F(MouseDrawWindow, OpensOnTheMainPicture) {
  setPixel(3, 4, 9);
  open();
  EXPECT_EQ(form->windowTitle(), "MouseDraw");
  EXPECT_EQ(drawn(3, 4), 9);
  EXPECT_EQ(form->client().getPixel(10 + 3, 180 + 4), paletteColour(9)) << "actual-size preview";
  EXPECT_EQ(text("Label2"), "パレット=0");
  EXPECT_TRUE(form->findChild<QRadioButton*>("Option1_3")->isChecked());
  EXPECT_FALSE(form->findChild<QAction*>("mnuUPDATE")->isEnabled());
  EXPECT_FALSE(form->findChild<QLineEdit*>("Text1_0")->isEnabled());
  for (int k = 0; k < 16; ++k) EXPECT_EQ(form->client().getPixel(230, 60 + 20 * k), paletteColour(k)) << k;
}

TEST_F(MouseDrawWindow, DotsStartAtTheSecondPositionAndAreSentBack) {
  open();
  pickColour(Qt::LeftButton, 9);
  stroke({{3, 3}});
  EXPECT_EQ(drawn(3, 3), 0) << "a click without moving draws nothing";
  stroke({{3, 5}, {4, 5}, {5, 5}});
  EXPECT_EQ(shape(2, 5, 6, 5, 9), "..##.\n");
  EXPECT_EQ(pixel(4, 5), 0) << "the main picture is untouched until sent";
  EXPECT_EQ(text("Label4"), "5");
  EXPECT_EQ(text("Label5"), "5");
  EXPECT_EQ(text("Label7"), "0") << "the pixel as it was when the mouse got there";
  stroke({{4, 5}, {5, 5}});
  EXPECT_EQ(text("Label7"), "9");

  // Entry 0 dots go straight to the image and show once the stroke ends.
  pickColour(Qt::LeftButton, 0);
  stroke({{2, 5}, {4, 5}});
  EXPECT_EQ(drawn(4, 5), 0);

  const int history = state().HistoryIndex;
  menu("mnuSend");
  EXPECT_EQ(pixel(5, 5), 9);
  EXPECT_EQ(pixel(4, 5), 0);
  EXPECT_EQ(state().HistoryIndex, history + 1);
}

TEST_F(MouseDrawWindow, ShapesFromTheFirstPointToTheCurrentOne) {
  const struct {
    const char* name;
    int mode;
    bool fill;
    std::string expected;  // pixels (2..6, 2..5) holding entry 12
  } cases[] = {
      {"line keeps both ends", 2, false, ".....\n#####\n.....\n.....\n"},
      {"rectangle outline", 1, false, "#####\n#...#\n#...#\n#####\n"},
      {"filled rectangle", 1, true, "#####\n#####\n#####\n#####\n"},
  };
  open();
  pickColour(Qt::LeftButton, 12);
  for (const auto& c : cases) {
    menu("mnuGET");
    mode(c.mode);
    auto* fill = form->findChild<QCheckBox*>("Check1");
    if (fill->isChecked() != c.fill) tick("Check1");
    if (c.mode == 2) {
      stroke({{2, 3}, {9, 9}, {6, 3}});  // only the last position counts
    } else {
      stroke({{2, 2}, {4, 4}, {6, 5}});
    }
    EXPECT_EQ(shape(2, 2, 6, 5, 12), c.expected) << c.name;
  }
  // Circles: the outline leaves the centre free, the filled one covers it.
  for (bool filled : {false, true}) {
    menu("mnuGET");
    mode(0);
    if (form->findChild<QCheckBox*>("Check1")->isChecked() != filled) tick("Check1");
    stroke({{15, 15}, {18, 15}});
    EXPECT_EQ(drawn(15, 15) == 12, filled);
    // Radius 3 + 1: the box (11, 11)-(19, 19) without its right and bottom edges.
    EXPECT_EQ(drawn(11, 15), 12);
    EXPECT_EQ(drawn(18, 15), 12);
    EXPECT_EQ(drawn(10, 15), 0);
    EXPECT_EQ(drawn(19, 15), 0);
  }
}

TEST_F(MouseDrawWindow, BlackAndDuplicateColoursReadBackAsTheFirstMatch) {
  state().IconPixels.fill(7);
  state().IconPalette[5] = PaletteEntry{};           // a second black entry
  state().IconPalette[12] = state().IconPalette[3];  // a second entry of colour 3
  open();
  pickColour(Qt::LeftButton, 5);
  for (int m : {3, 2, 1, 0}) {
    mode(m);
    stroke({{10, 10}, {12, 11}, {14, 14}});
  }
  tick("Check1");
  mode(1);
  stroke({{10, 10}, {14, 14}});
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) ASSERT_EQ(drawn(x, y), 7) << "black leaves no trace at " << x << "," << y;

  pickColour(Qt::LeftButton, 12);
  stroke({{1, 1}, {4, 1}});
  EXPECT_EQ(drawn(4, 1), 3);
}

TEST_F(MouseDrawWindow, MixedFillIsACheckerboard) {
  open();
  pickColour(Qt::LeftButton, 5);  // the shape needs a colour that is not the transparent black
  tick("Check2");
  type(0, "1");
  type(1, "2");
  tick("Check1");
  mode(1);
  stroke({{4, 4}, {9, 8}});
  for (int y = 3; y <= 9; ++y) {
    for (int x = 3; x <= 10; ++x) {
      const bool inside = x >= 4 && x <= 9 && y >= 4 && y <= 8;
      EXPECT_EQ(drawn(x, y), inside ? ((x + y) % 2 == 0 ? 2 : 1) : 0) << x << "," << y;
    }
  }
}

TEST_F(MouseDrawWindow, MixColourBoxesFollowTheirRule) {
  open();
  tick("Check2");
  const struct {
    QString typed, shown;
  } cases[] = {{"7", "7"}, {"b", "11"}, {"-3", "0"}, {"20", "15"}, {"f", "15"}, {"", ""}};
  for (const auto& c : cases) {
    type(1, c.typed);
    EXPECT_EQ(text("Text1_1"), c.shown) << c.typed.toStdString();
  }
}

TEST_F(MouseDrawWindow, UndoSwitchesBetweenBeforeAndAfterTheLastStroke) {
  setPixel(0, 0, 4);
  open();
  pickColour(Qt::LeftButton, 10);
  mode(2);
  stroke({{1, 1}, {8, 1}});
  const Image32 after = form->work();
  menu("mnuUNDO");
  EXPECT_EQ(drawn(5, 1), 0);
  EXPECT_EQ(drawn(0, 0), 4);
  menu("mnuUNDO");
  EXPECT_EQ(form->work(), after);
  EXPECT_EQ(drawn(5, 1), 10);
}

TEST_F(MouseDrawWindow, RightClickOnTheStripChangesTheColourButNotTheSwatch) {
  open();
  pickColour(Qt::LeftButton, 9);
  const QColor swatch = form->findChild<QLabel*>("Label1")->palette().color(QPalette::Window);
  EXPECT_EQ(swatch, QColor(RedOf(paletteColour(9)), GreenOf(paletteColour(9)), BlueOf(paletteColour(9))));
  EXPECT_EQ(text("Text1_0"), "9");
  pickColour(Qt::RightButton, 12);
  EXPECT_EQ(text("Text1_1"), "12");
  EXPECT_EQ(text("Label2"), "パレット=9");
  EXPECT_EQ(form->findChild<QLabel*>("Label1")->palette().color(QPalette::Window), swatch);
  stroke({{1, 1}, {2, 1}});
  EXPECT_EQ(drawn(2, 1), 12);
  pickColour(Qt::LeftButton, 11);
  EXPECT_EQ(text("Label2"), "パレット=B");
}

TEST_F(MouseDrawWindow, CompositeFollowsTheMouseAndClearingUsesTheBlackEntry) {
  setPixel(5, 5, 6);
  open();
  form->Command1_Click();
  EXPECT_EQ(drawn(5, 5), 0) << "All Clear";
  setPixel(16, 16, 9);
  tick("Check3");
  EXPECT_TRUE(form->findChild<QAction*>("mnuUPDATE")->isEnabled());
  EXPECT_EQ(drawn(16, 16), 9) << "laid over at (0, 0)";
  EXPECT_EQ(drawn(5, 5), 6);
  stroke({{20, 20}, {22, 21}});
  EXPECT_EQ(drawn(22, 21), 9) << "its pixel (16, 16) is under the pointer";
  EXPECT_EQ(drawn(16, 16), 0);
  EXPECT_EQ(drawn(11, 10), 6);
  menu("mnuUPDATE");
  tick("Check3");
  EXPECT_FALSE(form->findChild<QAction*>("mnuUPDATE")->isEnabled());
  // The updated picture stays when drawing starts again.
  pickColour(Qt::LeftButton, 1);
  mode(2);
  stroke({{0, 31}, {1, 31}});
  EXPECT_EQ(drawn(22, 21), 9);
  EXPECT_EQ(drawn(1, 31), 1);
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

TEST_F(MouseDrawWindow, FillModeFillsTheClickedRegionInOneUndoStep) {
  // A ring of 9 in a picture of 3, a 3 inside it; the fill goes round from the edge, not into the ring.
  std::fill_n(state().IconPixels.begin(), kPixelCount, std::uint8_t{3});
  for (int x = 4; x <= 8; ++x)
    for (int y = 4; y <= 8; ++y) setPixel(x, y, x == 4 || x == 8 || y == 4 || y == 8 ? 9 : 3);
  open();
  auto* fill = form->findChild<QRadioButton*>(QStringLiteral("Option1_4"));
  ASSERT_NE(fill, nullptr);
  EXPECT_EQ(fill->text(), "塗りつぶし");
  const struct {
    const char* name;
    int colour;
    bool mix;
    QPoint click;
    int outside, inside;  // what (0, 0) and (6, 6) hold afterwards; (4, 4) keeps 9
  } steps[] = {
      {"entry 0, black: not the overlay's key", 0, false, {31, 31}, 0, 3},
      {"the hole alone", 12, false, {6, 6}, 0, 12},
      {"the mix", 5, true, {0, 0}, -1, 12},
  };
  mode(4);
  for (const auto& s : steps) {
    pickColour(Qt::LeftButton, s.colour);
    if (s.mix) {
      tick("Check2");
      type(0, "1");
      type(1, "2");
    }
    QTest::mouseClick(area(), Qt::LeftButton, {}, at(s.click.x(), s.click.y()));
    if (s.outside >= 0) {
      EXPECT_EQ(drawn(0, 0), s.outside) << s.name;
    }
    EXPECT_EQ(drawn(6, 6), s.inside) << s.name;
    EXPECT_EQ(drawn(4, 4), 9) << s.name;
  }
  // The mix: index 2 where x + y is even, 1 where it is odd.
  EXPECT_EQ(drawn(0, 0), 2);
  EXPECT_EQ(drawn(1, 0), 1);
  EXPECT_EQ(drawn(31, 30), 1);
  menu("mnuUNDO");
  EXPECT_EQ(drawn(0, 0), 0) << "one undo takes the last fill back";
  EXPECT_EQ(drawn(6, 6), 12);
  menu("mnuUNDO");
  EXPECT_EQ(drawn(1, 0), 1) << "and the second brings it again";
}

}  // namespace
}  // namespace pf
