#include "song/SyllableTimes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "song/TimeMap.h"

namespace cv {

namespace {

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

int64_t RoundToInt64(double v) {
  if (!std::isfinite(v)) return 0;
  v = std::clamp(v, -9.0e18, 9.0e18);
  return static_cast<int64_t>(std::nearbyint(v));  // default rounding mode: halves to even
}

}  // namespace

int32_t ZoneOfPosition(const Song& song, int64_t p) {
  return FindTimeZone(song, ClampToInt32(p));
}

int32_t ZoneOfTime(const Song& song, int64_t t) {
  const int32_t last = std::min<int32_t>(song.TimeZoneElements, static_cast<int32_t>(song.TimeZone.size()) - 1) - 1;
  for (int32_t i = 0; i < last; ++i)
    if (song.TimeZone[i].Time <= t && t < song.TimeZone[i + 1].Time) return i;
  return std::max(last, 0);
}

int64_t PositionToTime(const Song& song, int64_t p) {
  if (song.TimeZone.empty()) return 0;
  const TTimeZone& z = song.TimeZone[ZoneOfPosition(song, p)];
  return z.Time + RoundToInt64(static_cast<double>(p - z.SongPosition) * z.TempoComp);
}

int64_t TimeToPosition(const Song& song, int64_t t) {
  if (song.TimeZone.empty()) return 0;
  const TTimeZone& z = song.TimeZone[ZoneOfTime(song, t)];
  if (!(z.TempoComp > 0)) return z.SongPosition;
  return z.SongPosition + RoundToInt64(static_cast<double>(t - z.Time) / z.TempoComp);
}

int32_t SyllableCount(const Song& song) {
  return std::clamp<int32_t>(song.HyphenArrayElements, 0, static_cast<int32_t>(song.HyphenArray.size()));
}

void RefreshSyllableTimes(Song& song) {
  const int32_t n = SyllableCount(song);
  for (int32_t i = 0; i < n; ++i) {
    THyphens& h = song.HyphenArray[i];
    h.MTC = SongPositionToMTC(song, h.SongPosition);
    h.Time = song.SongPositionToTime;
  }
}

void MakePositionsIncreasing(Song& song, bool strict) {
  const int32_t n = SyllableCount(song);
  for (int32_t i = 1; i < n; ++i) {
    const int32_t prev = song.HyphenArray[i - 1].SongPosition;
    int32_t& cur = song.HyphenArray[i].SongPosition;
    if (strict ? cur <= prev : cur < prev) cur = ClampToInt32(int64_t{prev} + 4);
  }
}

int64_t RoundDivHalfEven(int64_t a, int64_t b) {
  int64_t q = a / b, r = a % b;
  if (r < 0) {  // floor division
    q -= 1;
    r += b;
  }
  const int64_t twice = 2 * r;
  if (twice > b || (twice == b && (q & 1))) q += 1;
  return q;
}

}  // namespace cv
