#include "platform/press_label.h"

#include <QAccessibleWidget>
#include <QMouseEvent>

namespace pf {

namespace {

class PressLabelAccessible final : public QAccessibleWidget {
 public:
  explicit PressLabelAccessible(PressLabel* label) : QAccessibleWidget(label, QAccessible::Button) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<PressLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
  QStringList actionNames() const override { return {pressAction()}; }
  void doAction(const QString& name) override {
    if (name == pressAction()) static_cast<PressLabel*>(widget())->click();
  }
};

QAccessibleInterface* MakePressLabelAccessible(const QString& className, QObject* object) {
  if (className == QLatin1String(PressLabel::staticMetaObject.className()))
    if (auto* label = qobject_cast<PressLabel*>(object)) return new PressLabelAccessible(label);
  return nullptr;
}

}  // namespace

PressLabel::PressLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  static const bool installed = [] {
    QAccessible::installFactory(MakePressLabelAccessible);
    return true;
  }();
  (void)installed;
}

void PressLabel::click() {
  emit pressed();
  emit released();
}

void PressLabel::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit pressed();
}

void PressLabel::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit released();
}

}  // namespace pf
