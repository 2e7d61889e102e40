// The line paint window: while it is open a left click on the main window's canvas paints a line of
// pixels through the clicked pixel, along its row or its column. The window holds the direction and
// whether the line stops at the first pixel of another colour, and shows the selected palette entry.
// The two settings live in the shared state, so they are kept for the next opening.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "platform/form.h"

namespace pf {

class Form3 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form3";

  Form3(AppContext& app, QWidget* owner);

  // Shows the selected palette entry and the two settings. The main window calls it again after every
  // palette selection while this window is open; the controls are built once, in the constructor.
  void Form_Load() override;
  void Form_Unload() override;

  void Command1_Click();  // direction
  void Option1_Click(int index);
  void Command2_Click();  // close

  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* Command1 = nullptr;
  std::array<QRadioButton*, 2> Option1{};
  QPushButton* Command2 = nullptr;

 private:
  void showDirection();
};

}  // namespace pf
