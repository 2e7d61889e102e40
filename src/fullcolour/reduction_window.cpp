#include "fullcolour/reduction_window.h"

#include <QMenuBar>
#include <QPalette>
#include <algorithm>
#include <array>

#include "model/full_colour_icon.h"
#include "model/numeric_text.h"
#include "model/profile.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/editor_link.h"
#include "platform/local_path.h"
#include "platform/swatch.h"

namespace pf {

namespace {

constexpr int kClientWidth = 460;
// Room for the sixteenth palette row below the enlarged result.
constexpr int kClientHeight = 520;
constexpr int kTemplateHeight = 20;
const QString kIconFilter = QStringLiteral("アイコン(*.ico)|*.ico|全て(*.*)|*.*");

// Rows of the palette labels: 1.2 label heights apart, below the threshold box.
int LabelTop(int i, int height) {
  return RoundToInt(i * height * 1.2) + 100;
}

}  // namespace

Form13::Form13(AppContext& app, QWidget* owner) : Form(app, QString::fromLatin1(kFormName), owner) {
  setWindowTitle(QStringLiteral("取得画像"));
  setClientSize(kClientWidth, kClientHeight);
  QWidget* area = clientArea();
  Label3 = MakeLabel(area, QStringLiteral("Label3"), QStringLiteral("閾値"), 250, 40, 36);
  Text1 = new QLineEdit(QStringLiteral("10"), area);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(290, 38, 60, 24);
  Text1->setToolTip(QStringLiteral("10～20が目安です。"));
  Label1[0] = MakeLabel(area, QStringLiteral("Label1_0"), QString(), 250, 0, 40, kTemplateHeight);
  Label2[0] = MakeLabel(area, QStringLiteral("Label2_0"), QString(), 300, 0, 150, kTemplateHeight);
  Label1[0]->hide();
  Label2[0]->hide();

  addMenuItem(menuBar(), QStringLiteral("mnuCOL16"), QStringLiteral("16色化"), &Form13::mnuCOL16_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuDo"), QStringLiteral("転送"), &Form13::mnuDo_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuFULLCOLOR"), QStringLiteral("フルカラーアイコン"),
              &Form13::mnuFULLCOLOR_Click);
  addMenuItem(menuBar(), QStringLiteral("mnuHexFul"), QStringLiteral("フルカラー１６ドット保存"),
              &Form13::mnuHexFul_Click);
}

Form13::~Form13() = default;

void Form13::Form_Load() {
  app().state.Form13Open = true;
  QWidget* area = clientArea();
  for (int i = 1; i <= kLevelCount; ++i) {
    const auto k = static_cast<std::size_t>(i);
    Label1[k] = MakeLabel(area, QStringLiteral("Label1_%1").arg(i), QString::number(i - 1), 250,
                          LabelTop(i, Label1[0]->height()), Label1[0]->width(), Label1[0]->height());
    Label2[k] = MakeLabel(area, QStringLiteral("Label2_%1").arg(i), QString(), 300,
                          LabelTop(i, Label2[0]->height()), Label2[0]->width(), Label2[0]->height());
    Label1[k]->show();
    Label2[k]->show();
  }
}

void Form13::Form_Unload() {
  app().state.Form13Open = false;
}

void Form13::Init() {
  Histograms = {};
  Levels = {};
  ReducedPalette = {};
}

ColourSquare Form13::readSourcePixels() const {
  ColourSquare square;
  for (int y = 0; y < kReductionEdge; ++y) {
    for (int x = 0; x < kReductionEdge; ++x) {
      const auto value = static_cast<ColorRef>(client().getPixel(kSourceLeft + x, kSourceTop + y));
      square[static_cast<std::size_t>(y * kReductionEdge + x)] =
          PaletteEntry{static_cast<std::uint8_t>(BlueOf(value)), static_cast<std::uint8_t>(GreenOf(value)),
                       static_cast<std::uint8_t>(RedOf(value)), 0};
    }
  }
  return square;
}

std::vector<std::uint8_t> Form13::readSaveBuffer() const {
  std::vector<std::uint8_t> buffer;
  buffer.reserve(3 * kReductionPixels);
  for (int r = 0; r < kReductionEdge; ++r) {
    for (int x = 0; x < kReductionEdge; ++x) {
      const auto value =
          static_cast<ColorRef>(client().getPixel(kSourceLeft + x, kSourceTop + kReductionEdge - 1 - r));
      const auto bgr = ColorRefToBgr(value);
      buffer.insert(buffer.end(), bgr.begin(), bgr.begin() + 3);
    }
  }
  return buffer;
}

void Form13::mnuCOL16_Click() {
  Init();
  const ColourSquare square = readSourcePixels();
  const ColourReduction r = ReduceColours(square, ThresholdFromText(Text1->text().toStdString()));
  Histograms = r.histograms;
  Levels = r.levels;
  ReducedPalette = r.choice.palette;
  Result = r.indices;
  showPalette(r.choice);
  if (r.choice.end == PaletteChoiceEnd::TooManyRejections) {
    app().ui.message(this, QStringLiteral("閾値を小さくしてください。"));
  }
  paintResult(r.indices);
}

void Form13::showPalette(const PaletteChoice& choice) {
  for (int n = 0; n < kLevelCount; ++n) {
    const PaletteEntry& e = choice.palette[static_cast<std::size_t>(n)];
    QLabel* swatch = Label1[static_cast<std::size_t>(n + 1)];
    SetSwatchColour(swatch, EntryColour(e));
    // The entry's number in black on a light colour, in white on a dark one, so it reads on every swatch.
    QPalette p = swatch->palette();
    const int brightness = 299 * e.red + 587 * e.green + 114 * e.blue;
    p.setColor(QPalette::WindowText, brightness >= 128 * 1000 ? QColor(Qt::black) : QColor(Qt::white));
    swatch->setPalette(p);
    // Entries the choice never reached stay black without figures, so an earlier run's do not linger.
    Label2[static_cast<std::size_t>(n + 1)]->setText(
        n < choice.accepted ? QStringLiteral("R=%1 G=%2 B=%3").arg(e.red).arg(e.green).arg(e.blue)
                            : QString());
  }
}

void Form13::paintResult(const ReducedIndices& indices) {
  Surface& s = client();
  for (int y = 0; y < kReductionEdge; ++y) {
    for (int x = 0; x < kReductionEdge; ++x) {
      const std::uint8_t index =
          indices[static_cast<std::size_t>((kReductionEdge - 1 - y) * kReductionEdge + x)];
      s.setPixel(x, kReducedTop + y, EntryColour(ReducedPalette[index]));
    }
  }
  s.stretchBlt(0, kEnlargedTop, kEnlargedEdge, kEnlargedEdge, s, 0, kReducedTop, kReductionEdge,
               kReductionEdge);
  refresh();
}

void Form13::mnuDo_Click() {
  if (!Result) return;
  SharedState& st = app().state;
  std::copy(Result->begin(), Result->end(), st.IconPixels.begin());
  st.IconPalette = ReducedPalette;
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form13::mnuFULLCOLOR_Click() {
  saveFullColour("MedianFullIcon", QStringLiteral("フルカラーアイコンの保存"), false);
}

void Form13::mnuHexFul_Click() {
  saveFullColour("MedianFullIcon16", QStringLiteral("フルカラーアイコン16×16の保存"), true);
}

void Form13::saveFullColour(const char* key, const QString& title, bool sixteen) {
  const std::vector<std::uint8_t> buffer = readSaveBuffer();
  FileDialogOptions options = dialogOptions();
  options.title = title;
  options.filter = kIconFilter;
  AskAboutOtherImages(options, FullColourKind(sixteen ? 16 : kReductionEdge));
  const std::optional<QString> chosen = askSaveFile(key, options, QStringLiteral(".ico"));
  if (!chosen) return;
  const QString& name = *chosen;
  if (sixteen) {
    if (!WriteFullColourIcon16(LocalPath(name), buffer))
      app().ui.message(this, QStringLiteral("Open できません。"));
    return;
  }
  // The square is saved as taken, every pixel shown: the editor's 16-colour mask belongs to another
  // picture, and this window has no mask of its own.
  const std::array<std::uint8_t, kMaskSize> noMask{};
  if (!WriteFullColourIcon(LocalPath(name), buffer, noMask, kReductionEdge)) {
    app().ui.message(this, QStringLiteral("Save できません。"));
  }
}

}  // namespace pf
