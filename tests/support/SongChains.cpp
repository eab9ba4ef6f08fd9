#include "support/SongChains.h"

#include <stdexcept>

namespace cvtest {

using namespace cv;

namespace {

PtrMidiEvent NewMeta(Song& song, int32_t tick, int type, const std::string& bytes) {
  PtrMidiEvent e = song.Pool.NewEvent();
  e->Command = 0xFF;
  e->DType = DTypeMeta;
  e->MType = static_cast<int16_t>(type);
  e->Meta = bytes;
  e->Position = tick;
  return e;
}

void Append(Song& song, int track, PtrMidiEvent e) {
  TMyTrack& t = song.MidiTrack.at(track);
  PtrMidiEvent q = t.TrkFirstEvent;
  while (q->NextEvent && q->NextEvent->NextEvent) q = q->NextEvent;
  if (!q->NextEvent) throw std::logic_error("chain without End of Track");
  e->NextEvent = q->NextEvent;
  q->NextEvent = e;
  ++t.TrkEventCounter;
}

}  // namespace

void InitSong(Song& song, int sourceTracks, int32_t maxSongPosition, int division) {
  ClearMidiMemory(song);
  song.NumberOfSourceTracks = static_cast<uint16_t>(sourceTracks);
  song.SourceTimeBase = static_cast<uint16_t>(division);
  song.MidiFileFormat = 1;
  song.MaxSongPosition = maxSongPosition;
  song.MidiTrack.assign(sourceTracks + 2, TMyTrack{});
  for (int t = 0; t < sourceTracks + 2; ++t) {
    TMyTrack& tr = song.MidiTrack[t];
    PtrMidiEvent port = NewMeta(song, 0, 0x21, std::string(1, '\0'));
    PtrMidiEvent last = port;
    if (t >= sourceTracks) {
      PtrMidiEvent name = NewMeta(song, 0, 3, t == sourceTracks ? "Lyrics" : "Prompta");
      port->NextEvent = name;
      tr.TrkNameEvent = name;
      last = name;
    }
    PtrMidiEvent eot = NewMeta(song, maxSongPosition, 0x2F, "");
    last->NextEvent = eot;
    tr.TrkFirstEvent = port;
    tr.TrkLastEvent = eot;
    tr.TrkPlayEvent = port;
    tr.TrkEventCounter = 2;
  }
  TTimeZone zone;
  zone.SongPosition = 0;
  zone.TempoComp = static_cast<float>(500000.0 / 1000.0 / division);
  song.TimeZone.assign(3, zone);
  song.TimeZone[1].SongPosition = song.TimeZone[2].SongPosition = maxSongPosition + 1;
  song.TimeZoneElements = 2;
  song.TempoArray.assign(2, TTempo{500000, 500000, 0, 120, 500000});
  song.TempoArray[1].SongPosition = maxSongPosition + 1;
  song.TempoArrayElements = 2;
  song.TimeSignature.assign(2, TTimeSign{8, 4, 4, 0, 24});
  song.TimeSignature[1].SongPosition = maxSongPosition + 1;
  song.TimeSignElements = 2;
  song.MidiFileLoaded = true;
}

PtrMidiEvent AddChannel(Song& song, int track, int32_t tick, int status, int data1, int data2) {
  PtrMidiEvent e = song.Pool.NewEvent();
  e->Command = static_cast<uint8_t>(status);
  e->DType = DTypeChannel;
  e->MType = -1;
  e->Position = tick;
  e->TimePosition = static_cast<int32_t>(tick * 500000.0 / 1000.0 / song.SourceTimeBase + 0.5);
  e->Value[0] = e->ValueOrg[0] = static_cast<uint8_t>(data1);
  e->Value[1] = e->ValueOrg[1] = static_cast<uint8_t>(data2);
  Append(song, track, e);
  return e;
}

PtrMidiEvent AddMeta(Song& song, int track, int32_t tick, int type, const std::string& bytes) {
  PtrMidiEvent e = NewMeta(song, tick, type, bytes);
  e->TimePosition = static_cast<int32_t>(tick * 500000.0 / 1000.0 / song.SourceTimeBase + 0.5);
  Append(song, track, e);
  return e;
}

std::vector<PtrMidiEvent> Inner(const Song& song, int track) {
  std::vector<PtrMidiEvent> out;
  const TMyTrack& t = song.MidiTrack.at(track);
  for (PtrMidiEvent e = t.TrkFirstEvent->NextEvent; e && e->NextEvent; e = e->NextEvent) out.push_back(e);
  return out;
}

int ChainLength(const Song& song, int track) {
  int n = 0;
  for (PtrMidiEvent e = song.MidiTrack.at(track).TrkFirstEvent; e; e = e->NextEvent) ++n;
  return n;
}

std::vector<std::string> MetaTexts(const Song& song, int track, int type) {
  std::vector<std::string> out;
  for (PtrMidiEvent e : Inner(song, track))
    if (e->Command == 0xFF && e->DType == DTypeMeta && e->MType == type) out.push_back(e->Meta);
  return out;
}

void SetSyllables(cv::Song& song, const std::vector<std::pair<std::u16string, int>>& syllables) {
  song.HyphenArray.clear();
  for (const auto& [text, pos] : syllables) {
    cv::THyphens h;
    h.Text = text;
    h.SongPosition = pos;
    song.HyphenArray.push_back(h);
  }
  song.HyphenArrayElements = static_cast<int32_t>(syllables.size());
  song.HyphenArray.emplace_back();
}

}  // namespace cvtest
