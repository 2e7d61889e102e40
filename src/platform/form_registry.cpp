#include "platform/form_registry.h"

#include <algorithm>

namespace pf {

void FormRegistry::add(Form* form) {
  if (form && std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.emplace_back(form);
}

void FormRegistry::remove(Form* form) {
  std::erase_if(forms_, [form](const QPointer<Form>& f) { return f.isNull() || f.data() == form; });
}

std::vector<Form*> FormRegistry::forms() const {
  std::vector<Form*> out;
  for (const QPointer<Form>& f : forms_) {
    if (!f.isNull() && !f->isUnloaded()) out.push_back(f.data());
  }
  return out;
}

Form* FormRegistry::findByName(const QString& formName) const {
  for (Form* f : forms()) {
    if (f->formName() == formName) return f;
  }
  return nullptr;
}

bool FormRegistry::CaptionInUse(const QString& text) const {
  for (Form* f : forms()) {
    if (f->windowTitle().contains(text)) return true;
  }
  return false;
}

}  // namespace pf
