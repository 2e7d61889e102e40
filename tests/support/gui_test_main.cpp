// Test main for window tests: a QApplication on the offscreen platform, so no display is needed.
#include <gtest/gtest.h>

#include <QApplication>

#include "platform/fonts.h"
#include "platform/translation.h"

namespace {
QtMessageHandler previousHandler = nullptr;

// The offscreen platform reports every window operation it cannot do; those lines only hide real output.
void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (message.startsWith(QLatin1String("This plugin does not support"))) return;
  if (previousHandler) previousHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  previousHandler = qInstallMessageHandler(QuietHandler);
  QApplication app(argc, argv);
  pf::InstallFontSubstitutes();
  pf::InstallJapaneseTranslation(app);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
