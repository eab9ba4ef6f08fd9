#include "song/TitleLines.h"

#include <algorithm>
#include <limits>

#include "song/Song.h"
#include "song/TimeMap.h"

namespace cv {

namespace {
bool IsBreak(const THyphens& h) { return h.Text == u"\r"; }
}  // namespace

int32_t FirstNoteOnTick(const Song& song) {
  int32_t first = std::numeric_limits<int32_t>::max();
  for (const TMyTrack& track : song.MidiTrack) {
    // Chains are in tick order: a track's first note-on is the only one that can be earlier.
    for (PtrMidiEvent e = track.TrkFirstEvent; e && e->Position < first; e = e->NextEvent) {
      if ((e->Command & 0xF0) == 0x90 && e->DType == DTypeChannel && e->Value[1] != 0) {
        first = e->Position;
        break;
      }
    }
  }
  return first;
}

bool DecideTitleLine(const Song& song, const std::vector<THyphens>& list) {
  if (list.size() < 2 || IsBreak(list[0]) || !IsBreak(list[1])) return false;
  const int32_t at = list[0].SongPosition;
  return at <= kTitlePosition || at < FirstNoteOnTick(song);
}

bool IsBarMarker(const THyphens& h) {
  static const std::u16string kMark = u"_takt";
  const std::u16string& t = h.Text;
  for (size_t i = 0; i + kMark.size() <= t.size(); ++i) {
    bool match = true;
    for (size_t k = 0; k < kMark.size() && match; ++k) {
      char16_t c = t[i + k];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
      match = c == kMark[k];
    }
    if (match) return true;
  }
  return false;
}

int32_t HeaderElementCount(const std::vector<THyphens>& h, int32_t n, bool titleLine) {
  n = std::min<int32_t>(std::max(n, 0), static_cast<int32_t>(h.size()));
  // The name is a line of its own: a list without its line break has no title line.
  if (!titleLine || n < 2 || IsBreak(h[0]) || IsBarMarker(h[0]) || !IsBreak(h[1])) return 0;
  int32_t p = 2;
  // An artist is a line of one text element of its own.
  if (p + 1 < n && !IsBreak(h[p]) && !IsBarMarker(h[p]) && IsBreak(h[p + 1])) p += 2;
  while (p < n && IsBreak(h[p])) ++p;
  return p;
}

int32_t HeaderElementCount(const Song& song) {
  return HeaderElementCount(song.HyphenArray, song.HyphenArrayElements, song.TitleLine);
}

int32_t FirstSungMinimum(int32_t header) { return header > 0 ? kTitlePosition + 4 * header : 0; }

void PlaceTitleLines(std::vector<THyphens>& h, int32_t n, bool titleLine) {
  n = std::min<int32_t>(std::max(n, 0), static_cast<int32_t>(h.size()));
  const int32_t header = HeaderElementCount(h, n, titleLine);
  if (header == 0) return;
  h[0].SongPosition = kTitlePosition;
  h[1].SongPosition = kTitlePosition + 4;
  if (header == n) {
    // Without a sung element the artist simply follows the name.
    for (int32_t i = 2; i < n; ++i) h[i].SongPosition = kTitlePosition + 4 * i;
    return;
  }
  const int32_t first = std::max(h[header].SongPosition, FirstSungMinimum(header));
  h[header].SongPosition = first;
  for (int32_t i = 2; i < header; ++i) h[i].SongPosition = first - 4 * (header - i);
}

void PlaceTitleLines(Song& song) {
  const int32_t n = std::clamp<int32_t>(song.HyphenArrayElements, 0, static_cast<int32_t>(song.HyphenArray.size()));
  const int32_t header = HeaderElementCount(song);
  if (header == 0) return;
  PlaceTitleLines(song.HyphenArray, n, song.TitleLine);
  for (int32_t i = 0; i <= header && i < n; ++i) {
    THyphens& h = song.HyphenArray[i];
    h.MTC = SongPositionToMTC(song, h.SongPosition);
    h.Time = song.SongPositionToTime;
  }
}

}  // namespace cv
