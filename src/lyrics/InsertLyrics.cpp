#include "lyrics/InsertLyrics.h"

#include <algorithm>
#include <limits>

#include "output/Prompta.h"
#include "song/ChainEdit.h"
#include "song/SongEncoding.h"
#include "song/TimeMap.h"

namespace cv {

namespace {

constexpr int kTextType = 1;
constexpr int kLyricType = 5;

void RemoveMetaEvents(Song& song, int trackIndex, int type) {
  if (trackIndex < 0 || trackIndex >= static_cast<int>(song.MidiTrack.size())) return;
  TMyTrack& track = song.MidiTrack[trackIndex];
  if (!track.TrkFirstEvent) return;
  for (PtrMidiEvent prev = track.TrkFirstEvent; prev->NextEvent;) {
    if (IsMetaEvent(*prev->NextEvent, type))
      RemoveEventAfter(song, track, prev, 2);
    else
      prev = prev->NextEvent;
  }
}

// The same time the time map gives an event at this position.
int32_t TimeAt(const Song& song, int32_t position) {
  if (position <= 0 || song.TimeZone.empty()) return 0;
  const TTimeZone& zone = song.TimeZone[FindTimeZone(song, position)];
  return zone.Time +
         static_cast<int32_t>(RoundHalfEven(static_cast<double>(position - zone.SongPosition) * zone.TempoComp));
}

void MoveEndOfTrack(PtrMidiEvent first, int32_t position) {
  if (!first) return;
  PtrMidiEvent e = first;
  while (e->NextEvent) e = e->NextEvent;
  if (IsMetaEvent(*e, 0x2F)) e->Position = position;
}

// Syllables at or after the song end would never be written (and so lost on saving): the song
// grows to end one tick after the last of them.
void CoverLastSyllable(Song& song, bool timesStamped) {
  int32_t last = std::numeric_limits<int32_t>::min();
  for (int i = 0; i < song.HyphenArrayElements; ++i)
    if (!song.HyphenArray[i].Text.empty()) last = std::max(last, song.HyphenArray[i].SongPosition);
  if (last < song.MaxSongPosition || last == std::numeric_limits<int32_t>::max()) return;

  const int32_t oldEndMarker = song.MaxSongPosition + 1;
  song.MaxSongPosition = last + 1;
  for (TMyTrack& track : song.MidiTrack) MoveEndOfTrack(track.TrkFirstEvent, song.MaxSongPosition);
  MoveEndOfTrack(song.MelodyTrack.TrkFirstEvent, song.MaxSongPosition);
  for (TTempo& t : song.TempoArray)
    if (t.SongPosition == oldEndMarker) t.SongPosition = song.MaxSongPosition + 1;
  for (TTimeSign& t : song.TimeSignature)
    if (t.SongPosition == oldEndMarker) t.SongPosition = song.MaxSongPosition + 1;
  SetTimeZones(song);
  if (timesStamped)
    SetTimePositionsAfter(song, oldEndMarker - 1);
  else
    SetTimePositions(song);
  for (int i = 0; i < song.TimeZoneElements; ++i)
    if (song.TimeZone[i].SongPosition == song.MaxSongPosition + 1) song.TimeZone[i].Time = song.SongLength + 1;
  for (int i = 0; i < song.HyphenArrayElements; ++i) {
    THyphens& h = song.HyphenArray[i];
    if (h.SongPosition < oldEndMarker - 1) continue;
    h.MTC = SongPositionToMTC(song, h.SongPosition);
    h.Time = song.SongPositionToTime;
  }
}

PtrMidiEvent NewLyric(Song& song, std::string bytes, int32_t position, bool hidden) {
  PtrMidiEvent e = AllocateEvent(song);
  e->Command = 0xFF;
  e->DType = DTypeMeta;
  e->MType = kLyricType;
  e->Meta = std::move(bytes);
  e->Position = position;
  e->TimePosition = TimeAt(song, position);
  e->Hidden = hidden;
  return e;
}

// One walk along the lyrics track: each syllable goes right before the first event with a
// greater position, so it follows every event of its own tick and list order is kept.
void InsertEvents(Song& song) {
  TMyTrack& track = song.MidiTrack[song.LyricsTrackIndex()];
  const std::vector<THyphens>& h = song.HyphenArray;
  const int count = song.HyphenArrayElements;
  int k = 0;
  auto skipEmpty = [&] {
    while (k < count && h[k].Text.empty()) ++k;
  };
  skipEmpty();
  bool copyrightPending = !song.Configuration.CopyrightString.empty();

  PtrMidiEvent c = track.TrkFirstEvent;
  // Nothing goes before the placeholder or the track name.
  if (c->NextEvent && c->NextEvent->NextEvent && IsMetaEvent(*c->NextEvent, 3)) c = c->NextEvent;
  while (c->NextEvent && (k < count || copyrightPending)) {
    PtrMidiEvent r = c->NextEvent;
    if (!r->NextEvent && r->Position < song.MaxSongPosition) r->Position = song.MaxSongPosition;
    if (copyrightPending) {
      if (r->Position >= 1) {
        PtrMidiEvent text = NewLyric(song, EncodeText(Utf8ToUtf16(song.Configuration.CopyrightString), song.Encoding), 0, true);
        PtrMidiEvent lineBreak;
        try {
          lineBreak = NewLyric(song, "\r", 0, true);
        } catch (...) {
          song.Pool.FreeEvent(text);
          throw;
        }
        LinkAfter(c, text);
        LinkAfter(text, lineBreak);
        track.TrkEventCounter += 2;
        copyrightPending = false;
        c = lineBreak;
      } else {
        c = r;
      }
      continue;
    }
    if (h[k].SongPosition < r->Position) {
      PtrMidiEvent e = NewLyric(song, SyllableBytes(song, h[k]), h[k].SongPosition, false);
      LinkAfter(c, e);
      ++track.TrkEventCounter;
      c = e;
      ++k;
      skipEmpty();
    } else {
      c = r;
    }
  }
  song.HyphenArrayCounter = k;
}

}  // namespace

void InsertLyrics(Song& song, bool timesStamped) {
  const int32_t playTime = song.Player ? song.Player->TimePosition() : 0;
  if (song.MidiTrack.size() < static_cast<size_t>(song.NumberOfSourceTracks) + 2 ||
      !song.MidiTrack[song.LyricsTrackIndex()].TrkFirstEvent)
    return;

  if (song.LyricsMetaType == kTextType) RemoveMetaEvents(song, song.LyricsTrack, kTextType);
  RemoveMetaEvents(song, song.LyricsTrackIndex(), kLyricType);

  if (song.HyphenArrayElements >= 1 && static_cast<int>(song.HyphenArray.size()) >= song.HyphenArrayElements) {
    CoverLastSyllable(song, timesStamped);
    InsertEvents(song);
    song.TextChanged = false;
    if (song.Configuration.PromptaEnabled) InsertPromptaController(song);
  } else if (song.PromptaControllerTrack == song.PromptaTrackIndex()) {
    // The prompter must not go on showing the text of lyrics that are gone.
    RemovePromptaData(song);
  }
  if (song.Player) song.Player->MoveToPosition(playTime);
}

}  // namespace cv
