#include "output/CV_EditTempo.h"

#include <string>
#include <vector>

#include "song/ChainEdit.h"
#include "song/Language.h"
#include "song/SyllableTimes.h"
#include "song/TimeMap.h"

namespace cv {

namespace {

constexpr int64_t kMicrosPerMinute = 60000000;
constexpr int64_t kDefaultMicros = 500000;
constexpr int64_t kMaxMicros = 0xFFFFFF;  // three data bytes

bool IsTempoEvent(const TypMidiEvent& e) {
  return e.Command == 0xFF && e.DType == DTypeMeta && e.MType == 0x51 && e.Meta.size() == 3;
}

int64_t ReadMicros(const TypMidiEvent& e) {
  return (int64_t{static_cast<uint8_t>(e.Meta[0])} << 16) | (static_cast<uint8_t>(e.Meta[1]) << 8) |
         static_cast<uint8_t>(e.Meta[2]);
}

void WriteMicros(TypMidiEvent& e, int64_t v) {
  e.Meta[0] = static_cast<char>((v >> 16) & 0xFF);
  e.Meta[1] = static_cast<char>((v >> 8) & 0xFF);
  e.Meta[2] = static_cast<char>(v & 0xFF);
}

std::vector<TypMidiEvent*> TempoEvents(const Song& song) {
  std::vector<TypMidiEvent*> events;
  if (song.MidiTrack.empty() || song.NumberOfSourceTracks == 0) return events;
  for (TypMidiEvent* e = song.MidiTrack[0].TrkFirstEvent; e; e = e->NextEvent)
    if (IsTempoEvent(*e)) events.push_back(e);
  return events;
}

// Entries of TempoArray in use (the spare end markers excluded).
int32_t UsedTempoEntries(const Song& song) {
  int32_t n = 0;
  const int32_t size = std::min<int32_t>(song.TempoArrayElements, static_cast<int32_t>(song.TempoArray.size()));
  while (n < size && song.TempoArray[n].SongPosition >= 0 && song.TempoArray[n].SongPosition <= song.MaxSongPosition) ++n;
  return n;
}

// One tempo to rewrite: a tempo event of track 0 with its TempoArray entry, or a TempoArray
// entry of its own (the default 120 at tick 0 of a song whose first tempo event comes later
// or never) with no event.
struct TempoTarget {
  TypMidiEvent* Event = nullptr;
  int32_t Entry = -1;
  int64_t Current = 0;   // microseconds in effect
  int64_t Original = 0;  // microseconds as read
  int64_t NewMicros = 0;
  int64_t NewBpm = 0;
};

// The time map puts a default entry at tick 0 before the first tempo event when that event
// does not start the song (or there is none). It moves only positions and microseconds up, so
// event k then plays from entry k + 1 while its value as read stays in entry k.
std::vector<TempoTarget> TempoTargets(const Song& song) {
  std::vector<TempoTarget> targets;
  const std::vector<TypMidiEvent*> events = TempoEvents(song);
  const int32_t used = UsedTempoEntries(song);
  const int32_t offset = used > static_cast<int32_t>(events.size()) ? 1 : 0;
  if (offset == 1) {
    const TTempo& t = song.TempoArray[0];
    targets.push_back({nullptr, 0, t.TempoLongInt > 0 ? t.TempoLongInt : kDefaultMicros, kDefaultMicros});
  }
  for (size_t k = 0; k < events.size(); ++k) {
    const int32_t entry = static_cast<int32_t>(k) + offset;
    TempoTarget target{events[k], entry < used ? entry : -1, ReadMicros(*events[k]), 0};
    target.Original = k < song.TempoArray.size() ? song.TempoArray[k].OriginalTempoLongint : 0;
    if (target.Original <= 0) target.Original = target.Current;
    targets.push_back(target);
  }
  return targets;
}

std::string Bpm(int64_t v) { return std::to_string(v); }

[[noreturn]] void TempoOutOfRange(int64_t bpm) {
  throw EMidiError(Tr("Das Tempo " + Bpm(bpm) + " bpm ist nicht möglich: erlaubt sind 4 bis 65535 bpm. "
                      "Das Tempo wurde nicht geändert.",
                      "A tempo of " + Bpm(bpm) + " bpm is not possible: allowed are 4 to 65535 bpm. "
                      "The tempo was not changed."));
}

[[noreturn]] void TempoUnreadable() {
  throw EMidiError(Tr("Die Datei enthält ein Tempo von 0 Mikrosekunden; das Tempo kann nicht geändert werden.",
                      "The file holds a tempo of 0 microseconds; the tempo cannot be changed."));
}

// Microseconds -> beats per minute, checked to fit the Tempo field.
int64_t CheckedBpmOf(int64_t micros) {
  if (micros <= 0) TempoUnreadable();
  const int64_t bpm = RoundDivHalfEven(kMicrosPerMinute, micros);
  if (bpm < 1 || bpm > 65535 || micros > kMaxMicros) TempoOutOfRange(bpm);
  return bpm;
}

void WriteTargets(Song& song, const std::vector<TempoTarget>& targets) {
  for (const TempoTarget& t : targets) {
    if (t.Event) WriteMicros(*t.Event, t.NewMicros);
    if (t.Entry >= 0) {
      TTempo& entry = song.TempoArray[t.Entry];
      entry.TempoLongInt = static_cast<int32_t>(t.NewMicros);
      entry.Tempo = static_cast<uint16_t>(t.NewBpm);
    }
  }
}

}  // namespace

bool AddDefaultTempoEvent(Song& song) {
  if (!song.MidiFileLoaded || song.MidiTrack.empty() || song.NumberOfSourceTracks == 0) return false;
  const std::vector<TempoTarget> targets = TempoTargets(song);
  if (targets.empty() || targets[0].Event || targets[0].Current == kDefaultMicros) return false;
  TMyTrack& track = song.MidiTrack[0];
  if (!track.TrkFirstEvent || !track.TrkFirstEvent->NextEvent) return false;
  PtrMidiEvent e = AllocateEvent(song);
  e->Command = 0xFF;
  e->DType = DTypeMeta;
  e->MType = 0x51;
  e->Meta = std::string(3, '\0');
  e->Position = 0;
  e->TimePosition = 0;
  WriteMicros(*e, targets[0].Current);
  LinkAfter(track.TrkFirstEvent, e);
  ++track.TrkEventCounter;
  return true;
}

bool SaveWithDefaultTempoEvent(Song& song, const std::function<bool()>& save) {
  const bool added = AddDefaultTempoEvent(song);
  auto takeOut = [&] {
    if (added) RemoveEventAfter(song, song.MidiTrack[0], song.MidiTrack[0].TrkFirstEvent, 0);
  };
  try {
    const bool saved = save();
    takeOut();
    return saved;
  } catch (...) {
    takeOut();
    throw;
  }
}

int32_t FirstTempoAsRead(const Song& song) {
  int64_t v = kDefaultMicros;
  for (const TempoTarget& t : TempoTargets(song)) {
    if (!t.Event) continue;
    if (t.Original > 0) v = t.Original;
    break;
  }
  return static_cast<int32_t>(RoundDivHalfEven(kMicrosPerMinute, v));
}

bool ApplyTempoDiff(Song& song, int tempoDiff, int prevTempoDiff) {
  const int64_t d = int64_t{tempoDiff} - prevTempoDiff;
  if (d == 0 || !song.MidiFileLoaded) return false;
  std::vector<TempoTarget> targets = TempoTargets(song);
  for (TempoTarget& t : targets) {
    if (t.Current <= 0) TempoUnreadable();
    const int64_t bpm = RoundDivHalfEven(kMicrosPerMinute, t.Current) + d;
    if (bpm < 1) TempoOutOfRange(bpm);
    t.NewMicros = RoundDivHalfEven(kMicrosPerMinute, bpm);
    if (bpm > 65535 || t.NewMicros > kMaxMicros) TempoOutOfRange(bpm);
    t.NewBpm = bpm;
  }
  WriteTargets(song, targets);
  RefreshAfterTempoChange(song);
  return true;
}

void ScaleTempoToSpeed(Song& song, uint8_t speed) {
  if (!song.MidiFileLoaded) return;
  std::vector<TempoTarget> targets = TempoTargets(song);
  for (TempoTarget& t : targets) {
    t.NewMicros = t.Original * 100 / PracticePercent(speed);
    t.NewBpm = CheckedBpmOf(t.NewMicros);
  }
  WriteTargets(song, targets);
  RefreshAfterTempoChange(song);
}

void RefreshAfterTempoChange(Song& song) {
  if (song.TempoArray.empty() || song.TimeSignature.empty() || song.MidiTrack.empty()) return;
  if (song.Player) song.Player->MoveToPosition(0);
  SetTimeZones(song);
  SetEventTimes(song);
  if (!song.TempoArray.empty()) song.CurrentTempo = song.TempoArray[0].Tempo;
  RefreshSyllableTimes(song);
  song.CurrentHyphen = 0;
  song.HyphenArrayCounter = 0;
  song.CurrentTimeZone = 0;
}

bool TTempoEdit::Ok(Song& song) {
  if (!song.MidiFileLoaded) return false;
  const bool changed = ApplyTempoDiff(song, TempoDiff, PrevTempoDiff);
  PrevTempoDiff = TempoDiff;
  return changed;
}

void TTempoEdit::SetPlaybackSpeed(Song& song, uint8_t speed) {
  song.Configuration.PlaybackSpeed = speed;
  if (song.MidiFileLoaded) RefreshAfterTempoChange(song);
}

}  // namespace cv
