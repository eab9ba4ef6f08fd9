// Shared steps of the lyric editing operations: time-map lookups, syllable times, order repair.
#pragma once

#include <cstdint>

#include "song/Song.h"

namespace cv {

// Zone of a tick position: the first zone whose stretch holds it, else the last zone.
int32_t ZoneOfPosition(const Song& song, int64_t position);
// Zone of a time in ms, found the same way by zone times.
int32_t ZoneOfTime(const Song& song, int64_t timeMs);
// Milliseconds of a tick position inside its zone (no clamping before the zone start).
int64_t PositionToTime(const Song& song, int64_t position);
// Tick position of a time in ms through the zones.
int64_t TimeToPosition(const Song& song, int64_t timeMs);

// MTC and Time of every syllable from its SongPosition.
void RefreshSyllableTimes(Song& song);
// Repairs the order along the list: an element before (strict) or not after (!strict) its
// predecessor moves to the predecessor + 4 ticks.
void MakePositionsIncreasing(Song& song, bool strict);

// Number of valid syllables (HyphenArrayElements within the array's size).
int32_t SyllableCount(const Song& song);

// a / b rounded to the nearest integer, halves to the even neighbour (b > 0).
int64_t RoundDivHalfEven(int64_t a, int64_t b);

}  // namespace cv
