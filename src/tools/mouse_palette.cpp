#include "tools/mouse_palette.h"

#include <algorithm>

#include "editor/main_window.h"
#include "model/input_rules.h"
#include "platform/app_context.h"
#include "platform/swatch.h"

namespace pf {

Form1::Form1(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form1"), owner) {
  setWindowTitle(QStringLiteral("マウス描画"));
  setClientSize(210, 80);
  QWidget* area = clientArea();

  Label1 = new QLabel(QStringLiteral("パレット番号"), area);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(10, 10, 90, 22);

  Text1 = new QLineEdit(area);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(104, 10, 40, 22);
  connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);

  Label2 = new QLabel(area);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setFrameShape(QFrame::Box);
  Label2->setGeometry(152, 10, 46, 22);

  Command1 = new QPushButton(QStringLiteral("終了"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(104, 44, 94, 28);
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
}

void Form1::Form_Load() {
  SharedState& s = app().state;
  s.Form1Open = true;
  const int n = SelectedPaletteEntry(app());
  Text1->setText(QString::number(n));
  const ColorRef c = EntryColour(s.IconPalette[static_cast<std::size_t>(n)]);
  SetSwatchColour(Label2, c);
}

void Form1::Form_Unload() {
  app().state.Form1Open = false;
}

void Form1::Text1_Change() {
  // The box only displays a number; painting always uses the main window's selection.
  if (const auto replacement = MouseDrawPaletteRule(Text1->text().toStdString())) {
    Text1->setText(QString::fromStdString(*replacement));
  }
}

void Form1::Command1_Click() {
  unload();
}

}  // namespace pf
