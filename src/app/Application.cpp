#include "app/Application.h"

#include <QApplication>
#include <QTimer>

#include "app/CV_InstanceManager.h"
#include "app/CV_Main.h"
#include "app/MyRegistry.h"
#include "app/ScriptedUser.h"
#include "app/Styles.h"

namespace cvapp {

int RunApplication(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setOrganizationName(QStringLiteral("Maravelt"));
  QApplication::setApplicationName(QStringLiteral("Cantovex 3"));
  QApplication::setApplicationVersion(QStringLiteral(CANTOVEX_VERSION));
  // Ties the windows to the installed desktop entry (its icon and name in the task bar).
  QApplication::setDesktopFileName(QStringLiteral("de.maravelt.cantovex3"));

  const QStringList arguments = QApplication::arguments();
  TInstanceManager instance;
  switch (instance.Start(arguments.mid(1))) {
    case TInstanceManager::TStartResult::HandedOver:
    case TInstanceManager::TStartResult::AnotherIsBusy:
      return 0;
    case TInstanceManager::TStartResult::FirstInstance:
      break;
  }

  ApplyStyle(DefaultDarkStyle());
  TMyRegistry store;
  TMainFormOptions options;
  options.Store = &store;
  options.Arguments = arguments;
  options.Instance = &instance;
  TMainForm window(std::move(options));
  window.show();
  StartScriptedUser(window);
  // A song named on the command line opens once the window is up.
  QTimer::singleShot(0, &window, [&window, arguments] { window.OpenFromArguments(arguments); });
  return QApplication::exec();
}

}  // namespace cvapp
