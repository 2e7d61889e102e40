// The position-move window: arrow buttons that shift the whole picture together with its mask by one
// pixel, or, in block mode, lift a rectangle chosen by two clicks on the main window's canvas and stamp
// it one pixel further at every press.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "model/block_move.h"
#include "platform/form.h"

namespace pf {

class Form15 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form15";

  Form15(AppContext& app, QWidget* owner);

  // A mouse press on the main window (button 1 left, 2 right; main window client pixels). In block mode
  // the left button sets the top-left corner, the right button the bottom-right one.
  void SetXY(int button, int x, int y);

  // 0 up, 1 left, 2 down, 3 right.
  void Command1_Click(int index);
  void mnuEND_Click();

  void Form_Load() override;
  void Form_Unload() override;

 private:
  void buildControls();
  void cornersChanged();

  BlockMoveState Block;

  QCheckBox* Check1 = nullptr;
  std::array<QLabel*, 2> Label1{};
  std::array<QLineEdit*, 2> Text1{};
  std::array<QPushButton*, 4> Command1{};
  QAction* mnuEND = nullptr;
};

}  // namespace pf
