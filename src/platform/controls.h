// Controls placed at client pixels, named for the tests and the accessibility tree as the windows name
// their members.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QString>

namespace pf {

inline QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption, int x, int y,
                               int w, int h = 26) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setGeometry(x, y, w, h);
  return b;
}

inline QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, int x, int y, int w,
                         int h = 20) {
  auto* l = new QLabel(text, parent);
  l->setObjectName(name);
  l->setGeometry(x, y, w, h);
  return l;
}

}  // namespace pf
