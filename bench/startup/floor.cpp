// The floor for any Qt program's start-up: a main window with a menu bar, a status bar and one Japanese
// label, nothing else. bench/startup_bench.sh starts it beside the editor.
#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Floor"));
  window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
  window.statusBar()->showMessage(QStringLiteral("New"));
  window.setCentralWidget(new QLabel(QStringLiteral("アイコンエディタ")));
  window.resize(480, 620);
  window.show();
  return QApplication::exec();
}
