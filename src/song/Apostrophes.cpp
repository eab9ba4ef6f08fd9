#include "song/Apostrophes.h"

namespace cv {

bool IsTypographicApostrophe(char16_t ch) {
  switch (ch) {
    case 0x00B4: case 0x0060: case 0x201A: case 0x2018: case 0x2019:
    case 0x0082: case 0x0091: case 0x0092:
      return true;
    default:
      return false;
  }
}

bool ReplaceTypographicApostrophes(std::u16string& text) {
  bool changed = false;
  for (char16_t& ch : text) {
    if (IsTypographicApostrophe(ch)) {
      ch = u'\'';
      changed = true;
    }
  }
  return changed;
}

}  // namespace cv
