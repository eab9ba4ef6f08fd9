#include "lyrics/PositionTexts.h"

#include <cmath>

#include "song/TimeMap.h"

namespace cv {
namespace {

int Digits(int v) { return v < 10 ? 1 : v < 100 ? 2 : v < 1000 ? 3 : v < 10000 ? 4 : 5; }

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

std::u16string PositionText(Song& song, int32_t position, int32_t* timeMs) {
  if (song.TimeZoneElements > 0 && static_cast<int>(song.TimeZone.size()) >= song.TimeZoneElements) {
    std::u16string text = SongPositionToMTC(song, position);
    if (timeMs) *timeMs = song.SongPositionToTime;
    return text;
  }
  // A song without a time map yet (nothing read): the default zone, 4/4 at 120 from tick 0.
  TTimeZone zone;
  int64_t d = static_cast<int64_t>(position) - zone.SongPosition;
  if (d < 0) d = 0;
  int32_t time = zone.Time + static_cast<int32_t>(std::nearbyint(static_cast<double>(d) * zone.TempoComp));
  song.SongPositionToTime = time;
  if (timeMs) *timeMs = time;
  int base = song.SourceTimeBase > 0 ? song.SourceTimeBase : 480;
  int den = zone.TS_Denominator > 0 ? zone.TS_Denominator : 4;
  int num = zone.TS_Numerator > 0 ? zone.TS_Numerator : 4;
  int64_t tpb = std::max<int64_t>(1, (static_cast<int64_t>(base) * 4) / den);
  int64_t ticks = d % tpb + zone.Ticks;
  int64_t beat = (d / tpb) % num + zone.Beat;
  int64_t measure = (d / tpb) / num + zone.Measure;
  while (ticks >= base) {
    beat += den == 8 ? 2 : 1;
    ticks -= base;
  }
  while (beat > num) {
    measure += 1;
    beat -= num;
  }
  int w = Digits(base);
  std::string t = std::to_string(ticks);
  if (static_cast<int>(t.size()) < w) t.insert(0, w - t.size(), '0');
  t = std::to_string(beat) + "." + t;
  if (static_cast<int>(t.size()) < w + 3) t.insert(0, "0");
  t = std::to_string(measure) + "." + t;
  if (static_cast<int>(t.size()) < w + 7) t.insert(0, w + 7 - t.size(), '0');
  return Ascii(t);
}

void FillPositionTexts(Song& song) {
  int n = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  for (int i = 0; i < n; ++i) {
    THyphens& h = song.HyphenArray[i];
    h.MTC = PositionText(song, h.SongPosition, &h.Time);
  }
}

}  // namespace cv
