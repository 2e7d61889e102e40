#include "archive/file_browser.h"

#include <unistd.h>

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <algorithm>

#include "model/file_io.h"
#include "model/icon_file.h"
#include "model/packing.h"
#include "platform/local_path.h"
#include "support/app_fixture.h"

namespace pf {
namespace {

using testing::AppFixture;

const QString kCannotDelete =
    QStringLiteral("削除できません。読み取り専用かもしれません。確認してください。");

// A picture, palette and mask that differ from seed to seed and from the editor's start-up picture.
struct TestImage {
  std::array<std::uint8_t, kPackedSize> packed{};
  Palette palette{};
  std::array<std::uint8_t, kMaskSize> mask{};
  PixelArray pixels{};

  explicit TestImage(int seed) {
    for (int i = 0; i < kPackedSize; ++i) packed[i] = static_cast<std::uint8_t>(seed * 37 + i * 11 + i / 16);
    for (int e = 0; e < 16; ++e) {
      palette[e] = {std::uint8_t(seed * 20 + e), std::uint8_t(200 - e * 9), std::uint8_t(seed + e * 13), 0};
    }
    for (int i = 0; i < kMaskSize; ++i) mask[i] = static_cast<std::uint8_t>(seed * 91 + i * 5);
    UnpackPixels32(packed, pixels);
  }
};

class FileBrowser : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("icons")));
    icons = folder.filePath(QStringLiteral("icons"));
  }

  QString at(const QString& name) const { return QDir(icons).filePath(name); }
  void writeIcon(const QString& name, const TestImage& image) {
    ASSERT_TRUE(
        WriteFileAtomically(LocalPath(at(name)), BuildIcon32(image.palette, image.packed, image.mask)));
  }
  void writeBitmap(const QString& name, const TestImage& image) {
    ASSERT_TRUE(
        WriteFileAtomically(LocalPath(at(name)), BuildBitmapFile(image.packed, 32, 32, image.palette)));
  }
  void writeBytes(const QString& name, const std::vector<std::uint8_t>& bytes) {
    ASSERT_TRUE(WriteFileAtomically(LocalPath(at(name)), bytes));
  }
  std::string remembered() { return app->settings.ReadSetting("DIR", "Input"); }

  // The browser as the main window opens it, showing the icons folder.
  Form16* open(bool inIcons = true) {
    if (inIcons) app->settings.WriteSetting("DIR", "Input", icons.toStdString());
    Form16* b = app->single<Form16>();
    if (!b->wasActivated()) b->activate();
    files = b->findChild<QListWidget*>(QStringLiteral("File1"));
    dirs = b->findChild<QListWidget*>(QStringLiteral("Dir1"));
    status = b->findChild<QLineEdit*>(QStringLiteral("Text1"));
    return b;
  }
  QStringList names(QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }
  QPoint centreOf(const QString& name) {
    const QList<QListWidgetItem*> found = files->findItems(name, Qt::MatchExactly);
    EXPECT_EQ(found.size(), 1) << name.toStdString();
    if (found.isEmpty()) return {};
    files->scrollToItem(found.front());
    return files->visualItemRect(found.front()).center();
  }
  void clickFile(const QString& name) {
    QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, centreOf(name));
  }
  void doubleClickFile(const QString& name) {
    // A double click begins with a press, as the user's does.
    clickFile(name);
    QTest::mouseDClick(files->viewport(), Qt::LeftButton, {}, centreOf(name));
  }
  QString selected() {
    const QList<QListWidgetItem*> items = files->selectedItems();
    return items.isEmpty() ? QString() : items.front()->text();
  }
  static bool samePixels(const PixelArray& a, const PixelArray& b) {
    return std::equal(a.begin(), a.begin() + kPixelCount, b.begin());
  }
  // Whether the preview square shows the picture in the palette, pixel (x, row) at (left + x, top + 31 -
  // row).
  static bool previewShows(Form16* b, const PixelArray& pixels, const Palette& palette) {
    for (int k = 0; k < kPixelCount; ++k) {
      const int x = Form16::kPreviewLeft + k % 32;
      const int y = Form16::kPreviewTop + 31 - k / 32;
      if (b->client().getPixel(x, y) != EntryColour(palette[pixels[static_cast<std::size_t>(k)]]))
        return false;
    }
    return true;
  }
  static bool previewIsBlack(Form16* b) {
    for (int y = Form16::kPreviewTop; y < Form16::kPreviewTop + 32; ++y) {
      for (int x = Form16::kPreviewLeft; x < Form16::kPreviewLeft + 32; ++x) {
        if (b->client().getPixel(x, y) != 0) return false;
      }
    }
    return true;
  }

  QString icons;
  QListWidget* files = nullptr;
  QListWidget* dirs = nullptr;
  QLineEdit* status = nullptr;
};

TEST_F(FileBrowser, StartsInTheRememberedFolderOrTheStartFolderWithoutRememberingThat) {
  const QString odd = folder.filePath(QStringLiteral("フォルダ 名前"));
  ASSERT_TRUE(QDir().mkpath(odd));
  const struct {
    const char* why;
    std::optional<QString> stored;
    QString shown;
    QString start = {};  // an installed copy's start folder (the home); the program folder otherwise
  } cases[] = {
      {"nothing remembered", std::nullopt, folder.path()},
      {"remembered folder exists", icons, icons},
      {"spaces and Japanese", odd, odd},
      {"remembered folder is gone", folder.filePath(QStringLiteral("gone")), folder.path()},
      {"a file is no folder", folder.filePath(QStringLiteral("Pal.pal")), folder.path()},
      {"relative entry", QStringLiteral("icons"), folder.path()},
      {"installed, first start", std::nullopt, odd, odd},
      {"installed, remembered", icons, icons, odd},
  };
  for (const auto& c : cases) {
    QFile::remove(QString::fromStdString(app->settings.path()));
    app->setStartFolder(c.start);
    if (c.stored) app->settings.WriteSetting("DIR", "Input", c.stored->toStdString());
    Form16* b = open(false);
    EXPECT_EQ(b->folder(), c.shown) << c.why;
    EXPECT_EQ(b->windowTitle(), c.shown) << c.why;
    EXPECT_EQ(QString::fromStdString(remembered()), c.stored.value_or(QString()))
        << c.why << ": a folder nobody chose is not remembered";
    const auto* drives = b->findChild<QComboBox*>(QStringLiteral("Drive1"));
    ASSERT_GT(drives->count(), 0);
    EXPECT_EQ(drives->itemText(0), "/") << "the root comes first";
    EXPECT_TRUE(c.shown.startsWith(drives->currentText())) << c.why;
    b->findChild<QAction*>(QStringLiteral("mnuEND"))->trigger();
    EXPECT_TRUE(b->isUnloaded()) << c.why;
  }
}

TEST_F(FileBrowser, ListsIconsAndBitmapsInAnyLetterCaseAndWalksFolders) {
  const TestImage image(1);
  for (const char* name :
       {"b.ICO", "a.Bmp", "c.ico", "アイコン 1.ico", "note.txt", "x.icon", "y.bmpx", ".hidden.ico"})
    writeIcon(QString::fromUtf8(name), image);
  ASSERT_TRUE(QDir(icons).mkdir(QStringLiteral("sub.ico")));
  ASSERT_TRUE(QDir(icons).mkdir(QStringLiteral("Deeper")));
  ASSERT_TRUE(QFile::link(folder.path(), at(QStringLiteral("linked.bmp"))));
  writeIcon(QStringLiteral("sub.ico/inner.ico"), image);

  Form16* b = open();
  EXPECT_EQ(names(files), QStringList({"a.Bmp", "b.ICO", "c.ico", "アイコン 1.ico"}))
      << "folders, links to folders, hidden files and other endings stay out";
  EXPECT_EQ(names(dirs), QStringList({"..", "Deeper", "linked.bmp", "sub.ico"}));

  // Into a folder with the keyboard, and back up.
  dirs->setCurrentRow(3);
  QTest::keyClick(dirs, Qt::Key_Return);
  EXPECT_EQ(b->folder(), at("sub.ico"));
  EXPECT_EQ(b->windowTitle(), at("sub.ico"));
  EXPECT_EQ(QString::fromStdString(remembered()), at("sub.ico"));
  EXPECT_EQ(names(files), QStringList({"inner.ico"}));
  dirs->setCurrentRow(0);
  QTest::keyClick(dirs, Qt::Key_Return);
  EXPECT_EQ(b->folder(), icons);

  // Through a link to a folder, and back to where we came from.
  b->Dir1_DblClick(2);
  EXPECT_EQ(b->folder(), at("linked.bmp"));
  EXPECT_TRUE(names(files).isEmpty());
  b->Dir1_DblClick(0);
  EXPECT_EQ(b->folder(), icons);

  // A folder removed by another program after the listing is ignored without a word.
  ASSERT_TRUE(QDir(icons).rmdir(QStringLiteral("Deeper")));
  b->Dir1_DblClick(1);
  EXPECT_EQ(b->folder(), icons);
  EXPECT_TRUE(ui.messages.isEmpty());

  // The root drive shows the root folder, with no way further up.
  auto* drives = b->findChild<QComboBox*>(QStringLiteral("Drive1"));
  {
    // The temporary folder may well be on the root drive already; start from no choice.
    const QSignalBlocker quiet(drives);
    drives->setCurrentIndex(-1);
  }
  drives->setCurrentIndex(0);
  EXPECT_EQ(b->folder(), "/");
  EXPECT_FALSE(names(dirs).contains(".."));
  EXPECT_EQ(remembered(), "/");
}

TEST_F(FileBrowser, ClickPreviewsIntoTheEditorsPaletteAndMaskAndFailuresKeepThePreview) {
  const TestImage first(1), second(2);
  writeIcon(QStringLiteral("1 first.ico"), first);
  writeIcon(QStringLiteral("2 second.ico"), second);
  writeBytes(QStringLiteral("3 broken.ico"), std::vector<std::uint8_t>(40, 0xFF));
  writeIcon(QStringLiteral("4 vanishing.ico"), first);
  const PixelArray editorPixels = state().IconPixels;

  Form16* b = open();
  b->setWindowTitle("other");
  clickFile("1 first.ico");
  EXPECT_EQ(status->text(), "OK");
  EXPECT_EQ(b->windowTitle(), icons);
  EXPECT_EQ(b->browserPath(), at("1 first.ico"));
  EXPECT_TRUE(samePixels(b->previewPixels(), first.pixels));
  EXPECT_EQ(state().IconPalette, first.palette);
  EXPECT_TRUE(std::equal(first.mask.begin(), first.mask.end(), state().IconMask.begin()));
  MaskGridArray grid{};
  UnpackMask(first.mask, grid);
  EXPECT_EQ(state().MaskGrid, grid);
  EXPECT_TRUE(previewShows(b, first.pixels, first.palette));
  EXPECT_TRUE(samePixels(state().IconPixels, editorPixels)) << "a click does not load";

  // The arrow keys preview too.
  QTest::keyClick(files, Qt::Key_Down);
  EXPECT_EQ(selected(), "2 second.ico");
  EXPECT_TRUE(samePixels(b->previewPixels(), second.pixels));
  EXPECT_TRUE(previewShows(b, second.pixels, second.palette));

  // A corrupt file, and one deleted by another program after the listing.
  for (const QString& name : {QStringLiteral("3 broken.ico"), QStringLiteral("4 vanishing.ico")}) {
    if (name.startsWith('4')) {
      ASSERT_TRUE(QFile::remove(at(name)));
    }
    status->clear();
    clickFile(name);
    EXPECT_EQ(status->text(), "表示不可") << name.toStdString();
    EXPECT_EQ(b->browserPath(), at(name));
    EXPECT_TRUE(previewIsBlack(b)) << name.toStdString();
    EXPECT_TRUE(samePixels(b->previewPixels(), second.pixels)) << name.toStdString();
    EXPECT_EQ(state().IconPalette, second.palette) << name.toStdString();
  }

  // Clicking the selected file again reads it again: here it has been repaired meanwhile.
  writeIcon(QStringLiteral("4 vanishing.ico"), first);
  clickFile("4 vanishing.ico");
  EXPECT_EQ(status->text(), "OK");
  EXPECT_TRUE(samePixels(b->previewPixels(), first.pixels));
}

TEST_F(FileBrowser, DoubleClickEnterAndSpaceLoadTheLastGoodPreview) {
  const TestImage good(3), other(4);
  writeIcon(QStringLiteral("a.ico"), good);
  writeIcon(QStringLiteral("b.ico"), other);
  writeBytes(QStringLiteral("c.bmp"), {'B', 'M', 1, 2, 3});
  std::fill(state().IconPixels.begin(), state().IconPixels.end(), std::uint8_t{7});
  const PixelArray zero{};

  open();
  const int step = state().HistoryIndex;
  QTest::keyClick(files, Qt::Key_Space);
  EXPECT_TRUE(samePixels(state().IconPixels, zero)) << "nothing read yet: 1024 zeros";
  EXPECT_EQ(state().HistoryIndex, step + 1) << "the editor redisplayed and kept an undo step";

  clickFile("a.ico");
  QTest::keyClick(files, Qt::Key_Return);
  EXPECT_TRUE(samePixels(state().IconPixels, good.pixels));

  clickFile("b.ico");
  QTest::keyClick(files, Qt::Key_Space);
  EXPECT_TRUE(samePixels(state().IconPixels, other.pixels));
  EXPECT_EQ(selected(), "b.ico") << "Space loads instead of touching the selection";

  clickFile("a.ico");
  doubleClickFile("c.bmp");
  EXPECT_EQ(status->text(), "表示不可");
  EXPECT_TRUE(samePixels(state().IconPixels, good.pixels)) << "the failed file is not what loads";
}

TEST_F(FileBrowser, BitmapsChangeTheEditorsPaletteButNotItsMask) {
  const TestImage bitmap(5), broken(6);
  writeBitmap(QStringLiteral("pic.bmp"), bitmap);
  // The ending decides the kind, not an ".ico" earlier in the name.
  writeBitmap(QStringLiteral("pic.ico.BMP"), broken);
  writeBytes(QStringLiteral("short.bmp"), BuildBitmapFile(bitmap.packed, 32, 32, bitmap.palette));
  {
    QFile f(at("short.bmp"));
    ASSERT_TRUE(f.resize(200));
  }
  for (std::size_t i = 0; i < kMaskSize; ++i) state().IconMask[i] = static_cast<std::uint8_t>(i);
  const MaskArray mask = state().IconMask;
  state().MaskGrid[5] = 1;
  const MaskGridArray grid = state().MaskGrid;

  Form16* b = open();
  clickFile("pic.bmp");
  EXPECT_EQ(status->text(), "OK");
  EXPECT_EQ(state().IconPalette, bitmap.palette);
  EXPECT_EQ(state().IconMask, mask);
  EXPECT_EQ(state().MaskGrid, grid);
  EXPECT_TRUE(previewShows(b, bitmap.pixels, bitmap.palette));

  clickFile("pic.ico.BMP");
  EXPECT_EQ(status->text(), "OK");
  EXPECT_TRUE(samePixels(b->previewPixels(), broken.pixels));

  // A bitmap rejected after its header leaves the editor's colours alone.
  clickFile("short.bmp");
  EXPECT_EQ(status->text(), "表示不可");
  EXPECT_EQ(state().IconPalette, broken.palette);
}

TEST_F(FileBrowser, DeleteRemovesTheSelectedFileAndSelectsTheOneThatMovedUp) {
  const TestImage a(7), b(8), c(9);
  writeIcon(QStringLiteral("a.ico"), a);
  writeIcon(QStringLiteral("b.ico"), b);
  writeIcon(QStringLiteral("c.ico"), c);
  Form16* browser = open();

  QTest::keyClick(files, Qt::Key_Delete);
  EXPECT_EQ(names(files).size(), 3) << "nothing selected, nothing deleted";

  clickFile("b.ico");
  QTest::keyClick(files, Qt::Key_Delete);
  EXPECT_FALSE(QFile::exists(at("b.ico")));
  EXPECT_EQ(names(files), QStringList({"a.ico", "c.ico"}));
  EXPECT_EQ(selected(), "c.ico");
  EXPECT_EQ(browser->browserPath(), at("c.ico"));
  EXPECT_TRUE(samePixels(browser->previewPixels(), c.pixels)) << "the file that moved up is previewed";

  QTest::keyClick(files, Qt::Key_Delete);
  EXPECT_FALSE(QFile::exists(at("c.ico")));
  EXPECT_EQ(names(files), QStringList({"a.ico"}));
  EXPECT_TRUE(files->selectedItems().isEmpty());
  EXPECT_TRUE(samePixels(browser->previewPixels(), c.pixels)) << "the preview stays";
  EXPECT_TRUE(previewShows(browser, c.pixels, c.palette));
  EXPECT_TRUE(ui.messages.isEmpty());

  // Removed by another program meanwhile: nothing left to delete, the list catches up.
  writeIcon(QStringLiteral("d.ico"), b);
  browser->ChangeFolder(icons);
  clickFile("d.ico");
  ASSERT_TRUE(QFile::remove(at("d.ico")));
  QTest::keyClick(files, Qt::Key_Delete);
  EXPECT_EQ(names(files), QStringList({"a.ico"}));
  EXPECT_TRUE(ui.messages.isEmpty());
}

TEST_F(FileBrowser, DeleteNeverRemovesAFolderAndSaysSoWhenItFails) {
  const TestImage a(10);
  writeIcon(QStringLiteral("a.ico"), a);
  writeIcon(QStringLiteral("b.ico"), a);
  open();

  // The selected name has become a folder since the listing: unlink fails even for root.
  clickFile("a.ico");
  ASSERT_TRUE(QFile::remove(at("a.ico")));
  ASSERT_TRUE(QDir(icons).mkdir(QStringLiteral("a.ico")));
  QTest::keyClick(files, Qt::Key_Delete);
  ASSERT_EQ(ui.messages.size(), 1);
  EXPECT_EQ(ui.messages.back(), kCannotDelete);
  EXPECT_TRUE(QFileInfo(at("a.ico")).isDir());
  EXPECT_EQ(selected(), "a.ico");

  // The same as a link to a folder: the folder it points to stays whole.
  clickFile("b.ico");
  ASSERT_TRUE(QFile::remove(at("b.ico")));
  ASSERT_TRUE(QFile::link(folder.path(), at("b.ico")));
  QTest::keyClick(files, Qt::Key_Delete);
  EXPECT_EQ(ui.messages.size(), 2);
  EXPECT_TRUE(QFile::exists(folder.filePath(QStringLiteral("Pal.pal"))));
}

TEST_F(FileBrowser, FoldersWeMayNotReadAreIgnoredAndFilesWeMayNotDeleteSaySo) {
  if (geteuid() == 0) GTEST_SKIP() << "permissions do not hold root back";
  writeIcon(QStringLiteral("locked.ico"), TestImage(11));
  const QString closed = at(QStringLiteral("closed"));
  ASSERT_TRUE(QDir().mkdir(closed));
  ASSERT_TRUE(QFile::setPermissions(closed, QFile::Permissions()));
  ASSERT_TRUE(QFile::setPermissions(icons, QFile::ReadOwner | QFile::ExeOwner));
  struct Restore {
    QString icons, closed;
    ~Restore() {
      QFile::setPermissions(icons, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
      QFile::setPermissions(closed, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
  } restore{icons, closed};

  // Remembered, but unreadable: the lists stay on the program folder.
  app->settings.WriteSetting("DIR", "Input", closed.toStdString());
  Form16* b = open(false);
  EXPECT_EQ(b->folder(), folder.path());

  ASSERT_TRUE(b->ChangeFolder(icons));
  ASSERT_EQ(names(dirs), QStringList({"..", "closed"}));
  dirs->setCurrentRow(1);
  QTest::keyClick(dirs, Qt::Key_Return);
  EXPECT_EQ(b->folder(), icons);
  EXPECT_TRUE(ui.messages.isEmpty());

  clickFile("locked.ico");
  QTest::keyClick(files, Qt::Key_Delete);
  EXPECT_EQ(ui.messages, QStringList({kCannotDelete}));
  EXPECT_TRUE(QFile::exists(at("locked.ico")));
}

}  // namespace
}  // namespace pf
