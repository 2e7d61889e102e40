#include "app/app.h"

#include <QSet>

#include "editor/main_window.h"

namespace pf {

App::App(Ui& ui, const QString& programFolder) : AppContext(*statePtr, registry, ui, programFolder) {}

App::~App() {
  // Windows refer to this object: close and delete them all while it still exists, also those whose
  // deferred deletion after closing has not run yet.
  const std::vector<QPointer<Form>> all = forms.all();
  for (const QPointer<Form>& f : all) {
    if (!f.isNull()) f->close();
  }
  for (const QPointer<Form>& f : all) {
    if (!f.isNull()) delete f.data();
  }
}

IC* App::start() {
  main_ = single<IC>();
  return main_;
}

IC* App::mainWindow() const {
  return main_;
}

Form* App::createByName(const QString& formName) {
  if (formName == QLatin1String(IC::kFormName)) return single<IC>();
  return nullptr;
}

QWidget* App::ownerFor(const QString& formName) {
  // These tool windows stay above the main window; every other window stands on its own.
  static const QSet<QString> owned = {
      QStringLiteral("Form1"), QStringLiteral("Form2"), QStringLiteral("Form3"), QStringLiteral("Form4"),
      QStringLiteral("Form5"), QStringLiteral("Form7"), QStringLiteral("Form17")};
  return owned.contains(formName) ? main_ : nullptr;
}

}  // namespace pf
