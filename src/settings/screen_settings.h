// The screen setting window: ten window layout patterns, each with an option button and a name box.
// SAVE records the open windows under the chosen pattern, LOAD (a double click on a pattern, or its digit
// key) closes everything and restores it, 削除 empties it, and the button below closes everything and
// ends the program.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>

#include "platform/form.h"

namespace pf {

class Form27 final : public Form {
  Q_OBJECT
 public:
  static constexpr const char* kFormName = "Form27";
  static constexpr int kPatterns = 10;

  Form27(AppContext& app, QWidget* owner);

  // The chosen pattern's section, "FORM0" .. "FORM9".
  const QString& patternSection() const { return PatternSection; }

  void mnuSAVE_Click();
  void mnuLOAD_Click();
  void mnuDel_Click();
  void mnuEND_Click();
  void Command1_Click();
  void Option1_Click(int index);

  void Form_Load() override;
  void Form_KeyDown(int keyCode, int shift) override;

  std::array<QRadioButton*, kPatterns> Option1{};
  std::array<QLineEdit*, kPatterns> Text1{};
  QPushButton* Command1 = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  // Chooses a pattern, 0..9, and loads it at once.
  void chooseAndLoad(int index);

  QString PatternSection;
};

}  // namespace pf
