// Tempo and time signatures of the first track turned into time zones; ticks into ms and position texts.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

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

// Milliseconds of tick positions under zones: a zone's start time plus its ticks at its
// milliseconds per tick, rounded half to even. A zone's milliseconds per tick (a float) is an
// integer over a power of two, so the time is an integer product shifted right, exactly what the
// double product rounds to; where the product would not fit a double's 53 bits (no real song) the
// double product is used as it is.
class TickClock {
 public:
  TickClock() = default;
  TickClock(const TTimeZone* zones, int count);
  // 0 at or before the song start. Rising positions (a chain) cost no search.
  int64_t At(int32_t songPos) {
    if (songPos <= 0) return 0;
    if (songPos < at_.Position || songPos >= nextPosition_) {
      Seek(songPos);
      if (songPos < at_.Position) return at_.Time + Scaled(at_, int64_t{songPos} - at_.Position);  // before zone 0
    }
    const uint64_t x = static_cast<uint64_t>(songPos - at_.Position) * at_.Mantissa;  // < 2^56
    if (x >= kExactBelow || at_.Mantissa == 0) return at_.Time + Scaled(at_, songPos - at_.Position);
    uint64_t q = x >> at_.Shift;
    const uint64_t rest = x & at_.Mask;
    if (rest > at_.Half || (rest == at_.Half && (q & 1))) ++q;
    return at_.Time + static_cast<int64_t>(q);
  }
  // Milliseconds of d ticks at ms per tick.
  static int64_t Scaled(float msPerTick, int64_t d);

 private:
  static constexpr uint64_t kExactBelow = uint64_t{1} << 53;  // a double's significand
  struct Zone {
    int32_t Position = 0, Time = 0;
    uint64_t Mantissa = 0;  // the float's significand; 0: use the double product
    int Shift = 0;
    uint64_t Mask = 0, Half = 0;
    float MsPerTick = 0;
  };
  static Zone Prepared(const TTimeZone& z);
  static int64_t Scaled(const Zone& zone, int64_t d);
  void Seek(int32_t songPos);
  std::vector<Zone> zones_;
  Zone at_;  // the zone of the last position, and where the next one starts
  int64_t nextPosition_ = 0;
  size_t z_ = 0;
};

// Times stamped on the events while they were read, under zones made from track 0's tempos and
// time signatures before the song's length was known; the time map keeps them when its own zones
// are the same up to the song's end and nothing moved since.
struct StampedTimes {
  bool Valid = false;
  std::vector<TTimeZone> Zones;  // the zones the times were taken from
  // Events read past the song's length as it then was: they may lie past its end, whose zone
  // only the time map knows.
  std::vector<TypMidiEvent*> Late;
  int32_t SongLength = 0;  // the latest time of the others
};
// The zones the time map will make of the tempo and time signatures read so far (TempoArrayCounter
// and TimeSignCounter entries), for a song reaching past them: false when they cannot be made
// (the time map then says why).
bool PlanTimeZones(const Song& song, std::vector<TTimeZone>& zones);

// Working tempo, list preparation and zones: the first time-map steps of opening a song.
void BuildTimeZones(Song& song);
// Event times, and the end-marker zones' times after the song length.
void SetEventTimes(Song& song);
// Both, as the file's tempos give them (the open flow adds the default tempo's speed between). The
// times stamped while reading are kept when they hold.
void BuildTimeMap(Song& song, const StampedTimes* stamped = nullptr);

}  // namespace cv
