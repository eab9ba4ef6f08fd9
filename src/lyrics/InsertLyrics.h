// Writes the syllable list back into the lyrics track as lyric events.
#pragma once

#include "song/Song.h"

namespace cv {

// Syllables at or after the song end make the song grow and its times be stamped again; with
// timesStamped (every event has the time map's time, as right after opening) only the events after
// the old end need it.
void InsertLyrics(Song& song, bool timesStamped = false);

}  // namespace cv
