#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "fullcolour/full_colour_window.h"
#include "fullcolour/load_confirmation.h"
#include "fullcolour/mask_archive.h"
#include "fullcolour/mask_window32.h"
#include "fullcolour/mask_window64.h"
#include "model/file_io.h"
#include "model/full_colour_icon.h"
#include "model/full_colour_mask.h"
#include "model/icon_test_support.h"
#include "platform/local_path.h"
#include "support/app_fixture.h"

namespace pf::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Pattern = std::function<ColorRef(int x, int y)>;

const QString kMaskWindowOpen = QStringLiteral("マスクフォームが立ち上がった状態でこの操作はできません。");
const ColorRef kWhite = Rgb(255, 255, 255);
const ColorRef kBlack = Rgb(0, 0, 0);

// Distinct light colours (all within 255 of white), with white and black stripes every eighth column for
// the colour commands.
ColorRef IconColour(int x, int y) {
  if (x % 8 == 3) return kWhite;
  if (x % 8 == 5) return kBlack;
  return Rgb(128 + x, 128 + y, 200);
}

// The pixel array of a picture given top row first.
Bytes PixelsOf(int s, const Pattern& p) {
  Bytes pixels(FullColourPixelBytesOf(s));
  for (int r = 0; r < s; ++r) {
    for (int x = 0; x < s; ++x) {
      const ColorRef c = p(x, s - 1 - r);
      const auto at = static_cast<std::size_t>(3 * (r * s + x));
      pixels[at] = static_cast<std::uint8_t>(BlueOf(c));
      pixels[at + 1] = static_cast<std::uint8_t>(GreenOf(c));
      pixels[at + 2] = static_cast<std::uint8_t>(RedOf(c));
    }
  }
  return pixels;
}

class FullColourMasksTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    icon = app->create<Form20>();
    if (!icon->wasActivated()) icon->activate();
  }

  static void paint(Surface& s, int left, int top, int size, const Pattern& p) {
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) s.setPixel(left + x, top + y, p(x, y));
    }
  }
  static bool shows(const Surface& s, int left, int top, int size, const Pattern& p) {
    for (int y = 0; y < size; ++y) {
      for (int x = 0; x < size; ++x) {
        if (s.getPixel(left + x, top + y) != static_cast<std::int64_t>(p(x, y))) return false;
      }
    }
    return true;
  }
  // What the photo window does: the chosen size's slot and the work area get a picture.
  void loadPicture(const Pattern& p) {
    const int s = icon->chosenSize();
    paint(icon->client(), 0, Form20::slotOrigin(icon->SelectNum).y(), s, p);
    paint(icon->client(), icon->workAreaOrigin().x(), icon->workAreaOrigin().y(), s, p);
  }
  static void menu(Form* f, const char* name) {
    QAction* a = f->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    ASSERT_TRUE(a->isEnabled()) << name;
    a->trigger();
  }
  template <class F>
  F* openMaskWindow() {
    menu(icon, "mnuMSK");
    F* f = app->find<F>();
    if (f != nullptr && !f->wasActivated()) f->activate();
    return f;
  }
  // Opens an icon file through the icon window's open command.
  Form26* openIcon(const std::string& name, int s, const Bytes& pixels, const Bytes& mask) {
    const QString path = folder.filePath(QString::fromStdString(name));
    EXPECT_TRUE(WriteFullColourIcon(LocalPath(path), pixels, mask, s));
    ui.fileAnswers = {path};
    menu(icon, "mnuOpen");
    Form26* f = app->find<Form26>();
    if (f != nullptr && !f->wasActivated()) f->activate();
    return f;
  }
  ColorRef background() { return state().BackgroundColour.value; }

  Form20* icon = nullptr;
};

// ---------------------------------------------------------------------------------------------------
// 32 x 32

TEST_F(FullColourMasksTest, Mask32EditsTheGridAndWritesItBack) {
  loadPicture(IconColour);
  state().FullColourMask[0] = 0x80;  // the bottom-left pixel transparent
  Form19* f = openMaskWindow<Form19>();
  ASSERT_NE(f, nullptr);
  f->Timer1.stop();
  EXPECT_EQ(f->windowTitle(), QStringLiteral("マスク設定"));
  EXPECT_TRUE(state().fMaskFormOpen);
  EXPECT_TRUE(icon->fForm19);
  f->findChild<QAction*>(QStringLiteral("mnuMKBOX"))->trigger();
  Form24* archive = app->find<Form24>();
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(archive->windowTitle(), QStringLiteral("マスク保管庫　1"));
  archive->unload();
  EXPECT_EQ(f->grid()[31 * 32], 1);
  // The preview shows the work area, the transparent pixel in the background colour.
  EXPECT_EQ(f->client().getPixel(302, 157), background());
  EXPECT_EQ(f->client().getPixel(302 + 5 * 7, 157), IconColour(7, 31));
  EXPECT_EQ(f->client().getPixel(302 + 5 * 9, 2 + 5 * 6), IconColour(9, 6));

  // Space toggles the cell under the cursor, and FullColourMask follows at once.
  QTest::mouseClick(f->clientArea(), Qt::LeftButton, {}, QPoint(8 * 5 + 3, 16 * 5 + 5));
  EXPECT_EQ(std::pair(f->column(), f->row()), std::pair(5, 5));
  QTest::keyClick(f->clientArea(), Qt::Key_Space);
  EXPECT_EQ(f->grid()[5 * 32 + 5], 1);
  EXPECT_EQ(state().FullColourMask[26 * 4], 0x04);
  // Coming back to the window keeps the edit.
  f->activate();
  EXPECT_EQ(f->grid()[5 * 32 + 5], 1);

  // The size stays while the window is open.
  clickIndicator(icon->Option1[1]);
  EXPECT_EQ(ui.messages, QStringList{kMaskWindowOpen});
  EXPECT_EQ(icon->SelectNum, 0);

  // A click on the preview picks the colour there; 追加 and 削除 take exactly that colour.
  QTest::mouseClick(f->clientArea(), Qt::LeftButton, {}, QPoint(300 + 5 * 3 + 2, 5 * 10 + 2));
  EXPECT_EQ(f->referenceColour(), (PaletteEntry{255, 255, 255, 0}));
  EXPECT_EQ(f->Label2->text(), QStringLiteral("R=255\nG=255\nB=255"));
  menu(f, "mnuMCLEAR");
  menu(f, "mnuAdd");
  for (int row = 0; row < 32; ++row) {
    for (int column = 0; column < 32; ++column) {
      ASSERT_EQ(f->grid()[std::size_t(row * 32 + column)], column % 8 == 3 ? 1 : 0) << column << "," << row;
    }
  }
  EXPECT_EQ(f->client().getPixel(302 + 5 * 11, 2), background());
  menu(f, "mnuMRev");
  menu(f, "mnuDell");
  EXPECT_EQ(f->grid()[3], 0);
  EXPECT_EQ(f->grid()[4], 1);

  menu(f, "mnuMALL");
  menu(f, "mnuEND");
  EXPECT_TRUE(f->isUnloaded());
  EXPECT_EQ(state().FullColourMask, Bytes(128, 0xFF));
  EXPECT_FALSE(state().fMaskFormOpen);
  EXPECT_FALSE(icon->fForm19);
}

// ---------------------------------------------------------------------------------------------------
// 64 x 64

class Mask64Test : public FullColourMasksTest {
 protected:
  void SetUp() override {
    FullColourMasksTest::SetUp();
    clickIndicator(icon->Option1[1]);
    loadPicture(IconColour);
    f = openMaskWindow<Form25>();
    ASSERT_NE(f, nullptr);
  }
  QPoint at(int column, int row) { return {5 * column + 2, 5 * row + 2}; }
  void press(Qt::MouseButton b, int column, int row, Qt::KeyboardModifiers m = {}) {
    QTest::mousePress(f->Picture1, b, m, at(column, row));
  }
  void release(Qt::MouseButton b, int column, int row) {
    QTest::mouseRelease(f->Picture1, b, {}, at(column, row));
  }
  void move(Qt::MouseButtons buttons, int column, int row) {
    QMouseEvent e(QEvent::MouseMove, QPointF(at(column, row)), QPointF(at(column, row)), Qt::NoButton,
                  buttons, Qt::NoModifier);
    QApplication::sendEvent(f->Picture1, &e);
  }
  std::uint8_t cell(int column, int row) { return f->grid()[std::size_t(row * 64 + column)]; }
  std::vector<std::uint8_t> grid() { return f->grid(); }

  Form25* f = nullptr;
};

TEST_F(Mask64Test, ColourRangeAndUndo) {
  EXPECT_EQ(f->windowTitle(), QStringLiteral("６４ビットフルカラーアイコン　マスク処理"));
  EXPECT_EQ(f->edge(), 64);
  EXPECT_EQ(f->Picture1->size(), QSize(320, 320));
  EXPECT_EQ(f->Label1->text(), QStringLiteral("X=0,Y=0"));
  EXPECT_EQ(f->Label2->text(), QStringLiteral("0"));
  EXPECT_TRUE(state().fMaskFormOpen);
  EXPECT_TRUE(
      shows(f->Picture1->picture(), 0, 0, 320, [](int x, int y) { return IconColour(x / 5, y / 5); }));

  // Shift with the left button picks the reference colour and paints nothing.
  press(Qt::LeftButton, 11, 7, Qt::ShiftModifier);
  release(Qt::LeftButton, 11, 7);
  EXPECT_EQ(f->Text1->text(), QStringLiteral("R=255 G=255 B=255"));
  EXPECT_EQ(f->Label1->text(), QStringLiteral("X=11Y=7"));
  EXPECT_EQ(grid(), Bytes(4096, 0));

  // Range 0: exact matches only (the white stripes).
  menu(f, "mnuADD");
  for (int column = 0; column < 64; ++column) ASSERT_EQ(cell(column, 40), column % 8 == 3 ? 1 : 0) << column;
  EXPECT_EQ(f->Picture2.getPixel(5 * 3 + 1, 5 * 40 + 1), background());
  const Bytes whiteOnly = grid();
  EXPECT_EQ(state().FullColourMask[0], 0x10);

  // At the slider's end a white reference takes every colour but black.
  f->Slider1->setValue(255);
  EXPECT_EQ(f->Label2->text(), QStringLiteral("255"));
  menu(f, "mnuADD");
  for (int column = 0; column < 64; ++column) ASSERT_EQ(cell(column, 0), column % 8 == 5 ? 0 : 1) << column;

  // One level of undo: back to the white stripes, and a second undo changes nothing further.
  menu(f, "mnuUNDO");
  EXPECT_EQ(grid(), whiteOnly);
  menu(f, "mnuALL");
  EXPECT_EQ(grid(), Bytes(4096, 1));
  menu(f, "mnuUNDO");
  EXPECT_EQ(grid(), whiteOnly);
  menu(f, "mnuUNDO");
  EXPECT_EQ(grid(), whiteOnly);
  EXPECT_TRUE(shows(f->Picture1->picture(), 0, 0, 320,
                    [&](int x, int y) { return x / 5 % 8 == 3 ? background() : IconColour(x / 5, y / 5); }));
  menu(f, "mnuREV");
  menu(f, "mnuDEL");  // white within 255: everything but black becomes opaque
  for (int column = 0; column < 64; ++column) ASSERT_EQ(cell(column, 63), column % 8 == 5 ? 1 : 0) << column;

  f->unload();
  EXPECT_FALSE(state().fMaskFormOpen);
  // Undo before any command keeps the mask as it came.
  f = openMaskWindow<Form25>();
  menu(f, "mnuUNDO");
  for (int column = 0; column < 64; ++column) ASSERT_EQ(cell(column, 63), column % 8 == 5 ? 1 : 0) << column;
}

TEST_F(Mask64Test, TheScreenFollowsThePaintingAndTheHoverBox) {
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"a press paints a cell", [&] { press(Qt::LeftButton, 3, 4); }},
      {"a drag paints on", [&] { move(Qt::LeftButton, 4, 4), move(Qt::LeftButton, 9, 5); }},
      {"the release, then hovering", [&] { release(Qt::LeftButton, 9, 5), move(Qt::NoButton, 40, 50); }},
      {"the right button paints opaque",
       [&] {
         press(Qt::RightButton, 4, 4);
         move(Qt::RightButton, 63, 63);
         release(Qt::RightButton, 63, 63);
       }},
      {"a whole-mask command", [&] { menu(f, "mnuREV"); }},
      {"hovering after it", [&] { move(Qt::NoButton, 0, 0); }},
  };
  for (const auto& [what, step] : steps) {
    step();
    SCOPED_TRACE(what);
    const auto [screen, fresh] = testing::ScreenAgainstFreshPaint(f->Picture1);
    ASSERT_EQ(screen, fresh);
  }
}

TEST_F(Mask64Test, PaintedMaskIsSavedAndPillowSeesIt) {
  // Left drag paints transparent, right drag opaque; moving without a button only moves the hover box.
  press(Qt::LeftButton, 3, 4);
  for (int column = 4; column <= 20; ++column) move(Qt::LeftButton, column, 4);
  release(Qt::LeftButton, 20, 4);
  move(Qt::NoButton, 30, 30);
  EXPECT_EQ(cell(30, 30), 0);
  // The hover box in the contrast colour of the cell's own colour.
  const ColorRef under = IconColour(30, 30);
  EXPECT_EQ(f->Picture1->picture().getPixel(150, 150),
            ContrastColour(PaletteEntry{std::uint8_t(BlueOf(under)), std::uint8_t(GreenOf(under)),
                                        std::uint8_t(RedOf(under)), 0}));
  EXPECT_EQ(f->Picture2.getPixel(150, 150), under);
  EXPECT_EQ(f->Label3->text(),
            QStringLiteral("R=%1\n G=%2\n B=%3").arg(RedOf(under)).arg(GreenOf(under)).arg(BlueOf(under)));

  press(Qt::RightButton, 10, 4);
  move(Qt::RightButton, 11, 4);
  move(Qt::LeftButton, 12, 4);  // the left button does not paint while painting opaque
  release(Qt::RightButton, 12, 4);
  for (int column = 0; column < 64; ++column) {
    ASSERT_EQ(cell(column, 4), column >= 3 && column <= 20 && column != 10 && column != 11 ? 1 : 0) << column;
  }
  // An opaque cell shows its own colour again, and the picture shows the press at once.
  EXPECT_EQ(f->Picture2.getPixel(52, 22), IconColour(10, 4));
  EXPECT_EQ(f->Picture1->picture().getPixel(5 * 15 + 2, 22), background());

  // Painted over a cell that was transparent at activation, it shows its colour, not the background.
  f->activate();
  press(Qt::RightButton, 15, 4);
  release(Qt::RightButton, 15, 4);
  EXPECT_EQ(f->Picture2.getPixel(5 * 15 + 2, 22), IconColour(15, 4));

  menu(f, "mnuEND");
  const QString dir = folder.filePath("icons");
  ASSERT_TRUE(QDir().mkpath(dir));
  ui.fileAnswers = {dir + "/masked"};
  menu(icon, "mnuSave");
  ASSERT_TRUE(QFile::exists(dir + "/masked.ico"));

  // What another decoder makes of it: the work area's colours, transparent exactly where painted.
  std::ostringstream json;
  json << R"([{"file": "masked.ico", "width": 64, "height": 64, "rgb": [)";
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const ColorRef c = IconColour(x, y);
      json << (x || y ? "," : "") << "[" << RedOf(c) << "," << GreenOf(c) << "," << BlueOf(c) << "]";
    }
  }
  json << R"(], "mask": [)";
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      const bool hole = y == 4 && x >= 3 && x <= 20 && x != 10 && x != 11 && x != 15;
      json << (x || y ? "," : "") << (hole ? 1 : 0);
    }
  }
  json << "]}]";
  std::ofstream(LocalPath(dir + "/expected.json")) << json.str();
  if (qgetenv("PF_SOURCE_DIR").isEmpty()) qputenv("PF_SOURCE_DIR", PF_SOURCE_DIR);
  std::string command;
  const int status = icontest::RunPillowCheck(std::filesystem::path(LocalPath(dir)), command);
  if (status == 77) PF_SKIP_CROSS_CHECK("Pillow is not installed (Debian package python3-pil)");
  EXPECT_EQ(status, 0) << command;
}

// ---------------------------------------------------------------------------------------------------
// Loading

TEST_F(FullColourMasksTest, LoadConfirmationShowsPixelsMaskAndCombination) {
  const Pattern small = [](int x, int y) { return Rgb(x * 7, 255 - y * 7, 90); };
  Bytes mask(128, 0);
  mask[0] = 0x80;
  Form26* f = openIcon("small.ico", 32, PixelsOf(32, small), mask);
  ASSERT_NE(f, nullptr);
  ASSERT_FALSE(ui.requests.empty());
  EXPECT_EQ(ui.requests.back().kind, QStringLiteral("open"));
  EXPECT_EQ(ui.requests.back().file.title, QStringLiteral("フルカラーアイコンの読込"));
  EXPECT_EQ(ui.requests.back().file.filter, QStringLiteral("ｱｲｺﾝ(*.ico)|*.ico"));
  EXPECT_TRUE(ui.requests.back().file.mustExist);
  EXPECT_EQ(f->windowTitle(), QStringLiteral("読み込んだフルカラーアイコン"));
  EXPECT_EQ(f->Label1->text(), QStringLiteral("この画像を読み込みますか。"));
  EXPECT_TRUE(icon->fForm26);
  EXPECT_EQ(f->sizeNum(), 0);

  EXPECT_TRUE(shows(f->Picture1, 0, 0, 32, small));
  EXPECT_EQ(f->Picture2.getPixel(0, 31), kWhite);
  EXPECT_EQ(f->Picture2.getPixel(1, 31), kBlack);
  EXPECT_EQ(f->Picture2.getPixel(0, 0), kBlack);
  EXPECT_EQ(f->Picture3.getPixel(0, 31), small(0, 31) ^ 0xFFFFFF);
  EXPECT_EQ(f->Picture3.getPixel(1, 31), small(1, 31));
  // The three pictures side by side on the window.
  EXPECT_EQ(f->picturePosition(1).x(), 52);
  EXPECT_EQ(f->picturePosition(2).x(), 104);
  const QPoint p3 = f->picturePosition(2);
  EXPECT_EQ(f->client().getPixel(p3.x(), p3.y() + 31), small(0, 31) ^ 0xFFFFFF);

  // NO changes nothing, and the next open remembers the folder.
  const Bytes before = state().FullColourPixels;
  QTest::mouseClick(f->Command2, Qt::LeftButton);
  EXPECT_TRUE(f->isUnloaded());
  EXPECT_FALSE(icon->fForm26);
  EXPECT_EQ(state().FullColourPixels, before);
  EXPECT_EQ(state().FullColourMask, Bytes(128, 0));
  ui.fileAnswers = {};
  menu(icon, "mnuOpen");
  EXPECT_EQ(ui.requests.back().file.initialFolder, folder.path());
  EXPECT_EQ(app->find<Form26>(), nullptr);

  // A file the reader refuses opens nothing, and says so: a broken one, one with only a 32-bit image,
  // a folder.
  QFile bad(folder.filePath("bad.ico"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("\0\0\1\0\1\0", 6);
  bad.close();
  Bytes deep = BuildFullColourIcon(Bytes(3072, 9), Bytes(128, 0), 32);
  deep[22 + 14] = 32;  // the header's bit count
  ASSERT_TRUE(WriteFileAtomically(LocalPath(folder.filePath("deep.ico")), deep));
  ASSERT_TRUE(QDir(folder.path()).mkdir("folder.ico"));
  for (const char* name : {"bad.ico", "deep.ico", "folder.ico"}) {
    ui.messages.clear();
    ui.fileAnswers = {folder.filePath(name)};
    menu(icon, "mnuOpen");
    EXPECT_EQ(app->find<Form26>(), nullptr) << name;
    EXPECT_EQ(ui.messages, QStringList({"このアイコンは読み込めません。"})) << name;
  }
}

TEST_F(FullColourMasksTest, YesPutsTheIconIntoTheIconWindowUnlessAMaskWindowIsOpen) {
  const Pattern big = [](int x, int y) { return Rgb(x * 4, y * 4, 200); };
  const Bytes pixels = PixelsOf(64, big);
  Bytes mask(512, 0);
  mask[0] = 0x80;
  mask[511] = 0x01;
  loadPicture(IconColour);

  // Refused while the 32 x 32 mask window is open: the confirmation stays, nothing changes.
  // Also when the size would not change.
  Form19* mask32 = openMaskWindow<Form19>();
  ASSERT_NE(mask32, nullptr);
  menu(mask32, "mnuMALL");
  Form26* f = openIcon("same.ico", 32, Bytes(3072, 7), Bytes(128, 0));
  ASSERT_NE(f, nullptr);
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  EXPECT_FALSE(f->isUnloaded());
  EXPECT_EQ(state().FullColourMask, Bytes(128, 0xFF));
  EXPECT_EQ(mask32->grid()[0], 1);
  QTest::mouseClick(f->Command2, Qt::LeftButton);
  menu(mask32, "mnuMCLEAR");

  f = openIcon("big.ico", 64, pixels, mask);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->sizeNum(), 1);
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  EXPECT_EQ(ui.messages, QStringList(2, kMaskWindowOpen));
  EXPECT_FALSE(f->isUnloaded());
  EXPECT_EQ(icon->SelectNum, 0);
  EXPECT_EQ(state().FullColourMask.size(), 128u);
  EXPECT_TRUE(shows(icon->client(), 350, 50, 32, IconColour));

  mask32->unload();
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  EXPECT_TRUE(f->isUnloaded());
  EXPECT_FALSE(icon->fForm26);
  EXPECT_EQ(icon->SelectNum, 1);
  EXPECT_TRUE(icon->Option1[1]->isChecked());
  EXPECT_EQ(state().FullColourPixels, pixels);
  EXPECT_EQ(state().FullColourPixelBytes, 12288);
  EXPECT_EQ(state().FullColourMask, mask);
  EXPECT_TRUE(shows(icon->client(), 0, 40, 64, big));
  EXPECT_TRUE(shows(icon->client(), 334, 34, 64, big));
  EXPECT_TRUE(shows(icon->client(), 0, 0, 32, IconColour));

  // The 64 x 64 mask window then shows the loaded mask; saving gives the file back.
  Form25* mask64 = openMaskWindow<Form25>();
  ASSERT_NE(mask64, nullptr);
  EXPECT_EQ(mask64->grid()[63 * 64], 1);
  EXPECT_EQ(mask64->grid()[63], 1);
  EXPECT_EQ(mask64->Picture1->picture().getPixel(2, 317), background());
  ui.fileAnswers = {folder.filePath("again.ico")};
  menu(icon, "mnuSave");
  SharedState headers;
  const auto back = ReadFullColourIcon(LocalPath(folder.filePath("again.ico")), headers);
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->pixels, pixels);
  EXPECT_EQ(back->mask, mask);
}

TEST_F(FullColourMasksTest, IconsOfOtherSizesOrShortArraysAreNotLoaded) {
  auto* f = app->single<Form26>();
  if (!f->wasActivated()) f->activate();
  // Not a size the icon window has.
  f->ShowIcon(48, Bytes(3 * 48 * 48, 9), Bytes(48 * 48 / 8, 0xFF));
  EXPECT_EQ(f->sizeNum(), 99);
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  // Arrays shorter than the size says.
  f->ShowIcon(32, Bytes(3000, 9), Bytes(128, 0xFF));
  EXPECT_EQ(f->sizeNum(), 0);
  EXPECT_EQ(f->Picture1.getPixel(0, 0), kBlack);
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  f->ShowIcon(64, Bytes(12288, 9), Bytes(128, 0xFF));
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  EXPECT_EQ(ui.messages, QStringList(3, QStringLiteral("このアイコンは読み込めません。")));
  EXPECT_FALSE(f->isUnloaded());
  EXPECT_EQ(icon->SelectNum, 0);
  EXPECT_EQ(state().FullColourPixels, Bytes(3072, 0));

  // The copies are the window's own: the caller's arrays may go away.
  {
    Bytes pixels = PixelsOf(32, IconColour);
    Bytes mask(128, 0);
    f->ShowIcon(32, pixels, mask);
    pixels.assign(pixels.size(), 0);
  }
  QTest::mouseClick(f->Command1, Qt::LeftButton);
  EXPECT_TRUE(f->isUnloaded());
  EXPECT_TRUE(shows(icon->client(), 350, 50, 32, IconColour));
}

TEST_F(FullColourMasksTest, ClosingTheIconWindowClosesItsMaskAndConfirmationWindows) {
  Form19* mask32 = openMaskWindow<Form19>();
  ASSERT_NE(mask32, nullptr);
  menu(mask32, "mnuMALL");
  Form26* confirm = openIcon("c.ico", 32, Bytes(3072, 1), Bytes(128, 0));
  ASSERT_NE(confirm, nullptr);
  icon->unload();
  EXPECT_TRUE(mask32->isUnloaded());
  EXPECT_TRUE(confirm->isUnloaded());
  EXPECT_FALSE(state().fMaskFormOpen);
  EXPECT_EQ(state().FullColourMask, Bytes(128, 0xFF));
}

}  // namespace
}  // namespace pf::testing
