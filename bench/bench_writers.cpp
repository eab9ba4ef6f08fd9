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

#include "BarePass.h"
#include "GenerateSong.h"
#include "output/BatchConvert.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "session/OpenSong.h"
#include "song/MidiFileReader.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

struct Timing {
  double best, median, cpu, first;  // wall-clock best and median, CPU time of the best run, the first run
};

// The machine is shared: the best of several runs is the figure, the median shows the noise.
template <class F>
Timing Measure(int runs, F&& f) {
  std::vector<std::pair<double, double>> ms;
  double first = 0;
  for (int i = 0; i < runs; ++i) {
    const double c0 = ThreadCpuMs();
    auto t0 = Clock::now();
    f();
    ms.emplace_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count(), ThreadCpuMs() - c0);
    if (i == 0) first = ms.back().first;
  }
  std::sort(ms.begin(), ms.end());
  return {ms.front().first, ms[ms.size() / 2].first, ms.front().second, first};
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
  (void)argc;
  (void)argv;
  const fs::path dir = fs::exists("/dev/shm") ? fs::path("/dev/shm/cantovex-bench-writers")
                                              : fs::temp_directory_path() / "cantovex-bench-writers";
  fs::remove_all(dir);
  fs::create_directories(dir);
  auto put = [](const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  };

  // The large song of the song benchmark, opened as the program opens it.
  const std::vector<uint8_t> large = cvbench::GenerateSong(cvbench::LargeSong());
  put(dir / "large.mid", large);
  const double bare = cvbench::BarePassMs(large);
  cv::Song song;
  cv::DateiOeffnen(song, (dir / "large.mid").string());
  cv::SilentSink sink;
  const std::string f0 = (dir / "large0.mid").string(), f1 = (dir / "large1.mid").string();
  const Timing ms1 = Measure(11, [&] { cv::SaveToFileFormat1(song, f1, sink); });
  const Timing ms0 = Measure(11, [&] { cv::SaveToFileFormat0(song, f0, sink); });
  std::printf("song: %zu events in %u tracks, folder %s\n", CountEvents(song), song.NumberOfSourceTracks,
              dir.c_str());
  std::printf("format 0 (merge and write): best %6.1f ms, median %6.1f ms, cpu %6.1f ms (%zu bytes; target < 80 ms)\n",
              ms0.best, ms0.median, ms0.cpu, static_cast<size_t>(fs::file_size(f0)));
  std::printf("format 1 (write):           best %6.1f ms, median %6.1f ms, cpu %6.1f ms (%zu bytes; target < 30 ms)\n",
              ms1.best, ms1.median, ms1.cpu, static_cast<size_t>(fs::file_size(f1)));

  std::printf("bare pass over the song's bytes: %.2f ms\n", bare);
  cvbench::PrintRatio("format 1 write (median)", ms1.median, bare, 2.5);
  cvbench::PrintRatio("format 1 write (first in the process)", ms1.first, bare, 2.5);
  cvbench::PrintRatio("format 0 merge and write (median)", ms0.median, bare);

  // The format 0 file read back and split into channel tracks.
  cv::Song split;
  cv::DateiOeffnen(split, f0);
  const Timing msSplit = Measure(7, [&] { cv::SaveToFileFormat1(split, f1, sink); });
  std::printf("format 0 song to format 1:  best %6.1f ms, median %6.1f ms, cpu %6.1f ms\n", msSplit.best,
              msSplit.median, msSplit.cpu);

  // Batch: 32 typical songs, on one core and on every core.
  const fs::path batchDir = dir / "batch";
  fs::create_directories(batchDir);
  const std::vector<uint8_t> typical = cvbench::GenerateSong(cvbench::TypicalSong());
  for (int i = 0; i < 32; ++i) put(batchDir / ("song" + std::to_string(i) + ".mid"), typical);
  cv::BatchOptions options;
  options.Folder = batchDir.string();
  options.Format = cv::BatchFormat::Format0;
  options.OutFolder = (dir / "batch-out").string();
  const auto items = cv::CollectBatch(options);
  auto open = [](cv::Song& s, const std::string& path) { cv::DateiOeffnen(s, path); };
  options.Jobs = 1;
  const double one = MedianMs(3, [&] { cv::RunBatch(options, items, open); });
  options.Jobs = 0;
  timespec c0{}, c1{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
  const auto w0 = Clock::now();
  cv::RunBatch(options, items, open);
  const double wall = std::chrono::duration<double, std::milli>(Clock::now() - w0).count();
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
  const double cpu = static_cast<double>(c1.tv_sec - c0.tv_sec) * 1e3 + static_cast<double>(c1.tv_nsec - c0.tv_nsec) / 1e6;
  const double all = MedianMs(3, [&] { cv::RunBatch(options, items, open); });
  std::printf("batch of %zu songs: %.1f ms on 1 core, %.1f ms on %u cores (speed-up %.2f; %.2f cores busy)\n",
              items.size(), one, all, std::max(1u, std::thread::hardware_concurrency()), one / all, cpu / wall);
  fs::remove_all(dir);
  return 0;
}
