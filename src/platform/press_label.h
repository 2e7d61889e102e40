// A label that reports presses and releases of the left button, for labels that act as buttons. Assistive
// technology sees it as a button named by its text, and its press action gives a press and a release.
#pragma once

#include <QLabel>

namespace pf {

class PressLabel final : public QLabel {
  Q_OBJECT
 public:
  explicit PressLabel(const QString& text, QWidget* parent = nullptr);

  // A press and a release, as a click with the left button gives.
  void click();

 signals:
  void pressed();
  void released();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace pf
