#include "lyrics/Apostrophes.h"

namespace cv {

bool IsTypographicApostrophe(char16_t c) {
  switch (c) {
    case u'\u00B4':
    case u'\u0060':
    case u'\u201A':
    case u'\u2018':
    case u'\u2019':
    case u'\u0082':
    case u'\u0091':
    case u'\u0092':
      return true;
    default:
      return false;
  }
}

void ReplaceApostrophes(std::u16string& text) {
  for (char16_t& c : text)
    if (IsTypographicApostrophe(c)) c = u'\'';
}

}  // namespace cv
