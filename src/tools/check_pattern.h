// The check pattern window: a two-colour checkerboard of square cells over the 32 x 32 picture, copied
// onto the pixels or combined with them by XOR, OR or AND. The two colours are palette numbers, typed or
// picked in the main window's palette panel while this window is open.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <array>

#include "platform/form.h"

namespace pf {

class Form7 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form7";

  Form7(AppContext& app, QWidget* owner);

  void Form_Load() override;
  void Form_Unload() override;

  // Puts the main window's selected palette number into the target box (and its colour into the box's
  // swatch). The main window calls it after every palette selection while this window is open.
  void RGBSET();

  void Text1_MouseDown(int index);
  void Text1_Change(int index);
  void Option1_Click(int index);
  void mnuDo_Click();
  void mnuEND_Click();

  // The box (0, 1 or the size box 2) that receives the next palette selection.
  int targetBox() const { return target_; }
  // 0 copy, 1 XOR, 2 OR, 3 AND.
  int mode() const { return mode_; }

  std::array<QLabel*, 3> Label1{};
  std::array<QLineEdit*, 3> Text1{};
  std::array<QLabel*, 2> Label2{};
  std::array<QRadioButton*, 4> Option1{};

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void showSwatch(int index);

  int target_ = 0;
  int mode_ = 0;
};

}  // namespace pf
