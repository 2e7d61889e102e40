#include "tools/mask_setting.h"

#include <QListWidget>
#include <functional>
#include <random>

#include "model/file_io.h"
#include "model/packing.h"
#include "platform/local_path.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;
using Bytes = std::vector<std::uint8_t>;
using Cursor = std::pair<int, int>;

class MaskWindow : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    // Every index in every row; no palette colour is the grey background.
    for (int k = 0; k < kPixelCount; ++k)
      state().IconPixels[std::size_t(k)] = std::uint8_t((k % 32 + k / 32 * 3) % 16);
    for (int i = 0; i < 16; ++i)
      state().IconPalette[std::size_t(i)] = {std::uint8_t(10 * i), 50, std::uint8_t(255 - 10 * i), 0};
    randomMask(1);
    form = app->single<Form11>();
    if (!form->wasActivated()) form->activate();
    form->Timer1.stop();  // blinks happen when a test says so
  }

  void randomMask(unsigned seed) {
    std::mt19937 rng(seed);
    for (auto& c : state().MaskGrid) c = std::uint8_t(rng() % 2);
  }
  std::uint8_t& cell(int column, int row) { return state().MaskGrid[std::size_t(row * 32 + column)]; }
  Cursor cursor() { return {form->column(), form->row()}; }
  void press(Qt::Key k) { QTest::keyClick(form->clientArea(), k); }
  void clickAt(int x, int y, Qt::MouseButton b = Qt::LeftButton) {
    QTest::mouseClick(form->clientArea(), b, {}, QPoint(x, y));
  }
  void clickCell(int column, int row) { clickAt(8 * column + 3, 16 * row + 5); }
  void menu(const char* name) { form->findChild<QAction*>(QString::fromLatin1(name))->trigger(); }
  void choose(int row) {
    QListWidgetItem* item = form->List2->item(row);
    QTest::mouseClick(form->List2->viewport(), Qt::LeftButton, {},
                      form->List2->visualItemRect(item).center());
  }

  PaletteEntry shown(int column, int row) {
    const auto& b = state().BackgroundColour;
    return cell(column, row) == 1 ? PaletteEntry{b.blue, b.green, b.red, 0}
                                  : state().IconPalette[std::size_t(pixel(column, row) & 15)];
  }
  // The cursor box rims the pixel's 5 x 5 square in the preview at (300, 0).
  bool boxAt(int column, int row) {
    return form->client().getPixel(300 + 5 * column, 5 * row) ==
           std::int64_t(ContrastColour(shown(column, row)));
  }
  QImage cellImage(int column, int row) { return form->client().image().copy(8 * column, 16 * row, 8, 16); }
  // How a text cell of this value looks away from the cursor.
  QImage lookOf(std::uint8_t value) {
    for (int k = 0; k < kPixelCount; ++k)
      if (Cursor(k % 32, k / 32) != cursor() && cell(k % 32, k / 32) == value)
        return cellImage(k % 32, k / 32);
    return {};
  }
  // The preview's squares and the text cells (but the cursor's) show the mask; "0" and "1" look different.
  void expectShowsMask() {
    EXPECT_NE(lookOf(0), lookOf(1));
    for (int row = 0; row < 32; ++row) {
      for (int column = 0; column < 32; ++column) {
        ASSERT_EQ(form->client().getPixel(302 + 5 * column, 2 + 5 * row), EntryColour(shown(column, row)))
            << column << "," << row;
        if (Cursor(column, row) == cursor()) continue;
        ASSERT_EQ(cellImage(column, row), lookOf(cell(column, row))) << column << "," << row;
      }
    }
  }
  bool lit(int column, int row) {
    const QImage img = cellImage(column, row);
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 8; ++x)
        if ((img.pixel(x, y) & 0xFFFFFF) == 0xFFFF00u) return true;
    return false;
  }
  Bytes packedMask() {
    Bytes m(kMaskSize);
    PackMask(state().MaskGrid, m);
    return m;
  }

  Form11* form = nullptr;
};

TEST_F(MaskWindow, ActivationShowsTheSharedMaskWithTheCursorTopLeft) {
  EXPECT_EQ(form->windowTitle(), "マスク設定");
  EXPECT_TRUE(form->List2->isHidden());
  EXPECT_EQ(cursor(), Cursor(0, 0));
  expectShowsMask();

  // The caret is lit on (5, 5) when the editor loads another mask; coming back shows the new mask, and the
  // cell the caret left shows its new value.
  clickCell(5, 5);
  form->Timer1_Timer();
  EXPECT_TRUE(lit(5, 5));
  randomMask(2);
  cell(5, 5) ^= 1;
  form->activate();
  EXPECT_EQ(cursor(), Cursor(0, 0));
  EXPECT_FALSE(lit(5, 5));
  expectShowsMask();
  EXPECT_TRUE(boxAt(0, 0));

  menu("mnuEND");
  EXPECT_TRUE(form->isUnloaded());
}

TEST_F(MaskWindow, CursorWrapsAtRowEndsStopsAtCornersAndFollowsTheMouse) {
  const struct {
    Cursor from;
    Qt::Key key;
    Cursor to;
  } moves[] = {
      {{31, 5}, Qt::Key_Right, {0, 6}}, {{31, 6}, Qt::Key_Right, {0, 7}}, {{31, 31}, Qt::Key_Right, {31, 31}},
      {{0, 6}, Qt::Key_Left, {31, 5}},  {{0, 5}, Qt::Key_Left, {31, 4}},  {{0, 31}, Qt::Key_Left, {31, 30}},
      {{0, 0}, Qt::Key_Left, {0, 0}},   {{0, 0}, Qt::Key_Up, {0, 0}},     {{9, 31}, Qt::Key_Down, {9, 31}},
      {{9, 5}, Qt::Key_Down, {9, 6}},   {{9, 6}, Qt::Key_Up, {9, 5}},
  };
  for (const auto& m : moves) {
    SCOPED_TRACE(::testing::Message() << m.from.first << "," << m.from.second << " key " << m.key);
    clickCell(m.from.first, m.from.second);
    form->Timer1_Timer();  // lit on the cell it is about to leave
    press(m.key);
    EXPECT_EQ(cursor(), m.to);
    EXPECT_EQ(Cursor(form->CX, form->CY), Cursor(8 * m.to.first, 16 * m.to.second));
    EXPECT_TRUE(boxAt(m.to.first, m.to.second));
    if (m.to != m.from) {
      EXPECT_FALSE(lit(m.from.first, m.from.second));
      EXPECT_FALSE(boxAt(m.from.first, m.from.second));
    }
  }

  // Any button; the grid's far edges belong to its last column and row; elsewhere nothing happens.
  clickAt(8 * 3, 16 * 7, Qt::RightButton);
  EXPECT_EQ(cursor(), Cursor(3, 7));
  clickAt(256, 100);
  EXPECT_EQ(cursor(), Cursor(31, 6));
  clickAt(100, 512);
  EXPECT_EQ(cursor(), Cursor(12, 31));
  for (const QPoint p : {QPoint(257, 40), QPoint(40, 513), QPoint(350, 60)}) {
    clickAt(p.x(), p.y());
    EXPECT_EQ(cursor(), Cursor(12, 31));
  }
}

TEST_F(MaskWindow, EnterAndSpaceToggleTheCellUnderTheCursor) {
  const MaskGridArray before = state().MaskGrid;
  clickCell(3, 4);
  for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Enter}) {
    const std::uint8_t was = cell(3, 4);
    press(key);
    EXPECT_EQ(cell(3, 4), 1 - was) << key;
    expectShowsMask();
    EXPECT_TRUE(boxAt(3, 4));
    // Blinking on and off again leaves the new value drawn plainly.
    form->Timer1_Timer();
    form->Timer1_Timer();
    EXPECT_EQ(cellImage(3, 4), lookOf(cell(3, 4)));
  }
  press(Qt::Key_Space);
  EXPECT_EQ(state().MaskGrid, before);
}

TEST_F(MaskWindow, TheScreenFollowsEveryToggleBlinkAndWholeMaskCommand) {
  const std::vector<std::pair<const char*, std::function<void()>>> steps = {
      {"a toggle", [&] { press(Qt::Key_Space); }},
      {"a blink", [&] { form->Timer1_Timer(); }},
      {"a move and a toggle", [&] { press(Qt::Key_Right), press(Qt::Key_Return); }},
      {"a click elsewhere and a toggle", [&] { clickCell(20, 30), press(Qt::Key_Space); }},
      {"all", [&] { menu("mnuMALL"); }},
      {"invert", [&] { menu("mnuMRev"); }},
      {"a toggle after the blink", [&] { form->Timer1_Timer(), press(Qt::Key_Space); }},
  };
  for (const auto& [what, step] : steps) {
    step();
    SCOPED_TRACE(what);
    const auto [screen, fresh] = testing::ScreenAgainstFreshPaint(form->clientArea());
    ASSERT_EQ(screen, fresh);
  }
}

TEST_F(MaskWindow, AllClearAndInvert) {
  clickCell(7, 8);
  menu("mnuMALL");
  EXPECT_EQ(std::count(state().MaskGrid.begin(), state().MaskGrid.end(), 1), kPixelCount);
  expectShowsMask();
  menu("mnuMCLEAR");
  EXPECT_EQ(std::count(state().MaskGrid.begin(), state().MaskGrid.end(), 0), kPixelCount);
  expectShowsMask();

  randomMask(3);
  const MaskGridArray original = state().MaskGrid;
  menu("mnuMRev");
  for (std::size_t i = 0; i < original.size(); ++i) ASSERT_EQ(state().MaskGrid[i], 1 - original[i]) << i;
  expectShowsMask();
  EXPECT_TRUE(boxAt(7, 8));
  form->Timer1_Timer();
  form->Timer1_Timer();
  EXPECT_EQ(cellImage(7, 8), lookOf(cell(7, 8)));  // the caret blinks the inverted value
  menu("mnuMRev");
  EXPECT_EQ(state().MaskGrid, original);
}

TEST_F(MaskWindow, ColourAddAndDeleteChangeOnlyPixelsOfTheChosenIndex) {
  const MaskGridArray before = state().MaskGrid;
  auto expectIndexThree = [&](int value) {
    for (int k = 0; k < kPixelCount; ++k)
      ASSERT_EQ(cell(k % 32, k / 32), pixel(k % 32, k / 32) == 3 ? value : before[std::size_t(k)]) << k;
  };

  // Showing the list and moving through it choose nothing; keys typed into it never reach the mask
  // cursor, not even where the list cannot move further.
  clickCell(5, 5);
  menu("mnuMADD");
  EXPECT_FALSE(form->List2->isHidden());
  EXPECT_EQ(form->focusWidget(), form->List2);
  for (const Qt::Key k : {Qt::Key_Down, Qt::Key_Up, Qt::Key_Up, Qt::Key_Left, Qt::Key_Right})
    QTest::keyClick(form->List2, k);
  EXPECT_EQ(state().MaskGrid, before);
  EXPECT_EQ(cursor(), Cursor(5, 5));
  choose(3);
  EXPECT_TRUE(form->List2->isHidden());
  EXPECT_EQ(form->focusWidget(), form->clientArea());
  expectIndexThree(1);
  expectShowsMask();

  menu("mnuMDell");
  for (int i = 0; i < 10 && form->List2->currentRow() != 3; ++i) QTest::keyClick(form->List2, Qt::Key_Down);
  QTest::keyClick(form->List2, Qt::Key_Return);
  EXPECT_TRUE(form->List2->isHidden());
  EXPECT_EQ(cursor(), Cursor(5, 5));
  expectIndexThree(0);
  expectShowsMask();
}

TEST_F(MaskWindow, SavesWriteTheIconWithTheEditedMask) {
  QTemporaryDir out, other;
  for (int x = 0; x < 32; ++x) cell(x, 31) = 1;

  // 16 x 16: ".ico" is added; the grid's bottom row is the file's first mask row.
  ui.fileAnswers.push_back(out.filePath("fav"));
  menu("mnuBS16");
  const FileDialogOptions asked = ui.requests.back().file;
  EXPECT_EQ(asked.title, "１６ドットアイコン保存");
  EXPECT_EQ(asked.filter, "ｱｲｺﾝ(*.ico)|*.ico|全て(*.*)|*.*");
  EXPECT_TRUE(asked.askOverwrite);
  const Bytes fav = ReadWholeFile(LocalPath(out.filePath("fav.ico"))).value_or(Bytes{});
  ASSERT_EQ(fav.size(), 318u);
  EXPECT_EQ(Bytes(fav.begin() + 254, fav.begin() + 258), Bytes(4, 0xFF));
  const Bytes mask = packedMask();
  EXPECT_EQ(Bytes(fav.begin() + 254, fav.end()), Bytes(mask.begin(), mask.begin() + 64));
  EXPECT_EQ(Bytes(state().IconMask.begin(), state().IconMask.begin() + kMaskSize), mask);

  // 32 x 32; a name holding ".ICO" keeps it.
  cell(0, 0) ^= 1;
  ui.fileAnswers.push_back(other.filePath("big.ICO"));
  menu("mnuSAVE");
  EXPECT_EQ(ui.requests.back().file.title, "保存");
  const Bytes big = ReadWholeFile(LocalPath(other.filePath("big.ICO"))).value_or(Bytes{});
  ASSERT_EQ(big.size(), 766u);
  EXPECT_EQ(Bytes(big.begin() + 638, big.end()), packedMask());
  EXPECT_EQ(form->fileName(), other.filePath("big.ICO"));

  // Each command opens in its own last folder; Cancel changes nothing.
  state().IconMask.fill(0x5A);
  for (const auto& [command, folder] :
       {std::pair("mnuSAVE", other.path()), std::pair("mnuBS16", out.path())}) {
    ui.fileAnswers.push_back(std::nullopt);
    menu(command);
    EXPECT_EQ(ui.requests.back().file.initialFolder, folder);
    EXPECT_EQ(state().IconMask[0], 0x5A);
  }
  EXPECT_TRUE(ui.messages.isEmpty());

  for (const char* command : {"mnuSAVE", "mnuBS16"}) {
    ui.fileAnswers.push_back(out.filePath("no/such/folder/m.ico"));
    menu(command);
  }
  EXPECT_EQ(ui.messages, QStringList({"Open できません。", "Open できません。"}));
}

}  // namespace
}  // namespace pf
