// A virtual clock, recording outputs and a hand-built song for the player tests.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "playback/MidiSink.h"
#include "song/Song.h"

namespace cvtest {

class VirtualClock : public cv::PlayerClock {
 public:
  int64_t NowUs() const override { return now; }
  void SleepUs(int64_t us) override { now += us; }
  void SetMs(int64_t ms) { now = ms * 1000; }
  int64_t now = 1000000;
};

struct Sent {
  int64_t us;
  std::vector<uint8_t> bytes;
};

class RecordingPort : public cv::MidiPortSink {
 public:
  explicit RecordingPort(const cv::PlayerClock& clock) : clock_(clock) {}
  bool Open() override {
    ++opens;
    open = openResult;
    return openResult;
  }
  bool Close() override {
    ++closes;
    bool was = open;
    open = false;
    return was;
  }
  void PutShort(uint8_t status, uint8_t d1, uint8_t d2) override {
    if (lost) throw cv::EMidiDeviceLost("The MIDI output has gone away.");
    if (failWhen && failWhen(status, d1)) throw cv::EMidiOutputError("(Short Msg) The hardware is busy with other data.");
    sent.push_back({clock_.NowUs(), {status, d1, d2}});
    ++count;
  }
  void PutLong(const uint8_t* bytes, size_t length) override {
    sent.push_back({clock_.NowUs(), std::vector<uint8_t>(bytes, bytes + length)});
    ++count;
  }
  std::vector<std::vector<uint8_t>> Bytes() const {
    std::vector<std::vector<uint8_t>> out;
    for (const auto& s : sent) out.push_back(s.bytes);
    return out;
  }

  const cv::PlayerClock& clock_;
  std::vector<Sent> sent;
  std::atomic<size_t> count{0};  // for a reader on another thread
  bool openResult = true;
  bool open = false;
  int opens = 0;
  int closes = 0;
  std::function<bool(uint8_t, uint8_t)> failWhen;
  bool lost = false;  // the device went away: every message fails so
};

class RecordingInstrument : public cv::InstrumentSink {
 public:
  explicit RecordingInstrument(const cv::PlayerClock& clock) : clock_(clock) {}
  void PutShort(uint8_t status, uint8_t d1, uint8_t d2) override { sent.push_back({clock_.NowUs(), {status, d1, d2}}); }
  void PutLong(const uint8_t* bytes, size_t length) override {
    sent.push_back({clock_.NowUs(), std::vector<uint8_t>(bytes, bytes + length)});
  }
  uint32_t AudioBufferTime() const override { return bufferMs; }
  uint32_t AudioTotalLatencyTime() const override { return bufferMs + deviceLatencyMs; }
  void PrepareStart() override { ++prepared; }
  void PutNewData(uint32_t bytes) override {
    if (failRendering) throw std::runtime_error("render failed");
    slices.push_back(bytes);
  }
  bool HasAudioClock() const override { return audioClock; }
  void SetProcessHook(std::function<void()> h) override { hook = std::move(h); }

  const cv::PlayerClock& clock_;
  std::vector<Sent> sent;
  std::vector<uint32_t> slices;
  uint32_t bufferMs = 60;
  uint32_t deviceLatencyMs = 0;
  bool audioClock = true;
  bool failRendering = false;
  int prepared = 0;
  std::function<void()> hook;
};

// One event of a hand-built track: time in ms, status, two data bytes (sysex: Meta bytes).
struct Ev {
  int32_t ms;
  uint8_t command;
  uint8_t d1 = 0;
  uint8_t d2 = 0;
  std::string meta = {};
};

// Builds a loaded song whose tracks hold these events, each chain framed like a read song:
// a port placeholder first, End of Track last (at the song's last event time).
inline void BuildSong(cv::Song& song, const std::vector<std::vector<Ev>>& tracks) {
  song.MidiTrack.assign(tracks.size(), cv::TMyTrack{});
  int32_t end = 0;
  for (const auto& t : tracks)
    for (const auto& e : t) end = std::max(end, e.ms);
  for (size_t i = 0; i < tracks.size(); ++i) {
    cv::TMyTrack& track = song.MidiTrack[i];
    auto append = [&](const Ev& ev, int16_t mtype) {
      cv::PtrMidiEvent e = song.Pool.NewEvent();
      e->TimePosition = ev.ms;
      e->Position = ev.ms;
      e->Command = ev.command;
      e->Value[0] = ev.d1;
      e->Value[1] = ev.d2;
      e->MType = mtype;
      e->Meta = ev.meta;
      e->DType = ev.command >= 0xF0 ? cv::DTypeMeta : cv::DTypeChannel;
      if (!track.TrkFirstEvent)
        track.TrkFirstEvent = e;
      else
        track.TrkLastEvent->NextEvent = e;
      track.TrkLastEvent = e;
      ++track.TrkEventCounter;
    };
    append({0, 0xFF, 0, 0, std::string(1, '\0')}, 0x21);
    for (const auto& ev : tracks[i]) append(ev, ev.command >= 0xF0 ? (ev.command == 0xFF ? 1 : -1) : -1);
    append({end, 0xFF}, 0x2F);
    track.TrkPlayEvent = track.TrkFirstEvent;
  }
  song.NumberOfSourceTracks = static_cast<uint16_t>(tracks.size() >= 2 ? tracks.size() - 2 : 0);
  song.SongLength = end;
  song.MidiFileLoaded = true;
}

}  // namespace cvtest
