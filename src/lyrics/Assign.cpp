#include "lyrics/Assign.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "lyrics/InsertLyrics.h"
#include "lyrics/SyllableMoves.h"
#include "song/LineBreak.h"
#include "song/SyllableTimes.h"
#include "song/Language.h"
#include "song/MelodyFinder.h"
#include "song/TextCodec.h"
#include "song/TimeMap.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

bool IsContinuation(const THyphens& h) { return !h.Text.empty() && h.Text[0] == u'-'; }

bool UsableNote(const TypMidiEvent& e) {
  return !e.Hidden && (e.Command & 0xF0) == 0x90 && e.Value[1] != 0;
}

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

constexpr int32_t kNoNote = INT32_MIN;

// Syllables timed by people lie apart as sung syllables (or their letters) do, mostly within the
// tolerance of a melody note. An imported text waits at the song end, spread evenly, or bunched a
// few ticks apart where the program put it.
bool Timed(const std::vector<int32_t>& ticks, const std::vector<int32_t>& notes, int32_t tol) {
  if (ticks.empty() || notes.empty()) return false;
  size_t near = 0, apart = 0;
  for (size_t k = 0; k < ticks.size(); ++k) {
    const int64_t t = ticks[k];
    const auto n = std::lower_bound(notes.begin(), notes.end(), t - tol);
    if (n != notes.end() && *n <= t + tol) ++near;
    if (k == 0 || t - ticks[k - 1] >= std::max(1, tol / 4)) ++apart;
  }
  return near * 2 >= ticks.size() && apart * 2 >= ticks.size();
}

// The n-th syllable on the n-th note; kNoNote where the notes run out.
std::vector<int32_t> MatchInOrder(size_t syllables, const std::vector<int32_t>& notes) {
  std::vector<int32_t> placed(syllables, kNoNote);
  std::copy_n(notes.begin(), std::min(syllables, notes.size()), placed.begin());
  return placed;
}

// Each syllable on the note it was sung on, in order: the cheapest path through each syllable's
// choices (a note near it; a little further, the note sounding when it comes late or the next
// one when it comes early; its own tick when no note fits). Where several syllables meet on one
// note (the letters of one sung syllable, timed one by one) they share it, at a price, so that
// distinct notes win where they lie as near.
std::vector<int32_t> MatchTimed(std::vector<int32_t> ticks, const std::vector<int32_t>& notes, int32_t tol,
                                int32_t quarter) {
  constexpr double kKeep = 3.0, kShare = 0.75;
  constexpr size_t kChoices = 8;
  quarter = std::max(quarter, 2 * tol);
  const int64_t held = int64_t{quarter} * 8;  // a note held longer than two bars is a rest
  struct Choice {
    int32_t Tick;
    int32_t Note;  // index in notes; -1: its own tick
    double Cost;
    double Total = 0;
    int32_t From = -1;  // choice of the syllable before
  };
  for (size_t k = 1; k < ticks.size(); ++k) ticks[k] = std::max(ticks[k], ticks[k - 1]);
  // Runs of syllables bunched a few ticks apart: each syllable's run start (itself when alone).
  const int32_t bunch = std::max(2, tol / 4);
  std::vector<size_t> head(ticks.size(), 0);
  std::vector<uint8_t> bunched(ticks.size(), 0);
  for (size_t k = 1; k < ticks.size(); ++k) {
    const bool close = ticks[k] > ticks[k - 1] && ticks[k] - ticks[k - 1] < bunch;
    head[k] = close ? head[k - 1] : k;
    if (close) bunched[k - 1] = bunched[k] = 1;
  }
  std::vector<std::vector<Choice>> choices(ticks.size());
  for (size_t k = 0; k < ticks.size(); ++k) {
    const int64_t t = ticks[k];
    std::vector<Choice>& c = choices[k];
    auto add = [&](std::vector<int32_t>::const_iterator n, double cost) {
      c.push_back({*n, static_cast<int32_t>(n - notes.begin()), cost});
    };
    const auto near = std::lower_bound(notes.begin(), notes.end(), t - tol);
    if (near != notes.begin()) {
      // Sung on the note still sounding (up to the next note).
      const auto sounding = near - 1;
      const int64_t until = std::min<int64_t>(sounding + 1 != notes.end() ? *(sounding + 1) : t + 1, *sounding + held);
      if (t < until) add(sounding, 1.0 + 0.5 * static_cast<double>(t - *sounding - tol) / static_cast<double>(until - *sounding - tol));
    }
    auto n = near;
    for (; n != notes.end() && *n <= t + tol; ++n) add(n, static_cast<double>(std::abs(*n - t)) / tol);
    for (; n != notes.end() && *n <= t + quarter && c.size() < kChoices; ++n)
      add(n, 1.0 + 0.5 * static_cast<double>(*n - t - tol) / static_cast<double>(quarter - tol));
    if (c.size() > kChoices) {
      std::nth_element(c.begin(), c.begin() + kChoices, c.end(),
                       [](const Choice& a, const Choice& b) { return a.Cost < b.Cost; });
      c.resize(kChoices);
    }
    // Bunched a few ticks apart, as the program leaves syllables whose notes it could not use:
    // their times say nothing, so they take the notes after the syllable before them in order.
    if (bunched[k]) {
      const size_t first = head[k];
      const auto from = first > 0 ? std::upper_bound(notes.begin(), notes.end(), ticks[first - 1]) : notes.begin();
      const size_t skip = std::min(k - first, static_cast<size_t>(notes.end() - from));
      for (auto n = from + static_cast<std::ptrdiff_t>(skip); n != notes.end() && n - from < static_cast<std::ptrdiff_t>(skip + 2); ++n)
        add(n, 0.5 + 0.1 * static_cast<double>(n - from - static_cast<std::ptrdiff_t>(skip)));
    }
    c.push_back({ticks[k], -1, kKeep});
  }
  // Keeping every tick is always a way through, so every syllable has a reachable choice.
  for (size_t k = 0; k < ticks.size(); ++k) {
    for (Choice& c : choices[k]) {
      c.Total = k == 0 ? c.Cost : INFINITY;
      if (k == 0) continue;
      const std::vector<Choice>& before = choices[k - 1];
      for (size_t b = 0; b < before.size(); ++b) {
        const Choice& p = before[b];
        if (p.Total == INFINITY || p.Tick > c.Tick) continue;
        if (p.Note >= 0 && c.Note >= 0 && p.Note > c.Note) continue;
        const double total = p.Total + c.Cost + (c.Note >= 0 && p.Note == c.Note ? kShare : 0.0);
        if (total < c.Total) {
          c.Total = total;
          c.From = static_cast<int32_t>(b);
        }
      }
    }
  }
  std::vector<int32_t> placed(ticks.size(), kNoNote);
  if (ticks.empty()) return placed;
  const std::vector<Choice>& last = choices.back();
  int32_t at = static_cast<int32_t>(std::min_element(last.begin(), last.end(), [](const Choice& a, const Choice& b) {
                                      return a.Total < b.Total;
                                    }) - last.begin());
  for (size_t k = ticks.size(); k-- > 0;) {
    const Choice& c = choices[k][static_cast<size_t>(at)];
    placed[k] = c.Tick;
    at = c.From;
  }
  return placed;
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

  // The sung syllables and the ticks they are to get: timed by people, each on the note it was
  // sung on; else (an imported text) the n-th syllable on the n-th usable note.
  std::vector<int32_t> ticks;
  for (int32_t i = p; i < count; ++i) {
    if (IsBarMarker(h[i]) || IsLineBreak(h[i]) || IsContinuation(h[i])) continue;
    ticks.push_back(h[i].SongPosition);
  }
  const std::vector<int32_t> notes = MelodyStarts(song);
  const int32_t tol = NoteTolerance(song);
  std::vector<int32_t> placed = Timed(ticks, notes, tol) ? MatchTimed(ticks, notes, tol, song.SourceTimeBase)
                                                         : MatchInOrder(ticks.size(), notes);
  bool tooEarly = false;
  size_t k = 0;
  for (; p < count; ++p) {
    if (IsBarMarker(h[p])) continue;
    if (IsLineBreak(h[p]) || IsContinuation(h[p])) {
      h[p].SongPosition = p > 0 ? Clamp32(int64_t{h[p - 1].SongPosition} + 4) : 0;
      continue;
    }
    const int32_t tick = placed[k++];
    if (tick == kNoNote) {
      h[p].SongPosition = Clamp32(int64_t{song.MaxSongPosition} - 4 * (int64_t{count} - p + 1));
    } else if (tick < firstPossible) {
      // The note lies inside the title lines: the syllable follows right after them.
      h[p].SongPosition = Clamp32(int64_t{h[p - 1].SongPosition} + 4);
      tooEarly = true;
    } else {
      h[p].SongPosition = tick;
    }
  }
  // A line break between syllables sharing a note shares it too.
  for (p = count - 2; p >= header; --p)
    if (IsLineBreak(h[p]) || IsContinuation(h[p]))
      if (!IsBarMarker(h[p + 1])) h[p].SongPosition = std::min(h[p].SongPosition, h[p + 1].SongPosition);

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
