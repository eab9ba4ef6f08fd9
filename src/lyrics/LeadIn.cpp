#include "lyrics/LeadIn.h"

#include <algorithm>
#include <limits>

#include "lyrics/InsertLyrics.h"
#include "song/SongErrors.h"
#include "song/TimeMap.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

bool IsSetUp(const TypMidiEvent& e) {
  if (e.Position != 0) return false;
  if (e.Command == 0xF0 || e.Command == 0xF7) return true;
  if (e.Command == 0xFF) {
    // Sung text, markers, cue points and XF chords belong to the music; the rest describes the song.
    if (e.MType == 0x05 || e.MType == 0x06 || e.MType == 0x07) return false;
    return !(e.MType == 0x7F && e.Meta.starts_with("\x43\x7B\x01"));
  }
  const uint8_t kind = e.Command & 0xF0;
  return kind == 0xB0 || kind == 0xC0 || kind == 0xE0;
}

// Moves a chain's events by shift: the first (the port placeholder) and the set-up events at tick
// 0 stay in front, everything else keeps its order behind them. Only the End of Track moves in a
// chain whose other events are rebuilt elsewhere.
void MoveChain(TMyTrack& track, int32_t shift, bool endOnly) {
  PtrMidiEvent first = track.TrkFirstEvent;
  if (!first) return;
  PtrMidiEvent stayTail = first, moveHead = nullptr, moveTail = nullptr;
  for (PtrMidiEvent e = first->NextEvent; e;) {
    PtrMidiEvent next = e->NextEvent;
    e->NextEvent = nullptr;
    const bool end = next == nullptr;
    if (!end && (endOnly || IsSetUp(*e))) {
      stayTail->NextEvent = e;
      stayTail = e;
    } else {
      e->Position += shift;
      (moveTail ? moveTail->NextEvent : moveHead) = e;
      moveTail = e;
    }
    e = next;
  }
  stayTail->NextEvent = moveHead;
  track.TrkLastEvent = moveTail ? moveTail : stayTail;
}

}  // namespace

void InsertLeadIn(Song& song, int bars) {
  if (bars < kMinLeadInBars || bars > kMaxLeadInBars || song.TimeZone.empty() || song.MidiTrack.empty()) return;
  const TTimeZone& zone = song.TimeZone[0];
  const int64_t bar = int64_t{zone.TS_Numerator} * 4 * song.SourceTimeBase / std::max<int>(zone.TS_Denominator, 1);
  const int64_t shift64 = bar * bars;
  // The end marker behind the song (MaxSongPosition + 1) must still fit.
  if (shift64 <= 0 || int64_t{song.MaxSongPosition} + shift64 >= std::numeric_limits<int32_t>::max())
    throw OverflowError();
  const int32_t shift = static_cast<int32_t>(shift64);
  const int32_t oldEndMarker = song.MaxSongPosition + 1;

  for (size_t t = 0; t < song.MidiTrack.size(); ++t)
    MoveChain(song.MidiTrack[t], shift, static_cast<int>(t) == song.PromptaTrackIndex());
  MoveChain(song.MelodyTrack, shift, false);
  song.MaxSongPosition += shift;

  for (TTempo& t : song.TempoArray)
    if (t.SongPosition > 0) t.SongPosition = t.SongPosition == oldEndMarker ? song.MaxSongPosition + 1 : t.SongPosition + shift;
  for (TTimeSign& t : song.TimeSignature)
    if (t.SongPosition > 0) t.SongPosition = t.SongPosition == oldEndMarker ? song.MaxSongPosition + 1 : t.SongPosition + shift;
  // The tempos stay as they are, changed ones too: only zones and times follow.
  SetTimeZones(song);
  SetEventTimes(song);

  const int32_t n = std::min<int32_t>(std::max(song.HyphenArrayElements, 0), static_cast<int32_t>(song.HyphenArray.size()));
  auto moved = [&](int32_t pos) {
    return static_cast<int32_t>(std::min<int64_t>(int64_t{pos} + shift, std::numeric_limits<int32_t>::max()));
  };
  for (int32_t i = HeaderElementCount(song); i < n; ++i)
    song.HyphenArray[i].SongPosition = moved(song.HyphenArray[i].SongPosition);
  PlaceTitleLines(song.HyphenArray, n, song.TitleLine);
  for (int32_t i = 0; i < n; ++i) {
    THyphens& h = song.HyphenArray[i];
    h.MTC = SongPositionToMTC(song, h.SongPosition);
    h.Time = song.SongPositionToTime;
  }
  if (n > 0)
    InsertLyrics(song);  // also re-seats the player
  else if (song.Player)
    song.Player->MoveToPosition(song.Player->TimePosition());
}

}  // namespace cv
