#include <QApplication>

#include "app/app.h"
#include "platform/fonts.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Pictoforge"));
  pf::InstallFontSubstitutes();
  pf::QtUi ui;
  pf::App app(ui, QCoreApplication::applicationDirPath());
  app.start();
  return QApplication::exec();
}
