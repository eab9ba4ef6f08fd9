// Moves every syllable to the nearest point of a rhythmic grid, with a one-level undo.
#pragma once

#include <cstdint>

#include "song/Song.h"

namespace cv {

enum class TQuantizeGrid : uint8_t { Quarter = 0, Eighth = 1, EighthTriplet = 2, Sixteenth = 3 };

// Grid window in ticks for Configuration.QuantizeFactor (unknown factors: an eighth). Never 0:
// a grid finer than one tick has every tick on it.
int32_t QuantizeWindow(uint16_t sourceTimeBase, uint8_t quantizeFactor);

// Quantizes the sung syllables; line breaks, continuations and bar markers ride 4 ticks behind
// their predecessor and the title lines stay.
void QuantizeLyrics(Song& song, uint8_t quantizeFactor);

}  // namespace cv
