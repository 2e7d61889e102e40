#include <QAction>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <functional>

#include "fullcolour/composition_check.h"
#include "fullcolour/full_colour_window.h"
#include "model/full_colour_icon.h"
#include "platform/local_path.h"
#include "settings/screen_settings.h"
#include "support/app_fixture.h"

namespace pf::testing {
namespace {

using Pattern = std::function<ColorRef(int x, int y)>;

// Distinct colours everywhere, so a pixel out of place shows.
ColorRef SlotColour(int x, int y) {
  return Rgb(x * 3 + 1, y * 3 + 2, 40);
}
ColorRef CompositionColour(int x, int y) {
  return Rgb(200, x * 7, y * 7);
}

class FullColourWindowTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    f = app->create<Form20>();
    if (!f->wasActivated()) f->activate();
  }

  Surface& surface() { return f->client(); }
  void paint(Surface& s, int left, int top, int size, const Pattern& p) {
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) s.setPixel(left + x, top + y, p(x, y));
    }
  }
  // What the photo window does: fills the slot of the chosen size and the work area with a picture.
  void loadPicture(const Pattern& p) {
    const int s = f->chosenSize();
    paint(surface(), 0, Form20::slotOrigin(f->SelectNum).y(), s, p);
    paint(surface(), f->workAreaOrigin().x(), f->workAreaOrigin().y(), s, p);
  }
  // Puts a composition image in and refreshes its preview by moving the slider.
  void setComposition(const Pattern& p, int alpha) {
    paint(surface(), 250, 200, 32, p);
    f->Slider1->setValue(alpha == 0 ? 1 : 0);
    f->Slider1->setValue(alpha);
  }
  void drag(int x, int y) {
    QTest::mousePress(f->clientArea(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
    QTest::mouseMove(f->clientArea(), QPoint(x, y));
    QTest::mouseRelease(f->clientArea(), Qt::LeftButton, Qt::NoModifier, QPoint(x, y));
  }
  ColorRef at(int x, int y) { return static_cast<ColorRef>(surface().getPixel(x, y)); }
  // Whether the square of a surface at (left, top) shows the pattern.
  static bool shows(const Surface& s, int left, int top, int size, const Pattern& p) {
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        if (s.getPixel(left + x, top + y) != static_cast<std::int64_t>(p(x, y))) return false;
      }
    }
    return true;
  }
  QAction* action(const char* name) { return f->findChild<QAction*>(QString::fromLatin1(name)); }
  ColorRef background() { return state().BackgroundColour.value; }

  Form20* f = nullptr;
};

TEST_F(FullColourWindowTest, LoadsWithControlsMenusAndThe32Size) {
  EXPECT_TRUE(state().fFullColourOpen);
  const char* captions[4] = {"32×32", "64×64", "96×96", "128×128"};
  const int tops[4] = {16, 72, 168, 284};
  for (int i = 0; i < 4; ++i) {
    QRadioButton* o = f->Option1[static_cast<std::size_t>(i)];
    EXPECT_EQ(o->text(), QString::fromUtf8(captions[i]));
    EXPECT_EQ(o->geometry().topLeft(), QPoint(140, tops[i]));
    EXPECT_EQ(o->isEnabled(), i < 2);
  }
  EXPECT_TRUE(f->Option1[0]->isChecked());
  EXPECT_EQ(f->Option1[1]->toolTip(), QStringLiteral("サイズを変えると、マスクパターンは消去されます。"));
  EXPECT_EQ(f->Slider1->value(), 255);
  EXPECT_EQ(f->Slider1->pageStep(), 10);
  EXPECT_EQ(f->SelectNum, 0);
  EXPECT_EQ(state().FullColourPixels, std::vector<std::uint8_t>(3072, 0));
  EXPECT_EQ(state().FullColourMask, std::vector<std::uint8_t>(128, 0));
  EXPECT_EQ(f->maskByteCount(), 128);
  for (const char* name :
       {"mnuOpen", "mnuSave", "mnuMSK", "mnuSV16", "mnu24Bit", "mnuGamen", "mnuDoMix", "mnuSaveWindow"}) {
    ASSERT_NE(action(name), nullptr) << name;
    EXPECT_TRUE(action(name)->isEnabled()) << name;
  }

  f->unload();
  EXPECT_FALSE(state().fFullColourOpen);
}

TEST_F(FullColourWindowTest, ChoosingASizeRemakesTheArraysUnlessAMaskWindowIsOpen) {
  loadPicture(SlotColour);
  paint(surface(), 0, 40, 64, CompositionColour);
  state().FullColourMask[5] = 0xFF;

  clickIndicator(f->Option1[1]);
  EXPECT_EQ(f->SelectNum, 1);
  EXPECT_EQ(state().FullColourPixelBytes, 12288);
  EXPECT_EQ(state().FullColourPixels, std::vector<std::uint8_t>(12288, 0));
  EXPECT_EQ(state().FullColourMask, std::vector<std::uint8_t>(512, 0));
  EXPECT_EQ(f->workAreaOrigin(), QPoint(334, 34));
  EXPECT_TRUE(shows(surface(), 334, 34, 64, CompositionColour));
  EXPECT_TRUE(shows(surface(), 0, 0, 32, SlotColour));

  // Refused: nothing erased, the previous size stays chosen, and the refusal does not eat the next click.
  state().fMaskFormOpen = true;
  state().FullColourMask[7] = 1;
  clickIndicator(f->Option1[0]);
  EXPECT_EQ(ui.messages,
            QStringList{QStringLiteral("マスクフォームが立ち上がった状態でこの操作はできません。")});
  EXPECT_EQ(f->SelectNum, 1);
  EXPECT_TRUE(f->Option1[1]->isChecked());
  EXPECT_EQ(state().FullColourMask.size(), 512u);
  EXPECT_EQ(state().FullColourMask[7], 1);

  state().fMaskFormOpen = false;
  f->Option1[0]->setChecked(true);  // the keyboard's way
  EXPECT_EQ(f->SelectNum, 0);
  EXPECT_EQ(state().FullColourMask.size(), 128u);
  EXPECT_TRUE(shows(surface(), 350, 50, 32, SlotColour));
}

TEST_F(FullColourWindowTest, StampingBlendsTheCompositionImageOntoTheSlot) {
  loadPicture(SlotColour);
  const QPoint w = f->workAreaOrigin();

  // Alpha 0: the icon stays as it is.
  setComposition(CompositionColour, 0);
  drag(366, 66);
  EXPECT_TRUE(shows(surface(), w.x(), w.y(), 32, SlotColour));

  // Alpha 255: the preview is the composition image and the stamp over the work area copies it.
  setComposition(CompositionColour, 255);
  EXPECT_TRUE(shows(surface(), 300, 200, 32, CompositionColour));
  drag(366, 66);
  EXPECT_TRUE(shows(surface(), w.x(), w.y(), 32, CompositionColour));
  EXPECT_TRUE(shows(f->hMem2(), 50, 50, 32, CompositionColour));

  // Each move starts again from the slot: a stamp one pixel lower leaves the icon's top row alone.
  drag(366, 67);
  EXPECT_TRUE(shows(surface(), w.x(), w.y() + 1, 32, CompositionColour));
  for (int x = 0; x < 32; ++x) EXPECT_EQ(at(w.x() + x, w.y()), SlotColour(x, 0));

  // At the region's corner only the stamp's lower-right quarter lands.
  drag(300, 0);
  EXPECT_TRUE(shows(surface(), 300, 0, 16, [](int x, int y) { return CompositionColour(x + 16, y + 16); }));
  EXPECT_EQ(at(316, 0), background());
  EXPECT_EQ(at(300, 16), background());
  EXPECT_TRUE(shows(surface(), w.x(), w.y(), 32, SlotColour));

  // Outside the region (and without the left button) nothing is stamped.
  drag(299, 60);
  drag(451, 60);
  EXPECT_TRUE(shows(surface(), w.x(), w.y(), 32, SlotColour));
  QTest::mousePress(f->clientArea(), Qt::RightButton, Qt::NoModifier, QPoint(366, 66));
  QTest::mouseMove(f->clientArea(), QPoint(366, 66));
  QTest::mouseRelease(f->clientArea(), Qt::RightButton, Qt::NoModifier, QPoint(366, 66));
  EXPECT_TRUE(shows(surface(), w.x(), w.y(), 32, SlotColour));
}

TEST_F(FullColourWindowTest, TransparencyLeavesTheKeyColourOut) {
  loadPicture(SlotColour);
  // A key-coloured border around the composition image.
  const ColorRef key = Rgb(0, 255, 0);
  const Pattern framed = [&](int x, int y) {
    return (x < 2 || y < 2 || x > 29 || y > 29) ? key : CompositionColour(x, y);
  };
  f->Check1->setChecked(true);
  setComposition(framed, 255);
  // The preview leaves the key out over the background.
  EXPECT_EQ(at(300, 200), background());
  EXPECT_EQ(at(310, 210), CompositionColour(10, 10));

  drag(366, 66);
  EXPECT_EQ(f->keyColour(), key);
  const QPoint w = f->workAreaOrigin();
  EXPECT_TRUE(shows(surface(), w.x(), w.y(), 32, [&](int x, int y) {
    return framed(x, y) == key ? SlotColour(x, y) : CompositionColour(x, y);
  }));
}

TEST_F(FullColourWindowTest, CommitCopiesTheWorkAreaExactlyOntoTheSlot) {
  clickIndicator(f->Option1[1]);
  loadPicture(SlotColour);
  const ColorRef marker = Rgb(255, 0, 0);
  for (int x = 0; x < 64; ++x) surface().setPixel(x, 39, marker);
  setComposition(CompositionColour, 255);
  // Low enough that the stamp covers the work area's bottom row.
  drag(366, 90);
  Surface expected(64, 64);
  expected.bitBlt(0, 0, 64, 64, surface(), 334, 34);
  ASSERT_EQ(expected.getPixel(20, 63), static_cast<std::int64_t>(CompositionColour(4, 23)));
  ASSERT_TRUE(action("mnuDoMix"));
  action("mnuDoMix")->trigger();

  EXPECT_TRUE(shows(surface(), 0, 40, 64,
                    [&](int x, int y) { return static_cast<ColorRef>(expected.getPixel(x, y)); }));
  for (int x = 0; x < 64; ++x) EXPECT_EQ(at(x, 39), marker);

  // The committed stamp stays under the next one.
  drag(300, 0);
  EXPECT_TRUE(shows(surface(), 350, 74, 16, CompositionColour));
}

TEST_F(FullColourWindowTest, SaveWritesTheWorkAreaAndAppendsTheExtension) {
  loadPicture(SlotColour);
  state().FullColourMask[0] = 0x80;
  const QString dir = folder.filePath("icons");
  ASSERT_TRUE(QDir().mkpath(dir));
  ui.fileAnswers = {dir + "/face", dir + "/Other.ICO", std::nullopt};
  action("mnuSave")->trigger();

  ASSERT_EQ(ui.requests.size(), 1u);
  EXPECT_EQ(ui.requests[0].kind, QStringLiteral("save"));
  EXPECT_EQ(ui.requests[0].file.title, QStringLiteral("フルカラーアイコンの保存"));
  EXPECT_EQ(ui.requests[0].file.filter, QStringLiteral("ｱｲｺﾝ(*.ico)|*.ico"));
  EXPECT_TRUE(ui.requests[0].file.askOverwrite);
  EXPECT_TRUE(ui.requests[0].file.pathMustExist);
  EXPECT_EQ(QFileInfo(dir + "/face.ico").size(), 3262);
  SharedState headers;
  const auto icon = ReadFullColourIcon(LocalPath(dir + "/face.ico"), headers);
  ASSERT_TRUE(icon.has_value());
  EXPECT_EQ(icon->size, 32);
  EXPECT_EQ(icon->mask[0], 0x80);
  // Bottom row first, blue green red.
  for (const auto& [x, r] : {std::pair{0, 0}, {31, 0}, {5, 31}, {17, 9}}) {
    const ColorRef c = SlotColour(x, 31 - r);
    const std::size_t i = static_cast<std::size_t>(3 * (r * 32 + x));
    EXPECT_EQ(icon->pixels[i], BlueOf(c));
    EXPECT_EQ(icon->pixels[i + 1], GreenOf(c));
    EXPECT_EQ(icon->pixels[i + 2], RedOf(c));
  }

  action("mnuSave")->trigger();
  EXPECT_EQ(ui.requests[1].file.initialFolder, dir);
  EXPECT_TRUE(QFile::exists(dir + "/Other.ICO"));
  EXPECT_FALSE(QFile::exists(dir + "/Other.ICO.ico"));

  action("mnuSave")->trigger();  // cancelled
  EXPECT_TRUE(ui.messages.isEmpty());
  ui.fileAnswers = {folder.filePath("missing/x.ico")};
  action("mnuSave")->trigger();
  EXPECT_EQ(ui.messages, QStringList{QStringLiteral("Save できません。")});
}

TEST_F(FullColourWindowTest, CheckViewMirrorsTheStampAndFollowsTheSize) {
  loadPicture(SlotColour);
  setComposition(CompositionColour, 255);
  QTest::keyClick(f->clientArea(), Qt::Key_K);
  auto* view = app->find<Form22>();
  ASSERT_NE(view, nullptr);
  if (!view->wasActivated()) view->activate();
  EXPECT_EQ(view->windowTitle(), QStringLiteral("合成確認"));
  EXPECT_TRUE(f->fForm22);
  EXPECT_EQ(view->client().height(), 269);
  EXPECT_EQ(view->client().getPixel(19, 100), 0xFFFFFF);
  EXPECT_EQ(view->client().getPixel(181, 100), 0xFFFFFF);

  drag(366, 66);
  EXPECT_TRUE(shows(view->client(), 200, 148, 32, CompositionColour));
  EXPECT_TRUE(
      shows(view->client(), 20, 20, 160, [](int x, int y) { return CompositionColour(x / 5, y / 5); }));

  clickIndicator(f->Option1[1]);
  paint(surface(), 0, 40, 64, SlotColour);
  drag(366, 66);
  EXPECT_EQ(view->client().width(), 467);
  EXPECT_EQ(view->client().height(), 453);
  EXPECT_EQ(view->client().getPixel(341, 341), 0xFFFFFF);
  const Pattern stamped64 = [](int x, int y) {
    return (x >= 16 && x < 48 && y >= 16 && y < 48) ? CompositionColour(x - 16, y - 16) : SlotColour(x, y);
  };
  EXPECT_TRUE(shows(view->client(), 350, 276, 64, stamped64));
  EXPECT_TRUE(shows(view->client(), 20, 20, 320, [&](int x, int y) { return stamped64(x / 5, y / 5); }));

  // Hovering without a button mirrors the preview as it stands.
  QMouseEvent hover(QEvent::MouseMove, QPointF(300, 0), QPointF(300, 0), Qt::NoButton, Qt::NoButton,
                    Qt::NoModifier);
  paint(f->hMem2(), 34, 34, 64, CompositionColour);
  QApplication::sendEvent(f->clientArea(), &hover);
  EXPECT_TRUE(shows(view->client(), 350, 276, 64, CompositionColour));

  // Back at 32 x 32, nothing of the larger enlargement stays beside or below the smaller one.
  const ColorRef background = view->client().getPixel(250, 5);
  clickIndicator(f->Option1[0]);
  drag(366, 66);
  ASSERT_EQ(view->client().height(), 269);
  for (const QPoint p : {QPoint(200, 40), QPoint(250, 100), QPoint(100, 200), QPoint(240, 250)})
    EXPECT_EQ(view->client().getPixel(p.x(), p.y()), background) << p.x() << "," << p.y();

  view->findChild<QAction*>(QStringLiteral("mnuCLOSE"))->trigger();
  EXPECT_FALSE(f->fForm22);

  // Closing the icon window takes an open check view with it.
  action("mnuGamen")->trigger();
  view = app->find<Form22>();
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(f->fForm22);
  f->unload();
  EXPECT_TRUE(view->isUnloaded());
}

TEST_F(FullColourWindowTest, WAndTheScreenSettingsCommandOpenTheLayoutWindow) {
  QTest::keyClick(f->clientArea(), Qt::Key_W);
  Form27* settings = app->find<Form27>();
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->windowTitle(), QStringLiteral("画面設定フォーム"));
  settings->unload();
  action("mnuSaveWindow")->trigger();
  EXPECT_NE(app->find<Form27>(), nullptr);
}

}  // namespace
}  // namespace pf::testing
