// The palette colour window: three sliders for the red, green and blue of the palette entry selected in
// the main window. Moving the mouse over a slider writes its value into the icon's palette at once, so
// the picture changes while the user drags; the restore button puts the entry back as it was when the window
// last loaded. The main window loads it again after every palette selection, so it always edits the selected
// entry.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <array>

#include "model/colour.h"
#include "platform/form.h"

namespace pf {

class Form2 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form2";

  Form2(AppContext& app, QWidget* owner);

  // Takes up the main window's selected entry; safe to call again while the window is open.
  void Form_Load() override;
  void Form_Unload() override;

  // Slider k edits red (0), green (1) or blue (2).
  void Slider1_MouseMove(int k);
  void Command1_Click();
  void Command2_Click();

  QLabel* Label2 = nullptr;
  QLineEdit* Text1 = nullptr;
  std::array<QSlider*, 3> Slider1{};
  std::array<QLabel*, 3> Label4{};
  std::array<QLabel*, 3> Label1{};
  QLabel* Label3 = nullptr;
  QPushButton* Command1 = nullptr;
  QPushButton* Command2 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The selected entry of the main window, or nullptr when there is none to edit.
  PaletteEntry* selectedEntry();
  void setSwatch(const PaletteEntry& entry);
  void Refresh();

  PaletteEntry savedEntry_{};
  bool deliveringMove_ = false;
};

}  // namespace pf
