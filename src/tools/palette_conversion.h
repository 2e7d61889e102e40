// The palette conversion window: rewrites the palette indices of the whole picture — one index replaced
// by another, two indices swapped, or one index (or every index but one) erased to the transparent
// index. The palette itself is left alone. The main window's File menu stays locked while it is open,
// so the picture cannot be replaced under it.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "platform/form.h"

namespace pf {

class Form4 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form4";

  Form4(AppContext& app, QWidget* owner);

  void Form_Load() override;
  void Form_Unload() override;

  void Option1_Click(int index);
  void Text1_Change(int index);
  void Command2_Click();
  void mnuEND_Click();

  // 0 replace, 1 exchange, 2 erase all but palette 1, 3 erase palette 1.
  int mode() const { return mode_; }

  std::array<QRadioButton*, 4> Option1{};
  std::array<QLabel*, 2> Label1{};
  std::array<QLineEdit*, 2> Text1{};
  QPushButton* Command2 = nullptr;

 private:
  int mode_ = 0;
};

}  // namespace pf
