// GoogleTest main for the window tests: one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Hand-overs between test processes never reach a program the user runs.
  qputenv("CANTOVEX_INSTANCE_KEY", QByteArray("cantovex-test-") + QByteArray::number(QCoreApplication::applicationPid()));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
