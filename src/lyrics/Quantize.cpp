#include "lyrics/Quantize.h"

#include <algorithm>

#include "lyrics/InsertLyrics.h"
#include "song/SyllableTimes.h"
#include "song/TitleLines.h"

namespace cv {

namespace {
bool IsRider(const THyphens& h) {
  return h.Text == u"\r" || (!h.Text.empty() && h.Text[0] == u'-') || IsBarMarker(h);
}
}  // namespace

int32_t QuantizeWindow(uint16_t base, uint8_t factor) {
  int32_t w;
  switch (factor) {
    case 0: w = base; break;
    case 1: w = base / 2; break;
    case 2: w = base / 3; break;
    case 3: w = base / 4; break;
    default: w = base / 2; break;
  }
  return std::max(w, 1);
}

void QuantizeLyrics(Song& song, uint8_t factor) {
  const int64_t w = QuantizeWindow(song.SourceTimeBase, factor);
  const int32_t n = SyllableCount(song);
  const int32_t header = HeaderElementCount(song);
  for (int32_t i = 0; i < n; ++i) {
    THyphens& h = song.HyphenArray[i];
    if (i < header) continue;  // the title lines are placed after the syllables
    int64_t q;
    if (IsRider(h) && i > 0) {
      // Line breaks, continuations and bar markers are no sung notes: they ride along.
      q = int64_t{song.HyphenArray[i - 1].SongPosition} + 4;
    } else {
      q = w * RoundDivHalfEven(h.SongPosition, w);
    }
    h.SongPosition = static_cast<int32_t>(std::clamp<int64_t>(q, INT32_MIN, INT32_MAX));
  }
  PlaceTitleLines(song.HyphenArray, n, song.TitleLine);
  MakePositionsIncreasing(song, /*strict=*/true);
  RefreshSyllableTimes(song);
  InsertLyrics(song);
}

}  // namespace cv
