// Typographic apostrophes and accents that stand for an apostrophe in lyrics.
#pragma once

#include <string>

namespace cv {

// True for ´ ` ‚ ‘ ’ and for the C1 codes 0x82, 0x91, 0x92 (the same marks read as raw bytes).
bool IsTypographicApostrophe(char16_t ch);

// Replaces each of them by the plain apostrophe ('); true when anything changed.
bool ReplaceTypographicApostrophes(std::u16string& text);

}  // namespace cv
