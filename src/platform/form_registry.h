// The loaded windows in loading order.
#pragma once

#include <QPointer>
#include <QString>
#include <vector>

#include "platform/form.h"

namespace pf {

class FormRegistry {
 public:
  void add(Form* form);
  // Forgets a form that is being destroyed.
  void remove(Form* form);
  // Loaded (not yet unloaded) forms in loading order.
  std::vector<Form*> forms() const;
  Form* findByName(const QString& formName) const;
  template <class F>
  F* find() const {
    for (Form* f : forms()) {
      if (auto* typed = qobject_cast<F*>(f)) return typed;
    }
    return nullptr;
  }
  // Every form still in existence, unloaded ones included (they are deleted later).
  std::vector<QPointer<Form>> all() const { return forms_; }
  // Whether any loaded window's caption contains the text.
  bool CaptionInUse(const QString& text) const;

 private:
  std::vector<QPointer<Form>> forms_;
};

}  // namespace pf
