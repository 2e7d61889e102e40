#include "settings/screen_settings.h"

#include <QButtonGroup>
#include <QEvent>
#include <QMenuBar>
#include <algorithm>

#include "model/window_layouts.h"
#include "platform/app_context.h"
#include "platform/editor_link.h"
#include "settings/window_layout.h"

namespace pf {

namespace {

constexpr int kRowTop = 4;
constexpr int kRowStep = 32;
constexpr int kClientWidth = 300;

QString SectionOf(int pattern) {
  return QString::fromStdString(LayoutSection(pattern));
}

}  // namespace

Form27::Form27(AppContext& app, QWidget* owner) : Form(app, QString::fromLatin1(kFormName), owner) {
  setWindowTitle(QStringLiteral("画面設定フォーム"));
  QMenuBar* bar = menuBar();
  addMenuItem(bar, QStringLiteral("mnuSAVE"), QStringLiteral("SAVE"), &Form27::mnuSAVE_Click);
  addMenuItem(bar, QStringLiteral("mnuLOAD"), QStringLiteral("LOAD"), &Form27::mnuLOAD_Click);
  addMenuItem(bar, QStringLiteral("mnuDel"), QStringLiteral("削除"), &Form27::mnuDel_Click);
  addMenuItem(bar, QStringLiteral("mnuEND"), QStringLiteral("終了"), &Form27::mnuEND_Click);
  buildControls();
}

void Form27::buildControls() {
  const int buttonTop = kRowTop + kRowStep * kPatterns + 4;
  setClientSize(kClientWidth, buttonTop + 32);
  QWidget* area = clientArea();
  auto* group = new QButtonGroup(this);
  for (int i = 0; i < kPatterns; ++i) {
    const auto k = static_cast<std::size_t>(i);
    auto* option = new QRadioButton(QStringLiteral("パターン%1").arg(i + 1), area);
    option->setObjectName(QStringLiteral("Option1_%1").arg(i));
    option->setGeometry(8, kRowTop + kRowStep * i, 100, 24);
    option->installEventFilter(this);
    group->addButton(option, i);
    connect(option, &QRadioButton::toggled, this, [this, i](bool checked) {
      if (checked) Option1_Click(i);
    });
    Option1[k] = option;

    auto* name = new QLineEdit(area);
    name->setObjectName(QStringLiteral("Text1_%1").arg(i));
    name->setGeometry(112, kRowTop + kRowStep * i, kClientWidth - 120, 24);
    Text1[k] = name;
  }
  Command1 = new QPushButton(QStringLiteral("全てを閉じてPictoforgeを終了します。"), area);
  Command1->setObjectName(QStringLiteral("Command1"));
  Command1->setGeometry(8, buttonTop, kClientWidth - 16, 28);
  connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
}

void Form27::Form_Load() {
  for (int i = 0; i < kPatterns; ++i) {
    // Section names are read without regard to case: "Form0" finds [FORM0].
    const std::string name = app().settings.ReadSetting("Form" + std::to_string(i), "Name");
    Text1[static_cast<std::size_t>(i)]->setText(QString::fromStdString(name));
  }
  const int selected = std::clamp(app().SelectedPattern, 0, kPatterns - 1);
  Option1[static_cast<std::size_t>(selected)]->setChecked(true);
  Option1_Click(selected);
  Option1[static_cast<std::size_t>(selected)]->setFocus();
}

void Form27::Option1_Click(int index) {
  app().SelectedPattern = index;
  PatternSection = SectionOf(index);
}

void Form27::mnuSAVE_Click() {
  const InUse inUse(this);
  const int n = app().SelectedPattern;
  if (!SaveWindowPattern(app(), n, Text1[static_cast<std::size_t>(n)]->text())) {
    // The file could not be written (read-only, or no file at all): say so rather than close as if saved.
    app().ui.message(this, QStringLiteral("SAVEできませんでした。"));
    return;
  }
  unload();
}

void Form27::mnuLOAD_Click() {
  const InUse inUse(this);
  if (app().settings.ReadSetting(PatternSection.toStdString(), "Name").empty()) {
    app().ui.message(this, QStringLiteral("設定されていません。"));
    return;
  }
  // Closing every window closes this one as well.
  RestoreWindowPattern(app(), app().SelectedPattern);
  if (!isUnloaded()) unload();
}

void Form27::mnuDel_Click() {
  const InUse inUse(this);
  const int n = app().SelectedPattern;
  if (n == 0) {
    app().ui.message(this, QStringLiteral("パターン１は削除できません。"));
    return;
  }
  if (!app().ui.askYesNo(this, QStringLiteral("削除してもいいですか？"))) return;
  // The box keeps the name while the pattern is still in the file, and the user hears that it is.
  if (app().settings.ClearIniSection(PatternSection.toStdString())) {
    app().ui.message(this, QStringLiteral("SAVEできませんでした。"));
    return;
  }
  Text1[static_cast<std::size_t>(n)]->clear();
}

// Loading a pattern closes this window from inside its own handlers and lets events run: each handler
// holds the window in use, so that it is deleted only once none is running any more.
void Form27::mnuEND_Click() {
  const InUse inUse(this);
  unload();
}

void Form27::Command1_Click() {
  const InUse inUse(this);
  EditorLink* editor = app().editor();
  if (!editor || !editor->confirmEnd()) return;
  editor->AllClose();
  editor->closeEditor();
}

void Form27::chooseAndLoad(int index) {
  const InUse inUse(this);
  Option1[static_cast<std::size_t>(index)]->setChecked(true);
  mnuLOAD_Click();
}

void Form27::Form_KeyDown(int keyCode, int /*shift*/) {
  // 1 .. 9 on the main keys or the numeric pad load patterns 1 .. 9; pattern 10 has no key.
  if (keyCode >= 49 && keyCode <= 57) {
    chooseAndLoad(keyCode - 49);
  } else if (keyCode >= 97 && keyCode <= 105) {
    chooseAndLoad(keyCode - 97);
  }
}

bool Form27::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (int i = 0; i < kPatterns; ++i) {
      if (watched == Option1[static_cast<std::size_t>(i)]) {
        chooseAndLoad(i);
        return true;
      }
    }
  }
  return Form::eventFilter(watched, event);
}

}  // namespace pf
