#include "settings/window_layout.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <span>
#include <vector>

#include "archive/archive_window.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/photo_window.h"
#include "model/file_io.h"
#include "model/window_layouts.h"
#include "platform/app_context.h"
#include "platform/editor_link.h"
#include "platform/local_path.h"
#include "platform/picture_loader.h"

namespace pf {

namespace {

std::vector<ScreenArea> Screens() {
  std::vector<ScreenArea> screens;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect r = screen->availableGeometry();
    screens.push_back({r.left(), r.top(), r.width(), r.height()});
  }
  return screens;
}

bool IsFile(const QString& path) {
  return !path.isEmpty() && QFileInfo(path).isFile();
}

// The full colour window at one of its sizes, with fresh arrays for a mask window to fill. A mask
// window already open holds the size, so a second one is not opened.
bool PrepareFullColourSize(AppContext& app, int index) {
  if (app.state.fMaskFormOpen) return false;
  Form20* window = app.find<Form20>();
  if (!window) window = app.single<Form20>();
  if (window->isUnloaded()) return false;
  window->Option1[static_cast<std::size_t>(index)]->setChecked(true);
  const int s = SharedState::FullColourSizes[static_cast<std::size_t>(index)];
  app.state.FullColourPixelBytes = 3 * s * s;
  app.state.FullColourPixels.assign(static_cast<std::size_t>(3 * s * s), 0);
  app.state.FullColourMask.assign(static_cast<std::size_t>(s * s / 8), 0);
  app.processEvents();
  window->SelectNum = index;
  return true;
}

// Holds the restore flag for the duration of one restore.
class RestoreScope {
 public:
  explicit RestoreScope(AppContext& app) : app_(app), entered_(!app.restoringLayout) {
    app_.restoringLayout = true;
  }
  ~RestoreScope() {
    if (entered_) app_.restoringLayout = false;
  }
  RestoreScope(const RestoreScope&) = delete;
  RestoreScope& operator=(const RestoreScope&) = delete;
  bool entered() const { return entered_; }

 private:
  AppContext& app_;
  bool entered_;
};

}  // namespace

bool WindowsCanBePlaced() {
  return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QPoint ReachablePosition(const QRect& frame) {
  const auto [left, top] =
      PlaceOnScreens(frame.left(), frame.top(), frame.width(), frame.height(), Screens());
  return {left, top};
}

void PlaceWindow(QWidget& window, int topTwips, int leftTwips) {
  if (!WindowsCanBePlaced()) return;
  const QRect frame(QPoint(TwipsToPixels(leftTwips), TwipsToPixels(topTwips)), window.frameGeometry().size());
  window.move(ReachablePosition(frame));
}

void InitSetting(AppContext& app) {
  EditorLink* editor = app.editor();
  const std::string& path = app.settings.path();
  const QFileInfo file(FromLocalPath(path));
  // The settings folder's first start makes PF.ini empty (so that it is the user's alone from the start):
  // an empty file is as new as a missing one.
  const bool fresh = (!file.exists() && !file.isSymLink()) || (file.isFile() && file.size() == 0);
  if (editor && fresh) {
    const QRect frame = editor->editorFrame();
    const std::string text =
        InitialSettingsText(editor->editorVisible(), PixelsToTwips(frame.top()), PixelsToTwips(frame.left()),
                            app.programFolder().toStdString());
    // Without a settings file the program still works; it only cannot remember anything.
    (void)WriteFileAtomically(path,
                              std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  }
  LoadWindowPattern(app, 0);
}

namespace {

void ApplyPattern(AppContext& app, int n) {
  EditorLink* editor = app.editor();
  if (!editor || n < 0 || n >= kLayoutPatterns) return;
  const LayoutPattern pattern = LoadLayoutPattern(app.settings.path(), n);
  if (!pattern.mainVisible) return;

  editor->setEditorVisible(*pattern.mainVisible);
  if (WindowsCanBePlaced() && (pattern.mainTop || pattern.mainLeft)) {
    QRect frame = editor->editorFrame();
    frame.moveTo(pattern.mainLeft ? TwipsToPixels(*pattern.mainLeft) : frame.left(),
                 pattern.mainTop ? TwipsToPixels(*pattern.mainTop) : frame.top());
    editor->moveEditor(ReachablePosition(frame));
  }
  if (!pattern.file.empty() && editor->editorVisible()) {
    editor->AutoFileOpen(QString::fromStdString(pattern.file));
  }
  for (const LayoutChild& child : pattern.children) {
    ShowChildForm(app, QString::fromStdString(child.name), child.top, child.left,
                  QString::fromStdString(child.file));
  }
  // A pattern that hides the editor but brings back no window to return to it from (one edited by hand)
  // would leave the program running with nothing on the screen.
  if (!editor->editorVisible()) {
    const std::vector<Form*> open = app.forms.forms();
    if (std::none_of(open.begin(), open.end(), [](const Form* f) { return f->isVisible(); }))
      editor->setEditorVisible(true);
  }
}

}  // namespace

void LoadWindowPattern(AppContext& app, int n) {
  const RestoreScope scope(app);
  if (scope.entered()) ApplyPattern(app, n);
}

void ShowChildForm(AppContext& app, const QString& name, int top, int left, const QString& file) {
  if (!IsRestorableFormName(name.toStdString())) return;
  if (name == QLatin1String("Form19") && !PrepareFullColourSize(app, 0)) return;
  if (name == QLatin1String("Form25") && !PrepareFullColourSize(app, 1)) return;

  const QPointer<Form> form = app.loadByName(name);
  if (form.isNull() || form->isUnloaded()) return;
  if (auto* archive = qobject_cast<ArchiveWindow*>(form.data()); archive && IsFile(file)) {
    // Read at its first showing; a file that is gone leaves the archive as a new one starts.
    archive->WorkFile = file;
  }
  PlaceWindow(*form, top, left);
  app.show(form);
  if (auto* photo = qobject_cast<Form18*>(form.data()); photo && IsFile(file)) {
    // Only a photo that opens: a restore says nothing, also of a photo that has become too large.
    Photo probe;
    if (LoadPictureFile(file, probe) == PictureStatus::Ok) photo->LoadPicFile(file);
  }
  app.processEvents();
}

void RestoreWindowPattern(AppContext& app, int n) {
  EditorLink* editor = app.editor();
  const RestoreScope scope(app);
  if (!editor || !scope.entered()) return;
  editor->AllClose();
  app.processEvents();
  editor->setEditorVisible(true);
  ApplyPattern(app, n);
  if (app.state.fFullColourOpen) {
    if (Form* fullColour = app.forms.findByName(QStringLiteral("Form20"))) {
      fullColour->raise();
      fullColour->activateWindow();
    }
  }
  if (editor->editorVisible()) editor->activateEditor();
}

bool SaveWindowPattern(AppContext& app, int n, const QString& boxText) {
  EditorLink* editor = app.editor();
  if (!editor || n < 0 || n >= kLayoutPatterns) return false;
  int nFM = 0;
  QStringList FMData;
  std::vector<Form*> ThisForm;
  editor->GetWIndowData(nFM, FMData, ThisForm);

  LayoutRecord record;
  // A name is one line of the file.
  QString box = boxText;
  box.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
  record.name = SavedPatternName(box.toStdString(), app.settings.ReadSetting(LayoutSection(n), "Name"), n);
  const QRect frame = editor->editorFrame();
  record.mainVisible = editor->editorVisible();
  record.mainTop = PixelsToTwips(frame.top());
  record.mainLeft = PixelsToTwips(frame.left());
  record.file = editor->fileName().toStdString();
  for (int i = 1; i <= nFM; ++i) {
    const auto at = static_cast<qsizetype>(3 * (i - 1));
    if (at + 2 >= FMData.size() || static_cast<std::size_t>(i) >= ThisForm.size()) break;
    LayoutChild child;
    child.name = FMData[at].toStdString();
    child.top = FMData[at + 1].trimmed().toInt();
    child.left = FMData[at + 2].trimmed().toInt();
    Form* window = ThisForm[static_cast<std::size_t>(i)];
    if (auto* photo = qobject_cast<Form18*>(window)) {
      child.file = photo->FileName.toStdString();
    } else if (auto* archive = qobject_cast<ArchiveWindow*>(window)) {
      child.file = archive->WorkFile.toStdString();
    }
    record.children.push_back(std::move(child));
  }
  return StoreLayoutPattern(app.settings.path(), n, record);
}

}  // namespace pf
