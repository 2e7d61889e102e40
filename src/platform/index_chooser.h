// The list of palette numbers "0" .. "15" that several windows show when they need one: hidden until
// asked for, it chooses on a click, or on Enter after the arrow keys, and never because it took the focus.
// One click is one choice, also on styles that activate an item on a single click.
#pragma once

#include <QListWidget>
#include <functional>

namespace pf {

class IndexChooser final : public QListWidget {
 public:
  // `choose` receives the row chosen, 0..15. The list starts hidden.
  IndexChooser(QWidget* parent, const QString& name, const QRect& geometry, std::function<void(int)> choose);

  // Shows the list with no row current, so that any row, the one chosen last included, is a choice, and
  // gives it the keyboard.
  void ask();

 protected:
  // Keys stay here: the list passes Enter, and arrows that cannot move further, on to its parent window,
  // which would act on them too.
  void keyPressEvent(QKeyEvent* event) override;
  // A style that activates items on a single click reports the click twice while the button is released.
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool releasing_ = false;
};

}  // namespace pf
