#include "tools/mouse_palette.h"

#include <algorithm>

#include "model/input_rules.h"
#include "platform/app_context.h"
#include "tools/selected_entry.h"

namespace pf {

Form1::Form1(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form1"), owner) {
  setWindowTitle(QStringLiteral("マウス描画"));
  setClientSize(210, 80);
  QWidget* area = clientArea();

  const SelectedEntryRow row = BuildSelectedEntryRow(area);
  Label1 = row.Label1;
  Text1 = row.Text1;
  Label2 = row.Label2;
  connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);

  Command1 = new QPushButton(QStringLiteral("終了"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(104, 44, 94, 28);
  connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
}

void Form1::Form_Load() {
  SharedState& s = app().state;
  s.Form1Open = true;
  ShowSelectedEntry({Label1, Text1, Label2}, app());
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
