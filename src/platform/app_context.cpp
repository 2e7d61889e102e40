#include "platform/app_context.h"

#include <QCoreApplication>
#include <QDir>

namespace pf {

QString AppContext::programFile(const QString& name) const {
  return QDir(programFolder_).filePath(name);
}

void AppContext::processEvents() {
  QCoreApplication::processEvents();
}

void AppContext::showForm(Form* form) {
  form->show();
  form->raise();
  form->activateWindow();
}

}  // namespace pf
