// The base of every window: a top-level QMainWindow whose client area (below the menu bar) is a Surface
// that keeps what was drawn on it, with the load / activate / unload life cycle of our windows.
#pragma once

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>

#include "platform/surface.h"
#include "platform/ui.h"

namespace pf {

class AppContext;
class Form;

// Shows the form's client Surface and hands mouse, key and drop events to the form.
class ClientArea final : public QWidget {
  Q_OBJECT
 public:
  explicit ClientArea(Form& form);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  Form& form_;
};

class Form : public QMainWindow {
  Q_OBJECT
 public:
  // `owner` keeps the window above its owner; nullptr gives a free-standing window.
  Form(AppContext& app, const QString& formName, QWidget* owner);
  ~Form() override;

  const QString& formName() const { return formName_; }
  AppContext& app() const { return app_; }

  // The persistent client image; draw on it, then refresh(), which repaints what the drawing changed.
  Surface& client() { return client_; }
  const Surface& client() const { return client_; }
  // Parent for the window's controls; positions are client pixels.
  ClientArea* clientArea() const { return area_; }
  void setClientSize(int width, int height);
  // Paints the whole client surface in the window's background colour.
  void clearClient();
  void refresh();

  // A menu item named after the menu it stands for (`mnuEND`), on a QMenu or on the menu bar. Without a
  // handler the item is disabled: its window is not part of the program yet.
  QAction* addMenuItem(QWidget* menu, const QString& name, const QString& caption,
                       std::function<void()> handler);
  template <class F>
  QAction* addMenuItem(QWidget* menu, const QString& name, const QString& caption, void (F::*handler)()) {
    F* self = static_cast<F*>(this);
    return addMenuItem(menu, name, caption, std::function<void()>([self, handler] { (self->*handler)(); }));
  }
  // A submenu of the menu bar or of another menu; the menu and its item carry the name.
  QMenu* addSubMenu(QWidget* parent, const QString& name, const QString& caption);

  // File dialog options whose title is the caption of the menu command being run, without its
  // accelerator ("開く(&O)" gives "開く"); windows fill in the rest.
  FileDialogOptions dialogOptions() const;
  // An open dialog that starts in the folder remembered under `folderKey` and remembers the folder of the
  // file chosen; nothing on Cancel. The options' title and filter are the caller's.
  std::optional<QString> askOpenFile(const char* folderKey, FileDialogOptions options);
  // The same for saving (AskSaveName): the name that will be written, `extension` (".ico") appended
  // unless the file's own name contains it in any letter case, asked about when that file exists.
  std::optional<QString> askSaveFile(const char* folderKey, FileDialogOptions options,
                                     const QString& extension);

  // Keeps a window from being deleted while it is in use: one of its commands running, a dialog open
  // over it (each may run a modal loop in which the window gets closed). A window closed meanwhile ends
  // as usual (Form_Unload, its dialogs cancelled) and is deleted once nothing uses it or a window it owns.
  class InUse {
   public:
    // The window of `widget`; nothing for a widget outside every Form (or nullptr).
    explicit InUse(QWidget* widget);
    ~InUse();
    InUse(const InUse&) = delete;
    InUse& operator=(const InUse&) = delete;

   private:
    QPointer<Form> form_;
  };

  // Runs Form_Load once; called by the form factory right after construction.
  void load();
  // Closes the window: Form_Unload runs and the form is deleted later.
  void unload();
  bool isUnloaded() const { return unloaded_; }
  // Runs Form_Activate; the first call also marks the first activation done.
  void activate();
  bool wasActivated() const { return activated_; }
  // Runs the first activation now unless it has run: a key, click or drop can reach a window before it
  // (a slow start, a window manager that holds activation back) and must land on what that activation
  // sets up (the editor's new picture), not be wiped by it.
  void readyForInput();

  // Events in client pixels. Buttons: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt.
  virtual void Form_Load() {}
  virtual void Form_Activate() {}
  virtual void Form_Unload() {}
  virtual void Form_MouseDown(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void Form_MouseMove(int /*buttons*/, int /*shift*/, int /*x*/, int /*y*/) {}
  virtual void Form_MouseUp(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
  // The second press of a double click; its Form_MouseDown has run just before.
  virtual void Form_DblClick() {}
  virtual void Form_KeyDown(int /*keyCode*/, int /*shift*/) {}
  virtual bool acceptsDrops() const { return false; }
  virtual void Form_OLEDragDrop(const QStringList& /*files*/) {}
  // Where the files being handed to Form_OLEDragDrop were dropped, in client pixels.
  QPoint dropPosition() const { return dropPosition_; }

 signals:
  // After Form_Unload has run.
  void unloaded();

 protected:
  bool event(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  // True during the first Form_Activate only.
  bool firstActivation() const { return inFirstActivation_; }

 private:
  AppContext& app_;
  QString formName_;
  Surface client_;
  ClientArea* area_;
  bool loaded_ = false;
  bool unloaded_ = false;
  bool activated_ = false;
  bool inFirstActivation_ = false;
  // How many InUse hold this window, and whether it waits for them to end before it is deleted.
  int inUse_ = 0;
  bool deletePending_ = false;
  bool usedHereOrBelow() const;
  // Deletes this window and the windows above it that were only waiting for it, as far as none is used.
  void deleteWhenUnused();
  // Cancels the dialogs open over this window, so that their modal loops end.
  void cancelDialogs();
  QString runningCommand_;
  QPoint dropPosition_;
  friend class ClientArea;
};

// A menu caption without its accelerator: "開く(&O)" -> "開く", "&Save" -> "Save".
QString CaptionWithoutAccelerator(const QString& caption);

// Windows key codes and shift state for a Qt key event (0 for keys we do not map).
int KeyCodeOf(const QKeyEvent& event);
int ShiftStateOf(Qt::KeyboardModifiers modifiers);
int ButtonOf(Qt::MouseButton button);
int ButtonsOf(Qt::MouseButtons buttons);

}  // namespace pf
