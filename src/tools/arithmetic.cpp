#include "tools/arithmetic.h"

#include <QAction>
#include <QMenuBar>
#include <algorithm>
#include <span>

#include "model/input_rules.h"
#include "model/numeric_text.h"
#include "model/palette_tools.h"
#include "platform/app_context.h"

namespace pf {

Form5::Form5(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form5"), owner) {
  setWindowTitle(QStringLiteral("演算処理"));
  setClientSize(270, 146);
  QWidget* area = clientArea();

  const QString captions[5] = {QStringLiteral("反　転"), QStringLiteral("XOR"), QStringLiteral("OR"),
                               QStringLiteral("AND"), QStringLiteral("ランダム")};
  for (int k = 0; k < 5; ++k) {
    auto* option = new QRadioButton(captions[k], area);
    option->setObjectName(QStringLiteral("Option1_%1").arg(k));
    option->setGeometry(10, 8 + 26 * k, 110, 22);
    connect(option, &QRadioButton::toggled, this, [this, k](bool checked) {
      if (checked) Option1_Click(k);
    });
    Option1[static_cast<std::size_t>(k)] = option;
  }

  const QString tip = QStringLiteral("１６進数で入力してください。");
  Label1 = new QLabel(QStringLiteral("演算データ"), area);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setToolTip(tip);
  Label1->setGeometry(130, 10, 76, 22);

  Text1 = new QLineEdit(area);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setToolTip(tip);
  Text1->setGeometry(210, 10, 50, 22);
  connect(Text1, &QLineEdit::textChanged, this, &Form5::Text1_Change);

  Command1 = new QPushButton(QStringLiteral("実　行"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(130, 104, 130, 30);
  connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);

  addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了"), &Form5::mnuEND_Click);
}

void Form5::Form_Load() {
  app().state.Form5Open = true;
  Option1[0]->setChecked(true);
  Option1_Click(0);
  if (EditorLink* editor = app().editor()) editor->holdFileMenu();
  // The random fill seeds its own generator from the time of day each time it runs.
}

void Form5::Form_Unload() {
  SharedState& s = app().state;
  s.Form5Open = false;
  if (EditorLink* editor = app().editor()) editor->releaseFileMenu();
}

void Form5::Option1_Click(int index) {
  mode_ = index;
}

void Form5::Text1_Change() {
  if (const auto replacement = OperandRule(Text1->text().toStdString())) {
    Text1->setText(QString::fromStdString(*replacement));
  }
}

void Form5::Command1_Click() {
  SharedState& s = app().state;
  const auto mode = static_cast<ArithmeticMode>(mode_);
  if (mode == ArithmeticMode::Random) {
    ApplyArithmetic(std::span(s.IconPixels), mode, 0, TimeSeededUniform());
  } else {
    const auto operand =
        static_cast<int>(std::clamp<std::int64_t>(ReadHex(Text1->text().toStdString()), 0, 15));
    ApplyArithmetic(std::span(s.IconPixels), mode, operand);
  }
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form5::mnuEND_Click() {
  unload();
}

}  // namespace pf
