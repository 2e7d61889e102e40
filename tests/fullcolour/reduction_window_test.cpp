#include "fullcolour/reduction_window.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <algorithm>

#include "model/full_colour_icon.h"
#include "model/profile.h"
#include "platform/local_path.h"
#include "support/app_fixture.h"

namespace pf::testing {
namespace {

constexpr ColorRef kMain = Rgb(200, 30, 40);
constexpr ColorRef kCorner = Rgb(20, 220, 100);

class ReductionWindowTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    f = app->single<Form13>();
  }

  // What the photo reduction window does: the square 1:1 at the source position.
  void drawTwoColours() {
    f->client().fillRect(0, 180, 32, 212, kMain);
    f->client().fillRect(20, 180, 32, 190, kCorner);  // the top-right corner, 120 pixels
    f->refresh();
  }
  void drawGradient() {
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) f->client().setPixel(x, 180 + y, Rgb(x * 8, y * 8, (x + y) * 4));
    }
  }
  void trigger(const char* name) {
    QAction* a = f->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
  }
  ColorRef at(int x, int y) { return static_cast<ColorRef>(f->client().getPixel(x, y)); }
  static ColorRef swatch(const QLabel* l) {
    const QColor c = l->palette().color(QPalette::Window);
    return Rgb(c.red(), c.green(), c.blue());
  }

  Form13* f = nullptr;
};

TEST_F(ReductionWindowTest, LoadsItsControlsAndKeepsTheOpenFlag) {
  EXPECT_EQ(f->windowTitle(), QStringLiteral("取得画像"));
  EXPECT_TRUE(state().Form13Open);
  EXPECT_EQ(f->Text1->text(), QStringLiteral("10"));
  EXPECT_EQ(f->Text1->toolTip(), QStringLiteral("10～20が目安です。"));
  EXPECT_EQ(f->Label3->text(), QStringLiteral("閾値"));
  for (int i = 1; i <= 16; ++i) {
    const auto k = static_cast<std::size_t>(i);
    ASSERT_NE(f->Label1[k], nullptr);
    EXPECT_EQ(f->Label1[k]->text(), QString::number(i - 1));
    EXPECT_EQ(f->Label1[k]->geometry().topLeft(), QPoint(250, i * 24 + 100));
    EXPECT_EQ(f->Label2[k]->geometry().topLeft(), QPoint(300, i * 24 + 100));
    EXPECT_FALSE(f->Label1[k]->isHidden());
  }
  const char* menus[4][2] = {{"mnuCOL16", "16色化"},
                             {"mnuDo", "転送"},
                             {"mnuFULLCOLOR", "フルカラーアイコン"},
                             {"mnuHexFul", "フルカラー１６ドット保存"}};
  for (const auto& m : menus) {
    QAction* a = f->findChild<QAction*>(QString::fromLatin1(m[0]));
    ASSERT_NE(a, nullptr) << m[0];
    EXPECT_EQ(a->text(), QString::fromUtf8(m[1]));
    EXPECT_TRUE(a->isEnabled());
  }
  f->unload();
  EXPECT_FALSE(state().Form13Open);
}

TEST_F(ReductionWindowTest, ReducingShowsThePaletteAndPaintsTheResult) {
  drawTwoColours();
  trigger("mnuCOL16");
  EXPECT_EQ(f->ReducedPalette[0], (PaletteEntry{40, 30, 200, 0}));
  EXPECT_EQ(f->ReducedPalette[1], (PaletteEntry{100, 220, 20, 0}));
  EXPECT_EQ(f->Label2[1]->text(), QStringLiteral("R=200 G=30 B=40"));
  EXPECT_EQ(f->Label2[2]->text(), QStringLiteral("R=20 G=220 B=100"));
  EXPECT_EQ(f->Label2[3]->text(), QString());
  EXPECT_EQ(swatch(f->Label1[1]), kMain);
  EXPECT_EQ(swatch(f->Label1[2]), kCorner);
  EXPECT_EQ(swatch(f->Label1[16]), Rgb(0, 0, 0));
  // Each number reads on its swatch: white on the dark red and on black, black on the light green.
  const auto digits = [&](int k) {
    return f->Label1[static_cast<std::size_t>(k)]->palette().color(QPalette::WindowText);
  };
  EXPECT_EQ(digits(1), QColor(Qt::white));
  EXPECT_EQ(digits(2), QColor(Qt::black));
  EXPECT_EQ(digits(16), QColor(Qt::white));
  EXPECT_TRUE(ui.messages.isEmpty());
  // 1:1 below the source, and five times as large further down.
  EXPECT_EQ(at(0, 220), kMain);
  EXPECT_EQ(at(31, 220), kCorner);
  EXPECT_EQ(at(19, 229), kMain);
  EXPECT_EQ(at(20, 229), kCorner);
  EXPECT_EQ(at(20, 230), kMain);
  EXPECT_EQ(at(99, 300), kMain);
  EXPECT_EQ(at(100, 300), kCorner);
  EXPECT_EQ(at(159, 349), kCorner);
  EXPECT_EQ(at(159, 350), kMain);
  EXPECT_EQ(at(0, 459), kMain);

  // A second run forgets the first: one colour leaves a single labelled entry.
  f->client().fillRect(0, 180, 32, 212, kCorner);
  trigger("mnuCOL16");
  EXPECT_EQ(f->Label2[1]->text(), QStringLiteral("R=20 G=220 B=100"));
  EXPECT_EQ(f->Label2[2]->text(), QString());
  EXPECT_EQ(swatch(f->Label1[2]), Rgb(0, 0, 0));
}

TEST_F(ReductionWindowTest, TransferHandsPixelsAndPaletteToTheEditorAsOneStep) {
  const int before = state().HistoryIndex;
  trigger("mnuDo");  // nothing reduced yet
  EXPECT_EQ(state().HistoryIndex, before);

  drawTwoColours();
  trigger("mnuCOL16");
  const std::uint8_t oldCorner = pixel(31, 0);
  trigger("mnuDo");
  EXPECT_EQ(pixel(31, 0), 1);
  EXPECT_NE(pixel(31, 0), oldCorner);
  EXPECT_EQ(pixel(0, 0), 0);
  EXPECT_EQ(pixel(19, 9), 0);
  EXPECT_EQ(pixel(20, 9), 1);
  EXPECT_EQ(pixel(20, 10), 0);
  EXPECT_EQ(pixel(31, 31), 0);
  EXPECT_EQ(paletteColour(0), kMain);
  EXPECT_EQ(paletteColour(1), kCorner);
  EXPECT_EQ(paletteColour(2), Rgb(0, 0, 0));
  EXPECT_EQ(state().HistoryIndex, before + 1);
  EXPECT_EQ(state().History[static_cast<std::size_t>(state().HistoryIndex)].pixels[1023], 1);
}

TEST_F(ReductionWindowTest, ThresholdTextDecidesAndTooLargeOneAsksForLess) {
  drawGradient();
  for (const char* text : {"", "abc", "-3", "12.5", "１２"}) {
    ui.messages.clear();
    // Full-width digits cannot be typed through the test keyboard.
    f->Text1->setText(QString::fromUtf8(text));
    trigger("mnuCOL16");
    EXPECT_TRUE(ui.messages.isEmpty()) << text;
    EXPECT_NE(f->Label2[16]->text(), QString()) << text;  // a low threshold fills all 16
  }
  EXPECT_EQ(f->Text1->text(), QStringLiteral("１２"));
  // Typed with an input method, a threshold is the same number as typed in ASCII.
  const auto outcome = [&](const char* text) {
    ui.messages.clear();
    f->Text1->setText(QString::fromUtf8(text));
    trigger("mnuCOL16");
    QStringList seen = ui.messages;
    for (int n = 1; n <= 16; ++n) seen << f->Label2[static_cast<std::size_t>(n)]->text();
    return seen;
  };
  EXPECT_EQ(outcome("９９"), outcome("99"));
  EXPECT_EQ(outcome("　－３"), outcome("-3"));

  AppFixture::typeInto(f->Text1, QStringLiteral("1e400"));
  trigger("mnuCOL16");
  EXPECT_EQ(ui.messages, QStringList{QStringLiteral("閾値を小さくしてください。")});
  EXPECT_NE(f->Label2[1]->text(), QString());
  EXPECT_EQ(f->Label2[2]->text(), QString());
  // The mapping still runs: everything takes the one colour found or black.
  const ColorRef only = EntryColour(f->ReducedPalette[0]);
  for (int y = 220; y < 252; ++y) {
    for (int x = 0; x < 32; ++x) ASSERT_TRUE(at(x, y) == only || at(x, y) == Rgb(0, 0, 0)) << x << "," << y;
  }
}

TEST_F(ReductionWindowTest, SavesWriteTheUnreducedSquareAndRememberTheirFolders) {
  drawGradient();
  state().IconMask[0] = 0xA0;
  const QString dir = folder.filePath("icons");
  ASSERT_TRUE(QDir().mkpath(dir));
  ui.fileAnswers = {dir + "/photo", dir + "/Small.ICO"};
  trigger("mnuFULLCOLOR");
  trigger("mnuHexFul");
  ASSERT_EQ(ui.requests.size(), 2u);
  EXPECT_EQ(ui.requests[0].file.title, QStringLiteral("フルカラーアイコンの保存"));
  EXPECT_EQ(ui.requests[1].file.title, QStringLiteral("フルカラーアイコン16×16の保存"));
  for (const auto& r : ui.requests) {
    EXPECT_EQ(r.file.filter, QStringLiteral("アイコン(*.ico)|*.ico|全て(*.*)|*.*"));
    EXPECT_TRUE(r.file.askOverwrite);
    EXPECT_TRUE(r.file.pathMustExist);
  }
  EXPECT_EQ(QFileInfo(dir + "/photo.ico").size(), 3262);
  EXPECT_EQ(QFileInfo(dir + "/Small.ICO").size(), 894);
  EXPECT_FALSE(QFile::exists(dir + "/Small.ICO.ico"));
  EXPECT_EQ(QDir(QString::fromStdString(lastFolder(app->settings, "MedianFullIcon"))), QDir(dir));
  EXPECT_EQ(QDir(QString::fromStdString(lastFolder(app->settings, "MedianFullIcon16"))), QDir(dir));

  SharedState headers;
  const auto icon = ReadFullColourIcon(LocalPath(dir + "/photo.ico"), headers);
  ASSERT_TRUE(icon.has_value());
  // The editor's mask (of another picture) is not taken: every pixel of the square is shown.
  EXPECT_TRUE(std::all_of(icon->mask.begin(), icon->mask.end(), [](std::uint8_t b) { return b == 0; }));
  for (const auto& [x, r] : {std::pair{0, 0}, {31, 0}, {5, 31}, {17, 9}}) {
    const ColorRef c = Rgb(x * 8, (31 - r) * 8, (x + 31 - r) * 4);
    const auto i = static_cast<std::size_t>(3 * (r * 32 + x));
    EXPECT_EQ(icon->pixels[i], BlueOf(c));
    EXPECT_EQ(icon->pixels[i + 1], GreenOf(c));
    EXPECT_EQ(icon->pixels[i + 2], RedOf(c));
  }

  // The remembered folder comes back, a cancel writes nothing, a bad folder says so.
  trigger("mnuHexFul");
  ASSERT_EQ(ui.requests.size(), 3u);
  EXPECT_EQ(QDir(ui.requests[2].file.initialFolder), QDir(dir));
  EXPECT_TRUE(ui.messages.isEmpty());
  ui.fileAnswers = {folder.filePath("missing/a.ico"), folder.filePath("missing/b.ico")};
  trigger("mnuFULLCOLOR");
  trigger("mnuHexFul");
  EXPECT_EQ(ui.messages,
            (QStringList{QStringLiteral("Save できません。"), QStringLiteral("Open できません。")}));
}

}  // namespace
}  // namespace pf::testing
