// The arithmetic window: one bitwise operation on every pixel's palette index — invert, XOR, OR or AND
// with a one-digit hexadecimal operand — or a random fill. The palette is left alone. The main window's
// File menu stays locked while it is open.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "platform/form.h"

namespace pf {

class Form5 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form5";

  Form5(AppContext& app, QWidget* owner);

  void Form_Load() override;
  void Form_Unload() override;

  void Option1_Click(int index);
  void Text1_Change();
  void Command1_Click();
  void mnuEND_Click();

  // 0 invert, 1 XOR, 2 OR, 3 AND, 4 random.
  int mode() const { return mode_; }

  std::array<QRadioButton*, 5> Option1{};
  QLabel* Label1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Command1 = nullptr;

 private:
  int mode_ = 0;
};

}  // namespace pf
