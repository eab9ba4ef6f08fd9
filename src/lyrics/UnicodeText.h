// Character classes and case mapping for syllable texts, from generated Unicode tables.
#pragma once

#include <string>

namespace cv {

// Letters, combining marks and numbers of any script (not punctuation, symbols, separators).
bool IsWordCharacter(char32_t c);
// One-to-one upper case; characters without such a mapping stay as they are.
char32_t ToUpperSimple(char32_t c);
// Upper case of a UTF-16 text, surrogate pairs included.
std::u16string ToUpperText(std::u16string_view text);

// Walks a UTF-16 text by code point: the code point at i and the number of units it takes.
char32_t CodePointAt(std::u16string_view text, size_t i, size_t* units);
void AppendCodePoint(std::u16string& out, char32_t c);

}  // namespace cv
