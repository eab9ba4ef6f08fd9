// Qt's own texts (standard buttons, file and font dialogs) in the user's language.
#pragma once

namespace cvapp {

// Installs Qt's German translations for German and removes them for English. False when they
// are not installed (the Qt texts then stay English).
bool InstallQtTranslations(bool german);

}  // namespace cvapp
