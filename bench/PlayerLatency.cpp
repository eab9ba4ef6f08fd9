// Lateness of the player per event (sent minus due) on the real clock, and the CPU it uses.
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "BenchSongs.h"
#include "playback/CV_MidiPlayer.h"
#include "session/OpenSong.h"

using namespace cv;

namespace {

// Records when each event arrives; data bytes carry the event's number in dense songs.
class LatencyOutput : public MidiPortSink {
 public:
  explicit LatencyOutput(const PlayerClock& clock) : clock_(clock) { arrivals.reserve(1 << 20); }
  bool Open() override { return true; }
  bool Close() override { return true; }
  void PutShort(uint8_t status, uint8_t d1, uint8_t d2) override {
    arrivals.push_back({clock_.NowUs(), status, static_cast<uint16_t>(d1 << 7 | d2)});
  }
  void PutLong(const uint8_t*, size_t) override {}
  struct Arrival {
    int64_t us;
    uint8_t status;
    uint16_t number;
  };
  std::vector<Arrival> arrivals;

 private:
  const PlayerClock& clock_;
};

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

struct Result {
  double medianMs, p99Ms, maxMs, cpuPercent;
  size_t events;
};

// Plays the song from `fromMs` for `seconds`; due times come from `dueMs(arrival)`.
template <typename DueFn>
Result Measure(Song& song, int32_t fromMs, int seconds, DueFn dueMs) {
  SteadyPlayerClock clock;
  LatencyOutput out(clock);
  TMidiPlayer player(clock);
  player.SetPort(&out);
  player.SetSong(&song);
  player.MoveToPosition(fromMs);
  const double cpu0 = CpuSeconds();
  player.Play();
  const size_t chase = out.arrivals.size();
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  const double cpu = CpuSeconds() - cpu0;
  player.Stop();
  std::vector<double> late;
  for (size_t i = chase; i < out.arrivals.size(); ++i) {
    const auto& a = out.arrivals[i];
    if ((a.status & 0xF0) == 0xB0 && (a.number >> 7) >= 120) continue;  // the stop's own messages
    const int64_t due = player.StartTimeUs() + int64_t{dueMs(a)} * 1000;
    late.push_back((a.us - due) / 1000.0);
  }
  std::sort(late.begin(), late.end());
  Result r{};
  r.events = late.size();
  if (!late.empty()) {
    r.medianMs = late[late.size() / 2];
    r.p99Ms = late[std::min(late.size() - 1, late.size() * 99 / 100)];
    r.maxMs = late.back();
  }
  r.cpuPercent = cpu / seconds * 100.0;
  return r;
}

void Print(const char* name, const Result& r) {
  std::printf("%-28s events %6zu  lateness median %.3f ms  p99 %.3f ms  max %.3f ms  CPU %.2f %% of a core\n", name,
              r.events, r.medianMs, r.p99Ms, r.maxMs, r.cpuPercent);
}

// 16 tracks, each with an event every 10 ms, offset per track: 1600 events per second.
// Each event's number (below 16 384) travels in its two data bytes.
void BuildDenseSong(Song& song, int seconds, std::vector<int32_t>& dueOf) {
  const int tracks = 16;
  song.MidiTrack.assign(tracks + 2, TMyTrack{});
  const int32_t end = seconds * 1000;
  auto append = [&](TMyTrack& t, int32_t ms, uint8_t cmd, uint8_t d1, uint8_t d2) {
    PtrMidiEvent e = song.Pool.NewEvent();
    e->TimePosition = ms;
    e->Command = cmd;
    e->Value[0] = d1;
    e->Value[1] = d2;
    e->MType = cmd == 0xFF ? 0x2F : -1;
    if (!t.TrkFirstEvent) t.TrkFirstEvent = e; else t.TrkLastEvent->NextEvent = e;
    t.TrkLastEvent = e;
  };
  for (int t = 0; t < tracks + 2; ++t) {
    TMyTrack& track = song.MidiTrack[t];
    append(track, 0, 0xFF, 0, 0);
    if (t < tracks)
      for (int32_t ms = (t * 5) % 10; ms < end; ms += 10) {
        const uint16_t n = static_cast<uint16_t>(dueOf.size());
        dueOf.push_back(ms);
        append(track, ms, static_cast<uint8_t>(0x90 | t), static_cast<uint8_t>(n >> 7), static_cast<uint8_t>(n & 0x7F));
      }
    append(track, end, 0xFF, 0, 0);
    track.TrkPlayEvent = track.TrkFirstEvent;
  }
  song.NumberOfSourceTracks = tracks;
  song.SongLength = end;
  song.MidiFileLoaded = true;
}

}  // namespace

int main() {
  {
    Song song;
    std::vector<int32_t> dueOf;
    BuildDenseSong(song, 8, dueOf);  // 12 800 events: below 16 384, so every number is unique
    Print("dense song (1600 events/s)", Measure(song, 0, 8, [&](const LatencyOutput::Arrival& a) { return dueOf[a.number]; }));
  }
  for (const char* file : {"kar/HeyJude.kar", "kar/twinkle.kar"}) {
    const std::string path = BenchSongPath(file);
    if (path.empty()) {
      std::printf("%s: %s\n", file, kBenchSongMissing);
      continue;
    }
    Song song;
    try {
      DateiOeffnen(song, path);
    } catch (const std::exception& e) {
      std::printf("%s: %s\n", file, e.what());
      continue;
    }
    const Result r = Measure(song, 10000, 10, [](const LatencyOutput::Arrival&) { return 0; });
    std::printf("%-28s CPU %.2f %% of a core while playing (10 s from 0:10)\n", file, r.cpuPercent);
  }
  return 0;
}
