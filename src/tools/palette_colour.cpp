#include "tools/palette_colour.h"

#include <QCoreApplication>
#include <QEvent>

#include "platform/app_context.h"
#include "platform/swatch.h"

namespace pf {

namespace {

constexpr int kRowTop = 45;
constexpr int kRowStep = 35;

// Slider k holds byte 2 - k of the entry: red, green, blue.
std::uint8_t& Component(PaletteEntry& e, int k) {
  return k == 0 ? e.red : (k == 1 ? e.green : e.blue);
}

}  // namespace

Form2::Form2(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form2"), owner) {
  setWindowTitle(QStringLiteral("パレット色設定"));
  setClientSize(300, 200);
  QWidget* area = clientArea();

  Label2 = new QLabel(QStringLiteral("パレット番号"), area);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label2->setGeometry(10, 10, 90, 20);
  Text1 = new QLineEdit(area);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(100, 8, 40, 24);
  Text1->setReadOnly(true);
  Label3 = new QLabel(area);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setGeometry(180, 8, 70, 24);
  Label3->setAutoFillBackground(true);
  Label3->setFrameShape(QFrame::Box);

  static const char* const kNames[3] = {"赤", "緑", "青"};
  for (int k = 0; k < 3; ++k) {
    const int top = kRowTop + kRowStep * k;
    auto* name = new QLabel(QString::fromUtf8(kNames[k]), area);
    name->setObjectName(QStringLiteral("Label4_%1").arg(k));
    name->setGeometry(10, top, 24, 20);
    auto* slider = new QSlider(Qt::Horizontal, area);
    slider->setObjectName(QStringLiteral("Slider1_%1").arg(k));
    slider->setGeometry(40, top - 3, 200, 26);
    slider->setRange(0, 255);
    // Moves without a pressed button must reach the slider too.
    slider->setMouseTracking(true);
    slider->installEventFilter(this);
    auto* value = new QLabel(area);
    value->setObjectName(QStringLiteral("Label1_%1").arg(k));
    value->setGeometry(250, top, 40, 20);
    Label4[static_cast<std::size_t>(k)] = name;
    Slider1[static_cast<std::size_t>(k)] = slider;
    Label1[static_cast<std::size_t>(k)] = value;
  }

  Command1 = new QPushButton(QStringLiteral("確定"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(40, 160, 90, 28);
  connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
  Command2 = new QPushButton(QStringLiteral("戻す"), area);
  Command2->setObjectName(QStringLiteral("Command2"));
  Command2->setGeometry(150, 160, 90, 28);
  connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
}

PaletteEntry* Form2::selectedEntry() {
  if (!app().editor()) return nullptr;
  return &app().state.IconPalette[static_cast<std::size_t>(SelectedPaletteEntry(app()))];
}

void Form2::Form_Load() {
  app().state.Form2Open = true;
  PaletteEntry* entry = selectedEntry();
  if (!entry) return;
  savedEntry_ = *entry;
  for (int k = 0; k < 3; ++k) {
    QSlider* slider = Slider1[static_cast<std::size_t>(k)];
    slider->setMaximum(255);
    slider->setValue(Component(*entry, k));
    Label1[static_cast<std::size_t>(k)]->setText(QString::number(slider->value()));
  }
  Text1->setText(QString::number(SelectedPaletteEntry(app())));
  Refresh();
}

void Form2::Form_Unload() {
  app().state.Form2Open = false;
}

void Form2::Slider1_MouseMove(int k) {
  if (k < 0 || k > 2) return;
  PaletteEntry* entry = selectedEntry();
  if (!entry) return;
  const int value = Slider1[static_cast<std::size_t>(k)]->value();
  Label1[static_cast<std::size_t>(k)]->setText(QString::number(value));
  Component(*entry, k) = static_cast<std::uint8_t>(value);
  Refresh();
}

void Form2::Command1_Click() {
  unload();
}

void Form2::Command2_Click() {
  PaletteEntry* entry = selectedEntry();
  if (!entry) return;
  // Byte 3 comes back too: the saved copy is the whole entry.
  *entry = savedEntry_;
  setSwatch(*entry);
  for (int k = 0; k < 3; ++k) Slider1[static_cast<std::size_t>(k)]->setValue(Component(*entry, k));
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form2::setSwatch(const PaletteEntry& entry) {
  SetSwatchColour(Label3, EntryColour(entry));
}

void Form2::Refresh() {
  if (const PaletteEntry* entry = selectedEntry()) setSwatch(*entry);
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

bool Form2::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove && !deliveringMove_) {
    for (int k = 0; k < 3; ++k) {
      if (watched != Slider1[static_cast<std::size_t>(k)]) continue;
      // The slider takes the move first, so a drag writes the value the handle has just reached.
      deliveringMove_ = true;
      QCoreApplication::sendEvent(watched, event);
      deliveringMove_ = false;
      Slider1_MouseMove(k);
      return true;
    }
  }
  return Form::eventFilter(watched, event);
}

}  // namespace pf
