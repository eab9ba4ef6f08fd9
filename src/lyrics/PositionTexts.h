// Position texts (measure.beat.tick) and times of syllables, through the song's time map.
#pragma once

#include <cstdint>
#include <string>

#include "song/Song.h"

namespace cv {

// The position text of a tick position; its time in ms goes to *timeMs when given.
std::u16string PositionText(Song& song, int32_t position, int32_t* timeMs = nullptr);
// MTC and Time of every element of the syllable list from its SongPosition.
void FillPositionTexts(Song& song);

}  // namespace cv
