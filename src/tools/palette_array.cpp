#include "tools/palette_array.h"

#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <optional>
#include <string_view>
#include <vector>

#include "model/colour_table.h"
#include "model/file_io.h"
#include "model/foreign_palette.h"
#include "model/palette_set.h"
#include "model/profile.h"
#include "platform/app_context.h"
#include "platform/local_path.h"
#include "platform/palette_set_messages.h"
#include "platform/swatch.h"

namespace pf {

namespace {

const QString kPaletteFilter = QStringLiteral("ﾊﾟﾚｯﾄ(*.pal)|*.pal|全て(*.*)|*.*");
// Opening also reads the palettes of other programs.
const QString kOpenFilter =
    QStringLiteral("ﾊﾟﾚｯﾄ(*.pal;*.gpl;*.hex;*.txt;*.act)|*.pal;*.gpl;*.hex;*.txt;*.act|全て(*.*)|*.*");
const QString kGimpFilter = QStringLiteral("GIMPﾊﾟﾚｯﾄ(*.gpl)|*.gpl");
const QString kIconFilter = QStringLiteral("ｱｲｺﾝ(*.ico)|*.ico|全て(*.*)|*.*");
const QString kUnsupported = QStringLiteral("対応していない形式です。");
constexpr const char* kSwatchProperty = "swatchIndex";

}  // namespace

Form12::Form12(AppContext& app, QWidget* owner) : Form(app, QStringLiteral("Form12"), owner) {
  setWindowTitle(QStringLiteral("パレットアレイ"));
  // 20 rows of 25 pixels; the last swatch ends at 60 + 15 * 40 + 20 = 680.
  setClientSize(kSwatchLeft + 15 * kSwatchSpacing + kSwatchWidth + 10, kRows * kRowHeight);
  buildMenus();
  buildGrid();
}

void Form12::buildMenus() {
  QMenuBar* bar = menuBar();
  QMenu* file = addSubMenu(bar, QStringLiteral("mnuFILE"), QStringLiteral("ファイル(&F)"));
  addMenuItem(file, QStringLiteral("mnuOPEN"), QStringLiteral("開く(&O)"), &Form12::mnuOPEN_Click);
  addMenuItem(file, QStringLiteral("mnuOPENPAL"), QStringLiteral("パレットのみロード(&P)"),
              &Form12::mnuOPENPAL_Click);
  addMenuItem(file, QStringLiteral("mnuSV"), QStringLiteral("アレイ保存(&S)"), &Form12::mnuSV_Click);
  addMenuItem(file, QStringLiteral("mnuSVGPL"), QStringLiteral("GIMPパレットとして保存(&G)"),
              &Form12::mnuSVGPL_Click);
  addMenuItem(bar, QStringLiteral("mnuPLT"), QStringLiteral("パレット吸上"), &Form12::mnuPLT_Click);
  addMenuItem(bar, QStringLiteral("mnuPALUNDO"), QStringLiteral("戻す(&Z)"), &Form12::mnuPALUNDO_Click);
  addMenuItem(bar, QStringLiteral("mnuEND"), QStringLiteral("終了(&Q)"), &Form12::mnuEND_Click);
}

void Form12::buildGrid() {
  QWidget* area = clientArea();
  for (int p = 0; p <= kRows; ++p) {
    const int top = (p - 1) * kRowHeight;
    auto* option = new QRadioButton(QString::number(p), area);
    option->setObjectName(QStringLiteral("Option1_%1").arg(p));
    option->setGeometry(0, top, 35, 20);
    auto* check = new QCheckBox(area);
    check->setObjectName(QStringLiteral("Check1_%1").arg(p));
    check->setGeometry(35, top + 3, 20, 17);
    Option1[static_cast<std::size_t>(p)] = option;
    Check1[static_cast<std::size_t>(p)] = check;
    if (p == 0) {
      option->hide();
      check->hide();
      continue;
    }
    // Toggled, not clicked: the arrow keys and assistive technology choose a row too.
    connect(option, &QRadioButton::toggled, this, [this, p](bool checked) {
      if (checked) Option1_Click(p);
    });
    connect(check, &QCheckBox::toggled, this, [this, p] { Check1_Click(p); });
  }
  for (int i = 0; i <= kSwatches; ++i) {
    auto* swatch = new QLabel(area);
    swatch->setObjectName(QStringLiteral("Label1_%1").arg(i));
    swatch->setAlignment(Qt::AlignCenter);
    swatch->setAutoFillBackground(true);
    Label1[static_cast<std::size_t>(i)] = swatch;
    if (i == 0) {
      swatch->setGeometry(0, 0, kSwatchWidth, kSwatchHeight);
      swatch->hide();
      continue;
    }
    const int row = (i - 1) / 16;
    const int colour = (i - 1) % 16;
    swatch->setGeometry(colour * kSwatchSpacing + kSwatchLeft, row * kRowHeight + 3, kSwatchWidth,
                        kSwatchHeight);
    swatch->setProperty(kSwatchProperty, i);
    swatch->installEventFilter(this);
  }
}

void Form12::Form_Load() {
  SharedState& s = app().state;
  savedPalette_ = s.IconPalette;
  ready_ = false;
  const int current = s.CurrentPaletteSet;
  for (int p = 1; p <= kRows; ++p) {
    QCheckBox* check = Check1[static_cast<std::size_t>(p)];
    if (p == current + 1) {
      // Checking the row takes its palette.
      Option1[static_cast<std::size_t>(p)]->setChecked(true);
      check->setChecked(true);
      check->setEnabled(true);
    } else {
      check->setChecked(false);
      check->setEnabled(false);
    }
    paintRow(p - 1);
  }
  ready_ = true;
  targetRow_ = current + 1;
}

void Form12::Form_Unload() {
  ready_ = false;
}

void Form12::Option1_Click(int p) {
  if (p < 1 || p > kRows) return;
  targetRow_ = p;
  SharedState& s = app().state;
  s.IconPalette = s.PaletteSets[static_cast<std::size_t>(p - 1)];
  repaintMainWindow();
}

void Form12::Check1_Click(int p) {
  if (!ready_ || p < 1 || p > kRows) return;
  if (Check1[static_cast<std::size_t>(p)]->isChecked()) {
    for (int q = 1; q <= kRows; ++q) {
      if (q != p) Check1[static_cast<std::size_t>(q)]->setEnabled(false);
    }
    app().state.CurrentPaletteSet = p - 1;
  } else {
    for (int q = 1; q <= kRows; ++q) Check1[static_cast<std::size_t>(q)]->setEnabled(true);
  }
}

void Form12::Label1_Click(int i) {
  if (i < 1 || i > kSwatches) return;
  QLabel* swatch = Label1[static_cast<std::size_t>(i)];
  PaletteEntry& entry =
      app().state.PaletteSets[static_cast<std::size_t>((i - 1) / 16)][static_cast<std::size_t>((i - 1) % 16)];
  swatch->setText(QStringLiteral("□"));
  ColorRef start = 0;
  PalEntryColor(start, entry, 1);
  std::optional<ColorRef> chosen = app().ui.chooseColour(this, start);
  if (chosen) {
    PalEntryColor(*chosen, entry, 0);
    SetSwatchColour(swatch, *chosen);
  }
  swatch->clear();
}

void Form12::mnuPLT_Click() {
  if (targetRow_ < 1 || targetRow_ > kRows) return;
  SharedState& s = app().state;
  s.PaletteSets[static_cast<std::size_t>(targetRow_ - 1)] = s.IconPalette;
  paintRow(targetRow_ - 1);
}

void Form12::mnuPALUNDO_Click() {
  app().state.IconPalette = savedPalette_;
  repaintMainWindow();
}

void Form12::mnuOPEN_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = kOpenFilter;
  options.initialFolder = app().programFolder();
  options.mustExist = true;
  const std::optional<QString> chosen = app().ui.openFile(this, options);
  if (!chosen) {
    fileName_.clear();
    return;
  }
  fileName_ = *chosen;

  const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(LocalPath(fileName_));
  const PaletteFileKind kind =
      bytes ? DetectPaletteFile(*bytes, fileName_.toStdString()) : PaletteFileKind::PaletteSets;
  if (kind != PaletteFileKind::PaletteSets) {
    openForeignPalette(ReadForeignPalette(kind, *bytes));
    return;
  }
  SharedState& s = app().state;
  const PaletteSetRead result =
      bytes ? ReadPaletteSets(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()),
                              {s.PaletteSets, s.CurrentPaletteSet, s.IconPalette},
                              [this](int row) { paintRow(row); })
            : PaletteSetRead::Invalid;
  // A line that fails half way has already stored its first colours: show them too.
  if (result == PaletteSetRead::Invalid) {
    for (int row = 0; row < kRows; ++row) paintRow(row);
  }
  ShowPaletteSetResult(app(), this, result);
}

void Form12::mnuSV_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = kPaletteFilter;
  options.initialFolder = app().programFolder();
  options.askOverwrite = true;
  options.pathMustExist = true;
  const std::optional<QString> chosen = AskSaveName(app().ui, this, options, QStringLiteral(".pal"));
  if (!chosen) return;
  fileName_ = *chosen;

  const SharedState& s = app().state;
  const std::string text = WritePaletteSets(s.PaletteSets, s.CurrentPaletteSet);
  // Written beside the target and renamed over it, so a failed save leaves the old file whole.
  std::string error;
  if (!WriteFileAtomically(LocalPath(fileName_),
                           std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                           &error)) {
    app().ui.message(this, QString::fromLocal8Bit(error.c_str()));
  }
}

void Form12::openForeignPalette(const std::optional<ForeignPalette>& read) {
  if (!read || targetRow_ < 1 || targetRow_ > kRows) {
    ShowPaletteSetResult(app(), this, PaletteSetRead::Invalid);
    return;
  }
  // The colours go into the chosen row and, as choosing the row does, into the icon's palette.
  SharedState& s = app().state;
  Palette& row = s.PaletteSets[static_cast<std::size_t>(targetRow_ - 1)];
  std::copy_n(read->colours.begin(), std::min(read->count, 16), row.begin());
  paintRow(targetRow_ - 1);
  s.IconPalette = row;
  repaintMainWindow();
  if (read->count < 16) {
    app().ui.message(this, QStringLiteral("%1色を読み込みました。残りの色はそのままです。").arg(read->count));
  } else if (read->count > 16) {
    app().ui.message(this, QStringLiteral("%1色のうち、最初の16色を読み込みました。").arg(read->count));
  }
}

void Form12::mnuSVGPL_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = kGimpFilter;
  options.initialFolder = app().programFolder();
  options.askOverwrite = true;
  options.pathMustExist = true;
  const std::optional<QString> chosen = AskSaveName(app().ui, this, options, QStringLiteral(".gpl"));
  if (!chosen || targetRow_ < 1 || targetRow_ > kRows) return;
  fileName_ = *chosen;

  const std::string text = WriteGimpPalette(app().state.PaletteSets[static_cast<std::size_t>(targetRow_ - 1)],
                                            QFileInfo(fileName_).completeBaseName().toStdString());
  std::string error;
  if (!WriteFileAtomically(LocalPath(fileName_),
                           std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                           &error)) {
    app().ui.message(this, QString::fromLocal8Bit(error.c_str()));
  }
}

void Form12::mnuOPENPAL_Click() {
  FileDialogOptions options = dialogOptions();
  options.filter = kIconFilter;
  options.initialFolder = rememberedFolder();
  options.mustExist = true;
  const std::optional<QString> chosen = app().ui.openFile(this, options);
  if (!chosen) {
    fileName_.clear();
    return;
  }
  fileName_ = *chosen;
  rememberFolder(fileName_);

  std::string error;
  const std::optional<std::vector<std::uint8_t>> bytes = ReadWholeFile(LocalPath(fileName_), &error);
  if (!bytes) {
    app().ui.message(this, kUnsupported + QString::fromLocal8Bit(error.c_str()));
    fileName_.clear();
    return;
  }
  const ColourTableResult result = ExtractColourTable(*bytes, app().state.PaletteSets, targetRow_);
  switch (result.status) {
    case ColourTableStatus::Ok:
      for (int r = 0; r < result.rowsTouched; ++r) paintRow(result.firstRow - 1 + r);
      break;
    case ColourTableStatus::Unsupported:
      app().ui.message(this, kUnsupported + QString::fromStdString(result.description));
      fileName_.clear();
      break;
    case ColourTableStatus::NoColours:
    case ColourTableStatus::InvalidTarget:
      break;
  }
}

void Form12::mnuEND_Click() {
  unload();
}

bool Form12::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease) {
    const QVariant index = watched->property(kSwatchProperty);
    auto* swatch = qobject_cast<QLabel*>(watched);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    // A click: the left button let go over the swatch it was pressed on.
    if (index.isValid() && swatch && mouse->button() == Qt::LeftButton &&
        swatch->rect().contains(mouse->position().toPoint())) {
      Label1_Click(index.toInt());
      return true;
    }
  }
  return Form::eventFilter(watched, event);
}

void Form12::paintSwatch(int i) {
  const PaletteEntry& e =
      app().state.PaletteSets[static_cast<std::size_t>((i - 1) / 16)][static_cast<std::size_t>((i - 1) % 16)];
  SetSwatchColour(Label1[static_cast<std::size_t>(i)], EntryColour(e));
}

void Form12::paintRow(int row) {
  if (row < 0 || row >= kRows) return;
  for (int c = 0; c < 16; ++c) paintSwatch(row * 16 + c + 1);
}

void Form12::repaintMainWindow() {
  if (EditorLink* editor = app().editor()) editor->DoShow();
}

QString Form12::rememberedFolder() const {
  return app().rememberedFolder("IconPal");
}

void Form12::rememberFolder(const QString& chosenPath) {
  storeLastFolder(app().settings, "IconPal", chosenPath.toStdString());
}

}  // namespace pf
