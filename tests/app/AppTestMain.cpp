// GoogleTest main for the window tests: one QApplication on the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Hand-overs between test processes never reach a program the user runs: a session folder of
  // the tests' own.
  const QString runtime = QDir::temp().filePath(QStringLiteral("cantovex-test-runtime-%1").arg(QCoreApplication::applicationPid()));
  QDir().mkpath(runtime);
  QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  QDir(runtime).removeRecursively();
  return result;
}
