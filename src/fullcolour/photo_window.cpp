#include "fullcolour/photo_window.h"

#include <QMenuBar>
#include <QSignalBlocker>
#include <algorithm>
#include <optional>

#include "fullcolour/full_colour_window.h"
#include "model/numeric_text.h"
#include "model/photo_geometry.h"
#include "model/profile.h"
#include "model/shared_state.h"
#include "platform/app_context.h"
#include "platform/editor_link.h"

namespace pf {

namespace {

constexpr const char* kOpenFolderKey = "OpenFullIcon";
const QString kOpenFilter =
    QStringLiteral("写真(*.bmp,*.jpg)|%1|フルカラーアイコン(*.ico)|*.ico|全て(*.*)|*.*").arg(kPhotoPatterns);

// The slider holds ratio * 40.
constexpr double kSliderUnit = 40.0;
constexpr int kSliderMin = 2;
constexpr int kSliderMax = 30;

// A photo within the shown area in both directions comes up at the slider's largest ratio; one beyond it
// in one direction only is reduced by that direction alone.
double FitRatio(int w, int h) {
  return pf::FitRatio(w, h, Form18::kShownWidth, Form18::kShownHeight, kSliderMax / kSliderUnit);
}

QSize ShownSize(int w, int h, double ratio) {
  const Extent shown = ShownSizeAt(w, h, ratio);
  return {shown.width, shown.height};
}

}  // namespace

Form18::Form18(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form18"), owner) {
  setWindowTitle(QStringLiteral("フルカラーアイコン処理"));
  setClientSize(kShownWidth, kShownHeight + 40);
  QWidget* area = clientArea();

  Slider1 = new QSlider(Qt::Horizontal, area);
  Slider1->setObjectName(QStringLiteral("Slider1"));
  Slider1->setRange(kSliderMin, kSliderMax);
  Slider1->setSingleStep(1);
  Slider1->setPageStep(5);
  Slider1->setGeometry(8, kShownHeight + 8, 360, 24);
  connect(Slider1, &QSlider::valueChanged, this, [this] { Slider1_Click(); });

  Label1 = new QLabel(area);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(380, kShownHeight + 8, 92, 24);

  addMenuItem(menuBar(), QStringLiteral("mnuOPEN"), QStringLiteral("写真を開く(&F)"), &Form18::mnuOPEN_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了"), &Form18::mnuEND_Click);
}

void Form18::Form_Load() {
  form20_ = app().single<Form20>();
}

void Form18::Form_Unload() {
  if (!form20_.isNull() && !form20_->isUnloaded()) form20_->unload();
  if (EditorLink* editor = app().editor()) editor->setEditorVisible(true);
}

void Form18::mnuEND_Click() {
  unload();
}

void Form18::mnuOPEN_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = kOpenFilter;
  const std::optional<QString> chosen = askOpenFile(kOpenFolderKey, options);
  if (!chosen) return;
  LoadPicFile(*chosen);
}

void Form18::LoadPicFile(const QString& name) {
  double ratio = 0;
  std::optional<Photo> opened = OpenPhoto(app().ui, this, name, [&ratio](QSize full) {
    ratio = FitRatio(full.width(), full.height());
    return ShownSize(full.width(), full.height(), ratio);
  });
  if (!opened) return;

  photo_ = std::move(*opened);
  FileName = name;
  W = photo_.size().width();
  H = photo_.size().height();
  DispPicture(ratio);
  // Setting the slider must not redisplay at its coarser ratio (19 / 40 instead of 0.46875).
  const QSignalBlocker quiet(Slider1);
  Slider1->setValue(std::clamp(RoundToInt(ratio * kSliderUnit), kSliderMin, kSliderMax));
}

void Form18::Slider1_Click() {
  DispPicture(Slider1->value() / kSliderUnit);
}

void Form18::DispPicture(double ratio) {
  DisplayRatio = ratio;
  const QSize shown = ShownSize(W, H, ratio);
  Label1->setText(QStringLiteral("%1×%2").arg(shown.width()).arg(shown.height()));
  if (shown.width() > kShownWidth || shown.height() > kShownHeight) return;
  paintPicture(shown.width(), shown.height());
}

void Form18::paintPicture(int w, int h) {
  const QColor back = palette().color(QPalette::Window);
  const QImage image =
      photo_.isNull() ? QImage() : photo_.shownPart(QSize(w, h), QRect(0, 0, w, h), back.rgb());
  Picture2.resize(w, h);
  for (int y = 0; y < image.height() && y < h; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width() && x < w; ++x) {
      Picture2.setPixel(x, y, Rgb(qRed(line[x]), qGreen(line[x]), qBlue(line[x])));
    }
  }
  client().fillRect(0, 0, kShownWidth, kShownHeight, Rgb(back.red(), back.green(), back.blue()));
  client().bitBlt(0, 0, w, h, Picture2, 0, 0);
  refresh();
}

void Form18::Form_MouseMove(int buttons, int /*shift*/, int x, int y) {
  if ((buttons & 1) == 0) return;
  if (x < 0 || y < 0 || x >= Picture2.width() || y >= Picture2.height()) return;
  if (form20_.isNull() || form20_->isUnloaded()) return;
  Form20& target = *form20_;
  for (int i = 0; i < 4; ++i) {
    copySquare(target, SharedState::FullColourSizes[static_cast<std::size_t>(i)], x, y,
               Form20::slotOrigin(i));
  }
  const int chosen = std::clamp(target.SelectNum, 0, 3);
  const int s = SharedState::FullColourSizes[static_cast<std::size_t>(chosen)];
  const QPoint slot = Form20::slotOrigin(chosen);
  const QPoint work = target.workAreaOrigin();
  target.client().bitBlt(work.x(), work.y(), s, s, target.client(), slot.x(), slot.y());
  target.refresh();
}

void Form18::copySquare(Form20& target, int s, int x, int y, QPoint to) {
  target.client().fillRect(to.x(), to.y(), to.x() + s, to.y() + s, 0);
  target.client().bitBlt(to.x(), to.y(), s, s, Picture2, CentredSquareOrigin(x, s),
                         CentredSquareOrigin(y, s));
}

}  // namespace pf
