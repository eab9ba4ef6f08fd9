#include "lyrics/Assign.h"

#include <algorithm>
#include <string>

#include "lyrics/InsertLyrics.h"
#include "song/SyllableTimes.h"
#include "song/Language.h"
#include "song/TextCodec.h"
#include "song/TimeMap.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

bool IsLineBreak(const THyphens& h) { return h.Text == u"\r"; }
bool IsContinuation(const THyphens& h) { return !h.Text.empty() && h.Text[0] == u'-'; }

bool UsableNote(const TypMidiEvent& e) {
  return !e.Hidden && (e.Command & 0xF0) == 0x90 && e.Value[1] != 0;
}

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace

std::string StartsTooEarlyText(const std::string& leadInHow) {
  return Tr("Der Song beginnt zu früh für seine Titelzeilen: Silben, deren Noten vor dem Ende der "
            "Titelzeilen liegen, stehen direkt dahinter. Ein Vorlauf (" + leadInHow + ") hilft.",
            "The song starts too early for its title lines: syllables whose notes lie before the end of "
            "the title lines follow right after them. A lead-in (" + leadInHow + ") helps.");
}

bool AssignSyllablesToNotes(Song& song) {
  const int32_t count = SyllableCount(song);
  if (count == 0) return false;
  auto& h = song.HyphenArray;

  // Header: song name, artist and blank lines after them, 4 ticks apart for now; the artist
  // line moves before the first sung syllable at the end.
  const int32_t header = HeaderElementCount(song);
  int32_t p = 0;
  for (; p < header; ++p) h[p].SongPosition = kTitlePosition + 4 * p;
  const int64_t firstPossible = header > 0 ? FirstSungMinimum(header) : INT64_MIN;

  // One usable melody note per syllable; the first note counts whatever its tick.
  const TypMidiEvent* cursor = song.MelodyTrack.TrkFirstEvent;
  int64_t last = INT64_MIN;
  bool tooEarly = false;
  for (; p < count; ++p) {
    if (IsBarMarker(h[p])) continue;
    if (IsLineBreak(h[p]) || IsContinuation(h[p])) {
      h[p].SongPosition = p > 0 ? Clamp32(int64_t{h[p - 1].SongPosition} + 4) : 0;
      continue;
    }
    if (cursor && cursor->NextEvent) cursor = cursor->NextEvent;
    while (cursor && cursor->NextEvent && !(UsableNote(*cursor) && cursor->Position > last))
      cursor = cursor->NextEvent;
    if (cursor && UsableNote(*cursor) && cursor->Position > last) {
      last = cursor->Position;
      if (last < firstPossible) {
        // The note lies inside the title lines: the syllable follows right after them.
        h[p].SongPosition = Clamp32(int64_t{h[p - 1].SongPosition} + 4);
        tooEarly = true;
      } else {
        h[p].SongPosition = cursor->Position;
      }
    } else {
      h[p].SongPosition = Clamp32(int64_t{song.MaxSongPosition} - 4 * (int64_t{count} - p + 1));
    }
  }

  // Bar markers just before what follows them, their line breaks riding along.
  for (p = header; p < count; ++p) {
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

  PlaceTitleLines(h, count, song.TitleLine);
  RefreshSyllableTimes(song);
  InsertLyrics(song);
  return tooEarly;
}

TypMidiEvent* NoteToHideAt(const Song& song, int32_t timeMs) {
  const int64_t pos = TimeToPosition(song, timeMs);
  TypMidiEvent* e = song.MelodyTrack.TrkFirstEvent;
  if (!e) return nullptr;
  for (e = e->NextEvent; e; e = e->NextEvent)
    if (UsableNote(*e) && e->Position >= pos) return e;
  return nullptr;
}

std::string NoteDescription(Song& song, const TypMidiEvent& note) {
  static const char* const kEnglish[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
  static const char* const kGerman[12] = {"C", "Cis", "D", "Dis", "E", "F", "Fis", "G", "Gis", "A", "Ais", "H"};
  const int pitch = note.Value[0];
  const std::string name = std::string(Tr(kGerman[pitch % 12], kEnglish[pitch % 12])) + std::to_string(pitch / 12 - 1);
  // The position text sets SongPositionToTime as a side effect; the player's position is not ours.
  const int32_t keep = song.SongPositionToTime;
  const std::string place = Utf16ToUtf8(SongPositionToMTC(song, note.Position));
  song.SongPositionToTime = keep;
  return name + " (" + std::to_string(pitch) + Tr(") bei ", ") at ") + place;
}

bool HideNoteAt(Song& song, int32_t timeMs) {
  TypMidiEvent* e = NoteToHideAt(song, timeMs);
  if (!e) return false;
  e->Hidden = true;
  AssignSyllablesToNotes(song);
  return true;
}

}  // namespace cv
