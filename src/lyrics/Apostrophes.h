// Typographic apostrophes in lyrics become the plain apostrophe, whatever their source:
// Unicode quotes, accents used as quotes, and Windows-1252 quote bytes read as C1 controls.
#pragma once

#include <string>

namespace cv {

// U+00B4, U+0060, U+201A, U+2018, U+2019, and the C1 code points U+0082, U+0091, U+0092.
bool IsTypographicApostrophe(char16_t c);
// Replaces every typographic apostrophe by U+0027 in place.
void ReplaceApostrophes(std::u16string& text);

}  // namespace cv
