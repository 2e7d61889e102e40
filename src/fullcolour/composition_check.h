// The composition check view: the full colour window draws the icon being composed into it, enlarged
// five times beside a 1:1 copy, while the pointer moves over its stamping region. The view only frames
// the enlargement and tells the full colour window that it is open.
#pragma once

#include "platform/form.h"

namespace pf {

class Form22 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form22";

  Form22(AppContext& app, QWidget* owner);
  ~Form22() override;

  void Form_Load() override;
  void Form_Activate() override;
  void Form_Unload() override;

 private:
  void mnuCLOSE_Click();
  // The full colour window's chosen size, or the one seen at load once that window is gone.
  int selectNum() const;

  int LoadedSelectNum = 0;
};

}  // namespace pf
