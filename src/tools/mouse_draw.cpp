#include "tools/mouse_draw.h"

#include <QMenuBar>
#include <algorithm>
#include <cmath>

#include "editor/main_window.h"
#include "model/input_rules.h"
#include "model/numeric_text.h"
#include "platform/app_context.h"
#include "platform/drawing.h"
#include "platform/fonts.h"
#include "platform/swatch.h"

namespace pf {

namespace {

// Only the 32 x 32 corner of the small surfaces is used; the rest is slack.
constexpr int kSurfaceSize = 35;
constexpr ColorRef kKey = 0;  // black is transparent whenever one surface is laid over another
constexpr PaletteEntry kBlack{};

void Clear(Surface& s) {
  FillColourRect(s, 0, 0, kIconSize, kIconSize, kBlack);
}

void Copy(Surface& to, const Surface& from) {
  to.bitBlt(0, 0, kIconSize, kIconSize, from, 0, 0);
}

void LayOver(Surface& to, const Surface& from, int x = 0, int y = 0) {
  to.transparentBlt(x, y, kIconSize, kIconSize, from, 0, 0, kIconSize, kIconSize, kKey);
}

std::size_t WorkIndex(int x, int y) {
  return static_cast<std::size_t>((kIconSize - 1 - y) * kIconSize + x);
}

}  // namespace

Form17::Form17(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form17"), owner) {
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
  const QString modes[4] = {QStringLiteral("円描画"), QStringLiteral("四角描画"), QStringLiteral("直線描画"),
                            QStringLiteral("点描画")};
  // Listed dots first, as the window shows them.
  for (int i = 0; i < 4; ++i) {
    const auto n = static_cast<std::size_t>(i);
    Option1[n] = new QRadioButton(modes[i], area);
    Option1[n]->setObjectName(QStringLiteral("Option1_%1").arg(i));
    Option1[n]->setGeometry(kLeft, 10 + 24 * (3 - i), 140, 22);
    connect(Option1[n], &QRadioButton::toggled, this, [this, i](bool on) {
      if (on) CurrentMode = i;
    });
  }

  auto check = [area](const char* name, const QString& text, int y) {
    auto* c = new QCheckBox(text, area);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(kLeft, y, 150, 22);
    return c;
  };
  Check1 = check("Check1", QStringLiteral("塗る"), 112);
  Check2 = check("Check2", QStringLiteral("混色"), 138);
  for (int i = 0; i < 2; ++i) {
    const auto n = static_cast<std::size_t>(i);
    Text1[n] = new QLineEdit(QStringLiteral("0"), area);
    Text1[n]->setObjectName(QStringLiteral("Text1_%1").arg(i));
    Text1[n]->setGeometry(kLeft + 20 + 60 * i, 164, 50, 24);
    Text1[n]->setEnabled(false);
    connect(Text1[n], &QLineEdit::textChanged, this, [this, i] { mixColourChanged(i); });
  }
  Check3 = check("Check3", QStringLiteral("合　成"), 200);
  Check4 = check("Check4", QStringLiteral("合成図を下に"), 226);
  Command1 = new QPushButton(QStringLiteral("All Clear"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(kLeft, 262, 100, 28);

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
  std::copy_n(app().state.IconPixels.begin(), W.size(), W.begin());
  View = CreateMemoryCanvas(client(), kCanvasSize, kCanvasSize);
  for (std::unique_ptr<Surface>* s : {&Backup, &MixSurface, &Overlay, &Image, &Display, &Composite, &Spare})
    *s = CreateMemoryCanvas(client(), kSurfaceSize, kSurfaceSize);
  Option1[kDot]->setChecked(true);
  SetSwatchColour(Label1, 0);
  Label2->setText(QStringLiteral("パレット=0"));
  paintWork();
}

void Form17::Form_Activate() {
  if (!firstActivation()) return;
  redraw();
  drawPaletteStrip();
}

void Form17::Form_Unload() {
  for (std::unique_ptr<Surface>* s :
       {&View, &Backup, &MixSurface, &Overlay, &Image, &Display, &Composite, &Spare})
    s->reset();
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
  } else if (onCanvas(x, y) && !Check3->isChecked()) {
    Drawing = true;
    Undone = false;
    toolStep((x - kCanvasLeft) / kZoom, (y - kCanvasTop) / kZoom);
  }
}

void Form17::Form_MouseMove(int buttons, int /*shift*/, int x, int y) {
  if (!ready() || (buttons & 1) == 0 || !onCanvas(x, y)) return;
  const Point p{(x - kCanvasLeft) / kZoom, (y - kCanvasTop) / kZoom};
  if (Check3->isChecked()) {
    // The composite picture follows the mouse with its pixel (16, 16) under the pointer.
    if (Check4->isChecked()) {
      Clear(*Display);
      Display->bitBlt(p.x - 16, p.y - 16, kIconSize, kIconSize, *Composite, 0, 0);
      LayOver(*Display, *Image);
    } else {
      Copy(*Display, *Image);
      LayOver(*Display, *Composite, p.x - 16, p.y - 16);
    }
    readBack();
    redraw();
    return;
  }
  Label4->setText(QString::number(p.x));
  Label5->setText(QString::number(p.y));
  Label7->setText(QString::number(W[WorkIndex(p.x, p.y)]));
  if (Drawing) toolStep(p.x, p.y);
}

void Form17::Form_MouseUp(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {
  if (!ready() || (Check3->isChecked() && Drawing)) return;
  if (Check2->isChecked() && Drawing) mixOverlay();
  if (Anchored) commitStroke();
  Drawing = false;
  Anchored = false;
}

void Form17::pickColour(int button, int y) {
  K = std::clamp((y - kStripTop) / kStripStep, 0, 15);
  if (button == 1) {
    SetSwatchColour(Label1, EntryColour(entry(K)));
    Label2->setText(QStringLiteral("パレット=") + QString::number(K, 16).toUpper());
    Text1[0]->setText(QString::number(K));
  } else {
    Text1[1]->setText(QString::number(K));
  }
}

// ---------------------------------------------------------------------------------------------------
// Tools

void Form17::toolStep(int x, int y) {
  if (!ready()) return;
  const Point p{std::clamp(x, 0, kIconSize - 1), std::clamp(y, 0, kIconSize - 1)};
  if (CurrentMode == kDot) {
    if (!Anchored) {
      // A stroke's first point only starts it: a click without moving draws nothing.
      Clear(*Overlay);
      Anchored = true;
      return;
    }
    if (K != 0) {
      Overlay->setPixel(p.x, p.y, colour(K));
      LayOver(*Display, *Overlay);
    } else {
      Image->setPixel(p.x, p.y, colour(0));
    }
    readBack();
    redraw();
    return;
  }

  Clear(*Overlay);
  Point* anchor = CurrentMode == kLine ? &LineStart : CurrentMode == kRectangle ? &BoxCorner : &CircleCentre;
  if (!Anchored) {
    *anchor = p;
    Anchored = true;
    return;
  }
  // The overlay holds only the current shape, from the stroke's first point to this one.
  const PaletteEntry e = entry(K);
  if (CurrentMode == kLine) {
    DrawLine(*Overlay, anchor->x, anchor->y, p.x, p.y, e);
    Overlay->setPixel(p.x, p.y, colour(K));
  } else if (CurrentMode == kRectangle) {
    DrawBox(*Overlay, anchor->x, anchor->y, p.x, p.y, e);
    if (Check1->isChecked()) FillColourRect(*Overlay, anchor->x, anchor->y, p.x, p.y, e);
  } else {
    const double dx = p.x - anchor->x;
    const double dy = p.y - anchor->y;
    const int r = RoundToInt(std::sqrt(dx * dx + dy * dy));
    // A black brush is the transparent key: the circle shows as an outline.
    FillCircle(*Overlay, anchor->x, anchor->y, r + 1, e, Check1->isChecked() ? e : kBlack);
  }
  Copy(*Display, *Image);
  LayOver(*Display, *Overlay);
  readBack();
  redraw();
}

void Form17::mixOverlay() {
  const int c1 = ReadDecimalInt(Text1[0]->text().toStdString());
  const int c2 = ReadDecimalInt(Text1[1]->text().toStdString());
  Clear(*MixSurface);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) {
      if (Overlay->getPixel(x, y) != kKey) MixSurface->setPixel(x, y, colour(MixIndex(x, y, c1, c2)));
    }
  }
  Copy(*Overlay, *MixSurface);
  LayOver(*Display, *Overlay);
  readBack();
  redraw();
}

void Form17::commitStroke() {
  Copy(*Backup, *Image);
  LayOver(*Image, *Overlay);
  Copy(*Display, *Image);
  // Read the committed picture back at once, so what is shown and sent is the stroke just finished
  // (dots in entry 0 go straight to the image surface and would otherwise not show until later).
  readBack();
  redraw();
}

// ---------------------------------------------------------------------------------------------------
// Surfaces

PaletteEntry Form17::entry(int index) const {
  return app().state.IconPalette[static_cast<std::size_t>(index & 0x0F)];
}

void Form17::readBack() {
  std::array<ColorRef, kPixelCount> screen{};
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x)
      screen[static_cast<std::size_t>(y * kIconSize + x)] = static_cast<ColorRef>(Display->getPixel(x, y));
  }
  ReadBack(screen, Map, W);
}

void Form17::redraw() {
  if (!ready()) return;
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x)
      FillColourRect(*View, kZoom * x, kZoom * y, kZoom * x + kZoom, kZoom * y + kZoom,
                     entry(W[WorkIndex(x, y)]));
  }
  client().bitBlt(kCanvasLeft, kCanvasTop, kCanvasSize, kCanvasSize, *View, 0, 0);
  client().bitBlt(kPreviewLeft, kPreviewTop, kIconSize, kIconSize, *Display, 0, 0);
  refresh();
}

void Form17::paintWork() {
  Map = BuildColourMap(app().state.IconPalette);
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) Image->setPixel(x, y, colour(W[WorkIndex(x, y)]));
  }
  Copy(*Display, *Image);
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
                   entry(k));
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
    return;
  }
  mnuUPDATE->setEnabled(true);
  if (!ready()) return;
  std::copy_n(app().state.IconPixels.begin(), C.size(), C.begin());
  Map = BuildColourMap(app().state.IconPalette);
  drawPaletteStrip();
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x) Composite->setPixel(x, y, colour(C[WorkIndex(x, y)]));
  }
  Copy(*Display, *Image);
  LayOver(*Display, *Composite);
  readBack();
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
  for (Surface* s : {Backup.get(), MixSurface.get(), Overlay.get(), Image.get(), Display.get()}) Clear(*s);
  readBack();
  redraw();
}

void Form17::mnuGET_Click() {
  if (!ready()) return;
  std::copy_n(app().state.IconPixels.begin(), W.size(), W.begin());
  paintWork();
  drawPaletteStrip();
  redraw();
}

void Form17::mnuSend_Click() {
  std::copy(W.begin(), W.end(), app().state.IconPixels.begin());
  if (IC* ic = app().find<IC>()) ic->DoShow();
}

void Form17::mnuUPDATE_Click() {
  if (!ready() || !Check3->isChecked()) return;
  Copy(*Backup, *Display);
  Copy(*Image, *Display);
}

void Form17::mnuUNDO_Click() {
  if (!ready()) return;
  // Switches between the picture before the last commit and the picture after it.
  if (!Undone) {
    Copy(*Spare, *Display);
    Copy(*Image, *Backup);
    Copy(*Display, *Backup);
    Undone = true;
  } else {
    Copy(*Image, *Spare);
    Copy(*Display, *Spare);
    Undone = false;
  }
  readBack();
  redraw();
}

void Form17::mnuEND_Click() {
  unload();
}

}  // namespace pf
