// Assign on real songs: how many syllables end up on a melody note. Prints one line per song with
// lyrics and the totals, so that a change to the matching can be judged on songs nobody here wrote.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "lyrics/Assign.h"
#include "session/OpenSong.h"
#include "support/Corpus.h"

using namespace cv;

namespace {

struct OnNotes {
  int syllables = 0;
  int onNote = 0;
};

OnNotes CountOnNotes(const Song& song) {
  std::set<int32_t> notes;
  for (const TypMidiEvent* e = song.MelodyTrack.TrkFirstEvent; e; e = e->NextEvent)
    if (!e->Hidden && (e->Command & 0xF0) == 0x90 && e->Value[1] != 0) notes.insert(e->Position);
  OnNotes n;
  for (int i = 0; i < song.HyphenArrayElements; ++i) {
    const std::u16string& t = song.HyphenArray[i].Text;
    if (t.empty() || t == u"\r" || t[0] == u'-') continue;
    ++n.syllables;
    if (notes.count(song.HyphenArray[i].SongPosition)) ++n.onNote;
  }
  return n;
}

TEST(CorpusAssign, SyllablesOnMelodyNotes) {
  OnNotes total;
  OnNotes karaoke;  // the name-line-only karaoke file
  int songs = 0;
  for (const auto& [relative, path] : cvtest::AllCorpusSongs()) {
    Song song;
    try {
      DateiOeffnen(song, path);
    } catch (const EMidiError&) {
      continue;
    }
    if (song.HyphenArrayElements == 0) continue;
    AssignSyllablesToNotes(song);
    const OnNotes n = CountOnNotes(song);
    ++songs;
    total.syllables += n.syllables;
    total.onNote += n.onNote;
    if (relative == "kar/test-karaoke-kar.mid") karaoke = n;
    std::printf("%-48s %5d of %5d syllables on a melody note\n", relative.c_str(), n.onNote, n.syllables);
  }
  std::printf("%d songs with lyrics: %d of %d syllables on a melody note\n", songs, total.onNote, total.syllables);
  ASSERT_GT(songs, 0);
  if (karaoke.syllables == 0) GTEST_SKIP() << cvtest::CorpusSkipReason("kar/test-karaoke-kar.mid");
  // A name line without an artist line: its first sung line starts on the first notes.
  EXPECT_GT(karaoke.onNote * 5, karaoke.syllables * 4);
}

}  // namespace
