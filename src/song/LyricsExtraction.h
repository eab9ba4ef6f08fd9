// The syllable list from the lyric or karaoke text events of a timed song.
#pragma once

#include <string>

#include "song/Song.h"

namespace cv {

// More lyric (or karaoke text) events than any song has: the reader refuses such a file before
// its events take memory.
constexpr int32_t kMaxSongSyllables = 1000000;

// Fills HyphenArray (>= 5 elements in song order, or empty) and runs the finishing steps:
// title placement, MTC and Time of every element, apostrophes.
void ExtractLyrics(Song& song);

// Empty or spaces only.
bool isBlankLine(const std::u16string& text);

}  // namespace cv
