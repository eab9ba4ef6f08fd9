// The melody finder: its time on the two-million-event song beside the time of reading it, and
// (with --corpus [DIR]) what it does for assign on real songs with lyrics, per song: the
// syllables on a melody note after assign and the syllables assign leaves within a sixteenth of
// their time before it, with channel 1 and with the finder.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "GenerateSong.h"
#include "TestPaths.h"
#include "lyrics/Assign.h"
#include "session/OpenSong.h"
#include "song/LyricsExtraction.h"
#include "song/MelodyFinder.h"
#include "song/MidiFileReader.h"
#include "song/TimeMap.h"
#include "song/Language.h"

namespace {

using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void Speed() {
  const std::vector<uint8_t> bytes = cvbench::GenerateSong(cvbench::LargeSong());
  double read = 1e30, find = 1e30;
  size_t notes = 0;
  for (int run = 0; run < 3; ++run) {
    cv::Song song;
    song.SourceData = bytes;
    const auto t0 = Clock::now();
    cv::ReadMidiData(song);  // the reader's own finder pass (no lyrics yet) included
    const auto t1 = Clock::now();
    read = std::min(read, Ms(t1 - t0));
    cv::BuildTimeMap(song);
    cv::ExtractLyrics(song);
    const auto t2 = Clock::now();
    const cv::MelodyChoice choice = cv::FindMelody(song);
    find = std::min(find, Ms(Clock::now() - t2));
    notes = choice.Notes.size();
  }
  std::printf("large song (%zu bytes): reading %.1f ms, finding the melody with its lyrics %.1f ms (%.0f %% of reading), "
              "%zu melody notes\n",
              bytes.size(), read, find, 100.0 * find / read, notes);
}

struct Count {
  int syllables = 0, onNote = 0, kept = 0;
};

// Sung syllables (as assign sees them) on a melody chain note after assign, and within a
// sixteenth of their time before it.
Count Measure(const std::string& path, const cv::MelodySetting& setting, std::string* reason) {
  cv::Song song;
  song.Configuration.Melody = setting;
  cv::DateiOeffnen(song, path);
  Count c;
  if (song.HyphenArrayElements == 0) return c;
  *reason = song.Melody.Reason;
  std::vector<int32_t> before;
  for (int i = 0; i < song.HyphenArrayElements; ++i) before.push_back(song.HyphenArray[static_cast<size_t>(i)].SongPosition);
  cv::AssignSyllablesToNotes(song);
  std::set<int32_t> notes;
  for (const cv::TypMidiEvent* e = song.MelodyTrack.TrkFirstEvent; e; e = e->NextEvent)
    if (!e->Hidden && (e->Command & 0xF0) == 0x90 && e->Value[1] != 0) notes.insert(e->Position);
  const int division = song.SourceTimeBase & 0x8000 ? 120 : std::max<int>(1, song.SourceTimeBase);
  for (int i = 0; i < song.HyphenArrayElements; ++i) {
    const cv::THyphens& h = song.HyphenArray[static_cast<size_t>(i)];
    if (h.Text.empty() || h.Text == u"\r" || h.Text[0] == u'-') continue;
    ++c.syllables;
    if (notes.count(h.SongPosition)) ++c.onNote;
    if (std::abs(int64_t{h.SongPosition} - before[static_cast<size_t>(i)]) * 4 <= division) ++c.kept;
  }
  return c;
}

void Corpus(const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<fs::path> songs;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    if (entry.is_regular_file()) songs.push_back(entry.path());
  std::sort(songs.begin(), songs.end());
  std::printf("%-44s %6s | %-15s | %-15s | %s\n", "song", "sung", "on note 1 / auto", "kept 1 / auto", "melody found");
  Count one, found;
  for (const fs::path& p : songs) {
    std::string reason1, reason;
    Count a, b;
    try {
      a = Measure(p.string(), cv::MelodySetting::OfChannel(0), &reason1);
      b = Measure(p.string(), cv::MelodySetting::Automatic(), &reason);
    } catch (const cv::EMidiError&) {
      continue;
    }
    if (b.syllables == 0) continue;
    one.syllables += a.syllables, one.onNote += a.onNote, one.kept += a.kept;
    found.syllables += b.syllables, found.onNote += b.onNote, found.kept += b.kept;
    std::printf("%-44s %6d | %6d / %6d | %6d / %6d | %s%s\n", fs::relative(p, dir).string().c_str(), b.syllables, a.onNote,
                b.onNote, a.kept, b.kept, reason.c_str(), b.onNote < a.onNote ? "  (FEWER)" : "");
  }
  std::printf("%-44s %6d | %6d / %6d | %6d / %6d | on note: %.1f %% -> %.1f %%\n", "total", found.syllables, one.onNote,
              found.onNote, one.kept, found.kept, 100.0 * one.onNote / std::max(1, one.syllables),
              100.0 * found.onNote / std::max(1, found.syllables));
}

}  // namespace

int main(int argc, char** argv) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  if (argc > 1 && std::strcmp(argv[1], "--corpus") == 0) {
    Corpus(argc > 2 ? argv[2] : CANTOVEX_DEFAULT_EXTRA_CORPUS_DIR);
    return 0;
  }
  Speed();
  return 0;
}
