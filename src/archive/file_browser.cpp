#include "archive/file_browser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QSignalBlocker>
#include <QStorageInfo>
#include <algorithm>
#include <span>

#include "model/icon_file.h"
#include "model/packing.h"
#include "platform/app_context.h"
#include "platform/drawing.h"
#include "platform/local_path.h"
#include "platform/picture_file.h"

namespace pf {

namespace {

constexpr const char* kSection = "DIR";
constexpr const char* kFolderKey = "Input";
const QString kCannotShow = QStringLiteral("表示不可");
const QString kShown = QStringLiteral("OK");
const QString kCannotDelete =
    QStringLiteral("削除できません。読み取り専用かもしれません。確認してください。");
const QString kParent = QStringLiteral("..");
constexpr int kListWidth = 232;

// A remembered folder counts only when it names an existing folder; an empty or relative entry would
// otherwise mean whatever the working folder happens to be.
bool IsExistingFolder(const QString& path) {
  return !path.isEmpty() && QDir::isAbsolutePath(path) && QFileInfo(path).isDir();
}

// Whether a mount point holds a path, by path prefix: no disk access.
bool IsUnder(const QString& path, const QString& root) {
  if (root == QLatin1String("/")) return path.startsWith(root);
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

}  // namespace

Form16::Form16(AppContext& app, QWidget* owner) : Form(app, QString::fromLatin1(kFormName), owner) {
  setWindowTitle(QString::fromUtf8(kCaption));
  setClientSize(kPreviewLeft + 100, 434);
  Folder = app.programFolder();
  buildControls();
}

Form16::~Form16() = default;

void Form16::buildControls() {
  QWidget* area = clientArea();

  Drive1 = new QComboBox(area);
  Drive1->setObjectName(QStringLiteral("Drive1"));
  Drive1->setGeometry(8, 8, kListWidth, 26);

  Dir1 = new QListWidget(area);
  Dir1->setObjectName(QStringLiteral("Dir1"));
  Dir1->setGeometry(8, 40, kListWidth, 160);

  File1 = new QListWidget(area);
  File1->setObjectName(QStringLiteral("File1"));
  File1->setGeometry(8, 206, kListWidth, 220);
  File1->setSelectionMode(QAbstractItemView::SingleSelection);
  // Thousands of names: one row height for all spares measuring each.
  File1->setUniformItemSizes(true);
  Dir1->setUniformItemSizes(true);

  Text1 = new QLineEdit(area);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(kPreviewLeft, kPreviewTop + 40, 90, 24);
  Text1->setReadOnly(true);

  connect(Drive1, &QComboBox::currentIndexChanged, this, [this](int index) { Drive1_Change(index); });
  // Enter or a double click enters a folder; moving through the list does not.
  connect(Dir1, &QListWidget::itemActivated, this,
          [this](QListWidgetItem* item) { Dir1_DblClick(Dir1->row(item)); });
  // A new selection, by mouse or by keyboard, previews; so does a click on the file already selected.
  connect(File1, &QListWidget::itemSelectionChanged, this, [this] { File1_Click(); });
  connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
    const int row = File1->row(item);
    if (row == selectedAtPress_ && row == selectedRow()) File1_Click();
  });
  connect(File1, &QListWidget::itemDoubleClicked, this, [this] { File1_DblClick(); });
  File1->installEventFilter(this);
  File1->viewport()->installEventFilter(this);

  mnuEND = addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了"), &Form16::mnuEND_Click);
}

bool Form16::eventFilter(QObject* watched, QEvent* event) {
  if (watched == File1->viewport() && event->type() == QEvent::MouseButtonPress) {
    selectedAtPress_ = selectedRow();
  } else if (watched == File1 && event->type() == QEvent::KeyPress) {
    // The list's own use of these keys (Space toggling the selection) gives way to ours.
    const int code = KeyCodeOf(*static_cast<QKeyEvent*>(event));
    if (code == 13 || code == 32 || code == 46) {
      File1_KeyDown(code);
      return true;
    }
  }
  return Form::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void Form16::Form_Load() {
  FillDrives();
  // Without a usable remembered folder the lists start in the start folder, which stays unremembered
  // until the user walks somewhere; so does one that exists but cannot be read.
  const QString start = QString::fromStdString(app().settings.ReadSetting(kSection, kFolderKey));
  if (!IsExistingFolder(start) || !ChangeFolder(start)) {
    if (!ChangeFolder(app().startFolder(), false)) ChangeFolder(app().programFolder(), false);
  }
  File1->setFocus();
}

void Form16::mnuEND_Click() {
  unload();
}

// ---------------------------------------------------------------------------------------------------
// Drives and folders

void Form16::FillDrives() {
  QStringList roots;
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
    if (!volume.isValid() || !volume.isReady()) continue;
    const QString root = volume.rootPath();
    if (!roots.contains(root)) roots << root;
  }
  roots.removeAll(QStringLiteral("/"));
  roots.sort();
  roots.prepend(QStringLiteral("/"));
  const QSignalBlocker quiet(Drive1);
  Drive1->clear();
  Drive1->addItems(roots);
}

void Form16::SelectDriveOf(const QString& path) {
  int best = -1;
  qsizetype bestLength = -1;
  for (int i = 0; i < Drive1->count(); ++i) {
    const QString root = Drive1->itemText(i);
    if (IsUnder(path, root) && root.size() > bestLength) {
      best = i;
      bestLength = root.size();
    }
  }
  const QSignalBlocker quiet(Drive1);
  Drive1->setCurrentIndex(best);
}

void Form16::Drive1_Change(int index) {
  if (index < 0) return;
  // A drive that cannot be read is ignored; the list goes back to the drive being shown.
  if (!ChangeFolder(Drive1->itemText(index))) SelectDriveOf(Folder);
}

void Form16::Dir1_DblClick(int row) {
  const QListWidgetItem* item = Dir1->item(row);
  if (!item) return;
  const QString name = item->text();
  // A folder removed since it was listed, or one we may not read, is ignored.
  ChangeFolder(name == kParent ? QDir::cleanPath(Folder + QLatin1Char('/') + kParent)
                               : QDir(Folder).filePath(name));
}

bool Form16::ChangeFolder(const QString& path, bool remember) {
  // Keep the path the user walked (a link stays a link), only tidied: ".." from a linked folder leads
  // back where the user came from.
  const QString target = QDir::cleanPath(QDir(path).absolutePath());
  const QFileInfo info(target);
  if (!info.isDir() || !info.isReadable() || !info.isExecutable()) return false;

  const QDir dir(target);
  const QStringList folders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
  {
    const QSignalBlocker quiet(Dir1);
    Dir1->clear();
    if (!dir.isRoot()) Dir1->addItem(kParent);
    Dir1->addItems(folders);
    Dir1->setCurrentRow(0);
  }
  Folder = target;
  ShowFiles();
  SelectDriveOf(Folder);
  setWindowTitle(Folder);
  if (remember) app().settings.WriteSetting(kSection, kFolderKey, Folder.toStdString());
  return true;
}

void Form16::ShowFiles() {
  // Without QDir::CaseSensitive the patterns match in any letter case; hidden and special files stay out.
  const QStringList files = QDir(Folder).entryList({QStringLiteral("*.ico"), QStringLiteral("*.bmp")},
                                                   QDir::Files, QDir::Name | QDir::IgnoreCase);
  const QSignalBlocker quiet(File1);
  File1->clear();
  File1->addItems(files);
  selectedAtPress_ = -1;
}

// ---------------------------------------------------------------------------------------------------
// Files

int Form16::selectedRow() const {
  const QList<QListWidgetItem*> items = File1->selectedItems();
  return items.isEmpty() ? -1 : File1->row(items.front());
}

QString Form16::pathOfRow(int row) const {
  const QListWidgetItem* item = File1->item(row);
  return item ? QDir(Folder).filePath(item->text()) : QString();
}

void Form16::File1_Click() {
  const int row = selectedRow();
  if (row < 0) return;
  setWindowTitle(Folder);
  BrowserPath = pathOfRow(row);

  SharedState& s = app().state;
  // Decided as every open decides; only names ending in .ico or .bmp are listed, so the ending does.
  const int kind = KindOfPictureFile(BrowserPath) == PictureKind::Bitmap ? 1 : 0;
  // A rejected bitmap blackens the palette it was read into; the editor keeps its own colours then.
  const Palette before = s.IconPalette;
  const IconReadStatus status =
      ReadIconFile(LocalPath(BrowserPath), kind,
                   {s.IconPalette, Packed, std::span<std::uint8_t>(s.IconMask.data(), kMaskSize), s});
  if (status != IconReadStatus::Ok) {
    s.IconPalette = before;
    Text1->setText(kCannotShow);
    FillColourRect(client(), kPreviewLeft, kPreviewTop, kPreviewLeft + kIconSize, kPreviewTop + kIconSize,
                   PaletteEntry{});
    refresh();
    return;
  }
  UnpackPixels32(Packed, PreviewPixels);
  if (kind == 0) UnpackMask(std::span<const std::uint8_t>(s.IconMask.data(), kMaskSize), s.MaskGrid);
  PaintPreview();
  Text1->setText(kShown);
  refresh();
}

void Form16::PaintPreview() {
  const Palette& palette = app().state.IconPalette;
  Surface& s = client();
  for (int k = 0; k < kPixelCount; ++k) {
    const int row = k / kIconSize;
    const int x = k % kIconSize;
    s.setPixel(kPreviewLeft + x, kPreviewTop + kIconSize - 1 - row,
               EntryColour(palette[PreviewPixels[static_cast<std::size_t>(k)] & 0x0F]));
  }
}

void Form16::File1_DblClick() {
  SharedState& s = app().state;
  std::copy_n(PreviewPixels.begin(), kPixelCount, s.IconPixels.begin());
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form16::File1_KeyDown(int keyCode) {
  if (keyCode == 13 || keyCode == 32) File1_DblClick();
  if (keyCode == 46) DeleteSelectedFile();
}

void Form16::DeleteSelectedFile() {
  const int row = selectedRow();
  if (row < 0) return;
  // Only the file the user sees selected and previewed goes.
  const QString path = pathOfRow(row);
  if (path != BrowserPath) return;
  const QFileInfo info(path);
  // Never a folder, even one that took the file's name since the listing. A link goes itself, never
  // what it points to; a file another program removed already is as good as deleted.
  const bool present = info.exists() || info.isSymLink();
  const bool removable = info.isSymLink() ? !info.isDir() : info.isFile();
  if (present && (!removable || !QFile::remove(path))) {
    app().ui.message(this, kCannotDelete);
    return;
  }
  ShowFiles();
  if (row < File1->count()) File1->setCurrentRow(row);
}

}  // namespace pf
