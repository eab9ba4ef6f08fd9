// A whole, independent copy of a song: its chains in a pool of their own, every pointer into them
// re-aimed at the copy. The undo history keeps songs this way.
#pragma once

#include <cstddef>

#include "song/Song.h"

namespace cv {

// The copy has no player and no message sink: they belong to the song being worked on.
Song CopySong(const Song& song);

// Memory a copy holds, in bytes (records, texts and lists; an estimate for the history's budget).
size_t SongBytes(const Song& song);

}  // namespace cv
