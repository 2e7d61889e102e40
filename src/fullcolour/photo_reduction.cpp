#include "fullcolour/photo_reduction.h"

#include <QMenuBar>
#include <QSignalBlocker>
#include <algorithm>
#include <optional>

#include "fullcolour/reduction_window.h"
#include "model/numeric_text.h"
#include "model/photo_geometry.h"
#include "model/profile.h"
#include "model/shared_state.h"
#include "platform/app_context.h"

namespace pf {

namespace {

constexpr const char* kOpenFolderKey = "MedianPicture";
const QString kOpenFilter =
    QStringLiteral("画像データﾟ(*.bmp;*.jpg;*.ico)|%1;*.ico|全て(*.*)|*.*").arg(kPhotoPatterns);
const QString kNoDisplayWindow = QStringLiteral("表示フォームが立ち上がっていません。");

// The slider holds ratio * 20: 1/20 up to the photo's own size.
constexpr double kSliderUnit = 20.0;
constexpr int kSliderMin = 1;
constexpr int kSliderMax = 20;
constexpr double kFirstRatio = kSliderMin / kSliderUnit;

constexpr int kFrameLeft = Form9::kPictureWidth + Form9::kScrollBarWidth + 8;
constexpr int kScrollStep = Form9::kSquare;
constexpr int kFrameWidth = 176;

QSize ShownSize(int w, int h, double ratio) {
  const Extent shown = ShownSizeAt(w, h, ratio);
  return {shown.width, shown.height};
}

}  // namespace

Form9::Form9(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form9"), owner) {
  setWindowTitle(QStringLiteral("写真加工"));
  setClientSize(kFrameLeft + kFrameWidth + 8, kPictureHeight + kScrollBarWidth);

  Frame1 = new QGroupBox(QStringLiteral("写真の縮小"), clientArea());
  Frame1->setObjectName(QStringLiteral("Frame1"));
  Frame1->setGeometry(kFrameLeft, 8, kFrameWidth, 64);

  Slider1 = new QSlider(Qt::Horizontal, Frame1);
  Slider1->setObjectName(QStringLiteral("Slider1"));
  Slider1->setRange(kSliderMin, kSliderMax);
  Slider1->setSingleStep(1);
  Slider1->setPageStep(5);
  Slider1->setValue(kSliderMin);
  Slider1->setEnabled(false);
  Slider1->setGeometry(8, 28, kFrameWidth - 16, 24);
  connect(Slider1, &QSlider::valueChanged, this, [this] { Slider1_Click(); });

  HScroll1 = new QScrollBar(Qt::Horizontal, clientArea());
  HScroll1->setObjectName(QStringLiteral("HScroll1"));
  HScroll1->setGeometry(0, kPictureHeight, kPictureWidth, kScrollBarWidth);
  VScroll1 = new QScrollBar(Qt::Vertical, clientArea());
  VScroll1->setObjectName(QStringLiteral("VScroll1"));
  VScroll1->setGeometry(kPictureWidth, 0, kScrollBarWidth, kPictureHeight);
  for (QScrollBar* bar : {HScroll1, VScroll1}) {
    bar->setRange(0, 0);
    bar->setSingleStep(kScrollStep);
    bar->setEnabled(false);
    connect(bar, &QScrollBar::valueChanged, this, [this] { showHeldPart(); });
  }
  HScroll1->setPageStep(kPictureWidth);
  VScroll1->setPageStep(kPictureHeight);

  addMenuItem(menuBar(), QStringLiteral("mnuFile"), QStringLiteral("ファイル(&F)"), &Form9::mnuFile_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了(&Q)"), &Form9::mnuEND_Click);
}

void Form9::Form_Load() {
  app().state.Form9Open = true;
  form13_ = app().single<Form13>();
}

void Form9::Form_Unload() {
  app().state.Form9Open = false;
}

void Form9::mnuEND_Click() {
  if (app().state.Form13Open) {
    if (Form13* target = app().find<Form13>()) target->unload();
  }
  unload();
}

void Form9::mnuFile_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = kOpenFilter;
  const std::optional<QString> chosen = askOpenFile(kOpenFolderKey, options);
  if (!chosen) return;
  LoadPicFile(*chosen);
}

bool Form9::LoadPicFile(const QString& name) {
  std::optional<Photo> opened = OpenPhoto(
      app().ui, this, name, [](QSize full) { return ShownSize(full.width(), full.height(), kFirstRatio); });
  if (!opened) return false;

  photo_ = std::move(*opened);
  FileName = name;
  W = photo_.size().width();
  H = photo_.size().height();
  // A new photo comes up from its top-left corner.
  shown_ = QSize();
  Slider1->setEnabled(true);
  // The slider may already stand at 1, so the first display cannot wait for its signal.
  {
    const QSignalBlocker quiet(Slider1);
    Slider1->setValue(kSliderMin);
  }
  ShowReduced(kFirstRatio);
  return true;
}

void Form9::Slider1_Click() {
  ShowReduced(Slider1->value() / kSliderUnit);
}

void Form9::ShowReduced(double ratio) {
  // The middle of what the picture area shows stays on the same spot of the photo as it grows or
  // shrinks.
  const auto middle = [](int from, int shown, int area) {
    return shown > 0 ? (from + std::min(shown, area) / 2.0) / shown : 0.0;
  };
  const QPointF centre(middle(HScroll1->value(), shown_.width(), kPictureWidth),
                       middle(VScroll1->value(), shown_.height(), kPictureHeight));
  shown_ = ShownSize(W, H, ratio);
  setScrollRanges(centre);
  showHeldPart();
}

void Form9::setScrollRanges(QPointF centre) {
  const struct {
    QScrollBar* bar;
    int shown, area;
    double centre;
  } sides[] = {{HScroll1, shown_.width(), kPictureWidth, centre.x()},
               {VScroll1, shown_.height(), kPictureHeight, centre.y()}};
  for (const auto& side : sides) {
    const int most = std::max(0, side.shown - side.area);
    const QSignalBlocker quiet(side.bar);
    side.bar->setRange(0, most);
    side.bar->setValue(std::clamp(RoundToInt(side.centre * side.shown - side.area / 2.0), 0, most));
    side.bar->setEnabled(most > 0);
  }
}

void Form9::showHeldPart() {
  // Beyond the held part a photo is out of reach of the pointer: it is never made, however large the
  // photo is shown.
  const QRect held =
      QRect(scrolledTo(), QSize(kHeldWidth, kHeldHeight)).intersected(QRect(QPoint(0, 0), shown_));
  const QColor back = palette().color(QPalette::Window);
  const QImage image = photo_.isNull() ? QImage() : photo_.shownPart(shown_, held, back.rgb());
  Picture2.resize(held.width(), held.height());
  for (int y = 0; y < image.height() && y < held.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width() && x < held.width(); ++x) {
      Picture2.setPixel(x, y, Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
    }
  }
  client().fillRect(0, 0, kPictureWidth, kPictureHeight, Rgb(back.red(), back.green(), back.blue()));
  client().bitBlt(0, 0, std::min(held.width(), kPictureWidth), std::min(held.height(), kPictureHeight),
                  Picture2, 0, 0);
  refresh();
}

void Form9::Form_MouseDown(int button, int /*shift*/, int x, int y) {
  if (button == 2) {
    panFrom_ = QPoint(x, y);
    panStart_ = scrolledTo();
  }
}

void Form9::Form_MouseMove(int buttons, int /*shift*/, int x, int y) {
  // Let the reduction window catch up between drag steps; it may also close meanwhile.
  QPointer<Form9> self = this;
  app().processEvents();
  if (self.isNull() || isUnloaded()) return;
  // The right button moves the photo under the pointer, as a hand would.
  if ((buttons & 2) != 0 && (buttons & 1) == 0) {
    HScroll1->setValue(panStart_.x() - (x - panFrom_.x()));
    VScroll1->setValue(panStart_.y() - (y - panFrom_.y()));
    return;
  }
  if ((buttons & 1) == 0) return;
  if (!app().state.Form13Open) {
    app().ui.message(this, kNoDisplayWindow);
    return;
  }
  if (x >= kPictureWidth) return;
  Form13* target = app().find<Form13>();
  if (target == nullptr || target->isUnloaded()) return;

  // What lies outside the photo comes out black.
  Surface square(kSquare, kSquare);
  square.bitBlt(0, 0, kSquare, kSquare, Picture2, ReductionSquareOrigin(x), ReductionSquareOrigin(y));
  Surface& to = target->client();
  to.stretchBlt(0, 0, kEnlarged, kEnlarged, square, 0, 0, kSquare, kSquare);
  to.bitBlt(Form13::kSourceLeft, Form13::kSourceTop, kSquare, kSquare, square, 0, 0);
  target->refresh();
}

}  // namespace pf
