#include "tools/shift_block.h"

#include <QMenuBar>
#include <algorithm>

#include "platform/app_context.h"

namespace pf {

Form15::Form15(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form15"), owner) {
  setWindowTitle(QStringLiteral("位置移動"));
  setClientSize(240, 130);
  buildControls();
}

void Form15::buildControls() {
  QWidget* area = clientArea();

  Check1 = new QCheckBox(QStringLiteral("ブロック移動"), area);
  Check1->setObjectName(QStringLiteral("Check1"));
  Check1->setGeometry(8, 6, 120, 24);

  const QString captions[2] = {QStringLiteral("左上"), QStringLiteral("右下")};
  for (int i = 0; i < 2; ++i) {
    const auto n = static_cast<std::size_t>(i);
    Label1[n] = new QLabel(captions[i], area);
    Label1[n]->setObjectName(QStringLiteral("Label1_%1").arg(i));
    Label1[n]->setGeometry(8, 36 + 28 * i, 36, 24);
    Text1[n] = new QLineEdit(area);
    Text1[n]->setObjectName(QStringLiteral("Text1_%1").arg(i));
    Text1[n]->setGeometry(46, 36 + 28 * i, 64, 24);
    connect(Text1[n], &QLineEdit::textChanged, this, [this] { cornersChanged(); });
  }

  // The arrows as a cross to the right of the corner boxes.
  const struct {
    const char* caption;
    int x, y;
  } arrows[4] = {{"↑", 40, 0}, {"←", 0, 30}, {"↓", 40, 60}, {"→", 80, 30}};
  for (int i = 0; i < 4; ++i) {
    const auto n = static_cast<std::size_t>(i);
    Command1[n] = new QPushButton(QString::fromUtf8(arrows[i].caption), area);
    Command1[n]->setObjectName(QStringLiteral("Command1_%1").arg(i));
    Command1[n]->setGeometry(120 + arrows[i].x, 36 + arrows[i].y, 36, 26);
    connect(Command1[n], &QPushButton::clicked, this, [this, i] { Command1_Click(i); });
  }

  mnuEND = addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了"), &Form15::mnuEND_Click);
}

void Form15::Form_Load() {
  app().state.Form15Open = true;
}

void Form15::Form_Unload() {
  app().state.Form15Open = false;
}

void Form15::SetXY(int button, int x, int y) {
  if (!Check1->isChecked()) return;
  const std::optional<CornerClick> corner = CornerFromClick(button, x, y);
  if (!corner) return;
  Text1[static_cast<std::size_t>(corner->box)]->setText(QString::fromStdString(corner->text));
}

void Form15::cornersChanged() {
  CornerBoxesChanged(Block, Text1[0]->text().toStdString(), Text1[1]->text().toStdString());
}

void Form15::Command1_Click(int index) {
  static constexpr ShiftDirection kDirections[4] = {ShiftDirection::Up, ShiftDirection::Left,
                                                    ShiftDirection::Down, ShiftDirection::Right};
  if (index < 0 || index > 3) return;
  SharedState& s = app().state;
  Image32 work{};
  std::copy_n(s.IconPixels.begin(), work.size(), work.begin());
  if (!Check1->isChecked()) {
    ShiftWholeImage(work, s.MaskGrid, kDirections[index]);
  } else if (!BlockMovePress(Block, work, Text1[0]->text().toStdString(), Text1[1]->text().toStdString(),
                             kDirections[index])) {
    return;  // a corner box is empty: nothing happens
  }
  std::copy(work.begin(), work.end(), s.IconPixels.begin());
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form15::mnuEND_Click() {
  unload();
}

}  // namespace pf
