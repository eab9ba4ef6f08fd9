// Writes the syllable list back into the lyrics track as lyric events.
#pragma once

#include "song/Song.h"

namespace cv {

void InsertLyrics(Song& song);

}  // namespace cv
