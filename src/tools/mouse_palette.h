// The mouse drawing window: while it is open a left click on the main window's canvas paints the clicked
// pixel with the selected palette entry. The window shows that entry's number and colour and follows
// the selection in the main window's palette panel.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/form.h"

namespace pf {

class Form1 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form1";

  Form1(AppContext& app, QWidget* owner);

  // Shows the selected palette entry. The main window calls it again after every palette selection
  // while this window is open; the controls are built once, in the constructor.
  void Form_Load() override;
  void Form_Unload() override;

  void Text1_Change();
  void Command1_Click();

  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QLabel* Label2 = nullptr;
  QPushButton* Command1 = nullptr;
};

}  // namespace pf
