// Reading, timing, extracting and inserting lyrics on a large and a typical synthetic song.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <unistd.h>

#include "BarePass.h"
#include "GenerateSong.h"
#include "lyrics/InsertLyrics.h"
#include "session/OpenSong.h"
#include "song/LyricsExtraction.h"
#include "song/MidiFileReader.h"
#include "song/TimeMap.h"

// Heap accounting: current and peak bytes, for the memory-per-event figure.
namespace {
std::atomic<size_t> heapNow{0}, heapPeak{0};
constexpr size_t kHeader = 16;
}  // namespace

void* operator new(size_t n) {
  void* p = std::malloc(n + kHeader);
  if (!p) throw std::bad_alloc();
  *static_cast<size_t*>(p) = n;
  size_t now = heapNow += n;
  size_t peak = heapPeak.load();
  while (now > peak && !heapPeak.compare_exchange_weak(peak, now)) {
  }
  return static_cast<char*>(p) + kHeader;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  char* base = static_cast<char*>(p) - kHeader;
  heapNow -= *reinterpret_cast<size_t*>(base);
  std::free(base);
}
void operator delete(void* p, size_t) noexcept { operator delete(p); }
void* operator new[](size_t n) { return operator new(n); }
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete[](void* p, size_t) noexcept { operator delete(p); }

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kFirstBlockBytes = 4096 * sizeof(cv::TypMidiEvent);  // counted by operator new

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

size_t CountEvents(const cv::Song& song) {
  size_t n = 0;
  for (const cv::TMyTrack& t : song.MidiTrack)
    for (cv::PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent) ++n;
  return n;
}

double CpuMs(std::clock_t a, std::clock_t b) { return 1000.0 * static_cast<double>(b - a) / CLOCKS_PER_SEC; }

struct Phases {
  double read = 1e30, timeMap = 1e30, extract = 1e30, insert = 1e30;
  double readTimedCpu = 1e30;  // process CPU time of read + time map: less disturbed by a busy machine
  std::vector<double> readTimed;  // wall clock of every run, for the median
};

// Each phase timed on its own, best of the runs.
Phases TimePhases(const std::vector<uint8_t>& bytes, int runs, size_t* events, size_t* syllables, double* bytesPerEvent) {
  Phases best;
  for (int r = 0; r < runs; ++r) {
    auto song = std::make_unique<cv::Song>();
    size_t base = heapNow;
    heapPeak = base;
    song->SourceData = bytes;
    std::clock_t c0 = std::clock();
    auto t0 = Clock::now();
    cv::StampedTimes stamped;
    cv::ReadMidiData(*song, &stamped);
    auto t1 = Clock::now();
    song->SourceData.clear();
    song->SourceData.shrink_to_fit();
    auto t2 = Clock::now();
    cv::BuildTimeMap(*song, &stamped);
    auto t3 = Clock::now();
    std::clock_t c1 = std::clock();
    // The pool's large record blocks come from aligned allocation, outside the counted heap; its
    // first record block and its blocks of bytes are counted there.
    const size_t records = song->Pool.ReservedBytes() - song->Pool.KeptBytesReserved();
    size_t peak = heapPeak - base + records - std::min<size_t>(records, kFirstBlockBytes);
    cv::ExtractLyrics(*song);
    auto t4 = Clock::now();
    cv::InsertLyrics(*song);
    auto t5 = Clock::now();
    best.read = std::min(best.read, Ms(t1 - t0));
    best.timeMap = std::min(best.timeMap, Ms(t3 - t2));
    best.extract = std::min(best.extract, Ms(t4 - t3));
    best.insert = std::min(best.insert, Ms(t5 - t4));
    best.readTimedCpu = std::min(best.readTimedCpu, CpuMs(c0, c1));
    best.readTimed.push_back(Ms(t1 - t0) + Ms(t3 - t2));
    *events = CountEvents(*song);
    *syllables = static_cast<size_t>(song->HyphenArrayElements);
    *bytesPerEvent = static_cast<double>(peak) / static_cast<double>(*events);
  }
  return best;
}

void Report(const char* name, const std::vector<uint8_t>& bytes, int runs) {
  size_t events = 0, syllables = 0;
  double perEvent = 0;
  const double bare = cvbench::BarePassMs(bytes);
  Phases p = TimePhases(bytes, runs, &events, &syllables, &perEvent);
  const double bareAfter = cvbench::BarePassMs(bytes);
  std::printf("%s: %zu bytes, %zu events, %zu syllables\n", name, bytes.size(), events, syllables);
  std::printf("  read %.2f ms, time map %.2f ms, read+timed %.2f ms, extraction %.3f ms, insertion %.3f ms\n", p.read,
              p.timeMap, p.read + p.timeMap, p.extract, p.insert);
  std::printf("  read+timed CPU time %.2f ms\n", p.readTimedCpu);
  std::printf("  peak heap while reading and timing (file bytes included): %.1f bytes per event (target <= 40)\n",
              perEvent);
  std::printf("  bare pass (decode into 16-byte records): %.2f ms before, %.2f ms after\n", bare, bareAfter);
  cvbench::PrintRatio("read + time map (median)", cvbench::Median(p.readTimed), bare, 2);
}

std::vector<uint8_t> FileBytes(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

// bench_song [RUNS [SONG]]: SONG replaces the generated large song.
int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  if (argc > 2)
    Report(argv[2], FileBytes(argv[2]), runs);
  else
    Report("large song", cvbench::GenerateSong(cvbench::LargeSong()), runs);
  auto typical = cvbench::GenerateSong(cvbench::TypicalSong());
  Report("typical song", typical, runs * 20);

  // The whole open flow from a file (page cache warm), as the program opens a song.
  std::string path = "/tmp/cantovex-bench-" + std::to_string(getpid()) + ".mid";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(typical.data()),
                                               static_cast<std::streamsize>(typical.size()));
  double best = 1e30;
  for (int r = 0; r < runs * 20; ++r) {
    cv::Song song;
    auto t0 = Clock::now();
    cv::DateiOeffnen(song, path);
    best = std::min(best, Ms(Clock::now() - t0));
  }
  std::remove(path.c_str());
  std::printf("typical song opened (all steps, from the file): %.3f ms\n", best);
  return 0;
}
