#include "archive/archive_window.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QMenuBar>
#include <string>
#include <utility>

#include "model/file_io.h"
#include "model/work_file.h"
#include "platform/app_context.h"
#include "platform/local_path.h"

namespace pf {

const QString ArchiveWindow::kTakeWhere = QStringLiteral("取り込む場所を選択してください。");
const QString ArchiveWindow::kSendWhich = QStringLiteral("送信する画像を選択してください。");

ArchiveWindow::ArchiveWindow(AppContext& app, const QString& formName, QWidget* owner, QString captionBase,
                             QString extension)
    : Form(app, formName, owner), captionBase_(std::move(captionBase)), extension_(std::move(extension)) {}

QPoint ArchiveWindow::cellOrigin(int slot) {
  return slot <= 10 ? QPoint(kLeftColumnX, kCell * (slot - 1)) : QPoint(kRightColumnX, kCell * (slot - 11));
}

void ArchiveWindow::Form_Load() {
  QMenuBar* bar = menuBar();
  QMenu* file = addSubMenu(bar, QStringLiteral("mnuF"), QStringLiteral("ファイル"));
  addMenuItem(file, QStringLiteral("mnuNEW"), QStringLiteral("新規作成(&N)"), &ArchiveWindow::mnuNEW_Click);
  addMenuItem(file, QStringLiteral("mnuFOPEN"), QStringLiteral("ワークファイルを開く"),
              &ArchiveWindow::mnuFOPEN_Click);
  addMenuItem(file, QStringLiteral("mnuFSAVE"), QStringLiteral("ワークファイルを保存"),
              &ArchiveWindow::mnuFSAVE_Click);
  QMenu* image = addSubMenu(bar, QStringLiteral("mnuG"), QStringLiteral("画像"));
  addMenuItem(image, QStringLiteral("mnuGET"), QStringLiteral("画像取込"),
              std::function<void()>([this] { mnuGET_Click(); }));
  addMenuItem(image, QStringLiteral("mnuTRANS"), QStringLiteral("画像送信"),
              std::function<void()>([this] { mnuTRANS_Click(); }));
  addOwnMenus();
  addMenuItem(bar, QStringLiteral("mnuEND"), QStringLiteral("終了"), &ArchiveWindow::mnuEND_Click);

  setClientSize(clientWidth(), kSlots / 2 * kCell + 8);
  buildSlotButtons();

  // The lowest number no open window's caption contains, so 保管庫　12 also takes 1.
  std::vector<std::string> captions;
  for (const Form* f : app().forms.forms()) captions.push_back(f->windowTitle().toStdString());
  const int n = LowestFreeNumber(captions, captionBase_.toStdString());
  ArchiveNumber = QString::number(n);
  ArchiveName = captionBase_ + ArchiveNumber;
  setWindowTitle(ArchiveName);
}

void ArchiveWindow::buildSlotButtons() {
  auto* group = new QButtonGroup(this);
  for (int n = 0; n <= kSlots; ++n) {
    auto* option =
        new QRadioButton(n == 0 ? QStringLiteral("画像０") : QStringLiteral("画像%1").arg(n), clientArea());
    option->setObjectName(QStringLiteral("Option1_%1").arg(n));
    if (n == 0) {
      option->setGeometry(0, 0, 65, 25);
      option->hide();
    } else {
      option->setGeometry(n <= 10 ? 0 : 120, 4 + kCell * ((n - 1) % 10), 65, 25);
    }
    group->addButton(option, n);
    Option1[static_cast<std::size_t>(n)] = option;
    connect(option, &QRadioButton::toggled, this, [this, n](bool checked) {
      if (checked) SelectedSlot = n;
    });
  }
}

void ArchiveWindow::paintColumnsBlack() {
  client().fillRect(kLeftColumnX, 0, kLeftColumnX + kCell, kSlots / 2 * kCell, 0);
  client().fillRect(kRightColumnX, 0, kRightColumnX + kCell, kSlots / 2 * kCell, 0);
}

void ArchiveWindow::Form_Activate() {
  if (!firstActivation()) return;
  paintColumnsBlack();
  if (WorkFile.isEmpty()) WorkFile = app().programFile(QStringLiteral("pf") + ArchiveNumber + extension_);
  if (restoredBytes_) {
    loadWorkFileBytes(*restoredBytes_);
    restoredBytes_.reset();
  } else {
    LoadWorkFile();
  }
  savedBytes_ = workFileBytes();
  refresh();
}

bool ArchiveWindow::holdsUnsavedSlots() const {
  if (!wasActivated() || isUnloaded()) return false;
  return markedUnsaved_ || workFileBytes() != savedBytes_;
}

std::optional<std::vector<std::uint8_t>> ArchiveWindow::readWorkFile(const QString& path) const {
  if (path.isEmpty()) return std::nullopt;
  // A longer file is read for its format's length; what follows is not part of the archive.
  return ReadFileStart(LocalPath(path), workFileSize());
}

void ArchiveWindow::restoreSlots(int number, const QString& workFile, std::vector<std::uint8_t> bytes) {
  const QString wanted = captionBase_ + QString::number(number);
  bool taken = false;
  for (Form* f : app().forms.forms()) {
    if (f == this || f->isUnloaded() || !f->windowTitle().contains(wanted)) continue;
    auto* other = qobject_cast<ArchiveWindow*>(f);
    const bool empty = other && other->archiveName() == wanted && !other->holdsUnsavedSlots() &&
                       (other->lastFile().isEmpty() || other->lastFile() == workFile);
    if (!empty) {
      taken = true;
      continue;
    }
    // Nothing is lost with it: its slots are blank or on disk as they are shown.
    if (other->isVisible()) move(other->pos());
    other->unload();
  }
  if (!taken) {
    ArchiveNumber = QString::number(number);
    ArchiveName = wanted;
  }
  WorkFile = workFile;
  lastFile_ = workFile;
  QString caption = ArchiveName;
  const QString standard = app().programFile(QStringLiteral("pf") + ArchiveNumber + extension_);
  if (!workFile.isEmpty() && workFile != standard)
    caption += QStringLiteral("   ") + QFileInfo(workFile).fileName();
  setWindowTitle(caption);
  restoredBytes_ = std::move(bytes);
  setUnsavedMark(true);
}

void ArchiveWindow::setUnsavedMark(bool unsaved) {
  static const QString kMark = QStringLiteral(" *");
  QString caption = windowTitle();
  if (markedUnsaved_ && caption.endsWith(kMark)) caption.chop(kMark.size());
  markedUnsaved_ = unsaved;
  setWindowTitle(unsaved ? caption + kMark : caption);
}

void ArchiveWindow::LoadWorkFile() {
  const std::optional<std::vector<std::uint8_t>> bytes = readWorkFile(WorkFile);
  if (!bytes) {
    if (forgetsMissingWorkFile()) WorkFile.clear();
    lastFile_.clear();
    return;
  }
  lastFile_ = WorkFile;
  loadWorkFileBytes(*bytes);
}

QString ArchiveWindow::workFilter() const {
  return QStringLiteral("ﾜｰｸﾃﾞｰﾀ(*%1)|*%1|全て(*.*)|*.*").arg(extension_);
}

void ArchiveWindow::mnuNEW_Click() {
  clearSlots();
  DrawAllSlots();
}

void ArchiveWindow::mnuFOPEN_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = workFilter();
  options.initialFolder = app().programFolder();
  options.mustExist = true;
  const std::optional<QString> chosen = app().ui.openFile(this, options);
  if (!chosen) {
    WorkFile.clear();
    return;
  }
  // A file the user asked for that cannot be read (no permission, a folder) is not opened: the name,
  // the caption and the cells stay as they were.
  const std::optional<std::vector<std::uint8_t>> bytes = readWorkFile(*chosen);
  if (!bytes) {
    app().ui.message(this, QStringLiteral("Open できません。"));
    return;
  }
  WorkFile = *chosen;
  lastFile_ = WorkFile;
  loadWorkFileBytes(*bytes);
  savedBytes_ = workFileBytes();
  markedUnsaved_ = false;
  setWindowTitle(ArchiveName + QStringLiteral("   ") + QFileInfo(WorkFile).fileName());
  DrawAllSlots();
}

void ArchiveWindow::mnuFSAVE_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = workFilter();
  options.initialFolder = app().programFolder();
  options.askOverwrite = true;
  options.pathMustExist = true;
  const std::optional<QString> chosen = AskSaveName(app().ui, this, options, extension_);
  if (!chosen) return;
  SaveFileName = *chosen;
  // Written beside the target and renamed over it: a failed save leaves the old file whole.
  const std::vector<std::uint8_t> bytes = workFileBytes();
  if (!WriteFileAtomically(LocalPath(SaveFileName), bytes)) {
    app().ui.message(this, QStringLiteral("Open できません。"));
    return;
  }
  lastFile_ = SaveFileName;
  savedBytes_ = bytes;
  setUnsavedMark(false);
}

void ArchiveWindow::mnuEND_Click() {
  unload();
}

bool ArchiveWindow::requireSlot(const QString& message) {
  if (SelectedSlot >= 1 && SelectedSlot <= kSlots) return true;
  app().ui.message(this, message);
  return false;
}

void ArchiveWindow::Form_MouseDown(int button, int, int x, int y) {
  SelectedSlot = SlotAt(x, y, SelectedSlot);
  LastButton = button;
}

void ArchiveWindow::Form_MouseUp(int, int, int, int) {
  if (SelectedSlot >= 0 && SelectedSlot <= kSlots)
    Option1[static_cast<std::size_t>(SelectedSlot)]->setChecked(true);
}

void ArchiveWindow::Form_DblClick() {
  if (SelectedSlot < 0 || SelectedSlot > kSlots) return;
  if (LastButton == 1) mnuTRANS_Click();
  if (LastButton == 2) mnuGET_Click();
}

void ArchiveWindow::Form_OLEDragDrop(const QStringList& files) {
  if (files.isEmpty()) return;
  const QPoint at = dropPosition();
  SelectedSlot = SlotAt(at.x(), at.y(), SelectedSlot);
  if (SelectedSlot < 0 || SelectedSlot > kSlots) return;
  Option1[static_cast<std::size_t>(SelectedSlot)]->setChecked(true);
  dropFile(SelectedSlot, files.first());
}

}  // namespace pf
