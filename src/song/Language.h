// The user's language for every message the program makes.
#pragma once

#include <string>

namespace cv {

enum class TLanguage { Deutsch, Englisch };

TLanguage CurrLanguage();
void SetCurrLanguage(TLanguage language);

// Picks the text of the current language.
inline const char* Tr(const char* de, const char* en) {
  return CurrLanguage() == TLanguage::Deutsch ? de : en;
}
inline std::string Tr(const std::string& de, const std::string& en) {
  return CurrLanguage() == TLanguage::Deutsch ? de : en;
}

}  // namespace cv
