#include "tools/transformation.h"

#include <QMenuBar>
#include <algorithm>

#include "model/numeric_text.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/drawing.h"

namespace pf {

Form14::Form14(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form14"), owner) {
  setWindowTitle(QStringLiteral("画像の変形処理"));
  setClientSize(360, 200);
  buildControls();
}

void Form14::buildControls() {
  QWidget* area = clientArea();
  constexpr int kLeft = kPreviewSize + 12;

  Command1 = MakeButton(area, QStringLiteral("Command1"), QStringLiteral("↑↓"), kLeft, 6, 56);
  Command2 = MakeButton(area, QStringLiteral("Command2"), QStringLiteral("←→"), kLeft + 60, 6, 56);
  Label1 = new QLabel(area);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label1->setGeometry(kLeft + 124, 6, 56, 26);
  Label1->setText(QStringLiteral("0°"));

  Command3[0] = MakeButton(area, QStringLiteral("Command3_0"), QStringLiteral("左回"), kLeft, 38, 56);
  Command3[1] = MakeButton(area, QStringLiteral("Command3_1"), QStringLiteral("右回"), kLeft + 60, 38, 56);
  Check1 = new QCheckBox(QStringLiteral("微回転"), area);
  Check1->setObjectName(QStringLiteral("Check1"));
  Check1->setGeometry(kLeft + 124, 38, 64, 26);

  Text1 = new QLineEdit(area);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(kLeft, 70, 56, 26);
  Text1->setText(QStringLiteral("1"));
  Command5 = MakeButton(area, QStringLiteral("Command5"), QStringLiteral("拡大縮小"), kLeft + 60, 70, 72);

  // The four shift buttons as a cross.
  const struct {
    const char* caption;
    int x, y;
  } arrows[4] = {{"↑", 30, 104}, {"←", 0, 134}, {"→", 60, 134}, {"↓", 30, 164}};
  for (int i = 0; i < 4; ++i) {
    Command6[static_cast<std::size_t>(i)] =
        MakeButton(area, QStringLiteral("Command6_%1").arg(i), QString::fromUtf8(arrows[i].caption),
                   kLeft + arrows[i].x, arrows[i].y, 30);
  }
  Command7 = MakeButton(area, QStringLiteral("Command7"), QStringLiteral("戻す"), kLeft + 100, 134, 56);
  Command4 = MakeButton(area, QStringLiteral("Command4"), QStringLiteral("実　行"), kLeft + 100, 164, 76);

  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
  for (int i = 0; i < 2; ++i) {
    connect(Command3[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
            [this, i] { Command3_Click(i); });
  }
  connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
  connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
  for (int i = 0; i < 4; ++i) {
    connect(Command6[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
            [this, i] { Command6_Click(i); });
  }
  connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });

  mnuGET =
      addMenuItem(menuBar(), QStringLiteral("mnuGET"), QStringLiteral("画像取得(&G)"), &Form14::mnuGET_Click);
  mnuEND =
      addMenuItem(menuBar(), QStringLiteral("mnuEND"), QStringLiteral("終了(&Q)"), &Form14::mnuEND_Click);
}

void Form14::Form_Load() {
  capture();
  drawPreview();
}

void Form14::Form_Activate() {
  if (!firstActivation()) return;
  // The identity resampling: W := S. The stored scale stays 0.
  if (const std::optional<Image32> w = ResampleImage(T.source, 0, 1.0)) T.work = *w;
  drawPreview();
}

void Form14::capture() {
  CaptureImage(T, app().state.IconPixels);
}

void Form14::showAngle() {
  Label1->setText(QString::number(T.angle) + QStringLiteral("°"));
}

void Form14::report(const ResampleResult& result) {
  if (!result.ok) app().ui.message(this, QString::fromStdString(result.message));
}

void Form14::Command1_Click() {
  FlipVertical(T.work);
  drawPreview();
}

void Form14::Command2_Click() {
  FlipHorizontal(T.work);
  drawPreview();
}

void Form14::Command3_Click(int index) {
  const bool left = index == 0;
  if (Check1->isChecked()) {
    const ResampleResult result = RotateFine(T, left ? TurnDirection::Left : TurnDirection::Right);
    // The angle has moved even when the resampling failed.
    showAngle();
    report(result);
  } else if (left) {
    Rotate90Left(T.work);
  } else {
    Rotate90Right(T.work);
  }
  drawPreview();
}

void Form14::Command4_Click() {
  std::copy(T.work.begin(), T.work.end(), app().state.IconPixels.begin());
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form14::Command5_Click() {
  report(Rescale(T, ReadDecimal(Text1->text().toStdString())));
  drawPreview();
}

void Form14::Command6_Click(int index) {
  static constexpr ShiftDirection kDirections[4] = {ShiftDirection::Up, ShiftDirection::Left,
                                                    ShiftDirection::Right, ShiftDirection::Down};
  if (index < 0 || index > 3) return;
  ShiftWork(T, kDirections[index]);
  drawPreview();
}

void Form14::Command7_Click() {
  RestoreWork(T);
  drawPreview();
}

void Form14::mnuGET_Click() {
  capture();
  drawPreview();
}

void Form14::mnuEND_Click() {
  unload();
}

void Form14::drawPreview() {
  Surface& s = client();
  const Palette& palette = app().state.IconPalette;
  for (int r = 0; r < kIconSize; ++r) {
    for (int c = 0; c < kIconSize; ++c) {
      const int v = T.work[static_cast<std::size_t>(r * kIconSize + c)] & 0x0F;
      FillColourRect(s, kCell * c, kPreviewSize - kCell - kCell * r, kCell * c + kCell,
                     kPreviewSize - kCell * r, palette[static_cast<std::size_t>(v)]);
    }
  }
  refresh();
}

}  // namespace pf
