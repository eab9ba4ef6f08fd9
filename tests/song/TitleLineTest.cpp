// Whether a song's lyrics begin with a title line is decided once on opening: a first syllable
// that is sung keeps its tick through opening and saving.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "session/OpenSong.h"
#include "support/SmfBuilder.h"

using namespace cv;

namespace {

struct Lyric {
  int tick;
  const char* text;
};

TEST(TitleLine, DecidedOnceOnOpeningAndKeptThroughSaving) {
  struct Case {
    const char* what;
    int firstNote;
    std::vector<Lyric> lyrics;
    bool title;
    int first;  // tick of element 0 after opening
  };
  const std::vector<Lyric> sungFirst = {{15840, "Can"}, {16000, "ta"}, {16200, "ba\r"}, {16400, "la "}, {16600, "ne"}};
  const Case cases[] = {
      {"a sung first syllable", 0, sungFirst, false, 15840},
      {"one event per line, sung from the first note",
       1920,
       {{1920, "First line\r"}, {3840, "Second line\r"}, {5760, "Third\r"}, {7680, "Fourth\r"}, {9600, "Fifth"}},
       false,
       1920},
      {"a title at tick 0 beside a drum at tick 0",
       0,
       {{0, "My Song\r"}, {1920, "Hel"}, {2400, "lo\r"}, {2880, "world"}, {3360, "end"}},
       true,
       108},
      {"a title before the first note",
       960,
       {{480, "My Song\r"}, {1920, "Hel"}, {2400, "lo\r"}, {2880, "world"}, {3360, "end"}},
       true,
       108},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<Lyric>& lyrics = c.lyrics;
    cvtest::SmfBuilder smf(1, 480);
    auto& t = smf.AddTrack();
    t.Tempo(0, 500000).TimeSig(0, 4, 2);
    // The first note on the drum channel: any track and channel counts.
    smf.AddTrack().NoteOn(c.firstNote, 9, 36, 100).NoteOff(20000, 9, 36);
    auto& words = smf.AddTrack();
    for (const Lyric& l : lyrics) words.Lyric(l.tick, l.text);
    Song song;
    DateiOeffnen(song, smf.WriteTemp("title.mid"));
    ASSERT_GE(song.HyphenArrayElements, 5);
    EXPECT_EQ(song.TitleLine, c.title);
    EXPECT_EQ(song.HyphenArray[0].SongPosition, c.first);

    const std::string dir = cvtest::TempDir();
    SilentSink sink;
    for (int format : {0, 1}) {
      const std::string path = dir + "/saved" + std::to_string(format) + ".mid";
      ASSERT_TRUE(format == 0 ? SaveToFileFormat0(song, path, sink) : SaveToFileFormat1(song, path, sink));
      Song again;
      DateiOeffnen(again, path);
      EXPECT_EQ(again.TitleLine, c.title) << format;
      ASSERT_EQ(again.HyphenArrayElements, song.HyphenArrayElements) << format;
      for (int i = 0; i < song.HyphenArrayElements; ++i)
        EXPECT_EQ(again.HyphenArray[i].SongPosition, song.HyphenArray[i].SongPosition) << format << " " << i;
    }
  }
}

}  // namespace
