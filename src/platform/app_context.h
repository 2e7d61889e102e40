// What a window may reach: the shared state, the other windows, the dialogs and the program folder.
//
// The App object implements it; windows only see this narrow face of it.
#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <map>
#include <string_view>
#include <utility>

#include "model/profile.h"
#include "model/shared_state.h"
#include "platform/editor_link.h"
#include "platform/form_registry.h"
#include "platform/ui.h"

namespace pf {

class AppContext {
 public:
  AppContext(SharedState& state, FormRegistry& forms, Ui& ui, ProfileFile& settings, QString programFolder,
             QString channelPath)
      : state(state),
        forms(forms),
        ui(ui),
        settings(settings),
        programFolder_(std::move(programFolder)),
        channelPath_(std::move(channelPath)) {}
  virtual ~AppContext() = default;
  AppContext(const AppContext&) = delete;
  AppContext& operator=(const AppContext&) = delete;

  SharedState& state;
  FormRegistry& forms;
  Ui& ui;
  // PF.ini in the program folder.
  ProfileFile& settings;

  // The folder of the running executable (a temporary folder in tests).
  const QString& programFolder() const { return programFolder_; }
  // The path of a file in the program folder.
  QString programFile(const QString& name) const;

  // Where file dialogs and the file list begin when nothing was remembered for them: the user's home for
  // an installed copy (whose program folder is a hidden settings folder), the program folder otherwise.
  // Such a folder was chosen by nobody, so it is never remembered.
  const QString& startFolder() const { return startFolder_.isEmpty() ? programFolder_ : startFolder_; }
  void setStartFolder(QString folder) { startFolder_ = std::move(folder); }
  // The folder remembered under `key` in section DIR, or the start folder when there is none.
  QString rememberedFolder(std::string_view key) const;

  // Where the main window listens for file names from other programs.
  const QString& channelPath() const { return channelPath_; }

  // The main editor window, or nullptr before it exists.
  virtual EditorLink* editor() const = 0;

  // Lets pending window events run.
  void processEvents();

  // Something the recovery journal keeps may have changed: a picture, a palette, the undo history or an
  // archive's slots. Called after every user command and redisplay, so the handler must stay cheap.
  void workChanged() {
    if (workChanged_) workChanged_();
  }
  void setWorkChangedHandler(std::function<void()> handler) { workChanged_ = std::move(handler); }

  // Creates a new instance of a window and waits until it closes, with the other windows blocked
  // meanwhile. The modality is set before the window is first shown: Qt ignores a change on a visible one.
  template <class F>
  void showModal() {
    runModal(loadNew<F>());
  }

  // The one shared instance of a window, created and shown on first use; an open one is brought forward.
  template <class F>
  F* single() {
    F* form = singleLoaded<F>();
    if (!form->isUnloaded()) showForm(form);
    return form;
  }

  // The one shared instance of a window, loaded but not shown when it is created here, so that its
  // place and its file can be set before it first shows.
  template <class F>
  F* singleLoaded() {
    QPointer<Form>& slot = singles_[QString::fromLatin1(F::kFormName)];
    if (!slot.isNull() && !slot->isUnloaded()) return static_cast<F*>(slot.data());
    F* form = loadNew<F>();
    slot = form;
    return form;
  }

  // A new instance of a window, loaded and shown.
  template <class F>
  F* create() {
    F* form = loadNew<F>();
    if (!form->isUnloaded()) showForm(form);
    return form;
  }

  // The first loaded window of a type.
  template <class F>
  F* find() const {
    return forms.find<F>();
  }

  // A window by its form name as the form factory makes it (the shared instance or a new one), loaded
  // but, when new, not yet shown; nullptr for a name the factory does not know.
  virtual Form* loadByName(const QString& formName) {
    (void)formName;
    return nullptr;
  }
  // Shows a window and brings it forward.
  void show(Form* form) { showForm(form); }

  // The layout pattern chosen in the screen setting window, 0..9; 0 at start.
  int SelectedPattern = 0;
  // Set while a layout is being restored: the events let through meanwhile must not start another.
  bool restoringLayout = false;

 protected:
  // A new instance of a window, loaded but not yet shown.
  template <class F>
  F* loadNew() {
    F* form = new F(*this, ownerFor(QString::fromLatin1(F::kFormName)));
    forms.add(form);
    QObject::connect(form, &Form::unloaded, form, [this, form] { keepAWindowInView(form); });
    form->load();
    return form;
  }
  void runModal(Form* form);
  // After `closed` has gone: when the editor is hidden and no other window is left on screen, the
  // editor comes back, so the program never runs on with nothing to see.
  void keepAWindowInView(const Form* closed);

  // The window that owns a new window of this name (kept above it), or nullptr for none.
  virtual QWidget* ownerFor(const QString& formName) = 0;
  virtual void showForm(Form* form);

 private:
  QString programFolder_;
  QString startFolder_;
  QString channelPath_;
  std::map<QString, QPointer<Form>> singles_;
  std::function<void()> workChanged_;
};

}  // namespace pf
