#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "support/app_fixture.h"
#include "tools/line_paint_settings.h"
#include "tools/mouse_palette.h"

namespace pf {
namespace {

using testing::AppFixture;

class PaintSettings : public AppFixture {
 protected:
  bool showsColourOf(QLabel* swatch, int entry) {
    const QColor c = swatch->palette().color(QPalette::Window);
    const ColorRef want = paletteColour(entry);
    return swatch->autoFillBackground() && c == QColor(RedOf(want), GreenOf(want), BlueOf(want));
  }
  void type(QLineEdit* box, const QString& text) { typeInto(box, text); }
  void clickOption(QRadioButton* option) { clickIndicator(option); }
};

TEST_F(PaintSettings, MouseDrawingShowsAndFollowsTheSelectedEntry) {
  ic->SelectPalNum = 9;
  Form1* form = app->single<Form1>();
  EXPECT_EQ(form->windowTitle(), "マウス描画");
  EXPECT_TRUE(state().Form1Open);
  EXPECT_EQ(form->Text1->text(), "9");
  EXPECT_TRUE(showsColourOf(form->Label2, 9));

  // The main window runs the load steps again after each palette pick; nothing is built twice.
  const int controls = static_cast<int>(form->findChildren<QWidget*>().size());
  for (int n : {4, 15, 0}) {
    ic->SelectPalNum = n;
    form->Form_Load();
    EXPECT_EQ(form->Text1->text(), QString::number(n));
    EXPECT_TRUE(showsColourOf(form->Label2, n)) << n;
  }
  EXPECT_EQ(static_cast<int>(form->findChildren<QWidget*>().size()), controls);
  EXPECT_TRUE(state().Form1Open);

  QTest::mouseClick(form->Command1, Qt::LeftButton);
  EXPECT_FALSE(state().Form1Open);
}

TEST_F(PaintSettings, MouseDrawingBoxIsCappedAndOnlyDisplays) {
  ic->SelectPalNum = 6;
  Form1* form = app->single<Form1>();
  const struct {
    const char* typed;
    const char* shown;
  } cases[] = {{"20", "15"}, {"-3", "0"}, {"12", "12"}, {"99", "15"}};
  for (const auto& c : cases) {
    type(form->Text1, QString::fromLatin1(c.typed));
    EXPECT_EQ(form->Text1->text(), QString::fromLatin1(c.shown)) << c.typed;
  }
  EXPECT_EQ(ic->SelectPalNum, 6);
  // A click on the canvas paints the entry selected in the main window, not the box's number.
  const int historyBefore = state().HistoryIndex;
  clickCell(3, 4);
  EXPECT_EQ(pixel(3, 4), 6);
  EXPECT_GT(state().HistoryIndex, historyBefore);
}

TEST_F(PaintSettings, LinePaintTogglesItsSettingsAndKeepsThemForTheNextOpening) {
  ic->SelectPalNum = 9;
  Form3* form = app->single<Form3>();
  EXPECT_EQ(form->windowTitle(), "ラインペイント");
  EXPECT_TRUE(state().Form3Open);
  EXPECT_EQ(form->Text1->text(), "9");
  EXPECT_TRUE(showsColourOf(form->Label2, 9));
  // Start-up settings: along the row, stopping at other colours.
  EXPECT_EQ(form->Label3->text(), "LR");
  EXPECT_TRUE(form->Option1[1]->isChecked());

  const bool vertical[3] = {true, false, true};
  for (bool v : vertical) {
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    EXPECT_EQ(state().LinePaintVertical, v);
    EXPECT_EQ(form->Label3->text(), v ? "UD" : "LR");
  }
  clickOption(form->Option1[0]);
  EXPECT_FALSE(state().LinePaintStopAtOther);

  // A palette pick re-runs the load steps without touching the settings or building controls again.
  const int controls = static_cast<int>(form->findChildren<QWidget*>().size());
  ic->SelectPalNum = 2;
  form->Form_Load();
  EXPECT_EQ(form->Text1->text(), "2");
  EXPECT_TRUE(showsColourOf(form->Label2, 2));
  EXPECT_EQ(static_cast<int>(form->findChildren<QWidget*>().size()), controls);
  EXPECT_TRUE(state().LinePaintVertical);
  EXPECT_FALSE(state().LinePaintStopAtOther);

  QTest::mouseClick(form->Command2, Qt::LeftButton);
  EXPECT_FALSE(state().Form3Open);
  EXPECT_TRUE(state().LinePaintVertical);
  EXPECT_FALSE(state().LinePaintStopAtOther);

  Form3* reopened = app->single<Form3>();
  EXPECT_TRUE(state().Form3Open);
  EXPECT_EQ(reopened->Label3->text(), "UD");
  EXPECT_TRUE(reopened->Option1[0]->isChecked());
  EXPECT_FALSE(reopened->Option1[1]->isChecked());
  clickOption(reopened->Option1[1]);
  EXPECT_TRUE(state().LinePaintStopAtOther);
  reopened->unload();
  EXPECT_FALSE(state().Form3Open);
}

}  // namespace
}  // namespace pf
