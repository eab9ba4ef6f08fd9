#include "song/LyricsExtraction.h"

namespace cv {

void ExtractLyrics(Song& song) {
  song.HyphenArray.clear();
  song.HyphenArrayElements = 0;
  song.HyphenArrayCounter = 0;
}

bool isBlankLine(const std::u16string& text) {
  for (char16_t c : text)
    if (c != u' ') return false;
  return true;
}

}  // namespace cv
