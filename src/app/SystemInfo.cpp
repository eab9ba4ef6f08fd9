#include "app/SystemInfo.h"

#include <QLocale>
#include <QSysInfo>

namespace cvapp {

cv::TLanguage ChooseLanguage(bool haveStoredValue, const QString& storedValue,
                             const QString& systemLanguageName) {
  QString name = haveStoredValue ? storedValue : systemLanguageName;
  if (name == QLatin1String("de")) name = QStringLiteral("Deutsch");
  return name.toLower().contains(QLatin1String("deutsch")) ? cv::TLanguage::Deutsch
                                                             : cv::TLanguage::Englisch;
}

QString SystemLanguageName() { return QLocale::system().nativeLanguageName(); }

QString OperatingSystemText() {
  return QSysInfo::prettyProductName() + QStringLiteral(" - ") + QSysInfo::kernelType() +
         QLatin1Char(' ') + QSysInfo::kernelVersion() + QStringLiteral(" (") +
         QSysInfo::currentCpuArchitecture() + QLatin1Char(')');
}

bool IsHiddenMode(const QStringList& arguments) {
  for (int i = 1; i <= 3 && i < arguments.size(); ++i)
    if (arguments[i].toLower() == QLatin1String("qorvelintabu")) return true;
  return false;
}

}  // namespace cvapp
