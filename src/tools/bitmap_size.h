// The bitmap size dialog: chooses the width and height a bitmap is saved at.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "platform/form.h"

namespace pf {

class Form6 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form6";
  Form6(AppContext& app, QWidget* owner);

  void Form_Load() override;
  void Command1_Click();

  // Option1(3) does not exist; the element stays empty.
  std::array<QRadioButton*, 5> Option1{};
  std::array<QComboBox*, 2> Combo1{};  // 0 height, 1 width
  std::array<QLabel*, 2> Label2{};
  QLabel* Label1 = nullptr;
  QPushButton* Command1 = nullptr;

 private:
  void updateLists();
};

}  // namespace pf
