#include "platform/app_context.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QPointer>

namespace pf {

QString AppContext::programFile(const QString& name) const {
  return QDir(programFolder_).filePath(name);
}

QString AppContext::rememberedFolder(std::string_view key) const {
  const std::string remembered = lastFolder(settings, key);
  return remembered.empty() ? startFolder() : QString::fromStdString(remembered);
}

int SelectedPaletteEntry(const AppContext& app) {
  const EditorLink* editor = app.editor();
  return editor ? editor->selectedPaletteNumber() : 0;
}

void AppContext::processEvents() {
  QCoreApplication::processEvents();
}

void AppContext::runModal(Form* form) {
  QPointer<Form> watched = form;
  if (form->isUnloaded()) return;
  form->setWindowModality(Qt::ApplicationModal);
  QEventLoop loop;
  QObject::connect(form, &Form::unloaded, &loop, &QEventLoop::quit);
  QObject::connect(form, &QObject::destroyed, &loop, &QEventLoop::quit);
  showForm(form);
  if (!watched.isNull() && !watched->isUnloaded()) loop.exec();
}

void AppContext::keepAWindowInView(const Form* closed) {
  EditorLink* shown = editor();
  // A layout being restored closes everything first and decides about the editor itself.
  if (shown == nullptr || restoringLayout || shown->editorVisible()) return;
  const auto* editorForm = dynamic_cast<const Form*>(shown);
  if (editorForm == nullptr || editorForm == closed || editorForm->isUnloaded()) return;
  for (const Form* f : forms.forms()) {
    if (f != closed && f->isVisible()) return;
  }
  shown->setEditorVisible(true);
  shown->activateEditor();
}

void AppContext::showForm(Form* form) {
  form->show();
  form->raise();
  form->activateWindow();
}

}  // namespace pf
