// Tempo and time signatures of the first track turned into time zones; ticks into ms and position texts.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "song/Song.h"

namespace cv {

// Nearest integer, halves to the even neighbour (the default floating-point rounding mode).
inline double RoundHalfEven(double v) { return std::nearbyint(v); }

// Percent of the song's own tempo that Configuration.PlaybackSpeed (0..5) plays at.
int PracticePercent(uint8_t practiceSpeed);
// The tempo events of track 0 and TempoArray as read. The practice speed (Configuration.
// PlaybackSpeed) never changes them: it stretches the zones' milliseconds per tick only.
void SetWorkingTempo(Song& song);
// Fills the unused entries of the tempo and time signature lists (default first entry, end markers).
void PrepareTempoLists(Song& song);
// Builds TimeZone from the two lists. A division of 0, a numerator of 0 or a division too small
// for the denominator ends with EMidiError.
void SetTimeZones(Song& song);
// Stamps TimePosition on every event of the N + 2 chains and sets song.SongLength.
void SetTimePositions(Song& song);
// The same after the song grew past `after`, its old last tick, and its time map was built anew,
// when every event had the old map's time: only events after `after` can lie in another zone, so
// only they get new times (and the song length the latest of all).
void SetTimePositionsAfter(Song& song, int32_t after);
// The zone holding a tick position; positions before the song start belong to zone 0.
int32_t FindTimeZone(const Song& song, int32_t songPos);
// Milliseconds of a tick position as SetTimePositions stamps them (0 before the song start or
// without a time map).
int32_t SongPositionTime(const Song& song, int32_t songPos);
// Position text ("001.01.000") of a tick position; also sets song.SongPositionToTime.
std::u16string SongPositionToMTC(Song& song, int32_t songPos);

// Working tempo, list preparation and zones: the first time-map steps of opening a song.
void BuildTimeZones(Song& song);
// Event times, and the end-marker zones' times after the song length.
void SetEventTimes(Song& song);
// Both, as the file's tempos give them (the open flow adds the default tempo's speed between).
void BuildTimeMap(Song& song);

}  // namespace cv
