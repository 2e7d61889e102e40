// The App object: owns the shared state, the window registry, the dialogs service and the program
// folder, and creates windows with the ownership rules of each.
#pragma once

#include <QIcon>
#include <QString>
#include <memory>

#include "platform/app_context.h"

namespace pf {

class IC;

// The program's icon in its 16 and 32 pixel images.
QIcon ProgramIcon();

namespace detail {
// Storage that must exist before the AppContext base refers to it.
struct AppStorage {
  explicit AppStorage(const QString& programFolder);
  std::unique_ptr<SharedState> statePtr = std::make_unique<SharedState>();
  FormRegistry registry;
  ProfileFile settingsFile;
};
}  // namespace detail

class App final : private detail::AppStorage, public AppContext {
 public:
  // `channelPath`: where the main window listens for file names (empty: the default place).
  App(Ui& ui, const QString& programFolder, const QString& channelPath = {});
  ~App() override;

  // Creates, loads and shows the main window.
  IC* start();
  IC* mainWindow() const;
  EditorLink* editor() const override;
  // Creates and shows a window by its form name; nullptr for an unknown name.
  Form* createByName(const QString& formName);
  // The same, loaded but not yet shown when new (for restoring layouts).
  Form* loadByName(const QString& formName) override;

 protected:
  QWidget* ownerFor(const QString& formName) override;

 private:
  template <class F>
  Form* makeSingle() {
    return singleLoaded<F>();
  }
  template <class F>
  Form* makeNew() {
    return loadNew<F>();
  }

  IC* main_ = nullptr;
};

}  // namespace pf
