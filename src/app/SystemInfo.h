// What the program learns from the system at start: language, operating system, hidden mode.
#pragma once

#include <QString>
#include <QStringList>

#include "song/Language.h"

namespace cvapp {

// "de" (or any text containing "deutsch") gives German; any other stored value English.
// Without a stored value the system language's own name decides.
cv::TLanguage ChooseLanguage(bool haveStoredValue, const QString& storedValue,
                             const QString& systemLanguageName);
// The system's default language in its own name, e.g. "Deutsch" or "English".
QString SystemLanguageName();

// Operating system and kernel, e.g. "Debian GNU/Linux 12 (bookworm) - Linux 6.1.0-18-amd64".
QString OperatingSystemText();

// True when one of the arguments 1 to 3 is the hidden-mode access code.
bool IsHiddenMode(const QStringList& arguments);

}  // namespace cvapp
