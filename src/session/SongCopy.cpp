#include "session/SongCopy.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace cv {

namespace {

// Calls f(to.x, from.x) for everything of a song but its chains, the key signatures pointing into
// them, the melody and the player: its lists and small state.
template <class To, class From, class F>
void StateFields(To& to, From& from, F&& f) {
  f(to.Configuration, from.Configuration);
  f(to.MidiFileName, from.MidiFileName);
  f(to.MidiFileLoaded, from.MidiFileLoaded);
  f(to.MidiFileFormat, from.MidiFileFormat);
  f(to.NumberOfSourceTracks, from.NumberOfSourceTracks);
  f(to.SourceTimeBase, from.SourceTimeBase);
  f(to.MaxSongPosition, from.MaxSongPosition);
  f(to.TempoArray, from.TempoArray);
  f(to.TempoArrayElements, from.TempoArrayElements);
  f(to.TempoArrayCounter, from.TempoArrayCounter);
  f(to.TimeSignature, from.TimeSignature);
  f(to.TimeSignElements, from.TimeSignElements);
  f(to.TimeSignCounter, from.TimeSignCounter);
  f(to.TimeZone, from.TimeZone);
  f(to.TimeZoneElements, from.TimeZoneElements);
  f(to.CurrentTimeZone, from.CurrentTimeZone);
  f(to.CurrentTempo, from.CurrentTempo);
  f(to.HyphenArray, from.HyphenArray);
  f(to.HyphenArrayElements, from.HyphenArrayElements);
  f(to.HyphenArrayCounter, from.HyphenArrayCounter);
  f(to.CurrentHyphen, from.CurrentHyphen);
  f(to.LyricsMetaType, from.LyricsMetaType);
  f(to.LyricsTrack, from.LyricsTrack);
  f(to.LyricsOffset, from.LyricsOffset);
  f(to.LyricOrigin, from.LyricOrigin);
  f(to.TextChanged, from.TextChanged);
  f(to.TitleLine, from.TitleLine);
  f(to.EditingText, from.EditingText);
  f(to.QuerryForRules, from.QuerryForRules);
  f(to.SongPositionToTime, from.SongPositionToTime);
  f(to.SongPositionTicks, from.SongPositionTicks);
  f(to.BassOnChannel, from.BassOnChannel);
  f(to.PromptaController, from.PromptaController);
  f(to.PromptaControllerChannel, from.PromptaControllerChannel);
  f(to.PromptaControllerTrack, from.PromptaControllerTrack);
  f(to.PromptaControllerDetectProgress, from.PromptaControllerDetectProgress);
  f(to.XF_Present, from.XF_Present);
  f(to.XF_Counter, from.XF_Counter);
  f(to.XF_TrackNb, from.XF_TrackNb);
  f(to.XF_ChordsArray, from.XF_ChordsArray);
  f(to.ForeignChunks, from.ForeignChunks);
  f(to.Encoding, from.Encoding);
  f(to.SongLength, from.SongLength);
}

void CopyState(const Song& from, Song& to) {
  StateFields(to, from, [](auto& t, const auto& f) { t = f; });
}

void FreeChain(Song& song, TMyTrack& track) {
  for (PtrMidiEvent e = track.TrkFirstEvent; e;) {
    PtrMidiEvent next = e->NextEvent;
    song.Pool.FreeEvent(e);
    e = next;
  }
  track.TrkFirstEvent = track.TrkLastEvent = nullptr;
}

// Chains are copied record by record; only the few records something points at are remembered.
class ChainCopier {
 public:
  ChainCopier(const Song& from, Song& to) : to_(to) {
    auto refer = [this](PtrMidiEvent e) {
      if (e) moved_.emplace(e, nullptr);
    };
    for (const TMyTrack& t : from.MidiTrack) {
      refer(t.TrkNameEvent);
      refer(t.TrkPlayEvent);
    }
    refer(from.MelodyTrack.TrkNameEvent);
    refer(from.MelodyTrack.TrkPlayEvent);
    for (const TKeySignArray& a : from.KeySignArray)
      for (const TKeySigns& k : a.ValArray) refer(k.MidiEvent);
  }

  // The chain copied into the other song's pool, its name and play pointers aimed at the copy.
  // Running out of memory leaves that pool as it was.
  TMyTrack Copy(const TMyTrack& track) {
    TMyTrack copy = track;
    copy.TrkFirstEvent = copy.TrkLastEvent = nullptr;
    try {
      for (PtrMidiEvent e = track.TrkFirstEvent; e; e = e->NextEvent) {
        PtrMidiEvent n = to_.Pool.NewEvent();
        *n = *e;
        n->NextEvent = nullptr;
        (copy.TrkLastEvent ? copy.TrkLastEvent->NextEvent : copy.TrkFirstEvent) = n;
        copy.TrkLastEvent = n;
        if (auto it = moved_.find(e); it != moved_.end()) it->second = n;
      }
    } catch (...) {
      FreeChain(to_, copy);
      throw;
    }
    copy.TrkNameEvent = Moved(track.TrkNameEvent);
    copy.TrkPlayEvent = Moved(track.TrkPlayEvent);
    return copy;
  }

  // The copy of a record, or none when it was in no chain copied.
  PtrMidiEvent Moved(PtrMidiEvent e) const {
    const auto it = e ? moved_.find(e) : moved_.end();
    return it == moved_.end() ? nullptr : it->second;
  }

 private:
  Song& to_;
  std::unordered_map<PtrMidiEvent, PtrMidiEvent> moved_;
};

// Fills c with the song's state and copies of the chains named (the others empty).
void CopyPart(const Song& s, const std::vector<int>& chains, bool melody, ChainCopier& copier, Song& c) {
  // A block of just the records kept, rather than a large one mostly unused.
  size_t records = 0;
  auto count = [&](const TMyTrack& t) {
    for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent) ++records;
  };
  for (int t : chains) count(s.MidiTrack[t]);
  if (melody) count(s.MelodyTrack);
  c.Pool.Reserve(records);
  CopyState(s, c);
  c.MidiTrack.resize(s.MidiTrack.size());
  for (int t : chains) c.MidiTrack[t] = copier.Copy(s.MidiTrack[t]);
  if (melody) {
    c.MelodyTrack = copier.Copy(s.MelodyTrack);
    c.Melody = s.Melody;
  }
}

}  // namespace

Song CopySong(const Song& s) {
  Song c;
  CopyState(s, c);
  ChainCopier chains(s, c);
  c.MidiTrack.reserve(s.MidiTrack.size());
  for (const TMyTrack& t : s.MidiTrack) c.MidiTrack.push_back(chains.Copy(t));
  c.MelodyTrack = chains.Copy(s.MelodyTrack);
  c.Melody = s.Melody;
  c.KeySignArray = s.KeySignArray;
  for (TKeySignArray& a : c.KeySignArray)
    for (TKeySigns& k : a.ValArray) k.MidiEvent = chains.Moved(k.MidiEvent);
  return c;
}

Song CopySyllablesAndMelody(const Song& s) {
  Song c;
  ChainCopier copier(s, c);
  CopyPart(s, {}, true, copier, c);
  return c;
}

size_t SongBytes(const Song& song) {
  size_t bytes = song.Pool.ReservedBytes();
  // Bytes as read are in the pool; only bytes set later hold memory of their own.
  for (const TMyTrack& t : song.MidiTrack)
    for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent) bytes += e->Meta.HeapBytes();
  for (const THyphens& h : song.HyphenArray)
    bytes += sizeof(THyphens) + (h.Text.capacity() + h.MTC.capacity() + h.SourceText.capacity()) * sizeof(char16_t) +
             h.SourceBytes.capacity();
  bytes += song.TimeZone.capacity() * sizeof(TTimeZone) + song.TempoArray.capacity() * sizeof(TTempo);
  return bytes;
}

SongSnapshot SongSnapshot::Whole(const Song& song) {
  SongSnapshot s;
  s.kept_ = CopySong(song);
  return s;
}

SongSnapshot SongSnapshot::Part(const Song& song, const std::vector<int>& chains, bool melody) {
  SongSnapshot s;
  ChainCopier copier(song, s.kept_);
  CopyPart(song, chains, melody, copier, s.kept_);
  for (const TKeySignArray& a : song.KeySignArray)
    for (const TKeySigns& k : a.ValArray)
      if (copier.Moved(k.MidiEvent)) return Whole(song);
  s.whole_ = false;
  s.chains_ = chains;
  s.melody_ = melody;
  s.ends_.reserve(song.MidiTrack.size());
  for (const TMyTrack& t : song.MidiTrack) s.ends_.push_back(EndOf(t));
  s.melodyEnd_ = EndOf(song.MelodyTrack);
  return s;
}

SongSnapshot::End SongSnapshot::EndOf(const TMyTrack& track) {
  const PtrMidiEvent last = track.TrkLastEvent;
  return last ? End{last->Position, last->TimePosition} : End{};
}

void SongSnapshot::SwapEnd(TMyTrack& track, End& end) {
  if (const PtrMidiEvent last = track.TrkLastEvent) {
    std::swap(last->Position, end.Position);
    std::swap(last->TimePosition, end.TimePosition);
  }
}

void SongSnapshot::Exchange(Song& song) {
  if (whole_) {
    PlayerLink* player = song.Player;
    MessageSink* messages = song.Messages;
    std::swap(song, kept_);
    song.Player = player;
    song.Messages = messages;
    kept_.Player = nullptr;
    kept_.Messages = nullptr;
    return;
  }
  // Everything new is made before the song changes: running out of memory leaves it as it was.
  Song before;
  ChainCopier out(song, before);
  CopyPart(song, chains_, melody_, out, before);
  ChainCopier in(kept_, song);
  std::vector<TMyTrack> chains;
  TMyTrack melody;
  try {
    for (int t : chains_) chains.push_back(in.Copy(kept_.MidiTrack[t]));
    if (melody_) melody = in.Copy(kept_.MelodyTrack);
  } catch (...) {
    for (TMyTrack& t : chains) FreeChain(song, t);
    throw;
  }

  for (size_t k = 0; k < chains_.size(); ++k) {
    TMyTrack& track = song.MidiTrack[chains_[k]];
    FreeChain(song, track);
    track = chains[k];
  }
  if (melody_) {
    FreeChain(song, song.MelodyTrack);
    song.MelodyTrack = melody;
    song.Melody = std::move(kept_.Melody);
  } else {
    SwapEnd(song.MelodyTrack, melodyEnd_);
  }
  // The chains exchanged above have their ends in their copies.
  for (size_t t = 0; t < song.MidiTrack.size() && t < ends_.size(); ++t)
    if (std::find(chains_.begin(), chains_.end(), static_cast<int>(t)) == chains_.end())
      SwapEnd(song.MidiTrack[t], ends_[t]);
  StateFields(song, kept_, [](auto& t, auto& f) { t = std::move(f); });
  kept_ = std::move(before);
}

size_t SongSnapshot::Bytes() const {
  return SongBytes(kept_) + ends_.capacity() * sizeof(End) + chains_.capacity() * sizeof(int);
}

}  // namespace cv
