#include "tools/palette_conversion.h"

#include <QAction>
#include <QMenuBar>
#include <span>

#include "model/input_rules.h"
#include "model/numeric_text.h"
#include "model/palette_tools.h"
#include "platform/app_context.h"

namespace pf {

Form4::Form4(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form4"), owner) {
  setWindowTitle(QStringLiteral("パレット変換"));
  setClientSize(330, 124);
  QWidget* area = clientArea();

  const QString captions[4] = {QStringLiteral("一色変換"), QStringLiteral("パレット交換"),
                               QStringLiteral("指定パレット以外消去"), QStringLiteral("特定パレット消去")};
  const QString tips[4] = {QStringLiteral("指定したパレット1をパレット2に置き替えます。"),
                           QStringLiteral("パレット１とパレット２を入れ替えます。"),
                           QStringLiteral("指定パレット以外のパレットデータを消去します。"),
                           QStringLiteral("指定パレットのみ消去します。")};
  for (int k = 0; k < 4; ++k) {
    auto* option = new QRadioButton(captions[k], area);
    option->setObjectName(QStringLiteral("Option1_%1").arg(k));
    option->setToolTip(tips[k]);
    option->setGeometry(10, 10 + 26 * k, 180, 22);
    connect(option, &QRadioButton::toggled, this, [this, k](bool checked) {
      if (checked) Option1_Click(k);
    });
    Option1[static_cast<std::size_t>(k)] = option;
  }

  const QString labels[2] = {QStringLiteral("パレット１"), QStringLiteral("パレット２")};
  for (int k = 0; k < 2; ++k) {
    auto* label = new QLabel(labels[k], area);
    label->setObjectName(QStringLiteral("Label1_%1").arg(k));
    label->setGeometry(200, 12 + 32 * k, 76, 22);
    Label1[static_cast<std::size_t>(k)] = label;

    auto* box = new QLineEdit(area);
    box->setObjectName(QStringLiteral("Text1_%1").arg(k));
    box->setGeometry(278, 12 + 32 * k, 42, 22);
    connect(box, &QLineEdit::textChanged, this, [this, k] { Text1_Change(k); });
    Text1[static_cast<std::size_t>(k)] = box;
  }

  Command2 = new QPushButton(QStringLiteral("実　行"), area);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setGeometry(200, 82, 120, 30);
  connect(Command2, &QPushButton::clicked, this, &Form4::Command2_Click);

  addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了"), &Form4::mnuEND_Click);
}

void Form4::Form_Load() {
  app().state.Form4Open = true;
  Option1[0]->setChecked(true);
  Option1_Click(0);
  if (EditorLink* editor = app().editor()) editor->holdFileMenu();
}

void Form4::Form_Unload() {
  SharedState& s = app().state;
  s.Form4Open = false;
  if (EditorLink* editor = app().editor()) editor->releaseFileMenu();
}

void Form4::Option1_Click(int index) {
  mode_ = index;
  const bool usesPalette2 = index < 2;
  Text1[1]->setEnabled(usesPalette2);
  Label1[1]->setEnabled(usesPalette2);
}

void Form4::Text1_Change(int index) {
  QLineEdit* box = Text1[static_cast<std::size_t>(index)];
  if (const auto replacement = PaletteNumberRule(box->text().toStdString())) {
    box->setText(QString::fromStdString(*replacement));
  }
}

void Form4::Command2_Click() {
  const int p1 = ReadDecimalInt(Text1[0]->text().toStdString());
  const int p2 = ReadDecimalInt(Text1[1]->text().toStdString());
  SharedState& s = app().state;
  if (!ConvertPalette(std::span(s.IconPixels), static_cast<ConversionMode>(mode_), p1, p2,
                      s.TransparentIndex)) {
    return;
  }
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form4::mnuEND_Click() {
  unload();
}

}  // namespace pf
