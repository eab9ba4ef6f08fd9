// bench_undo: the undo history on the large song — memory each entry holds (the history's own
// count and the process's resident memory) and the time a change spends keeping the song (whole,
// or the part a lyric change can alter) and an undo or redo spends exchanging it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "BenchUi.h"
#include "GenerateSong.h"
#include "session/SongCopy.h"
#include "session/SongSession.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

double ResidentMiB() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return static_cast<double>(resident) * 4096.0 / (1024.0 * 1024.0);
}

double Ms(const std::function<void()>& f) {
  const auto t0 = Clock::now();
  f();
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

}  // namespace

int main() {
  const fs::path dir = fs::exists("/dev/shm") ? fs::path("/dev/shm/cantovex-bench-undo")
                                              : fs::temp_directory_path() / "cantovex-bench-undo";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::vector<uint8_t> bytes = cvbench::GenerateSong(cvbench::LargeSong());
  {
    std::ofstream out(dir / "large.mid", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  QuietUi ui;
  cv::SongSession session(ui);
  if (!session.Open((dir / "large.mid").string())) {
    std::printf("the large song did not open\n");
    return 1;
  }
  const double songMiB = ResidentMiB();
  std::printf("large song: %zu bytes on disk, %d syllables, %.1f MiB resident with the song open\n", bytes.size(),
              session.CurrentSong().HyphenArrayElements, songMiB);

  // Copying alone, the cost every change pays before it runs.
  std::vector<double> copies;
  for (int i = 0; i < 5; ++i) copies.push_back(Ms([&] { cv::Song c = cv::CopySong(session.CurrentSong()); }));
  std::sort(copies.begin(), copies.end());
  std::printf("one copy of the song: best %.1f ms, median %.1f ms (counted %.1f MiB)\n", copies.front(), copies[2],
              static_cast<double>(cv::SongBytes(session.CurrentSong())) / (1024.0 * 1024.0));

  // The part a lyric change keeps, alone.
  {
    std::vector<double> parts;
    size_t partBytes = 0;
    for (int i = 0; i < 5; ++i)
      parts.push_back(Ms([&] {
        const cv::SongSnapshot part = cv::SnapshotBefore(cv::TSongChange::SyllableText, session.CurrentSong());
        partBytes = part.Bytes();
      }));
    std::sort(parts.begin(), parts.end());
    std::printf("the part a lyric change keeps: best %.2f ms, median %.2f ms (counted %.2f MiB)\n", parts.front(),
                parts[2], static_cast<double>(partBytes) / (1024.0 * 1024.0));
  }

  // A lyric change: one syllable's text. The target is an entry under 5 MiB made in under 5 ms.
  {
    const size_t bytesBefore = session.History().Bytes();
    std::vector<double> ms;
    for (int i = 0; i < 5; ++i) {
      const std::u16string text = i % 2 ? u"la" : u"lo";
      ms.push_back(Ms([&] { session.SetSyllableText(10, text); }));
    }
    std::sort(ms.begin(), ms.end());
    const double entryMiB = static_cast<double>(session.History().Bytes() - bytesBefore) / 5 / (1024.0 * 1024.0);
    std::printf("one syllable's text changed: median %.1f ms (operation and entry), %.1f MiB per entry "
                "(target < 5 ms, < 5 MiB)\n",
                ms[2], entryMiB);
    for (int i = 0; i < 5; ++i) session.Undo();
  }

  int transposeBy = 0;
  const std::vector<std::pair<const char*, std::function<bool()>>> changes = {
      {"quantize", [&] { return session.Quantize(); }},
      {"move lyrics", [&] { return session.MoveLyrics(120); }},
      {"upper case", [&] { return session.UpperCase().has_value(); }},
      {"transpose", [&] {
         // Each time further: back to an amount already set would be no change.
         transposeBy += 2;
         const bool done = session.Transpose(transposeBy, {});
         session.FinishTranspose();
         return done;
       }},
      {"tempo", [&] { return session.ApplyTempoDiff(5); }},
      {"assign", [&] { return session.Assign(); }},
      {"hide note", [&] { return session.HideNoteAt(60000).has_value(); }},
  };
  const double before = ResidentMiB();
  int entries = 0;
  for (int round = 0; round < 2; ++round)
    for (const auto& [name, run] : changes) {
      bool done = false;
      const double ms = Ms([&] { done = run(); });
      if (!done) continue;
      ++entries;
      std::printf("  %-12s %7.1f ms (operation and entry, %s)\n", name, ms,
                  session.History().Newest().Other.IsWhole() ? "whole copy" : "part");
    }
  const double after = ResidentMiB();
  const double counted = static_cast<double>(session.History().Bytes()) / (1024.0 * 1024.0);
  // The budget drops the oldest entries: each is measured among those kept.
  const int kept = static_cast<int>(session.History().Entries());
  std::printf("%d entries made, %d kept: %.1f MiB counted by the history (%.1f MiB each), resident grew %.1f MiB\n",
              entries, kept, counted, counted / std::max(kept, 1), after - before);
  std::printf("budget %.0f MiB: about %.0f entries of this song are kept\n",
              static_cast<double>(cv::UndoHistory::kDefaultBudget) / (1024.0 * 1024.0),
              static_cast<double>(cv::UndoHistory::kDefaultBudget) / (1024.0 * 1024.0) / std::max(counted / std::max(kept, 1), 0.001));
  entries = kept;

  std::vector<double> undo, redo;
  for (int i = 0; i < entries; ++i) undo.push_back(Ms([&] { session.Undo(); }));
  for (int i = 0; i < entries; ++i) redo.push_back(Ms([&] { session.Redo(); }));
  std::sort(undo.begin(), undo.end());
  std::sort(redo.begin(), redo.end());
  std::printf("undo: median %.2f ms, worst %.2f ms; redo: median %.2f ms, worst %.2f ms\n", undo[undo.size() / 2],
              undo.back(), redo[redo.size() / 2], redo.back());
  fs::remove_all(dir);
  return 0;
}
