// Moves every syllable by a number of milliseconds through the time map.
#pragma once

#include <cstdint>

#include "song/Song.h"

namespace cv {

// Shifts each syllable's time by offsetMs (times below 0 become 0), turns it back into ticks
// through the zones, places the title lines before the first syllable (PlaceTitleLines), keeps the
// positions non-decreasing,
// then refreshes times, rebuilds the lyric events and ends the preview (LyricsOffset 0).
// Offset 0 changes nothing.
void MoveLyrics(Song& song, int32_t offsetMs);

}  // namespace cv
