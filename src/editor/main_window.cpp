#include "editor/main_window.h"

#include <QAction>
#include <QMenuBar>
#include <QMouseEvent>
#include <algorithm>

#include "model/history.h"
#include "model/line_paint.h"
#include "model/numeric_text.h"
#include "model/text_caret.h"
#include "platform/app_context.h"
#include "platform/fonts.h"
#include "settings/window_layout.h"

namespace pf {

namespace {

constexpr int kClientWidth = 480;
constexpr int kClientHeight = 572;

}  // namespace

StatusPanelHolder::StatusPanelHolder(QLabel* panel, QWidget* parent) : QWidget(parent), panel_(panel) {
  panel->setParent(this);
  setSizePolicy(panel->sizePolicy());
}

QSize StatusPanelHolder::sizeHint() const {
  if (!hint_.isValid()) hint_ = panel_->sizeHint();
  return panel_->sizeHint();
}

QSize StatusPanelHolder::minimumSizeHint() const {
  if (!minimumHint_.isValid()) minimumHint_ = panel_->minimumSizeHint();
  return panel_->minimumSizeHint();
}

void StatusPanelHolder::relayoutIfHintsChanged() {
  const QSize hint = panel_->sizeHint();
  const QSize minimumHint = panel_->minimumSizeHint();
  if (hint == hint_ && minimumHint == minimumHint_) return;
  hint_ = hint;
  minimumHint_ = minimumHint;
  updateGeometry();
}

bool StatusPanelHolder::event(QEvent* e) {
  // A new text of the panel asks for a new layout, which is passed on only when the panel's hints
  // changed. Texts set while the window was hidden are looked at when it shows.
  if (e->type() == QEvent::LayoutRequest) {
    relayoutIfHintsChanged();
    return true;
  }
  if (e->type() == QEvent::Show) relayoutIfHintsChanged();
  return QWidget::event(e);
}

void StatusPanelHolder::resizeEvent(QResizeEvent*) {
  panel_->setGeometry(rect());
}

IC::IC(AppContext& app, QWidget* owner)
    : Form(app, QString::fromLatin1(kFormName), owner), S(app.state), CanvasFont(MinchoFont(16)) {
  setWindowTitle(QStringLiteral("Pictoforge"));
  setClientSize(kClientWidth, kClientHeight);
  client().setFont(CanvasFont);
  drawBanner();
  buildMenus();
  buildControls();
  Timer1.setInterval(300);
  connect(&Timer1, &QTimer::timeout, this, &IC::Timer1_Timer);
}

IC::~IC() = default;

void IC::drawBanner() {
  // A horizontal grey gradient across the top of the window.
  for (int x = 0; x < 254; ++x) {
    const int g = 96 + (x * 144) / 253;
    client().fillRect(x, 0, x + 1, 43, Rgb(g, g, g));
  }
}

void IC::buildMenus() {
  QMenuBar* bar = menuBar();

  QMenu* file = addSubMenu(bar, QStringLiteral("mnuF"), QStringLiteral("ファイル(&F)"));
  QMenu* newMenu = addSubMenu(file, QStringLiteral("mnuN"), QStringLiteral("新規作成"));
  addMenuItem(newMenu, QStringLiteral("mnuNEW"), QStringLiteral("３２ドットアイコン"), &IC::mnuNEW_Click);
  addMenuItem(newMenu, QStringLiteral("mnuNew16"), QStringLiteral("１６ドットアイコン"), &IC::mnuNew16_Click);
  addMenuItem(file, QStringLiteral("mnuOpen"), QStringLiteral("開く(&O)"), &IC::mnuOpen_Click);
  addMenuItem(file, QStringLiteral("mnuSAVE"), QStringLiteral("アイコンファイルを保存(&S)"),
              &IC::mnuSAVE_Click);
  addMenuItem(file, QStringLiteral("mnuFBSAVE"), QStringLiteral("ビットマップを保存"), &IC::mnuFBSAVE_Click);
  QMenu* png = addSubMenu(file, QStringLiteral("mnuPNG"), QStringLiteral("PNGファイルとして保存"));
  addMenuItem(png, QStringLiteral("mnuPNG32"), QStringLiteral("３２ドットアイコン"),
              std::function<void()>([this] { mnuPNG_Click(32); }));
  addMenuItem(png, QStringLiteral("mnuPNG16"), QStringLiteral("１６ドットアイコン"),
              std::function<void()>([this] { mnuPNG_Click(16); }));
  file->addSeparator()->setObjectName(QStringLiteral("mnuBar"));
  addMenuItem(file, QStringLiteral("mnuFList"), QStringLiteral("ファイルリスト"), &IC::mnuFList_Click);
  file->addSeparator()->setObjectName(QStringLiteral("mnuBar2"));
  addMenuItem(file, QStringLiteral("mnuHexLoad"), QStringLiteral("１６×１６ドットアイコンロード"),
              &IC::mnuHexLoad_Click);
  addMenuItem(file, QStringLiteral("mnuHexIcon"), QStringLiteral("１６×１６ドットアイコンとして保存"),
              &IC::mnuHexIcon_Click);

  QMenu* draw = addSubMenu(bar, QStringLiteral("mnuB"), QStringLiteral("描画(&B)"));
  addMenuItem(draw, QStringLiteral("mnuBCLS"), QStringLiteral("画像消去(&A)"), &IC::mnuBCLS_Click);
  addMenuItem(draw, QStringLiteral("mnuBPC"), QStringLiteral("パレット変換(&P)"), &IC::mnuBPC_Click);
  addMenuItem(draw, QStringLiteral("mnuBCS"), QStringLiteral("ベースカラー設定(&B)"), &IC::mnuBCS_Click);
  addMenuItem(draw, QStringLiteral("mnuBTP"), QStringLiteral("透明色の変更(&T)"), &IC::mnuBTP_Click);
  addMenuItem(draw, QStringLiteral("mnuBChange"), QStringLiteral("カラーチェンジ(&C)"),
              &IC::mnuBChange_Click);
  addMenuItem(draw, QStringLiteral("mnuBPA"), QStringLiteral("パレットアレイ(&P)"), &IC::mnuBPA_Click);
  addMenuItem(draw, QStringLiteral("mnuBENZ"), QStringLiteral("演算処理"), &IC::mnuBENZ_Click);
  QMenu* shift = addSubMenu(draw, QStringLiteral("mnuBS"), QStringLiteral("シフト"));
  addMenuItem(shift, QStringLiteral("mnuBSUP"), QStringLiteral("上"), &IC::mnuBSUP_Click);
  addMenuItem(shift, QStringLiteral("mnuBSR"), QStringLiteral("右"), &IC::mnuBSR_Click);
  addMenuItem(shift, QStringLiteral("mnuBSD"), QStringLiteral("下"), &IC::mnuBSD_Click);
  addMenuItem(shift, QStringLiteral("mnuBSL"), QStringLiteral("左"), &IC::mnuBSL_Click);
  addMenuItem(draw, QStringLiteral("mnuBMouse"), QStringLiteral("マウス描画(&M)"), &IC::mnuBMouse_Click);
  addMenuItem(draw, QStringLiteral("mnuBLine"), QStringLiteral("ラインペイント(&L)"), &IC::mnuBLine_Click);
  addMenuItem(draw, QStringLiteral("mnuBCHK"), QStringLiteral("チェック模様(&K)"), &IC::mnuBCHK_Click);
  addMenuItem(draw, QStringLiteral("mnuBREP"), QStringLiteral("画像の変形(&V)"), &IC::mnuBREP_Click);
  addMenuItem(draw, QStringLiteral("mnuBMIX"), QStringLiteral("合成(&G)"), &IC::mnuBMIX_Click);
  addMenuItem(draw, QStringLiteral("mnuMouseDrae"), QStringLiteral("マウスドロー"), &IC::mnuMouseDrae_Click);
  addMenuItem(draw, QStringLiteral("mnuBMSK"), QStringLiteral("マスク処理(&K)"), &IC::mnuBMSK_Click);
  addMenuItem(draw, QStringLiteral("mnuH"), QStringLiteral("１６×１６化"), &IC::mnuH_Click);
  addMenuItem(draw, QStringLiteral("mnuBBITMAP"), QStringLiteral("フルカラー→４bit処理"),
              &IC::mnuBBITMAP_Click);
  addClipboardItems(draw);

  addMenuItem(bar, QStringLiteral("mnuHKN"), QStringLiteral("保管庫(&A)"), &IC::mnuHKN_Click);
  addMenuItem(bar, QStringLiteral("mnuFullColIcon"), QStringLiteral("フルカラーアイコン(&I)"),
              &IC::mnuFullColIcon_Click);

  QMenu* tools = addSubMenu(bar, QStringLiteral("mnuT"), QStringLiteral("ツール"));
  addMenuItem(tools, QStringLiteral("mnuCHLDCLOSE"), QStringLiteral("全子フォームを閉じる"),
              &IC::mnuCHLDCLOSE_Click);
  addMenuItem(tools, QStringLiteral("mnuSaveWindow"), QStringLiteral("ウィンドウ設定"),
              &IC::mnuSaveWindow_Click);

  addMenuItem(tools, QStringLiteral("mnuManual"), QStringLiteral("マニュアル"), &IC::mnuManual_Click);
  addMenuItem(tools, QStringLiteral("mnuVersion"), QStringLiteral("バージョン情報(&V)"),
              &IC::mnuVersion_Click);

  addMenuItem(bar, QStringLiteral("mnuEND"), QStringLiteral("終了(&E)"), &IC::mnuEND_Click);
}

void IC::buildControls() {
  QWidget* area = clientArea();
  const QFont labelFont = MinchoFont(12);

  const QString captions[2] = {QStringLiteral("戻す"), QStringLiteral("進む")};
  for (int i = 0; i < 2; ++i) {
    auto* label = new PressLabel(captions[i], area);
    label->setObjectName(QStringLiteral("Label1_%1").arg(i));
    label->setFont(labelFont);
    label->setAlignment(Qt::AlignCenter);
    label->setAutoFillBackground(true);
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Raised);
    label->setGeometry(290 + 48 * i, 545, 44, 20);
    connect(label, &PressLabel::pressed, this, [this, i] { Label1_MouseDown(i); });
    connect(label, &PressLabel::released, this, [this, i] { Label1_MouseUp(i); });
    Label1[static_cast<std::size_t>(i)] = label;
  }
  addHistoryKeys();

  Label4 = new QLabel(QStringLiteral("-1/-1"), area);
  Label4->setObjectName(QStringLiteral("Label4"));
  Label4->setFont(labelFont);
  Label4->setGeometry(390, 545, 80, 20);
  // Placed by hand: a fixed size spares every new text a layout pass of the whole window.
  Label4->setFixedSize(Label4->size());

  Label3 = new QLabel(area);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label3->setFont(labelFont);
  Label3->setGeometry(410, 0, 70, 45);
  Label3->setFixedSize(Label3->size());

  StatusBar1 = statusBar();
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  const int stretch[3] = {2, 3, 2};
  for (int i = 0; i < 3; ++i) {
    auto* panel = new QLabel(StatusBar1);
    panel->setObjectName(QStringLiteral("StatusBar1Panel%1").arg(i + 1));
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    StatusBar1->addWidget(new StatusPanelHolder(panel, StatusBar1), stretch[i]);
    statusPanels_[static_cast<std::size_t>(i)] = panel;
  }
}

void IC::addHistoryKeys() {
  const QList<QKeySequence> keys[2] = {
      {QKeySequence(Qt::CTRL | Qt::Key_Z)},
      {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}};
  for (std::size_t i = 0; i < 2; ++i) {
    auto* action = new QAction(this);
    action->setObjectName(i == 0 ? QStringLiteral("actUndo") : QStringLiteral("actRedo"));
    action->setShortcuts(keys[i]);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, Label1[i], &PressLabel::click);
    addAction(action);
  }
}

QString IC::statusPanel(int panel) const {
  if (panel < 1 || panel > 3) return {};
  return statusPanels_[static_cast<std::size_t>(panel - 1)]->text();
}

void IC::setStatusPanel(int panel, const QString& text) {
  if (panel >= 1 && panel <= 3) statusPanels_[static_cast<std::size_t>(panel - 1)]->setText(text);
}

void IC::setFileMenuEnabled(bool enabled) {
  if (QMenu* file = menu(QStringLiteral("mnuF"))) file->menuAction()->setEnabled(enabled);
}

bool IC::fileMenuEnabled() const {
  const QMenu* file = menu(QStringLiteral("mnuF"));
  return file && file->menuAction()->isEnabled();
}

int IC::selectedPaletteNumber() const {
  return std::clamp(SelectPalNum, 0, 15);
}

QAction* IC::menuAction(const QString& name) const {
  return findChild<QAction*>(name);
}
QMenu* IC::menu(const QString& name) const {
  return findChild<QMenu*>(name);
}

void IC::updateHistoryLabel() {
  Label4->setText(QString::fromStdString(HistoryLabel(S)));
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void IC::Form_Load() {
  S.LinePaintStopAtOther = true;
  S.HistoryIndex = -1;
  S.HistoryLast = -1;
  Colours.normalBackground = kCanvasBackColour;
  Colours.caretBackground = Rgb(255, 0, 0);
  InstallMessageHook();
  Timer1.start();
}

void IC::Form_Activate() {
  if (!firstActivation()) return;
  CX = 0;
  CY = kGridTop;
  ZoomBuffer = CreateMemoryCanvas(client(), 340, 340);
  CanvasBuffer = CreateMemoryCanvas(client(), 340, 640);
  client().fillRect(350, 0, 400, 20, 0);
  CanvasBuffer->setFont(CanvasFont);
  client().setFont(CanvasFont);
  // Cells can be redrawn one at a time when the digits tile the grid exactly. Asked of the window's own
  // surface, in the same font: the palette panel draws every digit there anyway.
  cellsApart_ = client().textHeight() == 16;
  for (int v = 0; v < 16; ++v) {
    cellsApart_ = cellsApart_ && client().textWidth(HexDigit(v)) == 8 && client().inkInsideCells(HexDigit(v));
  }

  const std::int64_t bg = client().getPixel(0, 50);
  const ColorRef background = bg < 0 ? 0 : static_cast<ColorRef>(bg);
  S.BackgroundColour = {static_cast<std::uint8_t>(BlueOf(background)),
                        static_cast<std::uint8_t>(GreenOf(background)),
                        static_cast<std::uint8_t>(RedOf(background)), background};

  mnuNEW_Click();
  setStatusPanel(2, QStringLiteral("New"));
  setStatusPanel(3, QStringLiteral("透明色=%1").arg(S.TransparentIndex));
  clientArea()->setFocus();
  // The start-up layout may reopen the last file and the windows that were open.
  InitSetting(app());
}

void IC::Form_Unload() {
  Timer1.stop();
  ZoomBuffer.reset();
  CanvasBuffer.reset();
  RemoveMessageHook();
}

// ---------------------------------------------------------------------------------------------------
// Canvas

void IC::DoShow() {
  RedisplayAll(1);
  DrawPalettePanel();
  MoveCaret(CX, CY);
  // Tool windows change the picture through their own controls and then call this.
  app().workChanged();
}

void IC::RedisplayAll(int mode) {
  if (!CanvasBuffer || !ZoomBuffer) return;  // before the first activation there is nothing to draw on
  Surface& canvas = *CanvasBuffer;
  Surface& zoom = *ZoomBuffer;
  Surface& window = client();

  if (mode == 2) LoadDefaultPalette();

  if (SkipHistoryOnce) {
    SkipHistoryOnce = false;
  } else if (RecordHistory(S)) {
    updateHistoryLabel();
  }

  std::array<ColorRef, 16> colours{};
  for (std::size_t v = 0; v < colours.size(); ++v) colours[v] = EntryColour(S.IconPalette[v]);
  // A typed digit changes one cell: draw and copy that cell alone. A palette change or a picture that
  // changed all over is drawn whole.
  std::vector<int> changed;
  const bool fewCells =
      shownValid_ && cellsApart_ && !redrawWhole_ && colours == shownColours_ && caretCells_.size() <= 64;
  if (fewCells) drawChangedCells(colours, changed);
  if (fewCells && changed.size() <= 64) {
    for (const int i : changed) {
      const int x = i % 32, y = 31 - i / 32;
      window.bitBlt(8 * x, 16 * y + kGridTop, 8, 16, canvas, 8 * x, 16 * y + kGridTop);
    }
    const QRect grid(0, kGridTop, 256, 512);
    for (const QRect& cell : caretCells_) {
      const QRect r = cell & grid;
      if (!r.isEmpty()) window.bitBlt(r.x(), r.y(), r.width(), r.height(), canvas, r.x(), r.y());
    }
  } else {
    if (!fewCells) drawAllCells(colours);
    window.bitBlt(0, kGridTop, 256, 512, canvas, 0, kGridTop);
  }
  caretCells_.clear();

  window.bitBlt(280, 220, 32, 32, canvas, 260, 0);
  window.bitBlt(320, 236, 16, 16, canvas, 300, 16);
  window.bitBlt(280, kGridTop, 160, 160, zoom, 162, 0);
  if (mode == 1) zoom.bitBlt(0, 0, 160, 160, window, 280, kGridTop);
  refresh();
}

void IC::drawAllCells(const std::array<ColorRef, 16>& colours) {
  Surface& canvas = *CanvasBuffer;
  canvas.fillRect(0, kGridTop, 256, kGridTop + 512, kCanvasBackColour);
  canvas.setBkMode(true);
  canvas.setBkColor(kCanvasBackColour);
  for (int y = 31; y >= 0; --y) {
    for (int x = 0; x < 32; ++x) {
      drawCell(x, y, S.IconPixels[static_cast<std::size_t>((31 - y) * 32 + x)] & 0x0F, colours);
    }
  }
  std::transform(S.IconPixels.begin(), S.IconPixels.begin() + kPixelCount, shownValues_.begin(),
                 [](std::uint8_t v) { return static_cast<std::uint8_t>(v & 0x0F); });
  shownColours_ = colours;
  shownValid_ = true;
}

void IC::drawChangedCells(const std::array<ColorRef, 16>& colours, std::vector<int>& changed) {
  Surface& canvas = *CanvasBuffer;
  canvas.setBkMode(true);
  canvas.setBkColor(kCanvasBackColour);
  for (int i = 0; i < kPixelCount; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const int v = S.IconPixels[at] & 0x0F;
    if (v == shownValues_[at]) continue;
    changed.push_back(i);
    shownValues_[at] = static_cast<std::uint8_t>(v);
    drawCell(i % 32, 31 - i / 32, v, colours);
  }
}

void IC::drawCell(int x, int y, int v, const std::array<ColorRef, 16>& colours) {
  // The digit on the grid, the pixel of the 1:1 and 16 x 16 previews and the square of the 5x preview.
  Surface& canvas = *CanvasBuffer;
  const ColorRef c = colours[static_cast<std::size_t>(v)];
  canvas.setPixel(260 + x, y, c);
  canvas.setTextColor(c);
  canvas.textOut(8 * x, 16 * y + kGridTop, HexDigit(v));
  ZoomBuffer->fillRect(162 + 5 * x, 5 * y, 167 + 5 * x, 5 * y + 5, c);
  if (y > 15 && x < 16) canvas.setPixel(300 + x, y, c);
}

void IC::noteCaretCell(int x, int y, const QString& text) {
  if (text.isEmpty()) return;
  // A caret blinking in one place notes its cell once.
  const QRect cell(x, y, client().textWidth(text), client().textHeight());
  if (std::find(caretCells_.begin(), caretCells_.end(), cell) == caretCells_.end())
    caretCells_.push_back(cell);
}

void IC::MoveCaret(int x, int y) {
  Surface& window = client();
  Colours.text = EntryColour(S.IconPalette[static_cast<std::size_t>(ReadHex(M.toStdString()) & 0x0F)]);
  if (DX != x || DY != y) {
    // The caret is leaving (DX, DY): the position asked for becomes the caret before the erase.
    CX = x;
    CY = y;
    noteCaretCell(DX, DY, M);
    EraseOldCaret(window, *this, Colours);
  }

  const CaretPosition to = WrapTextCaret(x, y, kGridTop, kCaretMaxX, kCaretMaxY);
  x = to.x;
  y = to.y;

  CX = x;
  CY = y;
  CurColumn = x / 8;
  CurRow = (y - kGridTop) / 16;
  CurPixelIndex = (31 - CurRow) * 32 + CurColumn;
  const int value = S.IconPixels[static_cast<std::size_t>(CurPixelIndex)] & 0x0F;
  文字 = HexDigit(value);
  setStatusPanel(1, QStringLiteral("(%1,%2)=%3").arg(CurColumn).arg(CurRow).arg(文字));

  const PaletteEntry& entry = S.IconPalette[static_cast<std::size_t>(value)];
  if (ZoomBuffer) window.bitBlt(280, kGridTop, 161, 161, *ZoomBuffer, 0, 0);
  DrawFrameRect(window, 280 + 5 * CurColumn, kGridTop + 5 * CurRow, 285 + 5 * CurColumn, 62 + 5 * CurRow,
                entry, 1);
  window.fillRect(350, 0, 400, 20, EntryColour(entry));
  Label3->setText(QStringLiteral("R=%1\nG=%2\nB=%3").arg(entry.red).arg(entry.green).arg(entry.blue));

  refresh();
  CommitCaret(*this);
}

void IC::SetPixelAtCaret() {
  S.IconPixels[static_cast<std::size_t>(CurPixelIndex)] = static_cast<std::uint8_t>(TypedValue & 0x0F);
  RedisplayAll(1);
  MoveCaret(CX, CY);
}

void IC::Timer1_Timer() {
  if (!EditActive) return;
  Colours.text = EntryColour(S.IconPalette[static_cast<std::size_t>(ReadHex(文字.toStdString()) & 0x0F)]);
  noteCaretCell(CX, CY, 文字);
  BlinkCaret(client(), *this, Colours);
  refresh();
}

// ---------------------------------------------------------------------------------------------------
// Mouse and keys

void IC::Form_MouseDown(int button, int /*shift*/, int x, int y) {
  if (button == 1 && x >= 0 && x <= 256 && y >= kGridTop && y <= kGridTop + 512) {
    CX = (x / 8) * 8;
    CY = ((y - kGridTop) / 16) * 16 + kGridTop;
    MoveCaret(CX, CY);
    if (S.Form1Open) {
      S.IconPixels[static_cast<std::size_t>(CurPixelIndex)] = static_cast<std::uint8_t>(SelectPalNum & 0x0F);
      RedisplayAll(1);
      MoveCaret(CX, CY);
    } else if (S.Form3Open) {
      LinePaint(S.IconPixels, CurPixelIndex, SelectPalNum, S.LinePaintVertical, S.LinePaintStopAtOther);
      RedisplayAll(1);
      MoveCaret(CX, CY);
    }
  } else if (button == 2) {
    palettePick(x, y);
  }
  forwardMouseToShiftWindow(button, x, y);
}

void IC::Form_KeyDown(int keyCode, int /*shift*/) {
  app().processEvents();
  auto type = [this](int value) {
    TypedValue = value;
    if (EditActive) SetPixelAtCaret();
  };
  if (keyCode == 13 || keyCode == 32) {
    if (S.Form1Open) {
      S.IconPixels[static_cast<std::size_t>(CurPixelIndex)] = static_cast<std::uint8_t>(SelectPalNum & 0x0F);
      RedisplayAll(1);
      MoveCaret(CX, CY);
    }
  } else if (keyCode == 37) {
    MoveCaret(CX - 8, CY);
  } else if (keyCode == 38) {
    MoveCaret(CX, CY - 16);
  } else if (keyCode == 39) {
    MoveCaret(CX + 8, CY);
  } else if (keyCode == 40) {
    MoveCaret(CX, CY + 16);
  } else if (keyCode == 46) {
    type(0);
  } else if (keyCode >= 48 && keyCode <= 57) {
    type(keyCode - 48);
  } else if (keyCode >= 65 && keyCode <= 70) {
    type(keyCode - 55);
  } else if (keyCode >= 96 && keyCode <= 105) {
    type(keyCode - 96);
  } else {
    openToolByKey(keyCode);
  }
}

// ---------------------------------------------------------------------------------------------------
// New icons

void IC::newIcon(const QString& statusText, int caretY) {
  RedisplayAll(2);
  if (ZoomBuffer) ZoomBuffer->bitBlt(0, 0, 162, 162, client(), 280, kGridTop);
  DrawPalettePanel();
  MoveCaret(0, caretY);
  ShowSelectedColour(0);
  setStatusPanel(2, statusText);
  EditActive = true;
  std::fill(S.IconMask.begin(), S.IconMask.begin() + kMaskSize, std::uint8_t{0});
  noteSaved();
}

void IC::mnuNEW_Click() {
  std::fill(S.IconPixels.begin(), S.IconPixels.begin() + kPixelCount, std::uint8_t{0});
  newIcon(QStringLiteral("New"), kGridTop);
  Icon16 = false;
}

void IC::mnuNew16_Click() {
  std::fill(S.IconPixels.begin(), S.IconPixels.begin() + kPixelCount, std::uint8_t{15});
  for (int row = 0; row < 16; ++row) {
    std::fill_n(S.IconPixels.begin() + row * 32, 16, std::uint8_t{0});
  }
  // The caret asks for y = 31; the clamp puts it on row 0.
  newIcon(QStringLiteral("New16"), 31);
  Icon16 = true;
}

}  // namespace pf
