// The main window as the hub of the tool windows: menus and keys open them with the right owner, and
// open windows follow the palette selection and the mouse.
#include "archive/file_browser.h"
#include "support/app_fixture.h"
#include "tools/arithmetic.h"
#include "tools/check_pattern.h"
#include "tools/line_paint_settings.h"
#include "tools/mouse_palette.h"
#include "tools/palette_conversion.h"
#include "tools/shift_block.h"
#include "tools/transformation.h"

#include <QCheckBox>
#include <QLineEdit>

namespace pf {
namespace {

using testing::AppFixture;

class ToolWindows : public AppFixture {};

TEST_F(ToolWindows, MenusOpenOneSharedInstanceOwnedByTheMainWindow) {
  trigger("mnuBPC");
  Form4* conversion = app->find<Form4>();
  ASSERT_NE(conversion, nullptr);
  EXPECT_EQ(conversion->parentWidget(), ic) << "kept above the main window";
  trigger("mnuBPC");
  EXPECT_EQ(app->forms.forms().size(), 2u) << "a second use brings the same window forward";
  EXPECT_FALSE(ic->menu("mnuF")->menuAction()->isEnabled()) << "File menu locked while it is open";
  trigger("mnuBENZ");
  conversion->close();
  EXPECT_FALSE(ic->menu("mnuF")->menuAction()->isEnabled()) << "still locked by the arithmetic window";
  app->find<Form5>()->close();
  EXPECT_TRUE(ic->menu("mnuF")->menuAction()->isEnabled());
}

TEST_F(ToolWindows, PalettePickReachesTheOpenWindows) {
  trigger("mnuBMouse");
  trigger("mnuBLine");
  trigger("mnuBCHK");
  click(Qt::RightButton, 415, 290 + 25);  // entry 9
  ASSERT_EQ(ic->SelectPalNum, 9);
  EXPECT_EQ(app->find<Form1>()->Text1->text(), "9");
  EXPECT_EQ(app->find<Form3>()->Text1->text(), "9");
  EXPECT_EQ(app->find<Form7>()->Text1[0]->text(), "9");
  // While both painting windows are open, mouse drawing takes precedence over line paint.
  clickCell(3, 3);
  EXPECT_EQ(pixel(3, 3), 9);
  EXPECT_EQ(pixel(4, 3), 0);
  app->find<Form1>()->close();
  clickCell(3, 5);
  EXPECT_EQ(pixel(31, 5), 9) << "line paint runs along the row";
}

TEST_F(ToolWindows, AllCloseClearsEveryOpenFlag) {
  for (const char* item : {"mnuBPC", "mnuBENZ", "mnuBMouse", "mnuBLine", "mnuBCHK"}) trigger(item);
  EXPECT_TRUE(state().Form1Open && state().Form3Open && state().Form4Open && state().Form5Open &&
              state().Form7Open);
  trigger("mnuCHLDCLOSE");
  EXPECT_EQ(app->forms.forms().size(), 1u);
  EXPECT_FALSE(state().Form1Open || state().Form3Open || state().Form4Open || state().Form5Open ||
               state().Form7Open);
  EXPECT_TRUE(ic->menu("mnuF")->menuAction()->isEnabled());
}

TEST_F(ToolWindows, TransformationMenuOpensNewWindowsAndTheKeyTheSharedOne) {
  trigger("mnuBREP");
  trigger("mnuBREP");
  key(Qt::Key_V);
  key(Qt::Key_V);
  int transformWindows = 0;
  for (Form* f : app->forms.forms()) transformWindows += f->formName() == "Form14";
  EXPECT_EQ(transformWindows, 3) << "two from the menu, one shared from the key";
  EXPECT_EQ(app->find<Form14>()->parentWidget(), nullptr) << "no owner";
}

TEST_F(ToolWindows, ShiftWindowLearnsOfClicksOnTheCanvas) {
  click(Qt::RightButton, 415, 290 + 25);  // entry 9, before the shift window listens
  ASSERT_EQ(ic->SelectPalNum, 9);
  key(Qt::Key_M);
  Form15* shift = app->find<Form15>();
  ASSERT_NE(shift, nullptr);
  shift->findChild<QCheckBox*>("Check1")->setChecked(true);
  click(Qt::LeftButton, 2 * 8 + 3, 57 + 3 * 16 + 4);
  click(Qt::RightButton, 5 * 8 + 3, 57 + 6 * 16 + 4);
  EXPECT_EQ(shift->findChild<QLineEdit*>("Text1_0")->text(), "2,3");
  EXPECT_EQ(shift->findChild<QLineEdit*>("Text1_1")->text(), "5,6");
  EXPECT_EQ(ic->SelectPalNum, 9) << "a right click outside the palette panel selects nothing";
}

TEST_F(ToolWindows, PaletteArrayKeyAndMenuShareOneWindow) {
  key(Qt::Key_P);
  trigger("mnuBPA");
  int arrays = 0;
  for (Form* f : app->forms.forms()) arrays += f->formName() == "Form12";
  EXPECT_EQ(arrays, 1);
}

TEST_F(ToolWindows, FileListOpensOneBrowserBesideTheEditorAndItsItemWaitsForIt) {
  QAction* item = ic->menuAction("mnuFList");
  key(Qt::Key_L);
  Form16* browser = app->find<Form16>();
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->parentWidget(), ic) << "kept above the editor";
  EXPECT_FALSE(item->isEnabled()) << "disabled while the browser is open";
  key(Qt::Key_L);
  int browsers = 0;
  for (Form* f : app->forms.forms()) browsers += qobject_cast<Form16*>(f) != nullptr;
  EXPECT_EQ(browsers, 1);
  browser->close();
  EXPECT_TRUE(item->isEnabled()) << "back when it closes";
  trigger("mnuFList");
  EXPECT_NE(app->find<Form16>(), nullptr);
  EXPECT_FALSE(item->isEnabled());
}

TEST_F(ToolWindows, WindowsCanBeCreatedByTheirNames) {
  Form* array = app->createByName("Form12");
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->formName(), "Form12");
  EXPECT_EQ(app->createByName("Form12"), array) << "a single window is shared";
  Form* first = app->createByName("Form14");
  Form* second = app->createByName("Form14");
  ASSERT_TRUE(first && second);
  EXPECT_NE(first, second) << "transformation windows are independent";
  EXPECT_EQ(app->createByName("IC"), ic);
  EXPECT_EQ(app->createByName("Form99"), nullptr);
  EXPECT_EQ(app->createByName("Form4")->parentWidget(), ic);
}

}  // namespace
}  // namespace pf
