#include "HandSong.h"

#include <algorithm>

namespace cvtest {

namespace {

cv::PtrMidiEvent NewMeta(cv::Song& s, int type, const std::string& data, int32_t tick) {
  cv::PtrMidiEvent e = s.Pool.NewEvent();
  e->Command = 0xFF;
  e->DType = cv::DTypeMeta;
  e->MType = static_cast<int16_t>(type);
  e->Meta = data;
  e->DLength = static_cast<int32_t>(data.size());
  e->Position = tick;
  return e;
}

}  // namespace

HandSong::HandSong(int format, int tracks, int32_t maxPosition, int division) {
  song_.MidiFileFormat = static_cast<uint8_t>(format);
  song_.NumberOfSourceTracks = static_cast<uint16_t>(tracks);
  song_.SourceTimeBase = static_cast<uint16_t>(division);
  song_.MaxSongPosition = maxPosition;
  song_.MidiTrack.resize(static_cast<size_t>(tracks) + 2);
  for (int t = 0; t < tracks + 2; ++t) {
    cv::TMyTrack& track = song_.MidiTrack[static_cast<size_t>(t)];
    cv::PtrMidiEvent port = NewMeta(song_, 0x21, std::string(1, '\0'), 0);
    cv::PtrMidiEvent last = port;
    if (t >= tracks) {
      cv::PtrMidiEvent name = NewMeta(song_, 0x03, t == tracks ? "Lyrics" : "Prompta", 0);
      port->NextEvent = name;
      last = name;
    }
    cv::PtrMidiEvent end = NewMeta(song_, 0x2F, "", maxPosition);
    last->NextEvent = end;
    track.TrkFirstEvent = port;
    track.TrkLastEvent = end;
    track.TrkEventCounter = 2;
  }
}

cv::PtrMidiEvent HandSong::Append(int track) {
  cv::TMyTrack& t = song_.MidiTrack.at(static_cast<size_t>(track));
  cv::PtrMidiEvent prev = t.TrkFirstEvent;
  while (prev->NextEvent != t.TrkLastEvent) prev = prev->NextEvent;
  cv::PtrMidiEvent e = song_.Pool.NewEvent();
  e->NextEvent = t.TrkLastEvent;
  prev->NextEvent = e;
  ++t.TrkEventCounter;
  return e;
}

HandSong& HandSong::Channel(int track, int32_t tick, uint8_t status, uint8_t d1, uint8_t d2) {
  cv::PtrMidiEvent e = Append(track);
  e->Command = status;
  e->DType = cv::DTypeChannel;
  e->MType = -1;
  const bool oneByte = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
  e->DLength = oneByte ? 2 : 3;
  e->Value[0] = e->ValueOrg[0] = d1;
  e->Value[1] = e->ValueOrg[1] = oneByte ? 0 : d2;
  e->Position = tick;
  return *this;
}

HandSong& HandSong::Meta(int track, int32_t tick, int type, const std::string& data) {
  cv::PtrMidiEvent e = Append(track);
  e->Command = 0xFF;
  e->DType = cv::DTypeMeta;
  e->MType = static_cast<int16_t>(type);
  e->Meta = data;
  e->DLength = static_cast<int32_t>(data.size());
  e->Position = tick;
  return *this;
}

HandSong& HandSong::Sysex(int track, int32_t tick, const std::string& data) {
  Meta(track, tick, 0, data);
  cv::PtrMidiEvent e = song_.MidiTrack.at(static_cast<size_t>(track)).TrkFirstEvent;
  while (e->NextEvent != song_.MidiTrack[static_cast<size_t>(track)].TrkLastEvent) e = e->NextEvent;
  e->Command = 0xF0;
  e->MType = -1;
  return *this;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
  if (from >= bytes.size()) return {};
  const size_t n = std::min(count, bytes.size() - from);
  return {bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

}  // namespace cvtest
