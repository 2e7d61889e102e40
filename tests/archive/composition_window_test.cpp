#include "archive/composition_window.h"

#include <QCheckBox>
#include <QDropEvent>
#include <QFontDatabase>
#include <QListWidget>
#include <QMimeData>
#include <QRadioButton>
#include <QUrl>
#include <functional>

#include "model/icon_file.h"
#include "model/packing.h"
#include "model/profile.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

// Pixel (x, row) holds (x + 3 row) mod 16: every value appears, and no row equals its mirror image.
int Pattern(int k) {
  return (k % 32 + 3 * (k / 32)) % 16;
}

class CompositionWindow : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    for (int k = 0; k < kPixelCount; ++k)
      pattern[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(Pattern(k));
    std::copy(pattern.begin(), pattern.end(), state().IconPixels.begin());
    form = app->create<Form8>();
    if (!form->wasActivated()) form->activate();
  }

  template <class W>
  W* child(const QString& name) {
    W* w = form->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name.toStdString();
    return w;
  }
  void press(const QString& name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
  void menu(const char* name) { child<QAction>(QString::fromLatin1(name))->trigger(); }
  void tick(const QString& name) { clickIndicator(child<QAbstractButton>(name)); }
  QListWidget* list() { return child<QListWidget>(QStringLiteral("List1")); }
  void choose(int row) {
    ASSERT_FALSE(list()->isHidden());
    QListWidgetItem* item = list()->item(row);
    list()->scrollToItem(item);
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, list()->visualItemRect(item).center());
  }
  QString lastMessage() { return ui.messages.isEmpty() ? QString() : ui.messages.takeLast(); }
  QString label(const char* name) { return child<QLabel>(QString::fromLatin1(name))->text(); }

  // The window's picture, set through the archives' operations.
  void setMix(int (*value)(int)) {
    for (int k = 0; k < kPixelCount; ++k) form->SetIcon(k, static_cast<std::uint8_t>(value(k)));
    form->DoShow();
  }
  int mix(int x, int row) { return form->pixels()[static_cast<std::size_t>(row * 32 + x)]; }
  static Image32 first1024(const PixelArray& pixels) {
    Image32 p{};
    std::copy_n(pixels.begin(), kPixelCount, p.begin());
    return p;
  }
  Image32 editor() { return first1024(state().IconPixels); }
  Image32 picture() { return first1024(form->pixels()); }
  // Every pixel of the window's picture drawn as its 5 x 5 block, row 31 at the top.
  void expectViewShowsPicture() {
    for (int k = 0; k < kPixelCount; ++k) {
      const int x = k % 32, row = k / 32;
      const ColorRef c = EntryColour(form->palette()[form->pixels()[static_cast<std::size_t>(k)] & 15]);
      for (const auto& [dx, dy] : {std::pair{0, 0}, {4, 4}, {0, 4}, {4, 0}})
        ASSERT_EQ(form->client().getPixel(5 * x + dx, 5 * (31 - row) + dy), c) << x << "," << row;
    }
  }
  // A file dragged onto the window and let go, as the window system delivers it.
  void drop(const QString& path) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(path)});
    const QPointF at(300, 230);
    QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->clientArea(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent event(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->clientArea(), &event);
  }
  QString writeFile(const QString& name, const std::vector<std::uint8_t>& bytes) {
    QFile f(folder.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    return f.fileName();
  }

  Image32 pattern{};
  Form8* form = nullptr;
};

TEST_F(CompositionWindow, OpensOnTheEditorsPictureFiveTimesEnlarged) {
  EXPECT_EQ(form->windowTitle(), "画像合成");
  EXPECT_TRUE(state().Form8Open);
  EXPECT_EQ(picture(), pattern);
  EXPECT_EQ(form->palette(), state().IconPalette);
  expectViewShowsPicture();
  // The label names the face the text is drawn in, one this machine has, not the Windows name.
  const QString installedFace = label("Label4").section(' ', 1, -2);
  EXPECT_TRUE(label("Label4").startsWith("設定ﾌｫﾝﾄ ") && label("Label4").endsWith(" 32ﾎﾟｲﾝﾄ"));
  EXPECT_TRUE(QFontDatabase::families().contains(installedFace)) << installedFace.toStdString();
  EXPECT_TRUE(child<QRadioButton>("Option1_0")->isChecked());
  EXPECT_TRUE(list()->isHidden());

  // The open flag stays up while any composition window is left.
  Form8* second = app->create<Form8>();
  menu("mnuEND");
  EXPECT_TRUE(state().Form8Open);
  second->mnuEND_Click();
  EXPECT_FALSE(state().Form8Open);
}

TEST_F(CompositionWindow, CombinesIntoTheEditorByOperationAndTransparency) {
  // Copy leaving out index 0: only the one 5 arrives, and the editor records the change.
  setMix([](int k) { return k == 100 ? 5 : 0; });
  tick("Check1");
  EXPECT_FALSE(list()->isHidden());
  EXPECT_EQ(form->transparentIndex(), 0);
  const int history = state().HistoryIndex;
  press("Command1");
  Image32 expected = pattern;
  expected[100] = 5;
  EXPECT_EQ(editor(), expected);
  EXPECT_FALSE(child<QCheckBox>("Check1")->isChecked()) << "transparency is cleared by each combine";
  ASSERT_EQ(state().HistoryIndex, history + 1);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), state().History[history + 1].pixels.begin()));

  // XOR of an all-3 picture leaving out 3 changes nothing; without transparency twice gives it back.
  form->SetMyRGB(2, 1, 2, 3);
  setMix([](int) { return 3; });
  tick("Option1_1");
  EXPECT_EQ(form->operation(), 1);
  tick("Check1");
  choose(3);
  EXPECT_EQ(form->transparentIndex(), 3);
  press("Command1");
  EXPECT_EQ(editor(), expected);
  press("Command1");
  Image32 xored = expected;
  for (auto& v : xored) v ^= 3;
  EXPECT_EQ(editor(), xored);
  press("Command1");
  EXPECT_EQ(editor(), expected);
  EXPECT_NE(state().IconPalette[2], (PaletteEntry{1, 2, 3, 0}));

  // The palette goes along only with "パレット付".
  tick("Check2");
  press("Command1");
  EXPECT_EQ(state().IconPalette[2], (PaletteEntry{1, 2, 3, 0}));
}

TEST_F(CompositionWindow, ArrowsScrollAndUndoTakesBackTheLastOnly) {
  const struct {
    int button, toX, toRow;
  } cases[] = {{0, 10, 11}, {1, 9, 10}, {2, 10, 9}, {3, 11, 10}};  // ↑ ← ↓ →
  for (const auto& c : cases) {
    setMix([](int k) { return k == 10 * 32 + 10 ? 9 : 0; });
    press(QStringLiteral("Command3_%1").arg(c.button));
    EXPECT_EQ(mix(c.toX, c.toRow), 9) << c.button;
    EXPECT_EQ(mix(10, 10), 0) << c.button;
    expectViewShowsPicture();
    press("Command4");
    EXPECT_EQ(mix(10, 10), 9) << c.button;
  }
  press("Command3_0");
  press("Command3_0");
  press("Command4");
  EXPECT_EQ(mix(10, 11), 9);
  EXPECT_EQ(mix(10, 12), 0);
}

TEST_F(CompositionWindow, DraggedSelectionOutlinesAndMaskKeepsItsCells) {
  QWidget* area = form->clientArea();
  // Two points of pixel x 2, row 30: a move to where the mouse already is may be dropped.
  QTest::mouseMove(area, QPoint(13, 8));
  QTest::mouseMove(area, QPoint(12, 7));
  EXPECT_EQ(label("Label3"), QString::number(Pattern(30 * 32 + 2)));
  const ColorRef outline = EntryColour(state().IconPalette[static_cast<std::size_t>(Pattern(30 * 32 + 2))]);

  QTest::mousePress(area, Qt::LeftButton, {}, QPoint(12, 13));
  QTest::mouseMove(area, QPoint(30, 30));
  QTest::mouseMove(area, QPoint(53, 54));
  EXPECT_EQ(label("Label1"), "(10,10)-(50,50)");
  EXPECT_EQ(form->client().getPixel(30, 10), outline);
  EXPECT_EQ(form->client().getPixel(50, 30), outline);
  QTest::mouseRelease(area, Qt::LeftButton, {}, QPoint(53, 54));
  EXPECT_FALSE(form->dragging());
  expectViewShowsPicture();

  press("Command2");
  for (int row = 0; row < 32; ++row) {
    for (int x = 0; x < 32; ++x) {
      const bool kept = x >= 2 && x <= 9 && row >= 22 && row <= 29;
      ASSERT_EQ(mix(x, row), kept ? Pattern(row * 32 + x) : 0) << x << "," << row;
    }
  }
  menu("mnuUnDO2");
  EXPECT_EQ(picture(), pattern);

  // A window that never saw a drag keeps nothing.
  Form8* fresh = app->create<Form8>();
  if (!fresh->wasActivated()) fresh->activate();
  fresh->Command2_Click();
  EXPECT_TRUE(std::all_of(fresh->pixels().begin(), fresh->pixels().begin() + kPixelCount,
                          [](std::uint8_t v) { return v == 0; }));
}

TEST_F(CompositionWindow, TextBecomesAGlyphInTheChosenIndex) {
  press("Command5");
  EXPECT_TRUE(list()->isHidden()) << "nothing to insert";

  const auto render = [this](const QString& text, int colour) {
    // Typed like a user, except what QTest cannot type.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; })) {
      typeInto(child<QLineEdit>("Text2"), text);
    } else {
      child<QLineEdit>("Text2")->setText(text);
    }
    press("Command5");
    choose(colour);
    EXPECT_TRUE(list()->isHidden());
    EXPECT_FALSE(form->textPending());
    return picture();
  };
  const Image32 a = render("A", 5);
  EXPECT_EQ(form->transparentIndex(), 5);
  EXPECT_TRUE(std::all_of(a.begin(), a.end(), [](std::uint8_t v) { return v == 0 || v == 5; }));
  EXPECT_GT(std::count(a.begin(), a.end(), 5), 30);
  expectViewShowsPicture();
  menu("mnuUnDO2");
  EXPECT_EQ(picture(), pattern);

  // From the keyboard: the list takes the focus without choosing; the arrows move, Enter chooses.
  QApplication::setActiveWindow(form);
  press("Command5");
  ASSERT_TRUE(form->textPending()) << "showing the list chose nothing";
  QTest::keyClick(list(), Qt::Key_Down);
  QTest::keyClick(list(), Qt::Key_Down);
  ASSERT_TRUE(form->textPending());
  QTest::keyClick(list(), Qt::Key_Return);
  EXPECT_FALSE(form->textPending());
  EXPECT_EQ(form->transparentIndex(), list()->currentRow());
  EXPECT_GT(form->transparentIndex(), 0);

  // Two half-width characters fit in the first two bytes, a full-width second one does not.
  EXPECT_NE(render("AB", 5), a);
  EXPECT_EQ(render("A日", 5), a);
  // A character outside the basic plane is drawn whole, never as half a surrogate pair.
  // A stray half of a pair draws whatever the font makes of it.
  for (const QString& odd : {QString::fromUtf8("😀x"), QString(QChar(0xDC00)) + QLatin1Char('x')}) {
    const Image32 g = render(odd, 7);
    EXPECT_TRUE(std::all_of(g.begin(), g.end(), [](std::uint8_t v) { return v == 0 || v == 7; }));
  }

  // Chosen with transparency on, the glyph's index is left out of the combine.
  tick("Check1");
  const Image32 glyph = render("A", 5);
  press("Command1");
  const Image32 e = editor();
  for (int k = 0; k < kPixelCount; ++k) ASSERT_EQ(e[k], glyph[k] == 5 ? Pattern(k) : 0) << k;

  // The font dialog: cancel keeps the font, a missing face still draws.
  ui.fontAnswers.push_back(std::nullopt);
  const QString before = label("Label4");
  menu("mnuMOJI");
  EXPECT_EQ(label("Label4"), before);
  QFont chosen(QStringLiteral("NoSuchFaceAnywhere"), 20);
  chosen.setBold(true);
  ui.fontAnswers.push_back(chosen);
  menu("mnuMOJI");
  EXPECT_EQ(label("Label4"), "設定ﾌｫﾝﾄ NoSuchFaceAnywhere 20ﾎﾟｲﾝﾄ");
  EXPECT_TRUE(form->textFont().bold);
  const Image32 small = render("A", 5);
  EXPECT_NE(small, a);
}

TEST_F(CompositionWindow, ColourPickKeepsOnlyThatIndexOfTheEditor) {
  for (auto& v : state().IconPixels) v = v == 7 ? 8 : v;
  const Palette before = form->palette();
  menu("mnuColPpc");
  choose(7);
  EXPECT_TRUE(
      std::all_of(form->pixels().begin(), form->pixels().end(), [](std::uint8_t v) { return v == 0; }));
  menu("mnuColPpc");
  choose(8);
  for (int k = 0; k < kPixelCount; ++k) ASSERT_EQ(form->pixels()[k], state().IconPixels[k] == 8 ? 8 : 0) << k;
  EXPECT_EQ(form->transparentIndex(), 8);
  EXPECT_EQ(form->palette(), before);

  // With text and pick both waiting, the text is served first and the pick stays.
  typeInto(child<QLineEdit>("Text2"), "A");
  press("Command5");
  menu("mnuColPpc");
  choose(4);
  EXPECT_FALSE(form->textPending());
  EXPECT_TRUE(form->pickPending());
}

TEST_F(CompositionWindow, OpensAndTakesDroppedFiles) {
  Image32 image{};
  for (int k = 0; k < kPixelCount; ++k)
    image[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((k / 7) % 16);
  std::array<std::uint8_t, kPackedSize> packed{};
  PackPixels32(image, packed);
  Palette palette{};
  for (int i = 0; i < 16; ++i)
    palette[i] = {static_cast<std::uint8_t>(i), 100, static_cast<std::uint8_t>(200 - i), 0};
  const std::array<std::uint8_t, kMaskSize> mask{};
  const QString icon = writeFile("pic.ico", BuildIcon32(palette, packed, mask));
  const QString bitmap = writeFile("pic.bmp", BuildBitmapFile(packed, 32, 32, palette));
  std::vector<std::uint8_t> wideBytes = BuildBitmapFile(packed, 32, 32, palette);
  wideBytes[18] = 40;  // width in the information header
  const QString wide = writeFile("wide.BMP", wideBytes);

  // The open dialog remembers its folder; cancel and a file the icon reader rejects change nothing.
  ui.fileAnswers.push_back(std::nullopt);
  menu("mnuOPEN");
  ui.fileAnswers.push_back(bitmap);
  menu("mnuOPEN");
  EXPECT_EQ(picture(), pattern);
  ui.fileAnswers.push_back(icon);
  menu("mnuOPEN");
  EXPECT_EQ(picture(), image);
  EXPECT_EQ(form->palette(), palette);
  EXPECT_EQ(app->settings.ReadSetting("DIR", "MixIcon"), folder.path().toStdString());
  EXPECT_EQ(ui.requests.back().file.initialFolder, folder.path());
  expectViewShowsPicture();

  // Drops: icons by ".ico", bitmaps by ".bmp", in any case, other names by their first bytes; anything
  // else is refused.
  menu("mnuGet");
  const Palette editorPalette = form->palette();
  for (const char* name : {"notes.txt", "missing.bin"}) {
    drop(folder.filePath(QString::fromLatin1(name)));
    EXPECT_EQ(lastMessage(), "読み込めるデータではありません。") << name;
  }
  drop(wide);
  EXPECT_EQ(lastMessage(), "幅が、32を超えています。");
  EXPECT_EQ(form->palette(), editorPalette) << "a refused bitmap leaves the palette alone";
  EXPECT_EQ(picture(), pattern);
  EXPECT_TRUE(child<QLineEdit>("Text1")->text().isEmpty());
  drop(bitmap);
  EXPECT_EQ(picture(), image);
  EXPECT_EQ(child<QLineEdit>("Text1")->text(), "pic.bmp");
  EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(CompositionWindow, UndoWithNothingToUndoOrAfterANewPictureChangesNothing) {
  // A fresh window: neither 戻す has anything to give back.
  press("Command4");
  menu("mnuUnDO2");
  EXPECT_EQ(picture(), pattern);

  Image32 image{};
  for (int k = 0; k < kPixelCount; ++k)
    image[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k / 64);
  std::array<std::uint8_t, kPackedSize> packed{};
  PackPixels32(image, packed);
  const Palette palette = state().IconPalette;
  const QString icon =
      writeFile("new.ico", BuildIcon32(palette, packed, std::array<std::uint8_t, kMaskSize>{}));
  const QString bitmap = writeFile("new.bmp", BuildBitmapFile(packed, 32, 32, palette));

  // An undo point taken before a new picture came in must not bring the older picture back.
  const struct {
    const char* how;
    std::function<void()> bringIn;
  } ways[] = {
      {"画像取得",
       [&] { std::copy(image.begin(), image.end(), state().IconPixels.begin()), menu("mnuGet"); }},
      {"ファイル", [&] { ui.fileAnswers.push_back(icon), menu("mnuOPEN"); }},
      {"drop", [&] { drop(bitmap); }},
  };
  for (const auto& way : ways) {
    for (const bool shift : {true, false}) {
      SCOPED_TRACE(std::string(way.how) + (shift ? " / shift undo" : " / menu undo"));
      setMix(Pattern);
      press(shift ? "Command3_0" : "Command2");  // a shift, or a mask with no drag that wipes the picture
      way.bringIn();
      ASSERT_EQ(picture(), image);
      press("Command4");
      menu("mnuUnDO2");
      EXPECT_EQ(picture(), image);
    }
  }
}

TEST_F(CompositionWindow, ArchiveOperationsAndPaletteAbsorb) {
  form->SetIcon(1024, 200);
  form->SetIcon(0, 9);
  EXPECT_EQ(form->GetIcon(1024), 200);
  EXPECT_EQ(form->GetIcon(0), 9);
  EXPECT_EQ(form->client().getPixel(0, 155), EntryColour(form->palette()[Pattern(0)])) << "no repaint yet";
  form->SetMyRGB(9, 10, 20, 30);
  std::uint8_t b = 0, g = 0, r = 0;
  form->GetMyRGB(9, b, g, r);
  EXPECT_EQ((std::array{b, g, r}), (std::array<std::uint8_t, 3>{10, 20, 30}));
  EXPECT_EQ(form->palette()[9].reserved, state().IconPalette[9].reserved);
  form->DoShow();
  EXPECT_EQ(form->client().getPixel(0, 155), Rgb(30, 20, 10));

  menu("mnuPAL");
  EXPECT_EQ(form->palette(), state().IconPalette);
  EXPECT_FALSE(child<QAction>("mnuPAL")->isEnabled());
  EXPECT_EQ(form->GetIcon(0), 9) << "absorbing the palette keeps the picture";
}

}  // namespace
}  // namespace pf
