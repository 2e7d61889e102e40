// The image transformation window: a private copy of the picture that the user flips, turns, shifts and
// resamples (fine rotation and scaling from the picture as it was captured), shown enlarged, and writes
// back into the icon with "実　行". Every window has its own copy; any number may be open.
#pragma once

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "model/transform.h"
#include "platform/form.h"

namespace pf {

class Form14 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form14";
  // The preview: 32 x 32 squares of 5 pixels, picture row 0 at the bottom.
  static constexpr int kPreviewSize = 160;
  static constexpr int kCell = 5;

  Form14(AppContext& app, QWidget* owner);

  // What the window holds: the work and source images, the angle and the scale.
  const TransformState& transform() const { return T; }

  void Command1_Click();           // flip top to bottom
  void Command2_Click();           // flip left to right
  void Command3_Click(int index);  // 0 turn left, 1 turn right
  void Command4_Click();           // write the work image into the icon
  void Command5_Click();           // scale by the scale box
  void Command6_Click(int index);  // one-pixel shift: 0 up, 1 left, 2 right, 3 down
  void Command7_Click();           // undo the last shift
  void mnuGET_Click();
  void mnuEND_Click();

  void Form_Load() override;
  void Form_Activate() override;

 private:
  void buildControls();
  void capture();
  void showAngle();
  // Shows the failure of a resampling; W was left as it was.
  void report(const ResampleResult& result);
  void drawPreview();

  TransformState T;

  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;
  std::array<QPushButton*, 2> Command3{};
  QCheckBox* Check1 = nullptr;
  QLineEdit* Text1 = nullptr;
  QPushButton* Command5 = nullptr;
  std::array<QPushButton*, 4> Command6{};
  QPushButton* Command7 = nullptr;
  QPushButton* Command4 = nullptr;
  QLabel* Label1 = nullptr;
  QAction* mnuGET = nullptr;
  QAction* mnuEND = nullptr;
};

}  // namespace pf
