#include "session/SongCopy.h"

#include <unordered_map>

namespace cv {

namespace {

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

  TMyTrack Copy(const TMyTrack& track) {
    TMyTrack copy = track;
    copy.TrkFirstEvent = copy.TrkLastEvent = nullptr;
    for (PtrMidiEvent e = track.TrkFirstEvent; e; e = e->NextEvent) {
      PtrMidiEvent n = to_.Pool.NewEvent();
      *n = *e;
      n->NextEvent = nullptr;
      (copy.TrkLastEvent ? copy.TrkLastEvent->NextEvent : copy.TrkFirstEvent) = n;
      copy.TrkLastEvent = n;
      if (auto it = moved_.find(e); it != moved_.end()) it->second = n;
    }
    return copy;
  }

  // The copy of a record, or none when it was in no chain.
  PtrMidiEvent Moved(PtrMidiEvent e) const {
    const auto it = e ? moved_.find(e) : moved_.end();
    return it == moved_.end() ? nullptr : it->second;
  }

 private:
  Song& to_;
  std::unordered_map<PtrMidiEvent, PtrMidiEvent> moved_;
};

}  // namespace

Song CopySong(const Song& s) {
  Song c;
  c.Configuration = s.Configuration;
  c.MidiFileName = s.MidiFileName;
  c.MidiFileLoaded = s.MidiFileLoaded;
  c.MidiFileFormat = s.MidiFileFormat;
  c.NumberOfSourceTracks = s.NumberOfSourceTracks;
  c.SourceTimeBase = s.SourceTimeBase;
  c.MaxSongPosition = s.MaxSongPosition;
  c.TempoArray = s.TempoArray;
  c.TempoArrayElements = s.TempoArrayElements;
  c.TempoArrayCounter = s.TempoArrayCounter;
  c.TimeSignature = s.TimeSignature;
  c.TimeSignElements = s.TimeSignElements;
  c.TimeSignCounter = s.TimeSignCounter;
  c.TimeZone = s.TimeZone;
  c.TimeZoneElements = s.TimeZoneElements;
  c.CurrentTimeZone = s.CurrentTimeZone;
  c.CurrentTempo = s.CurrentTempo;
  c.HyphenArray = s.HyphenArray;
  c.HyphenArrayElements = s.HyphenArrayElements;
  c.HyphenArrayCounter = s.HyphenArrayCounter;
  c.CurrentHyphen = s.CurrentHyphen;
  c.LyricsMetaType = s.LyricsMetaType;
  c.LyricsTrack = s.LyricsTrack;
  c.LyricsOffset = s.LyricsOffset;
  c.LyricOrigin = s.LyricOrigin;
  c.TextChanged = s.TextChanged;
  c.TitleLine = s.TitleLine;
  c.EditingText = s.EditingText;
  c.QuerryForRules = s.QuerryForRules;
  c.SongPositionToTime = s.SongPositionToTime;
  c.SongPositionTicks = s.SongPositionTicks;
  c.BassOnChannel = s.BassOnChannel;
  c.PromptaController = s.PromptaController;
  c.PromptaControllerChannel = s.PromptaControllerChannel;
  c.PromptaControllerTrack = s.PromptaControllerTrack;
  c.PromptaControllerDetectProgress = s.PromptaControllerDetectProgress;
  c.XF_Present = s.XF_Present;
  c.XF_Counter = s.XF_Counter;
  c.XF_TrackNb = s.XF_TrackNb;
  c.XF_ChordsArray = s.XF_ChordsArray;
  c.ForeignChunks = s.ForeignChunks;
  c.Encoding = s.Encoding;
  c.SongLength = s.SongLength;

  ChainCopier chains(s, c);
  c.MidiTrack.reserve(s.MidiTrack.size());
  for (const TMyTrack& t : s.MidiTrack) c.MidiTrack.push_back(chains.Copy(t));
  c.MelodyTrack = chains.Copy(s.MelodyTrack);
  c.Melody = s.Melody;
  auto aim = [&](TMyTrack& copy, const TMyTrack& from) {
    copy.TrkNameEvent = chains.Moved(from.TrkNameEvent);
    copy.TrkPlayEvent = chains.Moved(from.TrkPlayEvent);
  };
  for (size_t i = 0; i < s.MidiTrack.size(); ++i) aim(c.MidiTrack[i], s.MidiTrack[i]);
  aim(c.MelodyTrack, s.MelodyTrack);
  c.KeySignArray = s.KeySignArray;
  for (TKeySignArray& a : c.KeySignArray)
    for (TKeySigns& k : a.ValArray) k.MidiEvent = chains.Moved(k.MidiEvent);
  return c;
}

size_t SongBytes(const Song& song) {
  size_t bytes = song.Pool.ReservedBytes();
  // Only texts beyond the short-string buffer hold memory of their own.
  auto text = [](const std::string& t) { return t.capacity() > 15 ? t.capacity() + 1 : 0; };
  for (const TMyTrack& t : song.MidiTrack)
    for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent) bytes += text(e->Meta);
  for (const THyphens& h : song.HyphenArray)
    bytes += sizeof(THyphens) + (h.Text.capacity() + h.MTC.capacity() + h.SourceText.capacity()) * sizeof(char16_t) +
             h.SourceBytes.capacity();
  bytes += song.TimeZone.capacity() * sizeof(TTimeZone) + song.TempoArray.capacity() * sizeof(TTempo);
  return bytes;
}

}  // namespace cv
