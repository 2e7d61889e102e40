#include "platform/index_chooser.h"

#include <QKeyEvent>
#include <QPointer>
#include <QSignalBlocker>
#include <utility>

namespace pf {

IndexChooser::IndexChooser(QWidget* parent, const QString& name, const QRect& geometry,
                           std::function<void(int)> choose)
    : QListWidget(parent) {
  setObjectName(name);
  setGeometry(geometry);
  for (int i = 0; i < 16; ++i) addItem(QString::number(i));
  hide();
  auto chosen = [this, choose = std::move(choose)](QListWidgetItem* item) { choose(row(item)); };
  connect(this, &QListWidget::itemClicked, this, chosen);
  connect(this, &QListWidget::itemActivated, this, [this, chosen](QListWidgetItem* item) {
    if (!releasing_) chosen(item);
  });
}

void IndexChooser::ask() {
  {
    const QSignalBlocker quiet(this);
    setCurrentRow(-1);
    clearSelection();
  }
  show();
  raise();
  setFocus();
}

void IndexChooser::keyPressEvent(QKeyEvent* event) {
  QListWidget::keyPressEvent(event);
  event->accept();
}

void IndexChooser::mouseReleaseEvent(QMouseEvent* event) {
  QPointer<IndexChooser> self = this;
  releasing_ = true;
  QListWidget::mouseReleaseEvent(event);
  if (!self.isNull()) releasing_ = false;
}

}  // namespace pf
