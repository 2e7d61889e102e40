#include "app/app.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QSet>

#include "archive/composition_window.h"
#include "archive/file_browser.h"
#include "archive/work_archive.h"
#include "editor/main_window.h"
#include "fullcolour/composition_check.h"
#include "fullcolour/full_colour_archive.h"
#include "fullcolour/full_colour_window.h"
#include "fullcolour/load_confirmation.h"
#include "fullcolour/mask_archive.h"
#include "fullcolour/mask_window32.h"
#include "fullcolour/mask_window64.h"
#include "fullcolour/photo_reduction.h"
#include "fullcolour/photo_window.h"
#include "fullcolour/reduction_window.h"
#include "platform/local_path.h"
#include "platform/message_channel.h"
#include "settings/screen_settings.h"
#include "tools/arithmetic.h"
#include "tools/check_pattern.h"
#include "tools/line_paint_settings.h"
#include "tools/mask_setting.h"
#include "tools/mouse_draw.h"
#include "tools/mouse_palette.h"
#include "tools/palette_array.h"
#include "tools/palette_colour.h"
#include "tools/palette_conversion.h"
#include "tools/shift_block.h"
#include "tools/transformation.h"

namespace pf {

namespace detail {
AppStorage::AppStorage(const QString& programFolder)
    : settingsFile(LocalPath(QDir(programFolder).filePath(QStringLiteral("PF.ini")))) {}
}  // namespace detail

App::App(Ui& ui, const QString& programFolder, const QString& channelPath)
    : AppStorage(programFolder),
      AppContext(*statePtr, registry, ui, settingsFile, programFolder,
                 channelPath.isEmpty() ? DefaultChannelPath() : channelPath) {
  // Every window takes it, so that taskbars and window lists show the program's own icon.
  QApplication::setWindowIcon(ProgramIcon());
}

QIcon ProgramIcon() {
  QIcon icon;
  icon.addFile(QStringLiteral(":/icons/pictoforge-16.ico"), QSize(16, 16));
  icon.addFile(QStringLiteral(":/icons/pictoforge-32.ico"), QSize(32, 32));
  return icon;
}

App::~App() {
  // Windows refer to this object: close and delete them all while it still exists, also those whose
  // deferred deletion after closing has not run yet.
  const std::vector<QPointer<Form>> all = forms.all();
  for (const QPointer<Form>& f : all) {
    if (!f.isNull()) f->close();
  }
  for (const QPointer<Form>& f : all) {
    if (!f.isNull()) delete f.data();
  }
}

IC* App::start() {
  // Known before it first shows: its first activation restores the start-up layout, which goes
  // through editor().
  main_ = singleLoaded<IC>();
  if (!main_->isUnloaded()) showForm(main_);
  return main_;
}

IC* App::mainWindow() const {
  return main_;
}

EditorLink* App::editor() const {
  return main_;
}

Form* App::createByName(const QString& formName) {
  Form* form = loadByName(formName);
  if (form && !form->isUnloaded()) showForm(form);
  return form;
}

Form* App::loadByName(const QString& formName) {
  // Windows the menus open once; the transformation, composition and archive windows anew each time.
  using Maker = Form* (App::*)();
  static const std::map<QString, Maker> makers = {
      {QStringLiteral("IC"), &App::makeSingle<IC>},
      {QStringLiteral("Form1"), &App::makeSingle<Form1>},
      {QStringLiteral("Form2"), &App::makeSingle<Form2>},
      {QStringLiteral("Form3"), &App::makeSingle<Form3>},
      {QStringLiteral("Form4"), &App::makeSingle<Form4>},
      {QStringLiteral("Form5"), &App::makeSingle<Form5>},
      {QStringLiteral("Form7"), &App::makeSingle<Form7>},
      {QStringLiteral("Form8"), &App::makeNew<Form8>},
      {QStringLiteral("Form9"), &App::makeSingle<Form9>},
      {QStringLiteral("Form10"), &App::makeNew<Form10>},
      {QStringLiteral("Form11"), &App::makeSingle<Form11>},
      {QStringLiteral("Form12"), &App::makeSingle<Form12>},
      {QStringLiteral("Form13"), &App::makeSingle<Form13>},
      {QStringLiteral("Form14"), &App::makeNew<Form14>},
      {QStringLiteral("Form15"), &App::makeSingle<Form15>},
      {QStringLiteral("Form16"), &App::makeSingle<Form16>},
      {QStringLiteral("Form17"), &App::makeSingle<Form17>},
      {QStringLiteral("Form18"), &App::makeSingle<Form18>},
      {QStringLiteral("Form19"), &App::makeSingle<Form19>},
      {QStringLiteral("Form20"), &App::makeSingle<Form20>},
      {QStringLiteral("Form21"), &App::makeNew<Form21>},
      {QStringLiteral("Form22"), &App::makeSingle<Form22>},
      {QStringLiteral("Form23"), &App::makeNew<Form23>},
      {QStringLiteral("Form24"), &App::makeNew<Form24>},
      {QStringLiteral("Form25"), &App::makeSingle<Form25>},
      {QStringLiteral("Form26"), &App::makeSingle<Form26>},
      {QStringLiteral("Form27"), &App::makeSingle<Form27>},
  };
  const auto it = makers.find(formName);
  return it == makers.end() ? nullptr : (this->*(it->second))();
}

QWidget* App::ownerFor(const QString& formName) {
  // These tool windows stay above the main window; every other window stands on its own.
  static const QSet<QString> owned = {
      QStringLiteral("Form1"), QStringLiteral("Form2"), QStringLiteral("Form3"),  QStringLiteral("Form4"),
      QStringLiteral("Form5"), QStringLiteral("Form7"), QStringLiteral("Form16"), QStringLiteral("Form17")};
  if (owned.contains(formName)) return main_;
  // The full colour windows stay above the photo window that opens them.
  if (formName == QLatin1String("Form20") || formName == QLatin1String("Form22")) return find<Form18>();
  // The mask windows, the load confirmation and the archives of the full colour window work on the full
  // colour window and stay above it.
  static const QSet<QString> onFullColour = {QStringLiteral("Form19"), QStringLiteral("Form21"),
                                             QStringLiteral("Form23"), QStringLiteral("Form24"),
                                             QStringLiteral("Form25"), QStringLiteral("Form26")};
  if (onFullColour.contains(formName)) return forms.findByName(QStringLiteral("Form20"));
  return nullptr;
}

}  // namespace pf
