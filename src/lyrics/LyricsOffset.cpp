#include "lyrics/LyricsOffset.h"

#include <algorithm>

#include "lyrics/InsertLyrics.h"
#include "song/SyllableTimes.h"
#include "song/TitleLines.h"

namespace cv {

void MoveLyrics(Song& song, int32_t offsetMs) {
  if (offsetMs == 0) return;
  const int32_t n = SyllableCount(song);
  // The title lines stay at the song start.
  for (int32_t i = HeaderElementCount(song); i < n; ++i) {
    THyphens& h = song.HyphenArray[i];
    const int64_t t = std::max<int64_t>(0, PositionToTime(song, h.SongPosition) + offsetMs);
    h.dTime = static_cast<int32_t>(std::min<int64_t>(t, INT32_MAX));
    h.pTime = h.Time;
    h.SongPosition = static_cast<int32_t>(std::clamp<int64_t>(TimeToPosition(song, t), INT32_MIN, INT32_MAX));
  }
  // The artist line follows the first sung syllable; only the name's place bounds the move.
  PlaceTitleLines(song.HyphenArray, n, song.TitleLine);
  MakePositionsIncreasing(song, /*strict=*/false);
  RefreshSyllableTimes(song);
  InsertLyrics(song);
  song.LyricsOffset = 0;
}

}  // namespace cv
