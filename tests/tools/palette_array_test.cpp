#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>

#include "model/palette_set.h"
#include "model/profile.h"
#include "support/app_fixture.h"
#include "tools/palette_array.h"

namespace pf {
namespace {

using testing::AppFixture;
using Sets = std::array<Palette, kPaletteSetCount>;

const QString kTooMany = QStringLiteral("パレットは最大２０です。これ以上は読みません。");
const QString kInvalid = QStringLiteral("パレットデータ(pal.pal)がないか、データが不正です。");
const QString kUnsupported = QStringLiteral("対応していない形式です。");

// Twenty rows in which every entry differs; another seed differs in green and red.
Sets DistinctSets(int seed, bool withReserved = false) {
  Sets sets{};
  for (int r = 0; r < kPaletteSetCount; ++r) {
    for (int c = 0; c < 16; ++c) {
      sets[r][c] = {std::uint8_t(r * 12 + c), std::uint8_t(255 - c * 7 - seed), std::uint8_t(seed * 31 + r),
                    std::uint8_t(withReserved ? c + 1 : 0)};
    }
  }
  return sets;
}

// Blue, green and red of every entry: palette-set files do not store the reserved byte.
bool SameColours(const Palette& a, const Palette& b) {
  for (int c = 0; c < 16; ++c) {
    if (a[c].blue != b[c].blue || a[c].green != b[c].green || a[c].red != b[c].red) return false;
  }
  return true;
}

// A one-image 32 x 32 icon file with the given bit count and colour table.
QByteArray IconBytes(int bitCount, const Palette& table) {
  QByteArray b;
  auto put = [&b](std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b.append(char((v >> (8 * i)) & 0xFF));
  };
  // Header with one image; its directory entry (data at 22); the information header.
  for (int v : {0, 1, 1}) put(v, 2);
  for (int v : {32, 32, 16, 0}) put(v, 1);
  put(1, 2);
  put(bitCount, 2);
  put(40 + 64 + 640, 4);
  put(22, 4);
  for (int v : {40, 32, 64}) put(v, 4);
  put(1, 2);
  put(bitCount, 2);
  b.append(24, '\0');
  for (const PaletteEntry& e : table)
    put(e.blue | e.green << 8 | e.red << 16 | std::uint32_t(e.reserved) << 24, 4);
  b.append(640, '\x11');
  return b;
}

class PaletteArray : public AppFixture {
 protected:
  void reopen() {
    if (form) form->unload();
    form = app->single<Form12>();
  }
  void click(QWidget* w) { QTest::mouseClick(w, Qt::LeftButton); }
  void trigger(const char* name) {
    QAction* a = form->findChild<QAction*>(QString::fromLatin1(name));
    ASSERT_NE(a, nullptr) << name;
    a->trigger();
  }
  ColorRef swatchColour(int i) {
    const QColor c = form->Label1[i]->palette().color(QPalette::Window);
    return Rgb(c.red(), c.green(), c.blue());
  }
  void expectSwatchesMatchState(const char* what) {
    for (int i = 1; i <= Form12::kSwatches; ++i) {
      ASSERT_EQ(swatchColour(i), EntryColour(state().PaletteSets[(i - 1) / 16][(i - 1) % 16]))
          << what << ": swatch " << i;
    }
  }
  // The main window's palette panel shows these colours.
  void expectMainWindowShows(const Palette& p, const char* what) {
    for (int a = 0; a < 16; ++a) {
      const int x = a < 8 ? 300 : 400, y = 280 + 25 * (a % 8);
      EXPECT_EQ(countColour(x, y, x + 30, y + 15, EntryColour(p[a])), 30 * 15) << what << ": entry " << a;
    }
  }
  QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
  }

  Form12* form = nullptr;
};

TEST_F(PaletteArray, OpensOnTheCurrentSetAndARowChoiceTakesThatRow) {
  state().PaletteSets = DistinctSets(1, true);
  state().CurrentPaletteSet = 3;
  reopen();
  EXPECT_EQ(form->windowTitle(), "パレットアレイ");
  const QRect client = form->clientArea()->rect();
  for (int i = 1; i <= 320; ++i) {
    QLabel* s = form->findChild<QLabel*>(QStringLiteral("Label1_%1").arg(i));
    ASSERT_TRUE(s && s->isVisible()) << i;
    ASSERT_EQ(s->geometry(), QRect(((i - 1) % 16) * 40 + 60, ((i - 1) / 16) * 25 + 3, 20, 15)) << i;
    ASSERT_TRUE(client.contains(s->geometry())) << i;
  }
  EXPECT_TRUE(client.contains(form->Option1[20]->geometry()) &&
              client.contains(form->Check1[20]->geometry()));
  EXPECT_EQ(state().IconPalette, state().PaletteSets[3]) << "opening takes up the current set";
  EXPECT_TRUE(form->Option1[4]->isChecked());
  for (int p = 1; p <= 20; ++p) {
    EXPECT_EQ(form->Check1[p]->isChecked(), p == 4) << p;
    EXPECT_EQ(form->Check1[p]->isEnabled(), p == 4) << p;
  }
  expectSwatchesMatchState("after opening");
  expectMainWindowShows(state().PaletteSets[3], "after opening");

  for (int p : {8, 20, 1, 1}) {
    click(form->Option1[p]);
    EXPECT_EQ(form->targetRow(), p);
    EXPECT_EQ(state().IconPalette, state().PaletteSets[p - 1]) << "all 64 bytes of row " << p;
    expectMainWindowShows(state().IconPalette, "after a row choice");
  }
  EXPECT_EQ(state().CurrentPaletteSet, 3) << "choosing a row does not make it current";
  trigger("mnuEND");
  EXPECT_TRUE(form->isUnloaded());
}

TEST_F(PaletteArray, ArrowKeysAndAssistiveTogglesChooseARowLikeTheMouse) {
  state().PaletteSets = DistinctSets(2);
  reopen();
  click(form->Option1[5]);
  QApplication::setActiveWindow(form);
  form->Option1[5]->setFocus();
  QTest::keyClick(form->Option1[5], Qt::Key_Down);
  ASSERT_TRUE(form->Option1[6]->isChecked());
  EXPECT_EQ(state().IconPalette, state().PaletteSets[5]) << "the row the keyboard checked";
  // A screen reader's only action on an option button is a toggle, without a click.
  form->Option1[9]->toggle();
  EXPECT_EQ(form->targetRow(), 9);
  EXPECT_EQ(state().IconPalette, state().PaletteSets[8]);
  expectMainWindowShows(state().IconPalette, "after a toggle");
}

TEST_F(PaletteArray, TickingOneCheckBoxLocksTheOthers) {
  reopen();
  const struct {
    int row;
    bool locked;  // a box is ticked after the click
    int current;
  } steps[] = {{1, false, 0}, {6, true, 5}, {6, false, 5}, {2, true, 1}, {3, true, 1} /* disabled: ignored */,
               {2, false, 1}, {9, true, 8}};
  for (const auto& s : steps) {
    click(form->Check1[s.row]);
    EXPECT_EQ(state().CurrentPaletteSet, s.current) << s.row;
    for (int p = 1; p <= 20; ++p) {
      EXPECT_EQ(form->Check1[p]->isChecked(), s.locked && p == s.current + 1)
          << "after " << s.row << ": " << p;
      EXPECT_EQ(form->Check1[p]->isEnabled(), !s.locked || p == s.current + 1)
          << "after " << s.row << ": " << p;
    }
  }
}

TEST_F(PaletteArray, SwatchEditChangesOnlyThePaletteSets) {
  state().PaletteSets = DistinctSets(2, true);
  reopen();
  const Palette icon = state().IconPalette;
  Sets expected = state().PaletteSets;
  QLabel* swatch = form->Label1[2 * 16 + 5 + 1];  // row 3, colour 5
  ui.colourAnswers.push_back(Rgb(0x12, 0x34, 0x56));
  click(swatch);
  expected[2][5] = {0x56, 0x34, 0x12, expected[2][5].reserved};
  click(swatch);  // nothing queued: Cancel
  EXPECT_EQ(ui.requests.size(), 2u);
  EXPECT_EQ(state().PaletteSets, expected);
  EXPECT_EQ(state().IconPalette, icon);
  EXPECT_EQ(swatchColour(2 * 16 + 5 + 1), Rgb(0x12, 0x34, 0x56));
  EXPECT_TRUE(swatch->text().isEmpty());
}

TEST_F(PaletteArray, TakeUpAndUndoWorkOnTheIconPalette) {
  state().PaletteSets = DistinctSets(3);
  state().CurrentPaletteSet = 2;
  Palette original{};
  for (int c = 0; c < 16; ++c) original[c] = {std::uint8_t(c), 99, 7, 1};
  state().IconPalette = original;
  reopen();
  click(form->Option1[5]);
  trigger("mnuPALUNDO");
  EXPECT_EQ(state().IconPalette, original) << "back to the palette from before the window opened";
  expectMainWindowShows(original, "after undo");

  Sets expected = state().PaletteSets;
  expected[4] = original;
  trigger("mnuPLT");
  EXPECT_EQ(state().PaletteSets, expected) << "row 5, the last row chosen, takes up the palette";
  expectSwatchesMatchState("after taking up");
}

TEST_F(PaletteArray, SaveThenOpenRestoresAllRowsAndTheCurrentSet) {
  const Sets sets = DistinctSets(4);
  state().PaletteSets = sets;
  reopen();
  for (int p : {1, 7, 7}) click(form->Check1[p]);  // row 7 ticked, then cleared: it stays current
  for (const char* name : {"sets", "b.PAL.txt"}) {
    ui.fileAnswers.push_back(folder.filePath(QString::fromLatin1(name)));
    trigger("mnuSV");
  }
  EXPECT_TRUE(QFile::exists(folder.filePath("sets.pal")));
  EXPECT_TRUE(QFile::exists(folder.filePath("b.PAL.txt"))) << "a name holding .pal anywhere is kept";
  const ScriptedUi::Request& asked = ui.requests.back();
  EXPECT_EQ(asked.file.initialFolder, folder.path());
  EXPECT_TRUE(asked.file.askOverwrite);
  EXPECT_EQ(asked.file.filter, "ﾊﾟﾚｯﾄ(*.pal)|*.pal|全て(*.*)|*.*");

  state().PaletteSets = {};
  state().CurrentPaletteSet = 0;
  state().IconPalette = {};
  ui.fileAnswers.push_back(folder.filePath("sets.pal"));
  trigger("mnuOPEN");
  EXPECT_EQ(state().PaletteSets, sets);
  EXPECT_EQ(state().CurrentPaletteSet, 6);
  EXPECT_TRUE(SameColours(state().IconPalette, sets[6]));
  EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(", ").toStdString();
  EXPECT_EQ(ui.requests.back().file.initialFolder, folder.path());
  expectSwatchesMatchState("after opening the file");

  trigger("mnuOPEN");  // Cancel
  EXPECT_TRUE(form->fileName().isEmpty());
  ui.fileAnswers.push_back(folder.filePath("no-such-folder/x.pal"));
  trigger("mnuSV");
  ASSERT_EQ(ui.messages.size(), 1) << "a failed save shows why";
  EXPECT_FALSE(ui.messages[0].isEmpty());
}

TEST_F(PaletteArray, ReadingPaletteSetFiles) {
  const Sets fromFile = DistinctSets(5), kept = DistinctSets(6);
  const QByteArray full = QByteArray::fromStdString(WritePaletteSets(fromFile, 4));
  const QList<QByteArray> lines = full.split('\n');  // each keeps its CR
  auto firstLines = [&](int n) {
    QByteArray text;
    for (int i = 0; i < n; ++i) text += lines[i] + '\n';
    return text;
  };
  // The second line with a component of 100: its first one, or the red of its last colour.
  auto badSecondLine = [&](int field) {
    QList<QByteArray> fields = lines[1].chopped(1).split(',');
    fields[field] = "100";
    return firstLines(1) + fields.join(',') + "\r\n";
  };
  auto rows = [&](int read) {
    Sets s = kept;
    for (int r = 0; r < read; ++r) s[r] = fromFile[r];
    return s;
  };
  Sets cutShort = rows(2);
  cutShort[1][15].red = kept[1][15].red;
  const struct {
    const char* name;
    QByteArray text;
    Sets expected;
    int current;
    QStringList messages;
  } cases[] = {
      {"25 lines", full + firstLines(5), rows(20), 4, {kTooMany}},
      {"5 lines", firstLines(5), rows(5), 4, {}},
      {"a short second line", firstLines(1) + "1,0,FF,FF\r\n" + lines[2], rows(1), 0, {kInvalid}},
      {"a bad first component", badSecondLine(2), rows(1), 0, {kInvalid}},
      {"a bad last component", badSecondLine(49), cutShort, 0, {kInvalid}},
      {"an empty file", QByteArray(), rows(0), 0, {kInvalid}},
  };
  for (const auto& c : cases) {
    state().PaletteSets = kept;
    state().CurrentPaletteSet = 0;
    reopen();
    ui.messages.clear();
    ui.fileAnswers.push_back(writeFile(folder.filePath("case.pal"), c.text));
    trigger("mnuOPEN");
    for (int r = 0; r < kPaletteSetCount; ++r) {
      EXPECT_TRUE(SameColours(state().PaletteSets[r], c.expected[r])) << c.name << " row " << r;
    }
    EXPECT_EQ(state().CurrentPaletteSet, c.current) << c.name;
    EXPECT_EQ(ui.messages, c.messages) << c.name;
    expectSwatchesMatchState(c.name);  // also a row cut short by a bad component
  }
}

TEST_F(PaletteArray, PaletteOnlyLoadFromAnIconFile) {
  Palette table{};
  for (int c = 0; c < 16; ++c)
    table[c] = {std::uint8_t(0xA0 + c), std::uint8_t(c * 3), 0x42, std::uint8_t(c)};
  const QByteArray good = IconBytes(4, table);
  QByteArray noImages = good;
  noImages[4] = 0;
  const struct {
    const char* name;
    QByteArray bytes;
    bool fills, unsupported;
  } cases[] = {
      {"a 16-colour icon", good, true, false},
      {"a truncated icon", good.left(30), false, true},
      {"an image count of 0", noImages, false, true},
      {"a 24-bit icon", IconBytes(24, table), false, false},
  };
  ASSERT_TRUE(QDir(folder.path()).mkdir("icons"));
  const QString icons = folder.filePath("icons");
  const Sets start = DistinctSets(7);
  // Nothing remembered before the first load: the start folder (the program folder of a portable copy).
  QString expectedFolder = folder.path();
  for (const auto& c : cases) {
    state().PaletteSets = start;
    reopen();
    click(form->Option1[3]);
    ui.messages.clear();
    ui.fileAnswers.push_back(writeFile(QDir(icons).filePath("pic.ico"), c.bytes));
    trigger("mnuOPENPAL");

    Sets expected = start;
    if (c.fills) expected[2] = table;
    EXPECT_EQ(state().PaletteSets, expected) << c.name;
    if (c.unsupported) {
      ASSERT_EQ(ui.messages.size(), 1) << c.name;
      EXPECT_TRUE(ui.messages[0].startsWith(kUnsupported) && ui.messages[0].size() > kUnsupported.size())
          << c.name << ": the reason follows the message";
      EXPECT_TRUE(form->fileName().isEmpty()) << c.name;
    } else {
      EXPECT_TRUE(ui.messages.isEmpty()) << c.name;
    }
    expectSwatchesMatchState(c.name);
    EXPECT_EQ(ui.requests.back().file.filter, "ｱｲｺﾝ(*.ico)|*.ico|全て(*.*)|*.*");
    EXPECT_EQ(ui.requests.back().file.initialFolder, expectedFolder) << c.name;
    expectedFolder = icons;
  }
  EXPECT_EQ(ProfileFile(folder.filePath("PF.ini").toStdString()).ReadSetting("DIR", "IconPal"),
            icons.toStdString());
}

}  // namespace
}  // namespace pf

namespace pf {
namespace {

TEST_F(PaletteArray, OpensThePalettesOfOtherProgramsIntoTheChosenRow) {
  // The formats themselves are the model's tests; here what a read does to the row, the icon and the user.
  QByteArray act(768, '\0');
  act[0] = char(0x11), act[1] = char(0x22), act[2] = char(0x33);
  const PaletteEntry c112233{0x33, 0x22, 0x11, 0}, c010203{3, 2, 1, 0}, black{};
  const struct {
    const char* file;
    QByteArray bytes;
    std::vector<PaletteEntry> row;  // the colours taken into the row's first entries; none: refused
    QString message;
  } cases[] = {
      {"a.gpl",
       "GIMP Palette\nName: t\n 17  34  51\tfirst\n1 2 3\n",
       {c112233, c010203},
       QStringLiteral("2色を読み込みました。残りの色はそのままです。")},
      {"table.act",
       act,
       {c112233, black, black, black, black, black, black, black, black, black, black, black, black, black,
        black, black},
       QStringLiteral("256色のうち、最初の16色を読み込みました。")},
      {"bad.hex", "#112233\nnot a colour\n", {}, kInvalid},
  };
  for (const auto& c : cases) {
    state().PaletteSets = DistinctSets(3);
    reopen();
    click(form->Option1[5]);
    const Palette icon = state().IconPalette;
    ui.messages.clear();
    ui.fileAnswers.push_back(writeFile(folder.filePath(QString::fromLatin1(c.file)), c.bytes));
    trigger("mnuOPEN");
    EXPECT_EQ(ui.messages, QStringList{c.message}) << c.file;
    Sets expected = DistinctSets(3);
    std::copy(c.row.begin(), c.row.end(), expected[4].begin());
    EXPECT_EQ(state().PaletteSets, expected) << c.file;
    EXPECT_EQ(state().IconPalette, c.row.empty() ? icon : expected[4])
        << c.file << ": the icon takes the row";
    expectSwatchesMatchState(c.file);
  }
  EXPECT_EQ(ui.requests.back().file.filter,
            "ﾊﾟﾚｯﾄ(*.pal;*.gpl;*.hex;*.txt;*.act)|*.pal;*.gpl;*.hex;*.txt;*.act|全て(*.*)|*.*");
}

TEST_F(PaletteArray, SavesTheChosenRowAsAGimpPaletteThatOpensAgain) {
  const Sets sets = DistinctSets(7);
  state().PaletteSets = sets;
  reopen();
  click(form->Option1[9]);
  ui.fileAnswers.push_back(folder.filePath("mine"));
  trigger("mnuSVGPL");
  EXPECT_EQ(ui.requests.back().file.filter, "GIMPﾊﾟﾚｯﾄ(*.gpl)|*.gpl");
  QFile f(folder.filePath("mine.gpl"));
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_TRUE(f.readAll().startsWith("GIMP Palette\nName: mine\nColumns: 16\n"));
  state().PaletteSets[8] = {};
  ui.fileAnswers.push_back(folder.filePath("mine.gpl"));
  trigger("mnuOPEN");
  EXPECT_EQ(state().PaletteSets, sets);
  EXPECT_TRUE(ui.messages.isEmpty()) << ui.messages.join(", ").toStdString();
}

}  // namespace
}  // namespace pf
