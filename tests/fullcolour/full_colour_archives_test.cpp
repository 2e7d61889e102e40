#include <sys/stat.h>

#include <QAction>
#include <QDir>
#include <filesystem>
#include <functional>
#include <random>

#include "archive/work_archive.h"
#include "fullcolour/full_colour_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/mask_archive.h"
#include "fullcolour/mask_window32.h"
#include "model/file_io.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr ColorRef kWhite = Rgb(255, 255, 255);
constexpr int kCellPixels = 2 * 32 * 320;

ColorRef Pattern(int x, int y, int seed) {
  return Rgb(x * 7 + seed, y * 5 + 1, 200 - seed);
}

Bytes RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Bytes b(n);
  for (auto& v : b) v = static_cast<std::uint8_t>(rng());
  return b;
}

class FullColourArchives : public testing::AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    icon = open<Form20>();
  }
  template <class F>
  F* open() {
    F* form = app->create<F>();
    if (!form->wasActivated()) form->activate();
    return form;
  }
  static void select(ArchiveWindow* a, int slot) {
    QTest::mouseClick(a->clientArea(), Qt::LeftButton, Qt::NoModifier,
                      ArchiveWindow::cellOrigin(slot) + QPoint(10, 10));
  }
  static void run(Form* form, const char* action) { form->findChild<QAction*>(action)->trigger(); }
  static void paint(Surface& s, QPoint at, int seed) {
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) s.setPixel(at.x() + x, at.y() + y, Pattern(x, y, seed));
    }
  }
  // Whether the 32 x 32 square at `at` of `a` equals the one at `bt` of `b`.
  static bool same(const Surface& a, QPoint at, const Surface& b, QPoint bt) {
    for (int y = 0; y < 32; ++y) {
      for (int x = 0; x < 32; ++x) {
        if (a.getPixel(at.x() + x, at.y() + y) != b.getPixel(bt.x() + x, bt.y() + y)) return false;
      }
    }
    return true;
  }
  // How many pixels of both cell columns (x 65..96 and 190..221, y 0..319) have this colour.
  static int countInCells(const Surface& s, ColorRef colour) {
    int n = 0;
    for (int left : {65, 190}) {
      for (int y = 0; y < 320; ++y) {
        for (int x = left; x < left + 32; ++x) n += s.getPixel(x, y) == static_cast<std::int64_t>(colour);
      }
    }
    return n;
  }
  QString path(const char* name) { return folder.filePath(QString::fromLatin1(name)); }
  Bytes file(const char* name) { return ReadWholeFile(path(name).toStdString()).value_or(Bytes{}); }
  void save(ArchiveWindow* a, const char* name) {
    ui.fileAnswers.push_back(path(name));
    run(a, "mnuFSAVE");
  }

  Form20* icon = nullptr;
};

TEST_F(FullColourArchives, NumbersShareTheSubstringRuleWithTheSixteenColourArchives) {
  EXPECT_EQ(open<Form23>()->windowTitle(), "フルカラー保管庫　1");
  EXPECT_EQ(open<Form21>()->windowTitle(), "保管庫　2") << "フルカラー保管庫　1 contains 保管庫　1";
  EXPECT_EQ(open<Form24>()->windowTitle(), "マスク保管庫　1");
  EXPECT_EQ(open<Form23>()->windowTitle(), "フルカラー保管庫　2");
}

TEST_F(FullColourArchives, FullColourCellsAreTheStoreAndTheW24FileTheirDump) {
  Form23* archive = open<Form23>();
  EXPECT_EQ(archive->WorkFile, path("pf1.w24")) << "a missing work file keeps its name";
  save(archive, "fresh");
  EXPECT_EQ(file("fresh.w24"), Bytes(61441, 0));

  // Right double clicks take the work area of a 32 x 32 icon into slots 1 and 20.
  for (int slot : {1, 20}) {
    paint(icon->client(), Form23::kWorkArea32, slot);
    QTest::mouseDClick(archive->clientArea(), Qt::RightButton, Qt::NoModifier,
                       ArchiveWindow::cellOrigin(slot) + QPoint(4, 4));
    EXPECT_TRUE(
        same(archive->client(), ArchiveWindow::cellOrigin(slot), icon->client(), Form23::kWorkArea32));
  }
  save(archive, "kept.W24");
  const Bytes kept = file("kept.W24");
  ASSERT_EQ(kept.size(), 61441u) << "an extension in any letter case is kept";
  // Column by column: (65, 0), (65, 1), then (66, 0) after the 320 pixels of the first column.
  for (const auto& [offset, x, y] : {std::tuple{0, 0, 0}, std::tuple{3, 0, 1}, std::tuple{960, 1, 0}}) {
    const ColorRef c = Pattern(x, y, 1);
    EXPECT_EQ((Bytes{kept[offset], kept[offset + 1], kept[offset + 2]}),
              (Bytes{std::uint8_t(BlueOf(c)), std::uint8_t(GreenOf(c)), std::uint8_t(RedOf(c))}))
        << offset;
  }

  Form23* other = open<Form23>();
  ui.fileAnswers.push_back(path("kept.W24"));
  run(other, "mnuFOPEN");
  EXPECT_EQ(other->windowTitle(), "フルカラー保管庫　2   kept.W24");
  for (int slot = 1; slot <= 20; ++slot) {
    const QPoint cell = ArchiveWindow::cellOrigin(slot);
    EXPECT_TRUE(same(other->client(), cell, archive->client(), cell)) << slot;
  }

  const std::int64_t beside = other->client().getPixel(97, 0);
  ASSERT_NE(beside, 0);
  run(other, "mnuNEW");
  EXPECT_EQ(countInCells(other->client(), 0), kCellPixels) << "x = 96 and x = 221 included";
  EXPECT_EQ(other->client().getPixel(97, 0), beside);
  EXPECT_EQ(other->client().getPixel(222, 319), beside);
}

TEST_F(FullColourArchives, WorkFilesOfAnyLengthLoadAndSaveExactlyTheFormat) {
  // Window 1 finds a long file, window 2 one that stops inside its second pixel.
  const Bytes longFile = RandomBytes(61441 + 40, 5);
  ASSERT_TRUE(WriteFileAtomically(path("pf1.w24").toStdString(), longFile));
  ASSERT_TRUE(WriteFileAtomically(path("pf2.w24").toStdString(), Bytes{10, 20, 30, 40, 50}));
  Form23* full = open<Form23>();
  Form23* cut = open<Form23>();
  EXPECT_EQ(full->client().getPixel(221, 319), Rgb(longFile[61439], longFile[61438], longFile[61437]));
  EXPECT_EQ(cut->client().getPixel(65, 0), Rgb(30, 20, 10));
  EXPECT_EQ(cut->client().getPixel(65, 1), Rgb(0, 50, 40));
  EXPECT_EQ(countInCells(cut->client(), 0), kCellPixels - 2);

  ui.yesNoAnswers = {true};  // replace it
  save(full, "pf1.w24");     // over the longer file: exactly the format's bytes remain
  EXPECT_EQ(ui.requests.back().text, "pf1.w24 は既に存在します。\n上書きしますか?");
  Bytes expected(longFile.begin(), longFile.begin() + 61440);
  expected.push_back(0);
  EXPECT_EQ(file("pf1.w24"), expected);
}

TEST_F(FullColourArchives, SendsPutTheCellIntoTheFullColourWindowAtFullAlpha) {
  auto arrived = [&](const Surface& from, int slot) {
    const QPoint cell = ArchiveWindow::cellOrigin(slot);
    return same(icon->client(), Form20::kCompositionImage, from, cell) &&
           same(icon->client(), Form20::kBlendPreview, from, cell) &&
           same(icon->hMem(), {64, 0}, from, cell) && icon->Slider1->value() == 255;
  };
  Form21* colours16 = open<Form21>();
  run(colours16, "mnuTRANS");
  EXPECT_EQ(ui.messages.back(), "送信する画像を選択してください。");
  const Bytes random = RandomBytes(kPixelCount + 16, 9);
  for (int k = 0; k < kPixelCount; ++k) state().IconPixels[k] = random[k] % 16;
  for (int e = 0; e < 16; ++e) state().IconPalette[e] = {random[kPixelCount + e], 77, 10, 0};
  select(colours16, 14);
  run(colours16, "mnuGET");  // from the editor
  EXPECT_EQ(colours16->client().getPixel(190, 3 * 32 + 31),
            EntryColour(state().IconPalette[state().IconPixels[0]]));
  icon->Slider1->setValue(40);
  run(colours16, "mnuTRANS");
  EXPECT_TRUE(arrived(colours16->client(), 14));

  Form23* colours24 = open<Form23>();
  paint(icon->client(), Form23::kWorkArea32, 3);
  select(colours24, 7);
  run(colours24, "mnuGET");
  paint(icon->client(), Form23::kWorkArea32, 4);
  icon->Slider1->setValue(0);
  QTest::mouseDClick(colours24->clientArea(), Qt::LeftButton, Qt::NoModifier, ArchiveWindow::cellOrigin(7));
  EXPECT_TRUE(arrived(colours24->client(), 7));

  // Without the full colour window nothing happens, and nothing is said.
  icon->close();
  const auto shown = ui.messages.size();
  run(colours16, "mnuTRANS");
  run(colours24, "mnuTRANS");
  run(colours24, "mnuGET");
  EXPECT_EQ(ui.messages.size(), shown);
}

TEST_F(FullColourArchives, MaskCellsShowTransparentPixelsWhiteAndTheFileReadsAnyLength) {
  Form24* masks = open<Form24>();
  EXPECT_EQ(masks->WorkFile, path("pf1.msk"));
  save(masks, "fresh");
  EXPECT_EQ(file("fresh.msk"), Bytes(2560, 0));

  // 256 bytes: slot 1 has only the top bit of its first byte, slot 2 is all 1, the rest is missing.
  Bytes bytes(256, 0xFF);
  std::fill_n(bytes.begin(), 128, 0);
  bytes[0] = 0x80;
  ASSERT_TRUE(WriteFileAtomically(path("short.msk").toStdString(), bytes));
  ui.fileAnswers.push_back(path("short.msk"));
  run(masks, "mnuFOPEN");
  EXPECT_EQ(masks->client().getPixel(65, 31), kWhite) << "the bottom-left pixel of slot 1";
  EXPECT_EQ(countInCells(masks->client(), kWhite), 1 + 32 * 32);
  EXPECT_EQ(countInCells(masks->client(), 0), kCellPixels - 1 - 32 * 32);

  ui.yesNoAnswers = {true};
  save(masks, "short.msk");
  bytes.resize(2560, 0);
  EXPECT_EQ(file("short.msk"), bytes);
  run(masks, "mnuNEW");
  EXPECT_EQ(countInCells(masks->client(), 0), kCellPixels);
}

TEST_F(FullColourArchives, AWorkFileThatCannotBeReadLeavesEveryArchiveAsItWasAndALongOneIsRead) {
  const auto cells = [](ArchiveWindow* a) { return a->client().image().copy(65, 0, 157, 320); };
  const std::tuple<QString, std::size_t, std::function<ArchiveWindow*()>> kinds[] = {
      {".wrk", 11521, [this] { return open<Form10>(); }},
      {".w24", 61441, [this] { return open<Form23>(); }},
      {".msk", 2560, [this] { return open<Form24>(); }},
  };
  for (const auto& [extension, size, make] : kinds) {
    SCOPED_TRACE(extension.toStdString());
    const QString good = folder.filePath("good" + extension), pipe = folder.filePath("pipe" + extension);
    const QString dir = folder.filePath("folder" + extension), long1 = folder.filePath("long" + extension);
    ASSERT_TRUE(WriteFileAtomically(good.toStdString(), RandomBytes(size, 11)));
    ArchiveWindow* archive = make();
    ui.fileAnswers = {good};
    run(archive, "mnuFOPEN");
    const QString caption = archive->windowTitle();
    const QImage before = cells(archive);

    // A folder or a pipe by a work file's name: said so, and the name, caption and cells stay.
    ASSERT_TRUE(QDir().mkdir(dir));
    ASSERT_EQ(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
    for (const QString& bad : {dir, pipe}) {
      ui.messages.clear();
      ui.fileAnswers = {bad};
      run(archive, "mnuFOPEN");
      EXPECT_EQ(ui.messages, QStringList({"Open できません。"}));
      EXPECT_EQ(archive->WorkFile, good);
      EXPECT_EQ(archive->windowTitle(), caption);
      EXPECT_TRUE(cells(archive) == before);
    }

    // Longer than the format, even past the read cap (sparse): the format's bytes are read.
    for (const std::uint64_t length : {std::uint64_t{size} + 100, std::uint64_t{kMaxReadSize} + 1}) {
      ASSERT_TRUE(QFile::copy(good, long1));
      std::filesystem::resize_file(long1.toStdString(), length);
      ArchiveWindow* other = make();
      ui.fileAnswers = {long1};
      run(other, "mnuFOPEN");
      EXPECT_EQ(other->WorkFile, long1);
      EXPECT_TRUE(cells(other) == before) << length;
      QFile::remove(long1);
    }
  }
}

TEST_F(FullColourArchives, MasksTravelOnlyWithA32IconAndThroughAnOpenMaskWindow) {
  Form24* masks = open<Form24>();
  EXPECT_TRUE(masks->Check1[0]->isChecked());
  const Bytes mask = RandomBytes(128, 2);
  state().FullColourMask = mask;
  select(masks, 4);
  run(masks, "mnuGET");
  const QPoint cell = ArchiveWindow::cellOrigin(4);
  EXPECT_EQ(masks->client().getPixel(cell.x() + 7, cell.y() + 31), (mask[0] & 1) ? kWhite : 0);
  EXPECT_EQ(masks->client().getPixel(cell.x() + 8, cell.y()), (mask[124] & 0x80) ? kWhite : 0);
  state().FullColourMask.assign(128, 0);
  run(masks, "mnuTRANS");
  EXPECT_EQ(state().FullColourMask, mask) << "take then send gives the same bytes back";

  clickIndicator(masks->Check1[1]);
  EXPECT_FALSE(masks->Check1[0]->isChecked());
  run(masks, "mnuTRANS");
  EXPECT_EQ(state().FullColourMask, Bytes(128, 0)) << "XOR with itself";
  const auto combined = [&](std::uint8_t m, auto op) {
    Bytes expected(128);
    for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<std::uint8_t>(op(m, mask[i]));
    return expected;
  };
  state().FullColourMask.assign(128, 0x0F);
  clickIndicator(masks->Check1[2]);
  run(masks, "mnuTRANS");
  EXPECT_EQ(state().FullColourMask, combined(0x0F, [](int m, int s) { return m | s; })) << "OR";
  state().FullColourMask.assign(128, 0x3C);
  clickIndicator(masks->Check1[3]);
  run(masks, "mnuTRANS");
  EXPECT_EQ(state().FullColourMask, combined(0x3C, [](int m, int s) { return m & s; })) << "AND";

  // A 64 x 64 icon's mask is laid out otherwise: nothing moves either way.
  clickIndicator(icon->Option1[1]);
  state().FullColourMask.assign(512, 0x5A);
  const auto shown = ui.messages.size();
  run(masks, "mnuTRANS");
  select(masks, 5);
  run(masks, "mnuGET");
  EXPECT_EQ(ui.messages.size(), shown + 2);
  EXPECT_EQ(ui.messages.back(), "32×32のフルカラーアイコンを選んでから操作してください。");
  EXPECT_EQ(state().FullColourMask, Bytes(512, 0x5A));
  EXPECT_EQ(masks->slotMasks()[5], SlotMask{});

  // An open mask window packs its grid before a take and shows what a send brought.
  clickIndicator(icon->Option1[0]);
  Form19* window = open<Form19>();
  run(window, "mnuMALL");
  state().FullColourMask.assign(128, 0);  // as if the grid had not been packed yet
  run(masks, "mnuGET");
  EXPECT_EQ(std::count(masks->slotMasks()[5].begin(), masks->slotMasks()[5].end(), 0xFF), 128);
  select(masks, 6);
  clickIndicator(masks->Check1[0]);
  run(masks, "mnuTRANS");
  EXPECT_EQ(std::count(window->grid().begin(), window->grid().end(), 0), 32 * 32);
}

}  // namespace
}  // namespace pf
