#include "tools/mouse_draw.h"

#include <QMenuBar>
#include <algorithm>
#include <optional>

#include "model/input_rules.h"
#include "model/numeric_text.h"
#include "platform/app_context.h"
#include "platform/drawing.h"
#include "platform/fonts.h"
#include "platform/swatch.h"

namespace pf {

namespace {

// The shared picture without the spare byte at its end.
Image32 PictureOf(const SharedState& s) {
  Image32 picture{};
  std::copy_n(s.IconPixels.begin(), picture.size(), picture.begin());
  return picture;
}

}  // namespace

Form17::Form17(AppContext& app, QWidget* owner)
    : Form(app, QStringLiteral("Form17"), owner), canvas_(app.state.IconPalette) {
  setWindowTitle(QStringLiteral("MouseDraw"));
  setClientSize(420, 380);
  client().setFont(MinchoFont(12));
  buildControls();
}

Form17::~Form17() = default;

void Form17::buildControls() {
  QWidget* area = clientArea();
  auto label = [area](const char* name, const QString& text, int x, int y, int w) {
    auto* l = new QLabel(text, area);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(x, y, w, 20);
    return l;
  };

  Label1 = label("Label1", QString(), 60, 184, 30);
  Label1->setAutoFillBackground(true);
  Label1->setFrameShape(QFrame::Box);
  SetSwatchColour(Label1, 0);
  Label2 = label("Label2", QStringLiteral("パレット=0"), 100, 184, 100);
  Label3 = label("Label3", QStringLiteral("座標"), 60, 220, 40);
  Label4 = label("Label4", QStringLiteral("0"), 100, 220, 30);
  Label5 = label("Label5", QStringLiteral("0"), 135, 220, 30);
  Label6 = label("Label6", QStringLiteral("色"), 60, 245, 40);
  Label7 = label("Label7", QStringLiteral("0"), 100, 245, 30);

  constexpr int kLeft = 262;
  const QString modes[5] = {QStringLiteral("円描画"), QStringLiteral("四角描画"), QStringLiteral("直線描画"),
                            QStringLiteral("点描画"), QStringLiteral("塗りつぶし")};
  // Listed dots first, as the window shows them, and the fill below the four shapes.
  for (int i = 0; i < 5; ++i) {
    const auto n = static_cast<std::size_t>(i);
    Option1[n] = new QRadioButton(modes[i], area);
    Option1[n]->setObjectName(QStringLiteral("Option1_%1").arg(i));
    Option1[n]->setGeometry(kLeft, 10 + 24 * (i == kFill ? 4 : 3 - i), 140, 22);
    connect(Option1[n], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) canvas_.setMode(i);
    });
  }

  auto check = [area](const char* name, const QString& text, int y) {
    auto* c = new QCheckBox(text, area);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(kLeft, y, 150, 22);
    return c;
  };
  Check1 = check("Check1", QStringLiteral("塗る"), 136);
  Check2 = check("Check2", QStringLiteral("混色"), 162);
  for (int i = 0; i < 2; ++i) {
    const auto n = static_cast<std::size_t>(i);
    Text1[n] = new QLineEdit(QStringLiteral("0"), area);
    Text1[n]->setObjectName(QStringLiteral("Text1_%1").arg(i));
    Text1[n]->setGeometry(kLeft + 20 + 60 * i, 188, 50, 24);
    Text1[n]->setEnabled(false);
    connect(Text1[n], &QLineEdit::textChanged, this, [this, i] { mixColourChanged(i); });
  }
  Check3 = check("Check3", QStringLiteral("合　成"), 224);
  Check4 = check("Check4", QStringLiteral("合成図を下に"), 250);
  Command1 = new QPushButton(QStringLiteral("All Clear"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(kLeft, 286, 100, 28);

  connect(Check1, &QCheckBox::toggled, this, [this](bool on) { canvas_.setFilled(on); });
  connect(Check2, &QCheckBox::toggled, this, [this] { Check2_Click(); });
  connect(Check3, &QCheckBox::toggled, this, [this] { Check3_Click(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });

  mnuGET =
      addMenuItem(menuBar(), QStringLiteral("mnuGET"), QStringLiteral("画像取込"), &Form17::mnuGET_Click);
  mnuSend =
      addMenuItem(menuBar(), QStringLiteral("mnuSend"), QStringLiteral("画像送信"), &Form17::mnuSend_Click);
  mnuUPDATE =
      addMenuItem(menuBar(), QStringLiteral("mnuUPDATE"), QStringLiteral("更新"), &Form17::mnuUPDATE_Click);
  mnuUPDATE->setEnabled(false);
  mnuUNDO = addMenuItem(menuBar(), QStringLiteral("mnuUNDO"), QStringLiteral("戻す"), &Form17::mnuUNDO_Click);
  mnuEND = addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了"), &Form17::mnuEND_Click);
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void Form17::Form_Load() {
  ready_ = true;
  Option1[kDot]->setChecked(true);
  SetSwatchColour(Label1, 0);
  Label2->setText(QStringLiteral("パレット=0"));
  canvas_.load(PictureOf(app().state));
}

void Form17::Form_Activate() {
  if (!firstActivation()) return;
  redraw();
  drawPaletteStrip();
}

void Form17::Form_Unload() {
  ready_ = false;
}

// ---------------------------------------------------------------------------------------------------
// Mouse

bool Form17::onCanvas(int x, int y) {
  return x >= kCanvasLeft && x < kCanvasLeft + kCanvasSize && y >= kCanvasTop && y < kCanvasTop + kCanvasSize;
}

bool Form17::onStrip(int x, int y) {
  // The last swatch ends at y 370; its bottom edge would be entry 16.
  return x >= kStripLeft && x <= kStripRight && y >= kStripTop && y < kStripTop + 16 * kStripStep;
}

void Form17::Form_MouseDown(int button, int /*shift*/, int x, int y) {
  if (!ready() || (button != 1 && button != 2)) return;
  if (onStrip(x, y)) {
    pickColour(button, y);
  } else if (onCanvas(x, y)) {
    if (canvas_.press((x - kCanvasLeft) / kZoom, (y - kCanvasTop) / kZoom, currentMix())) redraw();
  }
}

void Form17::Form_MouseMove(int buttons, int /*shift*/, int x, int y) {
  if (!ready() || (buttons & 1) == 0 || !onCanvas(x, y)) return;
  const int px = (x - kCanvasLeft) / kZoom;
  const int py = (y - kCanvasTop) / kZoom;
  if (canvas_.compositing()) {
    canvas_.moveComposite(px, py, Check4->isChecked());
    redraw();
    return;
  }
  Label4->setText(QString::number(px));
  Label5->setText(QString::number(py));
  Label7->setText(QString::number(canvas_.at(px, py)));
  if (canvas_.drawing()) toolStep(px, py);
}

void Form17::Form_MouseUp(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {
  if (ready() && canvas_.release(currentMix())) redraw();
}

std::optional<MouseDrawCanvas::Mix> Form17::currentMix() const {
  if (!Check2->isChecked()) return std::nullopt;
  return MouseDrawCanvas::Mix{ReadDecimalInt(Text1[0]->text().toStdString()),
                              ReadDecimalInt(Text1[1]->text().toStdString())};
}

void Form17::pickColour(int button, int y) {
  const int k = std::clamp((y - kStripTop) / kStripStep, 0, 15);
  canvas_.setColour(k);
  if (button == 1) {
    SetSwatchColour(Label1, EntryColour(app().state.IconPalette[static_cast<std::size_t>(k)]));
    Label2->setText(QStringLiteral("パレット=") + QString::number(k, 16).toUpper());
    Text1[0]->setText(QString::number(k));
  } else {
    Text1[1]->setText(QString::number(k));
  }
}

void Form17::toolStep(int x, int y) {
  if (ready() && canvas_.step(x, y)) redraw();
}

// ---------------------------------------------------------------------------------------------------
// Painting

void Form17::redraw() {
  if (!ready()) return;
  client().bitBlt(kCanvasLeft, kCanvasTop, kCanvasSize, kCanvasSize, canvas_.view(), 0, 0);
  client().bitBlt(kPreviewLeft, kPreviewTop, kIconSize, kIconSize, canvas_.display(), 0, 0);
  refresh();
}

void Form17::drawPaletteStrip() {
  Surface& s = client();
  const QColor back = palette().color(QPalette::Window);
  s.fillRect(kDigitLeft - 4, kStripTop, kStripLeft, kStripTop + 16 * kStripStep,
             Rgb(back.red(), back.green(), back.blue()));
  s.setBkMode(false);
  s.setTextColor(0);
  for (int k = 0; k < 16; ++k) {
    FillColourRect(s, kStripLeft, kStripTop + kStripStep * k, kStripRight, kStripTop + kStripStep * (k + 1),
                   app().state.IconPalette[static_cast<std::size_t>(k)]);
    s.textOut(kDigitLeft, kStripTop + 4 + kStripStep * k, QString::number(k, 16).toUpper());
  }
  refresh();
}

// ---------------------------------------------------------------------------------------------------
// Controls and menus

void Form17::Check2_Click() {
  for (QLineEdit* t : Text1) t->setEnabled(Check2->isChecked());
}

void Form17::Check3_Click() {
  if (!Check3->isChecked()) {
    mnuUPDATE->setEnabled(false);
    canvas_.endComposite();
    return;
  }
  mnuUPDATE->setEnabled(true);
  if (!ready()) return;
  canvas_.startComposite(PictureOf(app().state));
  drawPaletteStrip();
  redraw();
}

void Form17::mixColourChanged(int index) {
  if (applyingRule_) return;
  QLineEdit* box = Text1[static_cast<std::size_t>(index)];
  if (const std::optional<std::string> text = MixColourRule(box->text().toStdString())) {
    applyingRule_ = true;
    box->setText(QString::fromStdString(*text));
    applyingRule_ = false;
  }
}

void Form17::Command1_Click() {
  if (!ready()) return;
  canvas_.clear();
  redraw();
}

void Form17::mnuGET_Click() {
  if (!ready()) return;
  canvas_.load(PictureOf(app().state));
  drawPaletteStrip();
  redraw();
}

void Form17::mnuSend_Click() {
  std::copy(canvas_.work().begin(), canvas_.work().end(), app().state.IconPixels.begin());
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form17::mnuUPDATE_Click() {
  if (ready()) canvas_.commitComposite();
}

void Form17::mnuUNDO_Click() {
  if (!ready()) return;
  canvas_.undo();
  redraw();
}

void Form17::mnuEND_Click() {
  unload();
}

}  // namespace pf
