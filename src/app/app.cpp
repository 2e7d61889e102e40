#include "app/app.h"

#include <QDir>
#include <QSet>

#include "editor/main_window.h"
#include "platform/message_channel.h"

namespace pf {

namespace detail {
AppStorage::AppStorage(const QString& programFolder)
    : settingsFile(QDir(programFolder).filePath(QStringLiteral("PF.ini")).toStdString()) {}
}  // namespace detail

App::App(Ui& ui, const QString& programFolder, const QString& channelPath)
    : AppStorage(programFolder),
      AppContext(*statePtr, registry, ui, settingsFile, programFolder,
                 channelPath.isEmpty() ? DefaultChannelPath() : channelPath) {}

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
