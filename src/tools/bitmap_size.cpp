#include "tools/bitmap_size.h"

#include <QButtonGroup>
#include <limits>

#include "model/numeric_text.h"
#include "platform/app_context.h"

namespace pf {

Form6::Form6(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form6"), owner) {
  setWindowTitle(QStringLiteral("ビットマップデータ処理"));
  setClientSize(260, 190);
  QWidget* area = clientArea();

  Label1 = new QLabel(QStringLiteral("サイズ"), area);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(16, 10, 80, 20);

  auto* group = new QButtonGroup(this);
  const struct {
    int index;
    const char* caption;
    int top;
  } options[] = {{0, "32×32", 34}, {1, "24×24", 58}, {2, "16×16", 82}, {4, "その他", 106}};
  for (const auto& o : options) {
    auto* b = new QRadioButton(QString::fromUtf8(o.caption), area);
    b->setObjectName(QStringLiteral("Option1_%1").arg(o.index));
    b->setGeometry(16, o.top, 90, 22);
    group->addButton(b, o.index);
    Option1[static_cast<std::size_t>(o.index)] = b;
    connect(b, &QRadioButton::toggled, this, &Form6::updateLists);
  }

  const char* listCaptions[2] = {"縦（Height）", "横（Width）"};
  for (int i = 0; i < 2; ++i) {
    auto* label = new QLabel(QString::fromUtf8(listCaptions[i]), area);
    label->setObjectName(QStringLiteral("Label2_%1").arg(i));
    label->setGeometry(120, 34 + 48 * (1 - i), 120, 18);
    Label2[static_cast<std::size_t>(i)] = label;
    auto* combo = new QComboBox(area);
    combo->setObjectName(QStringLiteral("Combo1_%1").arg(i));
    combo->setEditable(true);  // a size may also be typed
    combo->setGeometry(120, 52 + 48 * (1 - i), 80, 24);
    Combo1[static_cast<std::size_t>(i)] = combo;
  }

  Command1 = new QPushButton(QStringLiteral("決　定"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(80, 150, 100, 28);
  connect(Command1, &QPushButton::clicked, this, &Form6::Command1_Click);
}

void Form6::updateLists() {
  const bool other = Option1[4]->isChecked();
  for (int i = 0; i < 2; ++i) {
    Combo1[static_cast<std::size_t>(i)]->setEnabled(other);
    Label2[static_cast<std::size_t>(i)]->setEnabled(other);
  }
}

void Form6::Form_Load() {
  Option1[0]->setChecked(true);
  for (QComboBox* combo : Combo1) {
    for (int n = 10; n <= 31; ++n) combo->addItem(QString::number(n));
    combo->setCurrentIndex(-1);
  }
  // The preselection looks at the height only.
  const int height = app().state.BitmapHeight;
  const int width = app().state.BitmapWidth;
  if (height == 32) {
    Option1[0]->setChecked(true);
  } else if (height == 24) {
    Option1[1]->setChecked(true);
  } else if (height == 16) {
    Option1[2]->setChecked(true);
  } else if (height != 0) {
    Combo1[0]->setEditText(QString::number(height));
    Option1[4]->setChecked(true);
    if (width != 0) Combo1[1]->setEditText(QString::number(width));
  }
  updateLists();
}

namespace {
std::int16_t ToSize(const QString& text) {
  const int v = ReadDecimalInt(text.toStdString());
  return static_cast<std::int16_t>(std::clamp(v, int{std::numeric_limits<std::int16_t>::min()},
                                              int{std::numeric_limits<std::int16_t>::max()}));
}
}  // namespace

void Form6::Command1_Click() {
  SharedState& s = app().state;
  if (Option1[0]->isChecked()) {
    s.BitmapWidth = s.BitmapHeight = 32;
  } else if (Option1[1]->isChecked()) {
    s.BitmapWidth = s.BitmapHeight = 24;
  } else if (Option1[2]->isChecked()) {
    s.BitmapWidth = s.BitmapHeight = 16;
  } else if (Option1[4]->isChecked()) {
    s.BitmapHeight = ToSize(Combo1[0]->currentText());
    s.BitmapWidth = ToSize(Combo1[1]->currentText());
  }
  unload();
}

}  // namespace pf
