#include "lyrics/Assign.h"

#include <algorithm>
#include <string>

#include "lyrics/InsertLyrics.h"
#include "song/SyllableTimes.h"

namespace cv {

namespace {

constexpr int32_t kHeaderStart = 108;

bool IsLineBreak(const THyphens& h) { return h.Text == u"\r"; }
bool IsContinuation(const THyphens& h) { return !h.Text.empty() && h.Text[0] == u'-'; }

bool IsBarMarker(const THyphens& h) {
  static const std::u16string kMark = u"_takt";
  const std::u16string& t = h.Text;
  if (t.size() < kMark.size()) return false;
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

bool UsableNote(const TypMidiEvent& e) {
  return !e.Hidden && (e.Command & 0xF0) == 0x90 && e.Value[1] != 0;
}

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

void AssignSyllablesToNotes(Song& song) {
  const int32_t count = SyllableCount(song);
  if (count == 0) return;
  auto& h = song.HyphenArray;

  // Header: song name, artist and their line breaks before the first syllable.
  int32_t p = 0, breaks = 0;
  do {
    h[p].SongPosition = kHeaderStart + 4 * p + 4 * breaks;
    if (IsLineBreak(h[p])) ++breaks;
    ++p;
  } while (p < count && !(breaks >= 2 && !IsLineBreak(h[p])) && !IsBarMarker(h[p]));

  // One usable melody note per syllable.
  const TypMidiEvent* cursor = song.MelodyTrack.TrkFirstEvent;
  int32_t last = 0;
  for (; p < count; ++p) {
    if (IsBarMarker(h[p])) continue;
    if (IsLineBreak(h[p]) || IsContinuation(h[p])) {
      h[p].SongPosition = Clamp32(int64_t{h[p - 1].SongPosition} + 4);
      continue;
    }
    if (cursor && cursor->NextEvent) cursor = cursor->NextEvent;
    while (cursor && cursor->NextEvent && !(UsableNote(*cursor) && cursor->Position > last))
      cursor = cursor->NextEvent;
    if (cursor && UsableNote(*cursor) && cursor->Position > last) {
      h[p].SongPosition = cursor->Position;
      last = cursor->Position;
    } else {
      h[p].SongPosition = Clamp32(int64_t{song.MaxSongPosition} - 4 * (int64_t{count} - p + 1));
    }
  }

  // Bar markers just before what follows them, their line breaks riding along.
  for (p = 0; p < count; ++p) {
    if (!IsBarMarker(h[p])) continue;
    auto br = [&](int32_t i) { return IsLineBreak(h[i]); };
    int32_t following;  // elements after the marker that move with it
    if (p < count - 4 && br(p + 1) && br(p + 2) && br(p + 3)) following = 3;
    else if (p < count - 3 && br(p + 1) && br(p + 2)) following = 2;
    else if (p < count - 2 && br(p + 1)) following = 1;
    else if (p < count - 1) following = 0;
    else {
      h[p].SongPosition = Clamp32(int64_t{song.MaxSongPosition} - 4);
      continue;
    }
    const int64_t anchor = h[p + following + 1].SongPosition;
    for (int32_t k = 0; k <= following; ++k)
      h[p + k].SongPosition = Clamp32(anchor - 4 * (following + 1 - k));
  }

  RefreshSyllableTimes(song);
  KeepSyllablePositionsForUndo(song);
  InsertLyrics(song);
}

bool HideNoteAt(Song& song, int32_t timeMs) {
  const int64_t pos = TimeToPosition(song, timeMs);
  TypMidiEvent* e = song.MelodyTrack.TrkFirstEvent;
  if (!e) return false;
  for (e = e->NextEvent; e; e = e->NextEvent)
    if (UsableNote(*e) && e->Position >= pos) break;
  if (!e) return false;
  e->Hidden = true;
  song.LastHiddenNote = e;
  AssignSyllablesToNotes(song);
  return true;
}

bool UndoHideNote(Song& song) {
  if (!song.LastHiddenNote) return false;
  song.LastHiddenNote->Hidden = false;
  AssignSyllablesToNotes(song);
  song.LastHiddenNote = nullptr;
  return true;
}

}  // namespace cv
