#include "archive/composition_window.h"

#include <QFontInfo>
#include <QMenuBar>
#include <QSignalBlocker>
#include <algorithm>
#include <optional>
#include <span>

#include "model/composition.h"
#include "model/file_io.h"
#include "model/icon_file.h"
#include "model/image_ops.h"
#include "model/numeric_text.h"
#include "model/packing.h"
#include "model/profile.h"
#include "model/work_file.h"
#include "platform/app_context.h"
#include "platform/controls.h"
#include "platform/drawing.h"
#include "platform/index_chooser.h"
#include "platform/local_path.h"
#include "platform/picture_file.h"

namespace pf {

namespace {

constexpr const char* kFolderKey = "MixIcon";
constexpr int kTextSurfaceSize = 100;
constexpr ColorRef kTextPaper = Rgb(55, 255, 155);
// QFontDialog stops at a few hundred; far larger cells would only cost memory, as the glyph is cut at 32.
constexpr int kMaxFontPixels = 1000;

// Characters that take one byte in the Japanese code page: ASCII and the half-width katakana.
bool IsHalfWidth(char32_t c) {
  return c < 0x80 || (c >= 0xFF61 && c <= 0xFF9F);
}

// One whole code point from position i, a surrogate pair taken together.
qsizetype CodePointLength(const QString& text, qsizetype i) {
  if (i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate()) return 2;
  return 1;
}

char32_t CodePointAt(const QString& text, qsizetype i) {
  if (CodePointLength(text, i) == 2) return QChar::surrogateToUcs4(text[i], text[i + 1]);
  return text[i].unicode();
}

// What fills the first two bytes of the text in the Japanese code page: one full-width character, or up
// to two half-width ones. A half-width character followed by a full-width one stands alone, rather than
// drawing half of the second.
QString LeadingCharacters(const QString& text) {
  if (text.isEmpty()) return {};
  const qsizetype first = CodePointLength(text, 0);
  if (!IsHalfWidth(CodePointAt(text, 0)) || first >= text.size()) return text.left(first);
  if (!IsHalfWidth(CodePointAt(text, first))) return text.left(first);
  return text.left(first + CodePointLength(text, first));
}

}  // namespace

Form8::Form8(AppContext& app, QWidget* owner)
    : Form(app, QString::fromLatin1(kFormName), owner),
      ViewSurface(2 * kViewSize, 2 * kViewSize),
      TextSurface(kTextSurfaceSize, kTextSurfaceSize) {
  setWindowTitle(QString::fromUtf8(kCaption));
  setClientSize(500, 244);
  // Hovering over the view shows the pixel under the mouse.
  clientArea()->setMouseTracking(true);
  buildControls();
}

Form8::~Form8() = default;

void Form8::buildControls() {
  QWidget* area = clientArea();

  Label1 = MakeLabel(area, QStringLiteral("Label1"), QString(), 0, 164, 160);
  Label3 = MakeLabel(area, QStringLiteral("Label3"), QString(), 0, 186, 60);
  Text1 = new QLineEdit(area);
  Text1->setObjectName(QStringLiteral("Text1"));
  Text1->setGeometry(0, 214, 160, 24);

  const QString operations[4] = {QStringLiteral("コピー"), QStringLiteral("XOR"), QStringLiteral("OR"),
                                 QStringLiteral("AND")};
  for (int k = 0; k < 4; ++k) {
    auto* option = new QRadioButton(operations[k], area);
    option->setObjectName(QStringLiteral("Option1_%1").arg(k));
    option->setGeometry(170, 4 + 22 * k, 80, 22);
    connect(option, &QRadioButton::toggled, this, [this, k](bool checked) {
      if (checked) Option1_Click(k);
    });
    Option1[static_cast<std::size_t>(k)] = option;
  }

  Check1 = new QCheckBox(QStringLiteral("透過処理"), area);
  Check1->setObjectName(QStringLiteral("Check1"));
  Check1->setGeometry(256, 4, 96, 22);
  Check2 = new QCheckBox(QStringLiteral("パレット付"), area);
  Check2->setObjectName(QStringLiteral("Check2"));
  Check2->setGeometry(256, 26, 96, 22);
  Command1 = MakeButton(area, QStringLiteral("Command1"), QStringLiteral("実　行"), 256, 52, 90, 28);
  Command2 = MakeButton(area, QStringLiteral("Command2"), QStringLiteral("マスク処理"), 256, 86, 90, 28);

  Label2 = MakeLabel(area, QStringLiteral("Label2"), QStringLiteral("スクロール"), 170, 100, 80);
  // The arrows as a cross, in the order up, left, down, right.
  const struct {
    const char* caption;
    int x, y;
  } arrows[4] = {{"↑", 200, 122}, {"←", 170, 150}, {"↓", 200, 178}, {"→", 230, 150}};
  for (int i = 0; i < 4; ++i) {
    Command3[static_cast<std::size_t>(i)] =
        MakeButton(area, QStringLiteral("Command3_%1").arg(i), QString::fromUtf8(arrows[i].caption),
                   arrows[i].x, arrows[i].y, 30);
    connect(Command3[static_cast<std::size_t>(i)], &QPushButton::clicked, this,
            [this, i] { Command3_Click(i); });
  }
  Command4 = MakeButton(area, QStringLiteral("Command4"), QStringLiteral("戻す"), 266, 150, 60);

  Text2 = new QLineEdit(area);
  Text2->setObjectName(QStringLiteral("Text2"));
  Text2->setGeometry(266, 182, 40, 26);
  Command5 = MakeButton(area, QStringLiteral("Command5"), QStringLiteral("入"), 310, 182, 36);
  Label4 = MakeLabel(area, QStringLiteral("Label4"), QString(), 170, 216, 260);

  // A file dropped on a text box is a file for the window, not text for the box.
  Text1->setAcceptDrops(false);
  Text2->setAcceptDrops(false);

  List1 = new IndexChooser(area, QStringLiteral("List1"), QRect(356, 4, 70, 206),
                           [this](int row) { List1_Click(row); });

  connect(Check1, &QCheckBox::toggled, this, [this] { Check1_Click(); });
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
  connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
  connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
  connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });

  QMenuBar* bar = menuBar();
  mnuOPEN = addMenuItem(bar, QStringLiteral("mnuOPEN"), QStringLiteral("ファイル"), &Form8::mnuOPEN_Click);
  mnuGet = addMenuItem(bar, QStringLiteral("mnuGet"), QStringLiteral("画像取得"), &Form8::mnuGet_Click);
  mnuColPpc =
      addMenuItem(bar, QStringLiteral("mnuColPpc"), QStringLiteral("色指定取得"), &Form8::mnuColPpc_Click);
  mnuMOJI =
      addMenuItem(bar, QStringLiteral("mnuMOJI"), QStringLiteral("フォント(&F)"), &Form8::mnuMOJI_Click);
  mnuPAL = addMenuItem(bar, QStringLiteral("mnuPAL"), QStringLiteral("パレット吸収"), &Form8::mnuPAL_Click);
  mnuUnDO2 = addMenuItem(bar, QStringLiteral("mnuUnDO2"), QStringLiteral("戻す"), &Form8::mnuUnDO2_Click);
  mnuEND = addMenuItem(bar, QStringLiteral("mnuEND"), QStringLiteral("終了(&Q)"), &Form8::mnuEND_Click);
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void Form8::Form_Load() {
  app().state.Form8Open = true;
  Option1[0]->setChecked(true);
  MixPalette = app().state.IconPalette;
  font_ = TextFontSettings{};
  font_.face = QStringLiteral("ＭＳ 明朝");
  CreateTextFont();
  ShowFontLabel();
}

void Form8::Form_Activate() {
  if (firstActivation()) mnuGet_Click();
}

void Form8::Form_Unload() {
  // Several composition windows may be open; the flag stays up until the last one closes.
  app().state.Form8Open = app().forms.find<Form8>() != nullptr;
}

// ---------------------------------------------------------------------------------------------------
// The operations the archives use

std::uint8_t Form8::GetIcon(int I) const {
  if (I < 0 || I >= static_cast<int>(MixPixels.size())) return 0;
  return MixPixels[static_cast<std::size_t>(I)];
}

void Form8::SetIcon(int I, std::uint8_t Dat) {
  if (I < 0 || I >= static_cast<int>(MixPixels.size())) return;
  MixPixels[static_cast<std::size_t>(I)] = Dat;
}

void Form8::GetMyRGB(int I, std::uint8_t& B, std::uint8_t& G, std::uint8_t& R) const {
  if (I < 0 || I >= static_cast<int>(MixPalette.size())) return;
  const PaletteEntry& e = MixPalette[static_cast<std::size_t>(I)];
  B = e.blue;
  G = e.green;
  R = e.red;
}

void Form8::SetMyRGB(int I, std::uint8_t B, std::uint8_t G, std::uint8_t R) {
  if (I < 0 || I >= static_cast<int>(MixPalette.size())) return;
  PaletteEntry& e = MixPalette[static_cast<std::size_t>(I)];
  e.blue = B;
  e.green = G;
  e.red = R;
}

void Form8::DoShow() {
  RedrawMixView();
}

// ---------------------------------------------------------------------------------------------------
// View

void Form8::RedrawMixView() {
  for (int k = 0; k < kPixelCount; ++k) {
    const int row = k / kIconSize;
    const int x = k % kIconSize;
    const int top = kZoom * (kIconSize - 1 - row);
    // An archive may hand over any byte; only the low nibble names a palette entry.
    const PaletteEntry& entry = MixPalette[MixPixels[static_cast<std::size_t>(k)] & 0x0F];
    FillColourRect(ViewSurface, kZoom * x, top, kZoom * x + kZoom, top + kZoom, entry);
  }
  showView(0);
}

void Form8::showView(int sourceLeft) {
  client().bitBlt(0, 0, kViewSize, kViewSize, ViewSurface, sourceLeft, 0);
  refresh();
}

void Form8::Form_MouseDown(int button, int, int x, int y) {
  if (button != 1 || dragging_) return;
  if (x < 0 || y < 0 || x >= kViewSize || y >= kViewSize) return;
  selection_.x1 = SnapToCell(x);
  selection_.y1 = SnapToCell(y);
  dragging_ = true;
}

void Form8::Form_MouseMove(int buttons, int, int x, int y) {
  if (x < 0 || y < 0 || x >= kViewSize || y >= kViewSize) return;
  if ((buttons & 1) == 0) {
    const int row = kIconSize - 1 - y / kZoom;
    hoverValue_ = MixPixels[static_cast<std::size_t>(row * kIconSize + x / kZoom)];
    Label3->setText(QString::number(hoverValue_));
    return;
  }
  if (!dragging_) return;
  SelectionRect& r = selection_;
  r.x2 = SnapToCell(x);
  r.y2 = SnapToCell(y);
  // The outline goes on a copy in the scratch half, so the clean view stays for the release.
  ViewSurface.bitBlt(kViewSize, 0, kViewSize, kViewSize, ViewSurface, 0, 0);
  const PaletteEntry& outline =
      app().state.IconPalette[static_cast<std::size_t>(std::max(hoverValue_, 0) & 0x0F)];
  DrawBox(ViewSurface, r.x1 + kViewSize, r.y1, r.x2 + kViewSize, r.y2, outline);
  showView(kViewSize);
  Label1->setText(QStringLiteral("(%1,%2)-(%3,%4)").arg(r.x1).arg(r.y1).arg(r.x2).arg(r.y2));
}

void Form8::Form_MouseUp(int, int, int, int) {
  dragging_ = false;
  showView(0);
}

// ---------------------------------------------------------------------------------------------------
// Menu bar

void Form8::mnuOPEN_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = QStringLiteral("ｱｲｺﾝ(*.ico)|*.ico|全て(*.*)|*.*");
  const std::optional<QString> chosen = askOpenFile(kFolderKey, options);
  if (!chosen) return;
  if (const std::optional<Picture16> picture = ReadIconPicture(app(), *chosen)) takePicture(*picture);
}

void Form8::mnuGet_Click() {
  const SharedState& s = app().state;
  std::copy_n(s.IconPixels.begin(), kPixelCount, MixPixels.begin());
  MixPalette = s.IconPalette;
  forgetUndo();
  RedrawMixView();
}

void Form8::mnuColPpc_Click() {
  PickPending = true;
  showList();
}

void Form8::mnuMOJI_Click() {
  QFont initial(font_.face);
  initial.setPointSize(std::clamp(font_.size, 1, kMaxFontPixels));
  initial.setBold(font_.bold);
  initial.setItalic(font_.italic);
  initial.setUnderline(font_.underline);
  initial.setStrikeOut(font_.strikeOut);
  const std::optional<QFont> chosen = app().ui.chooseFont(this, initial);
  if (!chosen) return;
  font_.face = chosen->family();
  // The dialog speaks in points; the number is used as the cell height in pixels all the same.
  font_.size = chosen->pointSizeF() > 0 ? RoundToInt(chosen->pointSizeF()) : chosen->pixelSize();
  font_.bold = chosen->bold();
  font_.italic = chosen->italic();
  font_.underline = chosen->underline();
  font_.strikeOut = chosen->strikeOut();
  CreateTextFont();
  ShowFontLabel();
}

void Form8::mnuPAL_Click() {
  MixPalette = app().state.IconPalette;
  RedrawMixView();
  mnuPAL->setEnabled(false);
}

void Form8::mnuUnDO2_Click() {
  if (!EditUndo) return;
  MixPixels = *EditUndo;
  RedrawMixView();
}

void Form8::mnuEND_Click() {
  unload();
}

// ---------------------------------------------------------------------------------------------------
// Controls

void Form8::Option1_Click(int index) {
  MixOperation = std::clamp(index, 0, 3);
}

void Form8::Check1_Click() {
  // The box first chooses row 0, like a click on it.
  List1->setCurrentRow(0);
  List1_Click(0);
  if (Check1->isChecked()) showList();
}

void Form8::Command1_Click() {
  MixBusy = true;
  const bool transparency = Check1->isChecked();
  if (transparency) Check1->setChecked(false);
  SharedState& s = app().state;
  ComposeIntoEditor(MixPixels, s.IconPixels, MixTransparentIndex, static_cast<ComposeOperation>(MixOperation),
                    transparency);
  if (Check2->isChecked()) s.IconPalette = MixPalette;
  MixBusy = false;
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

void Form8::Command2_Click() {
  EditUndo = MixPixels;
  const SelectionRect& r = selection_;
  KeepSelection(MixPixels, r.x1, r.y1, r.x2, r.y2);
  RedrawMixView();
}

void Form8::Command3_Click(int index) {
  static constexpr ShiftDirection kDirections[4] = {ShiftDirection::Up, ShiftDirection::Left,
                                                    ShiftDirection::Down, ShiftDirection::Right};
  if (index < 0 || index > 3) return;
  ShiftUndo = MixPixels;
  ShiftImage(MixPixels, kDirections[index]);
  RedrawMixView();
}

void Form8::Command4_Click() {
  if (!ShiftUndo) return;
  MixPixels = *ShiftUndo;
  RedrawMixView();
}

void Form8::Command5_Click() {
  if (Text2->text().isEmpty()) return;
  TextPending = true;
  EditUndo = MixPixels;
  showList();
}

void Form8::showList() {
  List1->ask();
}

void Form8::List1_Click(int row) {
  if (MixBusy || row < 0 || row > 15) return;
  MixTransparentIndex = row;
  List1->hide();
  if (TextPending) {
    TextColourIndex = row;
    RenderText();
    RedrawMixView();
    TextPending = false;
  } else if (PickPending) {
    PickPending = false;
    PickColour(app().state.IconPixels, row, MixPixels);
    RedrawMixView();
  }
}

// ---------------------------------------------------------------------------------------------------
// Text

void Form8::CreateTextFont() {
  QFont f(font_.face);
  f.setPixelSize(std::clamp(font_.size, 1, kMaxFontPixels));
  f.setWeight(font_.bold ? QFont::ExtraBold : QFont::Normal);
  f.setItalic(font_.italic);
  f.setUnderline(font_.underline);
  f.setStrikeOut(font_.strikeOut);
  // A glyph pixel must come out exactly black to count.
  f.setStyleStrategy(QFont::NoAntialias);
  f.setHintingPreference(QFont::PreferFullHinting);
  TextSurface.setFont(f);
}

void Form8::ShowFontLabel() {
  // The Windows Mincho name is drawn in the Mincho face installed here: the label names that one.
  const QString face =
      QFont::substitutes(font_.face).isEmpty() ? font_.face : QFontInfo(TextSurface.font()).family();
  Label4->setText(QStringLiteral("設定ﾌｫﾝﾄ ") + face + QStringLiteral(" ") + QString::number(font_.size) +
                  QStringLiteral("ﾎﾟｲﾝﾄ"));
}

void Form8::RenderText() {
  TextSurface.fillRect(0, 0, kTextSurfaceSize, kTextSurfaceSize, kTextPaper);
  // The surface's own colours: black text on an opaque white cell.
  TextSurface.setTextColor(0);
  TextSurface.setBkColor(Rgb(255, 255, 255));
  TextSurface.setBkMode(true);
  TextSurface.textOut(0, 0, LeadingCharacters(Text2->text()));
  std::array<bool, kPixelCount> black{};
  for (int y = 0; y < kIconSize; ++y) {
    for (int x = 0; x < kIconSize; ++x)
      black[static_cast<std::size_t>(y * kIconSize + x)] = TextSurface.getPixel(x, y) == 0;
  }
  GlyphToPixels(black, TextColourIndex, MixPixels);
}

// ---------------------------------------------------------------------------------------------------
// Files

void Form8::takePicture(const Picture16& picture) {
  MixPalette = picture.palette;
  std::copy_n(picture.pixels.begin(), kPixelCount, MixPixels.begin());
  forgetUndo();
  RedrawMixView();
}

void Form8::forgetUndo() {
  // An undo point taken from an earlier picture must not come back over a new one.
  ShiftUndo.reset();
  EditUndo.reset();
}

void Form8::Form_OLEDragDrop(const QStringList& files) {
  if (files.isEmpty()) return;
  const QString& name = files.first();
  if (const std::optional<Picture16> picture = ReadDroppedPicture(app(), this, name)) {
    takePicture(*picture);
    Text1->setText(QString::fromStdString(NameAfterLastSeparator(name.toStdString())));
  }
}

}  // namespace pf
