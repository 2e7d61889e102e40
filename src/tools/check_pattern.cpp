#include "tools/check_pattern.h"

#include <QAction>
#include <QMenuBar>
#include <QMouseEvent>
#include <algorithm>
#include <span>

#include "model/input_rules.h"
#include "model/numeric_text.h"
#include "model/palette_tools.h"
#include "platform/app_context.h"
#include "platform/swatch.h"

namespace pf {

Form7::Form7(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form7"), owner) {
  setWindowTitle(QStringLiteral("チェック"));
  setClientSize(250, 122);
  QWidget* area = clientArea();

  const QString captions[3] = {QStringLiteral("パレット１"), QStringLiteral("パレット２"),
                               QStringLiteral("大きさ")};
  const QString pickTip = QStringLiteral("マウスの右クリックでパレットが選べます。");
  const QString tips[3] = {pickTip, pickTip, QStringLiteral("0～３１までの数です。")};
  for (int k = 0; k < 3; ++k) {
    const auto i = static_cast<std::size_t>(k);
    auto* label = new QLabel(captions[k], area);
    label->setObjectName(QStringLiteral("Label1_%1").arg(k));
    label->setToolTip(tips[k]);
    label->setGeometry(10, 10 + 32 * k, 72, 22);
    Label1[i] = label;

    auto* box = new QLineEdit(area);
    box->setObjectName(QStringLiteral("Text1_%1").arg(k));
    box->setToolTip(tips[k]);
    box->setGeometry(84, 10 + 32 * k, 40, 22);
    box->installEventFilter(this);
    connect(box, &QLineEdit::textChanged, this, [this, k] { Text1_Change(k); });
    Text1[i] = box;

    if (k < 2) {
      auto* swatch = new QLabel(area);
      swatch->setObjectName(QStringLiteral("Label2_%1").arg(k));
      swatch->setToolTip(tips[k]);
      swatch->setFrameShape(QFrame::Box);
      swatch->setGeometry(130, 10 + 32 * k, 30, 22);
      Label2[i] = swatch;
    }
  }

  const QString modes[4] = {QStringLiteral("コピー"), QStringLiteral("XOR"), QStringLiteral("OR"),
                            QStringLiteral("AND")};
  for (int k = 0; k < 4; ++k) {
    auto* option = new QRadioButton(modes[k], area);
    option->setObjectName(QStringLiteral("Option1_%1").arg(k));
    option->setGeometry(172, 8 + 26 * k, 72, 22);
    connect(option, &QRadioButton::toggled, this, [this, k](bool checked) {
      if (checked) Option1_Click(k);
    });
    Option1[static_cast<std::size_t>(k)] = option;
  }

  addMenuItem(menuBar(), QStringLiteral("mnuDo"), QStringLiteral("決定(&E)"), &Form7::mnuDo_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了(&Q)"), &Form7::mnuEND_Click);
}

bool Form7::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    for (int k = 0; k < 3; ++k) {
      if (watched == Text1[static_cast<std::size_t>(k)]) Text1_MouseDown(k);
    }
  }
  return Form::eventFilter(watched, event);
}

void Form7::Form_Load() {
  app().state.Form7Open = true;
  target_ = 0;
  RGBSET();
  Text1[1]->setText(QStringLiteral("1"));
  showSwatch(1);
  Text1[2]->setText(QStringLiteral("2"));
  Option1[0]->setChecked(true);
  Option1_Click(0);
}

void Form7::Form_Unload() {
  app().state.Form7Open = false;
}

void Form7::RGBSET() {
  const int n = SelectedPaletteEntry(app());
  Text1[static_cast<std::size_t>(target_)]->setText(QString::number(n));
  if (target_ < 2) {
    showSwatch(target_);
  } else {
    app().ui.message(this, QStringLiteral("フォーカスがずれています。"));
  }
}

void Form7::Text1_MouseDown(int index) {
  target_ = index;
}

void Form7::Text1_Change(int index) {
  if (index < 2) {
    showSwatch(index);
    return;
  }
  if (const auto replacement = CheckSizeRule(Text1[2]->text().toStdString())) {
    Text1[2]->setText(QString::fromStdString(*replacement));
  }
}

void Form7::showSwatch(int index) {
  QLabel* swatch = Label2[static_cast<std::size_t>(index)];
  const std::optional<int> entry =
      PaletteIndexOf(Text1[static_cast<std::size_t>(index)]->text().toStdString());
  if (!entry) {
    // Not a palette number: the swatch shows no colour rather than a stale one.
    swatch->setAutoFillBackground(false);
    swatch->setPalette(QPalette());
    return;
  }
  const ColorRef c = EntryColour(app().state.IconPalette[static_cast<std::size_t>(*entry)]);
  SetSwatchColour(swatch, c);
}

void Form7::Option1_Click(int index) {
  mode_ = index;
}

void Form7::mnuDo_Click() {
  const int c1 = ReadDecimalInt(Text1[0]->text().toStdString());
  const int c2 = ReadDecimalInt(Text1[1]->text().toStdString());
  const int size = ReadDecimalInt(Text1[2]->text().toStdString());
  // No pattern for a size below 1, nor for a colour that is not a palette number 0..15.
  const std::optional<CheckPattern> pattern = BuildCheckPattern(c1, c2, size);
  if (!pattern) return;
  ApplyCheckPattern(std::span(app().state.IconPixels), *pattern, static_cast<CombineMode>(mode_));
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form7::mnuEND_Click() {
  unload();
}

}  // namespace pf
