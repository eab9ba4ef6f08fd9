// Assign on real songs: how many syllables end up on a melody note, and how many stay within a
// sixteenth of where the people who timed the song put them. Prints one line per song with lyrics
// (the melody found automatically, and channel 1 for comparison) and the totals, so that a change
// to the matching can be judged on songs nobody here wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "lyrics/Assign.h"
#include "session/OpenSong.h"
#include "song/MelodyFinder.h"
#include "song/TitleLines.h"
#include "support/Corpus.h"

using namespace cv;

namespace {

bool Sung(const THyphens& h) { return !h.Text.empty() && h.Text != u"\r" && h.Text[0] != u'-'; }

struct Counts {
  int syllables = 0;
  int onNote = 0;  // on a usable melody note after assign
  int kept = 0;    // within a sixteenth of their time before assign
  void Add(const Counts& c) {
    syllables += c.syllables;
    onNote += c.onNote;
    kept += c.kept;
  }
};

// Assigns and counts: the sung syllables after the title lines.
Counts AssignAndCount(Song& song) {
  std::vector<int32_t> before;
  for (int i = 0; i < song.HyphenArrayElements; ++i) before.push_back(song.HyphenArray[i].SongPosition);
  AssignSyllablesToNotes(song);
  std::set<int32_t> notes;
  for (const MelodyNote& n : CurrentMelodyNotes(song)) notes.insert(n.Tick);
  const int32_t sixteenth = std::max(1, song.SourceTimeBase / 4);
  Counts c;
  for (int i = HeaderElementCount(song); i < song.HyphenArrayElements; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (!Sung(h) || IsBarMarker(h)) continue;
    ++c.syllables;
    if (notes.count(h.SongPosition)) ++c.onNote;
    if (std::abs(h.SongPosition - before[static_cast<size_t>(i)]) <= sixteenth) ++c.kept;
  }
  return c;
}

std::string Percent(int part, int whole) {
  char text[16];
  std::snprintf(text, sizeof text, "%5.1f %%", whole ? 100.0 * part / whole : 0.0);
  return text;
}

TEST(CorpusAssign, SyllablesOnMelodyNotes) {
  Counts total, totalChannel1;
  Counts karaoke;  // the name-line-only karaoke file
  std::vector<std::string> fewer;  // songs with fewer on a note than with channel 1
  int songs = 0;
  std::printf("%-44s %6s | %-17s | %-17s\n", "song", "sung", "channel 1: on, kept", "automatic: on, kept");
  for (const auto& [relative, path] : cvtest::AllCorpusSongs()) {
    Song song, channel1;
    try {
      DateiOeffnen(song, path);
      DateiOeffnen(channel1, path);
    } catch (const EMidiError&) {
      continue;
    }
    if (song.HyphenArrayElements == 0) continue;
    channel1.Configuration.Melody = MelodySetting::OfChannel(0);
    UseMelody(channel1);
    const Counts n = AssignAndCount(song), c1 = AssignAndCount(channel1);
    ++songs;
    total.Add(n);
    totalChannel1.Add(c1);
    if (n.onNote < c1.onNote) fewer.push_back(relative);
    if (relative == "kar/test-karaoke-kar.mid") karaoke = n;
    std::printf("%-44s %6d | %6d %6d    | %6d %6d\n", relative.c_str(), n.syllables, c1.onNote, c1.kept, n.onNote,
                n.kept);
  }
  std::printf("%d songs with lyrics, %d sung syllables\n", songs, total.syllables);
  std::printf("channel 1: %d on a melody note (%s), %d kept within a sixteenth (%s)\n", totalChannel1.onNote,
              Percent(totalChannel1.onNote, total.syllables).c_str(), totalChannel1.kept,
              Percent(totalChannel1.kept, total.syllables).c_str());
  std::printf("automatic: %d on a melody note (%s), %d kept within a sixteenth (%s)\n", total.onNote,
              Percent(total.onNote, total.syllables).c_str(), total.kept, Percent(total.kept, total.syllables).c_str());
  ASSERT_GT(songs, 0);
  EXPECT_TRUE(fewer.empty()) << "fewer on a note than with channel 1: " << fewer.front();
  if (karaoke.syllables == 0) GTEST_SKIP() << cvtest::CorpusSkipReason("kar/test-karaoke-kar.mid");
  // A name line without an artist line: its first sung line starts on the first notes.
  EXPECT_GT(karaoke.onNote * 5, karaoke.syllables * 4);
}

}  // namespace
