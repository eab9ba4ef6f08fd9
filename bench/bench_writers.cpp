// bench_writers: format 0 (with its merge) and format 1 of a large song into files on a
// memory-backed folder, and a batch conversion on one core and on every core.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "output/BatchConvert.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "song/MidiFileReader.h"
#include "song/OpenSong.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

void VarLen(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = static_cast<uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v);
  while (n > 1) out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

void Chunk(std::vector<uint8_t>& file, const std::vector<uint8_t>& events) {
  const uint32_t n = static_cast<uint32_t>(events.size());
  file.insert(file.end(), {'M', 'T', 'r', 'k', uint8_t(n >> 24), uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)});
  file.insert(file.end(), events.begin(), events.end());
}

// Format 1: a conductor with tempo changes, 16 channel tracks of notes and controllers, lyrics
// on the first; about `events` events in all.
std::vector<uint8_t> LargeSong(size_t events) {
  const int tracks = 16;
  const size_t perTrack = events / tracks;
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, tracks + 1, 0x01, 0xE0};
  std::vector<uint8_t> conductor;
  const uint32_t length = static_cast<uint32_t>(perTrack / 2 * 120);
  for (uint32_t t = 0; t < length; t += 7680) {
    VarLen(conductor, t == 0 ? 0 : 7680);
    const uint32_t us = 400000 + (t / 7680 % 20) * 10000;
    conductor.insert(conductor.end(), {0xFF, 0x51, 3, uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)});
  }
  conductor.insert(conductor.end(), {0, 0xFF, 0x2F, 0});
  Chunk(file, conductor);
  for (int c = 0; c < tracks; ++c) {
    std::vector<uint8_t> ev;
    ev.reserve(perTrack * 4);
    uint32_t pending = 0;
    for (size_t i = 0; i + 1 < perTrack; i += 2) {
      const uint8_t note = static_cast<uint8_t>(36 + (i * 7 + c * 5) % 48);
      if (c == 0 && i % 8 == 0) {
        VarLen(ev, pending);
        ev.insert(ev.end(), {0xFF, 0x05, 3, 'l', 'a', '_'});
        pending = 0;
      }
      VarLen(ev, pending);
      if (i % 64 == 0)
        ev.insert(ev.end(), {uint8_t(0xB0 | c), 7, uint8_t(i % 128)});
      else
        ev.insert(ev.end(), {uint8_t(0x90 | c), note, 100});
      VarLen(ev, 60 + static_cast<uint32_t>(c % 3));
      ev.insert(ev.end(), {uint8_t(0x80 | c), note, 0});
      pending = 60 - static_cast<uint32_t>(c % 3);
    }
    ev.insert(ev.end(), {0, 0xFF, 0x2F, 0});
    Chunk(file, ev);
  }
  return file;
}

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Timing {
  double best, median, cpu;  // wall-clock best and median, CPU time of the best run
};

// The machine is shared: the best of several runs is the figure, the median shows the noise.
template <class F>
Timing Measure(int runs, F&& f) {
  std::vector<std::pair<double, double>> ms;
  for (int i = 0; i < runs; ++i) {
    const double c0 = ThreadCpuMs();
    auto t0 = Clock::now();
    f();
    ms.emplace_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count(), ThreadCpuMs() - c0);
  }
  std::sort(ms.begin(), ms.end());
  return {ms.front().first, ms[ms.size() / 2].first, ms.front().second};
}

template <class F>
double MedianMs(int runs, F&& f) {
  return Measure(runs, f).median;
}

size_t CountEvents(const cv::Song& song) {
  size_t n = 0;
  for (const cv::TMyTrack& t : song.MidiTrack)
    for (const cv::TypMidiEvent* e = t.TrkFirstEvent; e; e = e->NextEvent) ++n;
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const size_t events = argc > 1 ? std::stoul(argv[1]) : 2000000;
  const fs::path dir = fs::exists("/dev/shm") ? fs::path("/dev/shm/cantovex-bench-writers")
                                              : fs::temp_directory_path() / "cantovex-bench-writers";
  fs::remove_all(dir);
  fs::create_directories(dir);

  cv::Song song;
  song.SourceData = LargeSong(events);
  cv::ReadMidiData(song);
  song.SourceData.clear();
  cv::SilentSink sink;
  const std::string f0 = (dir / "large0.mid").string(), f1 = (dir / "large1.mid").string();
  const Timing ms0 = Measure(11, [&] { cv::SaveToFileFormat0(song, f0, sink); });
  const Timing ms1 = Measure(11, [&] { cv::SaveToFileFormat1(song, f1, sink); });
  std::printf("song: %zu events in %u tracks, folder %s\n", CountEvents(song), song.NumberOfSourceTracks,
              dir.c_str());
  std::printf("format 0 (merge and write): best %6.1f ms, median %6.1f ms, cpu %6.1f ms (%zu bytes; target < 80 ms)\n",
              ms0.best, ms0.median, ms0.cpu, static_cast<size_t>(fs::file_size(f0)));
  std::printf("format 1 (write):           best %6.1f ms, median %6.1f ms, cpu %6.1f ms (%zu bytes; target < 30 ms)\n",
              ms1.best, ms1.median, ms1.cpu, static_cast<size_t>(fs::file_size(f1)));

  // The format 0 file read back and split into channel tracks.
  cv::Song split;
  cv::DateiOeffnen(split, f0);
  const Timing msSplit = Measure(7, [&] { cv::SaveToFileFormat1(split, f1, sink); });
  std::printf("format 0 song to format 1:  best %6.1f ms, median %6.1f ms, cpu %6.1f ms\n", msSplit.best,
              msSplit.median, msSplit.cpu);

  // Batch: 32 songs of 60 000 events each, on one core and on every core.
  const fs::path batchDir = dir / "batch";
  fs::create_directories(batchDir);
  const std::vector<uint8_t> medium = LargeSong(60000);
  for (int i = 0; i < 32; ++i) {
    std::ofstream out(batchDir / ("song" + std::to_string(i) + ".mid"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(medium.data()), static_cast<std::streamsize>(medium.size()));
  }
  cv::BatchOptions options;
  options.Folder = batchDir.string();
  options.Format = cv::BatchFormat::Format0;
  options.OutFolder = (dir / "batch-out").string();
  const auto items = cv::CollectBatch(options);
  auto open = [](cv::Song& s, const std::string& path) { cv::DateiOeffnen(s, path); };
  options.Jobs = 1;
  const double one = MedianMs(3, [&] { cv::RunBatch(options, items, open); });
  options.Jobs = 0;
  const double all = MedianMs(3, [&] { cv::RunBatch(options, items, open); });
  std::printf("batch of %zu songs: %.1f ms on 1 core, %.1f ms on %u cores (speed-up %.2f)\n", items.size(), one, all,
              std::max(1u, std::thread::hardware_concurrency()), one / all);
  fs::remove_all(dir);
  return 0;
}
