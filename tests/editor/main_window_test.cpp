#include "support/app_fixture.h"

#include <QAccessible>
#include <QStatusBar>

#include "model/history.h"

namespace pf {
namespace {

using testing::AppFixture;

class MainWindow : public AppFixture {
 protected:
  // Caret cell (column, row) as the main window reports it.
  std::pair<int, int> caret() { return {ic->curColumn(), ic->curRow()}; }
  void moveCaretTo(int column, int row) {
    ic->MoveCaret(8 * column, 57 + 16 * row);
    ASSERT_EQ(caret(), std::make_pair(column, row));
  }
  QLabel* label(const char* name) { return ic->findChild<QLabel*>(QString::fromLatin1(name)); }
};

TEST_F(MainWindow, StartsWithABlankIconAndTheDefaultPalette) {
  EXPECT_EQ(ic->windowTitle(), "Pictoforge");
  EXPECT_EQ(ic->statusPanel(2), "New");
  EXPECT_EQ(ic->statusPanel(3), "透明色=0");
  EXPECT_EQ(ic->statusPanel(1), "(0,0)=0");
  EXPECT_TRUE(ic->editActive());
  EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(", ").toStdString();
  // The shipped file's current set holds the standard colours: entry 9 is red, 15 white.
  EXPECT_EQ(paletteColour(9), Rgb(255, 0, 0));
  EXPECT_EQ(paletteColour(15), Rgb(255, 255, 255));
  EXPECT_EQ(state().HistoryIndex, -1) << "the blank picture stores no record";
  // The grid is drawn on the dark brown canvas and the palette panel shows the swatches.
  EXPECT_GT(countColour(0, 57, 256, 569, IC::kCanvasBackColour), 256 * 512 / 2);
  EXPECT_EQ(countColour(400, 280 + 25 * 7, 430, 295 + 25 * 7, paletteColour(15)), 30 * 15);
  EXPECT_EQ(countColour(300, 280 + 25 * 1, 330, 295 + 25 * 1, paletteColour(1)), 30 * 15);
}

TEST_F(MainWindow, ArrowKeysWrapAndClampAtTheEdges) {
  const struct {
    const char* name;
    int column, row;
    Qt::Key key;
    int toColumn, toRow;
  } cases[] = {
      {"left at column 0 goes to the end of the row above", 0, 5, Qt::Key_Left, 31, 4},
      {"left at the top-left corner stays", 0, 0, Qt::Key_Left, 0, 0},
      {"right at the bottom-right corner stays", 31, 31, Qt::Key_Right, 31, 31},
      {"right at column 31 goes to the start of the row below", 31, 30, Qt::Key_Right, 0, 31},
      {"up at row 0 stays", 7, 0, Qt::Key_Up, 7, 0},
      {"down at row 31 stays", 7, 31, Qt::Key_Down, 7, 31},
      {"plain moves", 4, 4, Qt::Key_Down, 4, 5},
  };
  for (const auto& c : cases) {
    moveCaretTo(c.column, c.row);
    key(c.key);
    EXPECT_EQ(caret(), std::make_pair(c.toColumn, c.toRow)) << c.name;
    EXPECT_EQ(ic->CX, 8 * c.toColumn) << c.name;
    EXPECT_EQ(ic->CY, 57 + 16 * c.toRow) << c.name;
  }
}

TEST_F(MainWindow, TypingSetsThePixelUnderTheCaretAndDrawsItInItsColour) {
  const struct {
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    int value;
  } cases[] = {
      {Qt::Key_7, Qt::NoModifier, 7},      {Qt::Key_0, Qt::NoModifier, 0},
      {Qt::Key_9, Qt::NoModifier, 9},      {Qt::Key_A, Qt::NoModifier, 10},
      {Qt::Key_F, Qt::NoModifier, 15},     {Qt::Key_C, Qt::NoModifier, 12},
      {Qt::Key_3, Qt::KeypadModifier, 3},  {Qt::Key_9, Qt::KeypadModifier, 9},
      {Qt::Key_Delete, Qt::NoModifier, 0}, {Qt::Key_1, Qt::NoModifier, 1},
  };
  int column = 0;
  for (const auto& c : cases) {
    moveCaretTo(column, 10);
    setPixel(column, 10, 5);
    key(c.key, c.modifiers);
    EXPECT_EQ(pixel(column, 10), c.value) << "key " << c.key;
    EXPECT_EQ(caret(), std::make_pair(column, 10)) << "the caret does not advance";
    EXPECT_EQ(ic->statusPanel(1), QStringLiteral("(%1,10)=%2").arg(column).arg(c.value, 0, 16).toUpper());
    // The digit's glyph is drawn in the entry's colour (skip entry 0: black on brown is still drawn, but
    // the caret cell may be mid-blink).
    ic->MoveCaret(8 * (column + 1), 57 + 16 * 10);  // move away so the cell shows its normal colours
    if (c.value != 0) {
      EXPECT_GT(countColour(8 * column, 57 + 160, 8 * column + 8, 57 + 176, paletteColour(c.value)), 3)
          << "key " << c.key;
    }
    ++column;
  }
  // Keys without a command leave the picture alone.
  const auto before = state().IconPixels;
  key(Qt::Key_H);
  key(Qt::Key_J);
  EXPECT_EQ(state().IconPixels, before);
}

TEST_F(MainWindow, TypedDigitUpdatesThePreviews) {
  moveCaretTo(2, 20);  // lower-left quarter: shown in the 16 x 16 preview too
  key(Qt::Key_9);
  const ColorRef red = paletteColour(9);
  EXPECT_EQ(ic->client().getPixel(280 + 2, 220 + 20), red) << "1:1 preview";
  EXPECT_EQ(ic->client().getPixel(320 + 2, 236 + 4), red) << "16 x 16 preview";
  EXPECT_EQ(countColour(280 + 10, 57 + 100, 285 + 10, 62 + 100, red), 16) << "5x square inside the frame";
  EXPECT_EQ(countColour(350, 0, 400, 20, red), 50 * 20) << "caret pixel swatch";
  EXPECT_EQ(label("Label3")->text(), "R=255\nG=0\nB=0");
}

TEST_F(MainWindow, LeftClickMovesTheCaretAndWrapsAtTheRightEdge) {
  click(Qt::LeftButton, 100, 57 + 16 * 3 + 8);
  EXPECT_EQ(caret(), std::make_pair(12, 3));
  click(Qt::LeftButton, 256, 57 + 16 * 3 + 8);
  EXPECT_EQ(caret(), std::make_pair(0, 4)) << "x = 256 asks for column 32: start of the next row";
  click(Qt::LeftButton, 256, 57 + 16 * 31 + 8);
  EXPECT_EQ(caret(), std::make_pair(31, 31)) << "on the last row it stays at column 31";
  const auto before = state().IconPixels;
  click(Qt::LeftButton, 260, 100);
  EXPECT_EQ(caret(), std::make_pair(31, 31)) << "x = 260 is outside the grid";
  EXPECT_EQ(state().IconPixels, before);
  click(Qt::LeftButton, 10, 569);
  EXPECT_EQ(caret(), std::make_pair(1, 31)) << "the bottom edge is clamped to the last row";
}

TEST_F(MainWindow, LeftClickPaintsWhileMouseDrawingIsOn) {
  ic->SelectPalNum = 12;
  state().Form1Open = true;
  clickCell(4, 6);
  EXPECT_EQ(pixel(4, 6), 12);
  key(Qt::Key_Right);
  key(Qt::Key_Space);
  EXPECT_EQ(pixel(5, 6), 12);
  state().Form1Open = false;
  key(Qt::Key_Right);
  key(Qt::Key_Return);
  EXPECT_EQ(pixel(6, 6), 0) << "Enter only paints while mouse drawing is on";
}

TEST_F(MainWindow, LinePaintFollowsItsTwoSettings) {
  state().Form3Open = true;
  ic->SelectPalNum = 5;
  const int row[4] = {1, 1, 2, 1};
  for (bool stop : {true, false}) {
    for (int x = 0; x < 32; ++x) setPixel(x, 8, x < 4 ? row[x] : 3);
    state().LinePaintStopAtOther = stop;
    clickCell(0, 8);
    const int expected[4] = {5, 5, 2, stop ? 1 : 5};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(pixel(x, 8), expected[x]) << "stop " << stop << " x " << x;
    EXPECT_EQ(pixel(4, 8), 3);
  }
  // Vertical: a column of 7s with a 4 in the middle, clicked below the 4.
  state().LinePaintVertical = true;
  state().LinePaintStopAtOther = true;
  for (int y = 0; y < 32; ++y) setPixel(20, y, y == 10 ? 4 : 7);
  clickCell(20, 15);
  EXPECT_EQ(pixel(20, 31), 5);
  EXPECT_EQ(pixel(20, 11), 5);
  EXPECT_EQ(pixel(20, 10), 4);
  EXPECT_EQ(pixel(20, 9), 7) << "the run stops at the 4";
  EXPECT_EQ(pixel(19, 15), 0) << "other columns untouched";
}

TEST_F(MainWindow, RightClickOnTheSwatchesSelectsAnEntry) {
  const struct {
    int x, y;
    int selected;  // -1: nothing selected
  } cases[] = {{315, 290, 0},  {415, 460, 15}, {350, 290, -1}, {315, 280, -1},
               {315, 305, -1}, {300, 306, 1},  {430, 295, 8},  {331, 290, -1}};
  for (const auto& c : cases) {
    ic->SelectPalNum = 7;
    click(Qt::RightButton, c.x, c.y);
    EXPECT_EQ(ic->SelectPalNum, c.selected < 0 ? 7 : c.selected) << c.x << "," << c.y;
  }
  click(Qt::RightButton, 415, 460);
  EXPECT_EQ(countColour(350, 500, 400, 520, paletteColour(15)), 50 * 20) << "selected colour swatch";
}

TEST_F(MainWindow, TransparentColourAnswers) {
  const struct {
    const char* answer;
    int index;
    bool opaque, keep;
    const char* status;
  } steps[] = {
      {"20", 15, false, false, "透明色=15"},
      {"3.5", 4, false, false, "透明色=4"},
      {"-5", 4, true, false, "透明色=不透明"},
      {"99", 4, true, true, "透明色=不変更"},
      // Typed with a Japanese input method: full-width digits, signs and spaces read as plain ones.
      {"１２", 12, false, false, "透明色=12"},
      {"－１", 12, true, false, "透明色=不透明"},
      {"　３", 3, false, false, "透明色=3"},
      {"９９", 3, false, true, "透明色=不変更"},
      {"x", 0, false, false, "透明色=0"},
  };
  for (const auto& s : steps) {
    ui.inputAnswers.push_back(QString::fromUtf8(s.answer));
    trigger("mnuBTP");
    EXPECT_EQ(state().TransparentIndex, s.index) << s.answer;
    EXPECT_EQ(ic->Opaque, s.opaque) << s.answer;
    EXPECT_EQ(ic->KeepMask, s.keep) << s.answer;
    EXPECT_EQ(ic->statusPanel(3), QString::fromUtf8(s.status)) << s.answer;
  }
  const ScriptedUi::Request& asked = ui.requests.back();
  EXPECT_EQ(asked.title, "透明色　選択");
  EXPECT_EQ(asked.defaultText, "0");
  EXPECT_TRUE(asked.text.startsWith("パレット番号を１０進数で入力してください。"));
  EXPECT_TRUE(asked.text.endsWith("不透明=－1 そのまま＝99"));

  ui.inputAnswers.push_back(QString());
  ui.inputAnswers.push_back(std::nullopt);
  trigger("mnuBTP");
  trigger("mnuBTP");
  EXPECT_EQ(ic->statusPanel(3), "透明色=0") << "empty answer and Cancel change nothing";
}

TEST_F(MainWindow, BaseColourFillsThePicture) {
  for (auto [answer, value] : {std::pair{"7.5", 8}, {"40", 15}, {"-3", 0}, {"abc", 0}, {"6", 6}}) {
    ui.inputAnswers.push_back(QString::fromLatin1(answer));
    trigger("mnuBCS");
    EXPECT_EQ(pixel(0, 0), value) << answer;
    EXPECT_EQ(pixel(31, 31), value) << answer;
  }
  EXPECT_EQ(ui.requests.back().title, "カラー選択");
  ui.inputAnswers.push_back(QString());
  trigger("mnuBCS");
  EXPECT_EQ(pixel(10, 10), 6) << "an empty answer changes nothing";
}

TEST_F(MainWindow, BackAndForwardLabelsStepThroughTheHistory) {
  QLabel* back = label("Label1_0");
  QLabel* forward = label("Label1_1");
  ASSERT_TRUE(back && forward);
  EXPECT_EQ(back->text(), "戻す");
  EXPECT_EQ(forward->text(), "進む");

  for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3}) key(k);
  EXPECT_EQ(label("Label4")->text(), "2/2");
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(label("Label4")->text(), "1/2");
  EXPECT_EQ(pixel(0, 0), 2);
  QTest::mouseClick(back, Qt::LeftButton);
  QTest::mouseClick(back, Qt::LeftButton);
  EXPECT_EQ(label("Label4")->text(), "0/2");
  EXPECT_EQ(pixel(0, 0), 1);
  QTest::mouseClick(forward, Qt::LeftButton);
  QTest::mouseClick(forward, Qt::LeftButton);
  QTest::mouseClick(forward, Qt::LeftButton);
  EXPECT_EQ(label("Label4")->text(), "2/2");
  EXPECT_EQ(pixel(0, 0), 3);
}

TEST_F(MainWindow, UndoKeysAndAssistiveTechnologyPressTheLabels) {
  for (Qt::Key k : {Qt::Key_1, Qt::Key_2, Qt::Key_3}) key(k);
  const struct {
    Qt::KeyboardModifiers modifiers;
    Qt::Key key;
    const char* counter;
    int value;
  } steps[] = {
      {Qt::ControlModifier, Qt::Key_Z, "1/2", 2},
      {Qt::ControlModifier, Qt::Key_Z, "0/2", 1},
      {Qt::ControlModifier, Qt::Key_Y, "1/2", 2},
      {Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z, "2/2", 3},
  };
  for (const auto& s : steps) {
    key(s.key, s.modifiers);
    EXPECT_EQ(label("Label4")->text(), s.counter);
    EXPECT_EQ(pixel(0, 0), s.value) << s.counter;
  }

  QAccessibleInterface* back = QAccessible::queryAccessibleInterface(label("Label1_0"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->role(), QAccessible::Button);
  EXPECT_EQ(back->text(QAccessible::Name), "戻す");
  ASSERT_NE(back->actionInterface(), nullptr);
  back->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
  EXPECT_EQ(label("Label4")->text(), "1/2");
  EXPECT_EQ(pixel(0, 0), 2);
}

TEST_F(MainWindow, BackWithNothingToStepToStillSkipsTheNextRecord) {
  QTest::mouseClick(label("Label1_0"), Qt::LeftButton);
  EXPECT_TRUE(ic->skipHistoryOnce());
  key(Qt::Key_4);
  EXPECT_EQ(state().HistoryIndex, -1) << "the first change is not stored";
  EXPECT_FALSE(ic->skipHistoryOnce());
  key(Qt::Key_Right);
  key(Qt::Key_5);
  EXPECT_EQ(state().HistoryIndex, 0) << "it is stored with the next one";
  EXPECT_EQ(state().History[0].pixels[31 * 32 + 0], 4);
}

TEST_F(MainWindow, DoShowAfterSkipStoresNothing) {
  setPixel(3, 3, 9);
  ic->setSkipHistoryOnce(true);
  ic->DoShow();
  EXPECT_EQ(state().HistoryIndex, -1);
  EXPECT_FALSE(ic->skipHistoryOnce());
  ic->DoShow();
  EXPECT_EQ(state().HistoryIndex, 0);
}

TEST_F(MainWindow, NewCommands) {
  key(Qt::Key_Down);
  key(Qt::Key_Right);
  key(Qt::Key_7);
  trigger("mnuNew16");
  EXPECT_EQ(ic->statusPanel(2), "New16");
  EXPECT_EQ(caret(), std::make_pair(0, 0));
  for (int row = 0; row < 32; ++row) {
    for (int x = 0; x < 32; ++x) {
      ASSERT_EQ(pixel(x, row), (row >= 16 && x < 16) ? 0 : 15) << x << "," << row;
    }
  }
  EXPECT_EQ(ic->statusPanel(1), "(0,0)=F");
  trigger("mnuNEW");
  EXPECT_EQ(ic->statusPanel(2), "New");
  EXPECT_EQ(pixel(31, 0), 0);
  EXPECT_EQ(state().HistoryLast, 2) << "New does not clear the history";
}

TEST_F(MainWindow, EveryCommandIsPresentAndEnabled) {
  for (QAction* a : ic->findChildren<QAction*>()) {
    if (a->objectName().startsWith(QLatin1String("mnu"))) {
      EXPECT_TRUE(a->isEnabled()) << a->objectName().toStdString();
    }
  }
  for (const char* name : {"mnuOpen", "mnuSAVE", "mnuFList", "mnuBPA", "mnuBMIX", "mnuBMSK", "mnuHKN",
                           "mnuFullColIcon", "mnuSaveWindow", "mnuEND"}) {
    QAction* a = ic->menuAction(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    EXPECT_TRUE(a->isEnabled()) << name;
  }
}

class MainWindowWithoutPalette : public AppFixture {
 protected:
  MainWindowWithoutPalette() { withPaletteFile = false; }
};

TEST_F(MainWindowWithoutPalette, ReportsTheMissingFileAndKeepsABlackPalette) {
  ASSERT_EQ(ui.messages.size(), 1);
  EXPECT_EQ(ui.messages[0], "パレットデータ(pal.pal)がないか、データが不正です。");
  for (const PaletteEntry& e : state().IconPalette) EXPECT_EQ(EntryColour(e), 0u);
  trigger("mnuNew16");
  EXPECT_EQ(ui.messages.size(), 2) << "every New reads the file again";
  key(Qt::Key_5);
  EXPECT_EQ(pixel(0, 0), 5) << "the editor keeps working";
}

}  // namespace
}  // namespace pf
