#include "tools/line_paint_settings.h"

#include <algorithm>

#include "platform/app_context.h"
#include "tools/selected_entry.h"

namespace pf {

Form3::Form3(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form3"), owner) {
  setWindowTitle(QStringLiteral("ラインペイント"));
  setClientSize(210, 116);
  QWidget* area = clientArea();

  const SelectedEntryRow row = BuildSelectedEntryRow(area);
  Label1 = row.Label1;
  Text1 = row.Text1;
  Label2 = row.Label2;

  Label3 = new QLabel(area);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setAlignment(Qt::AlignCenter);
  Label3->setFrameShape(QFrame::Panel);
  Label3->setFrameShadow(QFrame::Sunken);
  Label3->setGeometry(10, 44, 40, 26);

  Command1 = new QPushButton(QStringLiteral("方　向"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(56, 42, 70, 30);
  connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);

  const QString captions[2] = {QStringLiteral("ALL"), QStringLiteral("Select")};
  for (int k = 0; k < 2; ++k) {
    auto* option = new QRadioButton(captions[k], area);
    option->setObjectName(QStringLiteral("Option1_%1").arg(k));
    option->setGeometry(134, 40 + 24 * k, 70, 22);
    connect(option, &QRadioButton::toggled, this, [this, k](bool checked) {
      if (checked) Option1_Click(k);
    });
    Option1[static_cast<std::size_t>(k)] = option;
  }

  Command2 = new QPushButton(QStringLiteral("終　了"), area);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setGeometry(10, 80, 116, 28);
  connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
}

void Form3::Form_Load() {
  SharedState& s = app().state;
  s.Form3Open = true;
  ShowSelectedEntry({Label1, Text1, Label2}, app());
  showDirection();
  // Selecting the button runs its click handler, which writes the same value back.
  const bool stop = s.LinePaintStopAtOther;
  Option1[stop ? 1 : 0]->setChecked(true);
}

void Form3::Form_Unload() {
  // The two line-paint settings stay as they are for the next opening.
  app().state.Form3Open = false;
}

void Form3::Command1_Click() {
  SharedState& s = app().state;
  s.LinePaintVertical = !s.LinePaintVertical;
  showDirection();
}

void Form3::Option1_Click(int index) {
  app().state.LinePaintStopAtOther = index == 1;
}

void Form3::Command2_Click() {
  unload();
}

void Form3::showDirection() {
  Label3->setText(app().state.LinePaintVertical ? QStringLiteral("UD") : QStringLiteral("LR"));
}

}  // namespace pf
