#include "fullcolour/mask_window64.h"

#include <QMenuBar>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "fullcolour/full_colour_window.h"
#include "model/full_colour_icon.h"
#include "model/full_colour_mask.h"
#include "model/shared_state.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/drawing.h"

namespace pf {

namespace {

int Coordinate(double v) {
  return static_cast<int>(std::nearbyint(v));
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Picture control

PictureBox::PictureBox(QWidget* parent, const QString& name, int left, int top, int width, int height)
    : QWidget(parent), picture_(width, height) {
  setObjectName(name);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setGeometry(left, top, width, height);
  setFixedSize(width, height);
  picture_.setTrackDamage(true);
}

void PictureBox::resizePicture(int width, int height) {
  picture_.resize(width, height);
  picture_.takeDamage();
  setFixedSize(width, height);
  update();
}

void PictureBox::setPicture(const Surface& picture) {
  picture_ = picture;
  picture_.setTrackDamage(true);
  update();
}

void PictureBox::refresh() {
  const QRegion damage = picture_.takeDamage();
  if (!damage.isEmpty()) update(damage);
}

void PictureBox::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  for (const QRect& r : e->region()) p.drawImage(r.topLeft(), picture_.image(), r);
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
  if (onMouseDown) {
    onMouseDown(ButtonOf(e->button()), ShiftStateOf(e->modifiers()), Coordinate(e->position().x()),
                Coordinate(e->position().y()));
  }
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
  if (onMouseMove) {
    onMouseMove(ButtonsOf(e->buttons()), ShiftStateOf(e->modifiers()), Coordinate(e->position().x()),
                Coordinate(e->position().y()));
  }
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
  if (onMouseUp) {
    onMouseUp(ButtonOf(e->button()), ShiftStateOf(e->modifiers()), Coordinate(e->position().x()),
              Coordinate(e->position().y()));
  }
}

// ---------------------------------------------------------------------------------------------------
// The window

Form25::Form25(AppContext& app, QWidget* owner)
    : Form(app, QString::fromLatin1(kFormName), owner), S(app.state) {
  setWindowTitle(QStringLiteral("６４ビットフルカラーアイコン　マスク処理"));
  buildControls();
  buildMenus();
}

Form25::~Form25() = default;

void Form25::buildControls() {
  QWidget* area = clientArea();
  const int side = kCell * Edge;
  Picture1 = new PictureBox(area, QStringLiteral("Picture1"), 0, 0, side, side);
  Picture1->onMouseDown = [this](int b, int s, int x, int y) { Picture1_MouseDown(b, s, x, y); };
  Picture1->onMouseMove = [this](int b, int s, int x, int y) { Picture1_MouseMove(b, s, x, y); };
  Picture1->onMouseUp = [this](int b, int s, int x, int y) { Picture1_MouseUp(b, s, x, y); };

  const int left = side + 10;
  Text1 = new QLineEdit(area);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setReadOnly(true);
  Text1->setGeometry(left, 4, 150, 24);
  Label1 = MakeLabel(area, QStringLiteral("Label1"), QString(), left, 34, 150);
  Label3 = MakeLabel(area, QStringLiteral("Label3"), QString(), left, 58, 150, 60);
  Label4 = MakeLabel(area, QStringLiteral("Label4"), QStringLiteral("色範囲"), left, 126, 60);
  Label2 = MakeLabel(area, QStringLiteral("Label2"), QString(), left + 120, 150, 30);
  Slider1 = new QSlider(Qt::Horizontal, area);
  Slider1->setObjectName(QStringLiteral("Slider1"));
  Slider1->setGeometry(left, 148, 112, 24);
  Slider1->setRange(0, 255);
  Slider1->setSingleStep(1);
  Slider1->setPageStep(5);
  Slider1->setValue(0);
  // Every way of moving the slider, the keyboard's included, sets the range.
  connect(Slider1, &QSlider::valueChanged, this, [this] { Slider1_Click(); });
}

void Form25::buildMenus() {
  QMenuBar* bar = menuBar();
  mnuM = addSubMenu(bar, QStringLiteral("mnuM"), QStringLiteral("マスク"));
  addMenuItem(mnuM, QStringLiteral("mnuALL"), QStringLiteral("ALL"), &Form25::mnuALL_Click);
  addMenuItem(mnuM, QStringLiteral("mnuCLEAR"), QStringLiteral("CLEAR"), &Form25::mnuCLEAR_Click);
  addMenuItem(mnuM, QStringLiteral("mnuREV"), QStringLiteral("反転"), &Form25::mnuREV_Click);
  addMenuItem(mnuM, QStringLiteral("mnuADD"), QStringLiteral("追加"), &Form25::mnuADD_Click);
  addMenuItem(mnuM, QStringLiteral("mnuDEL"), QStringLiteral("削除"), &Form25::mnuDEL_Click);
  addMenuItem(mnuM, QStringLiteral("mnuUNDO"), QStringLiteral("戻す"), &Form25::mnuUNDO_Click);
  addMenuItem(bar, QStringLiteral("mnuEND"), QStringLiteral("終了"), &Form25::mnuEND_Click);
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void Form25::Form_Load() {
  S.fMaskFormOpen = true;
  if (auto* icon = app().find<Form20>()) Edge = icon->chosenSize();
  const int side = kCell * Edge;
  Picture1->resizePicture(side, side);
  Picture2.resize(side, side);
  Picture3.resize(side, side);
  const int left = side + 10;
  for (QWidget* w : std::initializer_list<QWidget*>{Text1, Label1, Label3, Label4, Slider1}) {
    w->move(left, w->y());
  }
  Label2->move(left + 120, Label2->y());
  setClientSize(left + 160, std::max(side, 180));

  Label1->setText(QStringLiteral("X=0,Y=0"));
  Label2->setText(QStringLiteral("0"));
  const auto cells = static_cast<std::size_t>(Edge) * static_cast<std::size_t>(Edge);
  Grid.assign(cells, 0);
  GetBit();
  // Undo before any command keeps the mask as it came.
  UndoGrid = Grid;
}

void Form25::Form_Activate() {
  if (auto* icon = app().find<Form20>()) icon->GetIC(S.FullColourPixels);
  Pixels = S.FullColourPixels;
  // The unmasked picture: a cell's colour is its pixel's, whatever its mask says.
  for (int row = 0; row < Edge; ++row) {
    for (int column = 0; column < Edge; ++column) {
      FillColourRect(Picture3, kCell * column, kCell * row, kCell * column + kCell, kCell * row + kCell,
                     FullColourCell(Pixels, Edge, column, row));
    }
  }
  DrawMaskedPicture();
}

void Form25::Form_Unload() {
  SetMask();
  S.fMaskFormOpen = false;
}

void Form25::GetBit() {
  UnpackFullColourMask(S.FullColourMask, Edge, Grid);
}

void Form25::SetMask() {
  // A mask of another size belongs to another icon; it is left alone.
  PackFullColourMask(Grid, Edge, S.FullColourMask);
}

// ---------------------------------------------------------------------------------------------------
// Drawing

PaletteEntry Form25::cellColour(int column, int row) const {
  const auto bgr =
      ColorRefToBgr(static_cast<ColorRef>(Picture3.getPixel(kCell * column + 2, kCell * row + 2)));
  return {bgr[0], bgr[1], bgr[2], 0};
}

void Form25::paintCell(int column, int row, std::uint8_t value) {
  const BackgroundColourValue& bg = S.BackgroundColour;
  const PaletteEntry shown =
      value == 1 ? PaletteEntry{bg.blue, bg.green, bg.red, 0} : cellColour(column, row);
  FillColourRect(Picture2, kCell * column, kCell * row, kCell * column + kCell, kCell * row + kCell, shown);
}

void Form25::DrawMaskedPicture() {
  for (int row = 0; row < Edge; ++row) {
    for (int column = 0; column < Edge; ++column) {
      paintCell(column, row, Grid[static_cast<std::size_t>(row * Edge + column)]);
    }
  }
  Picture1->setPicture(Picture2);
}

void Form25::showHover(int column, int row) {
  Surface& p = Picture1->picture();
  p.bitBlt(0, 0, p.width(), p.height(), Picture2, 0, 0);
  const int left = kCell * column;
  const int top = kCell * row;
  // The box is drawn in the contrast colour of the cell's own colour.
  const PaletteEntry under = cellColour(column, row);
  DrawFrameRect(p, left, top, left + kCell - 1, top + kCell - 1, under, 1);
  Label3->setText(QStringLiteral("R=%1\n G=%2\n B=%3").arg(under.red).arg(under.green).arg(under.blue));
  Picture1->refresh();
}

int Form25::clampCell(int v) const {
  return std::clamp(v / kCell, 0, Edge - 1);
}

// ---------------------------------------------------------------------------------------------------
// Painting with the mouse

void Form25::Picture1_MouseDown(int button, int shift, int x, int y) {
  const int cx = clampCell(x);
  const int cy = clampCell(y);
  Label1->setText(QStringLiteral("X=%1Y=%2").arg(cx).arg(cy));
  std::uint8_t& cell = Grid[static_cast<std::size_t>(cy * Edge + cx)];
  if (button == 1 && shift == 0) {
    cell = 1;
    paintCell(cx, cy, 1);
    PaintingTransparent = true;
  } else if (button == 1) {
    ReferenceColour = cellColour(cx, cy);
    Text1->setText(QStringLiteral("R=%1 G=%2 B=%3")
                       .arg(ReferenceColour.red)
                       .arg(ReferenceColour.green)
                       .arg(ReferenceColour.blue));
  } else {
    cell = 0;
    paintCell(cx, cy, 0);
    PaintingOpaque = true;
  }
  SetMask();
  HoverColumn = cx;
  HoverRow = cy;
  // The press shows at once, without waiting for the pointer to move.
  showHover(cx, cy);
}

void Form25::Picture1_MouseMove(int buttons, int /*shift*/, int x, int y) {
  const int cx = clampCell(x);
  const int cy = clampCell(y);
  Label1->setText(QStringLiteral("X=%1Y=%2").arg(cx).arg(cy));
  std::uint8_t& cell = Grid[static_cast<std::size_t>(cy * Edge + cx)];
  if ((buttons & 1) != 0 && PaintingTransparent) {
    cell = 1;
    paintCell(cx, cy, 1);
    SetMask();
  } else if ((buttons & 2) != 0 && PaintingOpaque) {
    cell = 0;
    paintCell(cx, cy, 0);
    SetMask();
  }
  HoverColumn = cx;
  HoverRow = cy;
  showHover(cx, cy);
}

void Form25::Picture1_MouseUp(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {
  PaintingTransparent = false;
  PaintingOpaque = false;
}

void Form25::Slider1_Click() {
  ColourRange = Slider1->value();
  Label2->setText(QString::number(ColourRange));
}

// ---------------------------------------------------------------------------------------------------
// Whole-mask commands

void Form25::command(const std::function<void()>& change) {
  UndoGrid = Grid;
  change();
  SetMask();
  DrawMaskedPicture();
}

void Form25::mnuALL_Click() {
  command([this] { std::fill(Grid.begin(), Grid.end(), std::uint8_t{1}); });
}

void Form25::mnuCLEAR_Click() {
  command([this] { std::fill(Grid.begin(), Grid.end(), std::uint8_t{0}); });
}

void Form25::mnuREV_Click() {
  command([this] { InvertMaskGrid(Grid); });
}

void Form25::mnuADD_Click() {
  command([this] { SelectColourRange(Grid, Pixels, Edge, ReferenceColour, ColourRange, true); });
}

void Form25::mnuDEL_Click() {
  command([this] { SelectColourRange(Grid, Pixels, Edge, ReferenceColour, ColourRange, false); });
}

void Form25::mnuUNDO_Click() {
  Grid = UndoGrid;
  SetMask();
  DrawMaskedPicture();
}

void Form25::mnuEND_Click() {
  unload();
}

}  // namespace pf
