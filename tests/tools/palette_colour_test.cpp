#include <QStyle>
#include <QStyleOptionSlider>

#include "support/app_fixture.h"
#include "tools/palette_colour.h"

namespace pf {
namespace {

using testing::AppFixture;

class PaletteColour : public AppFixture {
 protected:
  Form2* open(int entry) {
    ic->SelectPalNum = entry;
    form = app->single<Form2>();
    return form;
  }
  QSlider* slider(int k) { return form->Slider1[k]; }
  // A mouse movement over slider k with no button pressed; each lands somewhere new. It goes through the
  // window, the way the windowing system delivers a hovering pointer.
  void hover(int k) {
    hoverX_ = hoverX_ >= 180 ? 20 : hoverX_ + 7;
    const QPoint inWindow = slider(k)->mapTo(form, QPoint(hoverX_, slider(k)->height() / 2));
    QTest::mouseMove(form->windowHandle(), inWindow);
  }
  // The keyboard's way of changing a slider.
  void pageUp(int k) {
    slider(k)->setFocus();
    QTest::keyClick(slider(k), Qt::Key_PageUp);
  }
  QPoint handleCentre(int k) {
    QSlider* s = slider(k);
    QStyleOptionSlider opt;
    opt.initFrom(s);
    opt.orientation = s->orientation();
    opt.minimum = s->minimum();
    opt.maximum = s->maximum();
    opt.sliderPosition = s->sliderPosition();
    opt.sliderValue = s->value();
    opt.singleStep = s->singleStep();
    opt.pageStep = s->pageStep();
    opt.upsideDown = s->invertedAppearance();
    opt.subControls = QStyle::SC_All;
    return s->style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, s).center();
  }
  PaletteEntry& entry(int n) { return state().IconPalette[n]; }
  ColorRef swatchColour() {
    const QColor c = form->Label3->palette().color(QPalette::Window);
    return Rgb(c.red(), c.green(), c.blue());
  }
  // The main window's swatch of entry n is painted in this colour.
  bool mainWindowShows(int n, ColorRef colour) {
    const int x = n < 8 ? 300 : 400;
    const int y = 280 + 25 * (n % 8);
    return countColour(x, y, x + 30, y + 15, colour) == 30 * 15;
  }

  Form2* form = nullptr;
  int hoverX_ = 20;
};

TEST_F(PaletteColour, OnlyMouseMovementOverASliderWritesThePalette) {
  entry(9) = {30, 20, 10, 7};
  open(9);
  EXPECT_EQ(form->windowTitle(), "パレット色設定");
  EXPECT_TRUE(state().Form2Open);
  EXPECT_EQ(form->Text1->text(), "9");
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(slider(k)->value(), 10 * (k + 1)) << k;
    EXPECT_EQ(form->Label1[k]->text(), QString::number(10 * (k + 1))) << k;
    hover(k);
  }
  EXPECT_EQ(entry(9), (PaletteEntry{30, 20, 10, 7})) << "right after loading the sliders hold the entry";
  EXPECT_EQ(swatchColour(), Rgb(10, 20, 30));

  // Slider 0 is red, 1 green, 2 blue; three page steps of 10 each.
  const PaletteEntry afterEach[3] = {{30, 20, 40, 7}, {30, 50, 40, 7}, {60, 50, 40, 7}};
  PaletteEntry now = entry(9);
  for (int k = 0; k < 3; ++k) {
    const QString shown = form->Label1[k]->text();
    for (int i = 0; i < 3; ++i) pageUp(k);
    ASSERT_EQ(slider(k)->value(), (k + 1) * 10 + 30) << "the keyboard moved slider " << k;
    // Moving over another slider writes that one, not this one.
    hover((k + 1) % 3);
    EXPECT_EQ(entry(9), now) << "slider " << k << ": the keyboard alone writes nothing";
    EXPECT_EQ(form->Label1[k]->text(), shown);

    hover(k);
    now = afterEach[k];
    EXPECT_EQ(entry(9), now) << "slider " << k;
    EXPECT_EQ(form->Label1[k]->text(), QString::number((k + 1) * 10 + 30));
    EXPECT_EQ(swatchColour(), EntryColour(now));
    EXPECT_TRUE(mainWindowShows(9, EntryColour(now))) << "the main window repaints at once";
  }
}

TEST_F(PaletteColour, DraggingWritesTheValueTheHandleReached) {
  entry(3) = {0, 0, 0, 0};
  open(3);
  QSlider* green = slider(1);
  QTest::mousePress(green, Qt::LeftButton, Qt::NoModifier, handleCentre(1));
  for (int x : {60, 120, 160}) {
    QTest::mouseMove(green, QPoint(x, green->height() / 2));
    EXPECT_GT(green->value(), 0);
    EXPECT_EQ(entry(3).green, green->value()) << "at x " << x;
  }
  QTest::mouseRelease(green, Qt::LeftButton, Qt::NoModifier, QPoint(160, green->height() / 2));
  EXPECT_EQ(entry(3).red, 0);
  EXPECT_EQ(entry(3).blue, 0);
}

TEST_F(PaletteColour, RestoreBringsBackTheEntryAsItWasWhenSelected) {
  entry(2) = {1, 2, 3, 0};
  entry(5) = {50, 60, 70, 9};
  open(2);
  pageUp(0);
  hover(0);
  ASSERT_EQ(entry(2).red, 13);

  // The main window selects entry 5 and loads the window again.
  ic->SelectPalNum = 5;
  form->Form_Load();
  EXPECT_EQ(form->Text1->text(), "5");
  EXPECT_EQ(slider(0)->value(), 70);
  EXPECT_EQ(slider(2)->value(), 50);
  EXPECT_TRUE(state().Form2Open);

  pageUp(1);
  hover(1);
  pageUp(2);
  hover(2);
  ASSERT_EQ(entry(5), (PaletteEntry{60, 70, 70, 9}));

  QTest::mouseClick(form->Command2, Qt::LeftButton);
  EXPECT_EQ(entry(5), (PaletteEntry{50, 60, 70, 9})) << "entry 5 as it was when selected";
  EXPECT_EQ(entry(2), (PaletteEntry{1, 2, 13, 0})) << "the entry edited before stays edited";
  EXPECT_EQ(slider(0)->value(), 70);
  EXPECT_EQ(slider(1)->value(), 60);
  EXPECT_EQ(slider(2)->value(), 50);
  EXPECT_EQ(swatchColour(), Rgb(70, 60, 50));
  EXPECT_TRUE(mainWindowShows(5, Rgb(70, 60, 50)));
}

TEST_F(PaletteColour, ClosingClearsTheOpenFlagAndKeepsTheColour) {
  for (bool confirm : {true, false}) {
    entry(4) = {10, 10, 10, 0};
    open(4);
    pageUp(0);
    hover(0);
    ASSERT_TRUE(state().Form2Open);
    if (confirm) {
      QTest::mouseClick(form->Command1, Qt::LeftButton);
    } else {
      form->close();  // the close box
    }
    EXPECT_TRUE(form->isUnloaded()) << confirm;
    EXPECT_FALSE(state().Form2Open) << confirm;
    EXPECT_EQ(entry(4), (PaletteEntry{10, 10, 20, 0})) << confirm;
  }
}

}  // namespace
}  // namespace pf
