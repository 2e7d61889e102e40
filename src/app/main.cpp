#include <QApplication>

#include "app/app.h"
#include "editor/main_window.h"
#include "platform/fonts.h"
#include "platform/translation.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pictoforge"));
  pf::InstallFontSubstitutes();
  pf::InstallJapaneseTranslation(application);
  pf::QtUi ui;
  pf::App app(ui, QCoreApplication::applicationDirPath());
  // The program ends when the main window closes, whatever else is still open or hidden.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(app.start(), &QObject::destroyed, &application, &QCoreApplication::quit);
  return QApplication::exec();
}
