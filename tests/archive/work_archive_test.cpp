#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>
#include <random>

#include "archive/composition_window.h"
#include "archive/work_archive.h"
#include "model/file_io.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

const QString kTakeWhere = QStringLiteral("取り込む場所を選択してください。");
const QString kSendWhich = QStringLiteral("送信する画像を選択してください。");

class WorkArchive : public AppFixture {
 protected:
  Form10* open() {
    trigger("mnuHKN");
    auto* archive = qobject_cast<Form10*>(app->forms.forms().back());
    EXPECT_NE(archive, nullptr);
    if (archive && !archive->wasActivated()) archive->activate();
    return archive;
  }
  // A press and release on a slot's cell, as a user selects it.
  static void select(Form10* a, int slot, Qt::MouseButton button = Qt::LeftButton) {
    const QPoint p = ArchiveWindow::cellOrigin(slot) + QPoint(10, 10);
    QTest::mouseClick(a->clientArea(), button, Qt::NoModifier, p);
  }
  static void run(Form* form, const char* action) {
    QAction* a = form->findChild<QAction*>(QString::fromLatin1(action));
    ASSERT_NE(a, nullptr) << action;
    a->trigger();
  }
  void randomPicture(unsigned seed) {
    std::mt19937 rng(seed);
    for (int k = 0; k < kPixelCount; ++k) state().IconPixels[k] = static_cast<std::uint8_t>(rng() % 16);
    for (PaletteEntry& e : state().IconPalette) {
      e = {std::uint8_t(rng()), std::uint8_t(rng()), std::uint8_t(rng()), 0};
    }
  }
  static bool samePixels(const PixelArray& a, const PixelArray& b) {
    return std::equal(a.begin(), a.begin() + kPixelCount, b.begin());
  }
  QString path(const char* name) { return folder.filePath(QString::fromLatin1(name)); }
  void drop(Form* form, const QString& file, QPoint at) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(file)});
    // Qt hands a drop to the widget the drag entered.
    QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->clientArea(), &enter);
    QDropEvent event(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form->clientArea(), &event);
  }
};

TEST_F(WorkArchive, NumbersTakeTheLowestNumberNoCaptionContains) {
  Form10* first = open();
  Form10* second = open();
  Form10* third = open();
  EXPECT_EQ(first->windowTitle(), "保管庫　1");
  EXPECT_EQ(third->windowTitle(), "保管庫　3");
  second->close();
  EXPECT_EQ(open()->windowTitle(), "保管庫　2") << "with 1 and 3 open";
  first->close();
  third->setWindowTitle("保管庫　12");
  EXPECT_EQ(open()->windowTitle(), "保管庫　3") << "保管庫　12 takes 1, the last window took 2";
}

TEST_F(WorkArchive, SavesElevenThousandBytesAndReloadsEverySlotExactly) {
  Form10* archive = open();
  EXPECT_EQ(archive->WorkFile, "") << "no pf1.wrk in the program folder";
  ui.fileAnswers.push_back(path("fresh"));
  run(archive, "mnuFSAVE");
  const auto fresh = ReadWholeFile(path("fresh.wrk").toStdString());
  ASSERT_TRUE(fresh);
  EXPECT_EQ(*fresh, std::vector<std::uint8_t>(kWorkFileSize, 0));
  EXPECT_EQ(ui.requests.back().file.title, "ワークファイルを保存");

  for (int slot : {1, 10, 11, 20}) {
    randomPicture(static_cast<unsigned>(slot));
    select(archive, slot);
    run(archive, "mnuGET");
    EXPECT_TRUE(samePixels(archive->archiveSlots()[slot].pixels, state().IconPixels)) << slot;
  }
  ui.fileAnswers.push_back(path("kept.WRK"));
  run(archive, "mnuFSAVE");
  ASSERT_TRUE(QFile::exists(path("kept.WRK"))) << "an extension in any letter case is kept";

  Form10* other = open();
  ui.fileAnswers.push_back(path("kept.WRK"));
  run(other, "mnuFOPEN");
  EXPECT_EQ(other->windowTitle(), "保管庫　2   kept.WRK");
  for (int slot = 1; slot <= 20; ++slot) {
    EXPECT_EQ(other->archiveSlots()[slot], archive->archiveSlots()[slot]) << slot;
  }
  // Slot 11's bottom-right pixel, painted in its own palette colour at the bottom-right of its cell.
  const ArchiveSlot& s = other->archiveSlots()[11];
  EXPECT_EQ(other->client().getPixel(190 + 31, 31), EntryColour(s.palette[s.pixels[31]]));

  ui.fileAnswers.push_back(std::nullopt);
  run(other, "mnuFOPEN");
  EXPECT_EQ(other->WorkFile, "") << "a cancelled open forgets the work file";
  ui.fileAnswers.push_back(path("missing-folder/x"));
  run(other, "mnuFSAVE");
  EXPECT_EQ(ui.messages.back(), "Open できません。");
}

TEST_F(WorkArchive, FirstActivationLoadsTheNumberedWorkFileEvenWhenShort) {
  std::vector<std::uint8_t> bytes(10000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(0x10 | (i % 7));
  ASSERT_TRUE(WriteFileAtomically(path("pf1.wrk").toStdString(), bytes));
  Form10* archive = open();
  EXPECT_EQ(archive->WorkFile, path("pf1.wrk"));
  const ArchiveSlot& last = archive->archiveSlots()[20];
  EXPECT_EQ(last.pixels[0], 1);
  EXPECT_EQ(last.pixels[543], (0x10 | (9999 % 7)) & 0x0F) << "the last pixel the file holds";
  EXPECT_EQ(last.pixels[544], 0);
  EXPECT_EQ(last.palette, Palette{}) << "the palettes lie beyond the end";
  EXPECT_EQ(archive->client().getPixel(190 + 1, 9 * 32 + 31), 0) << "black";
}

TEST_F(WorkArchive, SendsCombineIntoTheEditorByPaletteNumber) {
  Form10* archive = open();
  run(archive, "mnuTRANS");
  EXPECT_EQ(ui.messages.back(), kSendWhich);
  run(archive, "mnuGET");
  EXPECT_EQ(ui.messages.back(), kTakeWhere);

  // Slot 3: a checkerboard of 5 and 9.
  for (int k = 0; k < kPixelCount; ++k) state().IconPixels[k] = ((k + k / 32) % 2) ? 5 : 9;
  select(archive, 3);
  run(archive, "mnuGET");
  const auto slot = state().IconPixels;
  randomPicture(7);
  const auto editor = state().IconPixels;
  const int historyBefore = state().HistoryIndex;

  // Copy with transparency 5: pixels under a 5 stay, the rest become 9.
  clickIndicator(archive->Check3);
  ASSERT_TRUE(archive->List2->isVisible());
  QTest::mouseClick(archive->List2->viewport(), Qt::LeftButton, Qt::NoModifier,
                    archive->List2->visualItemRect(archive->List2->item(5)).center());
  EXPECT_FALSE(archive->List2->isVisible());
  EXPECT_EQ(archive->transparentIndex(), 5);
  run(archive, "mnuTRANS");
  for (int k = 0; k < kPixelCount; ++k) {
    ASSERT_EQ(state().IconPixels[k], slot[k] == 5 ? editor[k] : 9) << k;
  }
  EXPECT_FALSE(archive->Check3->isChecked()) << "transparency is for one send";
  EXPECT_GT(state().HistoryIndex, historyBefore) << "the send is an undo step";

  // XOR twice gives the picture back; AND with all 15 changes nothing.
  const auto before = state().IconPixels;
  clickIndicator(archive->Check1[1]);
  EXPECT_EQ(archive->operation(), ComposeOperation::Xor);
  EXPECT_FALSE(archive->Check1[0]->isChecked()) << "one operation at a time";
  run(archive, "mnuTRANS");
  EXPECT_NE(state().IconPixels, before);
  run(archive, "mnuTRANS");
  EXPECT_EQ(state().IconPixels, before);
  std::fill_n(state().IconPixels.begin(), kPixelCount, 15);
  select(archive, 4);
  run(archive, "mnuGET");
  state().IconPixels = before;
  state().IconPalette[0].red ^= 0xFF;
  clickIndicator(archive->Check1[3]);
  run(archive, "mnuTRANS");
  EXPECT_EQ(state().IconPixels, before);
  EXPECT_NE(state().IconPalette, archive->archiveSlots()[4].palette) << "no palette without パレット付";
  clickIndicator(archive->Check2);
  run(archive, "mnuTRANS");
  EXPECT_EQ(state().IconPalette, archive->archiveSlots()[4].palette);
}

TEST_F(WorkArchive, DoubleClicksSendAndTakeAndDropsFillTheSlotUnderThePointer) {
  Form10* archive = open();
  randomPicture(3);
  const QPoint cell = ArchiveWindow::cellOrigin(12) + QPoint(5, 5);
  QTest::mouseDClick(archive->clientArea(), Qt::RightButton, Qt::NoModifier, cell);
  EXPECT_EQ(archive->selectedSlot(), 12);
  EXPECT_TRUE(samePixels(archive->archiveSlots()[12].pixels, state().IconPixels)) << "right: take";
  const auto taken = state().IconPixels;
  randomPicture(4);
  QTest::mouseDClick(archive->clientArea(), Qt::LeftButton, Qt::NoModifier, cell);
  EXPECT_TRUE(samePixels(state().IconPixels, taken)) << "left: send";

  // An icon saved by the editor, dropped on slot 2.
  randomPicture(5);
  ui.fileAnswers.push_back(path("drop.ico"));
  trigger("mnuSAVE");
  drop(archive, path("drop.ico"), ArchiveWindow::cellOrigin(2) + QPoint(3, 3));
  EXPECT_EQ(archive->selectedSlot(), 2);
  EXPECT_TRUE(archive->Option1[2]->isChecked());
  EXPECT_TRUE(samePixels(archive->archiveSlots()[2].pixels, state().IconPixels));
  EXPECT_EQ(archive->archiveSlots()[2].palette, state().IconPalette);

  const std::size_t shown = ui.messages.size();
  drop(archive, path("notes.txt"), QPoint(150, 5));
  EXPECT_EQ(ui.messages.size(), shown + 1);
  EXPECT_EQ(ui.messages.back(), "読み込めるデータではありません。");
  EXPECT_EQ(archive->selectedSlot(), 2) << "outside the cells the selection stays";
}

TEST_F(WorkArchive, TradesPicturesWithCompositionWindowsBothWays) {
  Form10* archive = open();
  run(archive, "mnuMSEND");
  EXPECT_EQ(ui.messages.back(), "mixフォームを選んでください。");

  randomPicture(11);
  trigger("mnuBMIX");
  auto* mix = app->find<Form8>();
  ASSERT_NE(mix, nullptr);
  if (!mix->wasActivated()) mix->activate();
  archive->activate();  // the list of composition windows is made anew at each activation
  ASSERT_EQ(archive->List1->count(), 1);
  EXPECT_EQ(archive->List1->item(0)->text(), "画像合成1");

  select(archive, 6);
  run(archive, "mnuMGET");
  EXPECT_TRUE(samePixels(archive->archiveSlots()[6].pixels, state().IconPixels));
  EXPECT_EQ(archive->archiveSlots()[6].palette, state().IconPalette) << "the palette always comes along";

  // XOR the slot into the composition picture: all zero.
  clickIndicator(archive->Check1[1]);
  clickIndicator(archive->Check3);
  run(archive, "mnuMSEND");
  EXPECT_EQ(ui.messages.back(), "この操作では、透過は無効です。");
  for (int k = 0; k < kPixelCount; ++k) ASSERT_EQ(mix->GetIcon(k), 0) << k;

  mix->close();
  run(archive, "mnuMGET");
  EXPECT_EQ(ui.messages.back(), "mixフォームを選んでください。") << "a closed window is no choice";
}

TEST_F(WorkArchive, MenuOpensNumberedCompositionWindowsAndAllCloseEndsThem) {
  for (int i = 0; i < 3; ++i) trigger("mnuBMIX");
  open();
  QStringList captions;
  for (Form* f : app->forms.forms()) captions << f->windowTitle();
  EXPECT_TRUE(captions.contains("画像合成1") && captions.contains("画像合成3"))
      << captions.join(",").toStdString();
  key(Qt::Key_G);
  key(Qt::Key_G);
  int shared = 0;
  for (Form* f : app->forms.forms()) shared += f->windowTitle() == "画像合成";
  EXPECT_EQ(shared, 1) << "G shows the one shared window";
  trigger("mnuCHLDCLOSE");
  EXPECT_EQ(app->forms.forms().size(), 1u) << "only the editor is left";
  EXPECT_FALSE(state().Form8Open);
  trigger("mnuBMIX");
  EXPECT_EQ(app->forms.forms().back()->windowTitle(), "画像合成4");
}

}  // namespace
}  // namespace pf
