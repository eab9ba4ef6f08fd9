// What the prompter window shows at given playback times.
#include <gtest/gtest.h>

#include "output/PrompterView.h"
#include "support/SongChains.h"

using namespace cv;

TEST(PrompterView, LinesCountInAndProgressFromTheSyllables) {
  Song song;
  cvtest::InitSong(song, 1, 20000);
  song.MidiFileLoaded = true;
  // 120 bpm, 480 ticks a quarter: 1 ms per 0.96 ticks; times are set by hand here.
  cvtest::SetSyllables(song, {{u"Hel", 4800}, {u"lo", 5280}, {u"\r", 5284}, {u"world", 5760}});
  const int times[] = {5000, 5500, 5504, 6000};
  for (int i = 0; i < 4; ++i) song.HyphenArray[static_cast<size_t>(i)].Time = times[i];
  const TPrompterScript s = MakePrompterScript(song);
  EXPECT_FALSE(s.FromPrompta);
  EXPECT_EQ(s.Lines, (std::vector<std::u16string>{u"Hello", u"world"}));

  struct Case {
    int32_t ms;
    int line, column, next, countIn;
  };
  const Case cases[] = {
      {0, -1, 0, 0, 0},     // long before: no count-in yet
      {1000, -1, 0, 0, 4},  // four seconds before the first syllable
      {4001, -1, 0, 0, 1},
      {5000, 0, 3, 1, 0},   // "Hel" sung
      {5600, 0, 5, 1, 0},   // "Hello"
      {6000, 1, 5, -1, 0},  // last line: nothing follows
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ms);
    const TPrompterMoment m = PrompterMomentAt(s, c.ms);
    EXPECT_EQ(m.Line, c.line);
    EXPECT_EQ(m.Column, c.column);
    EXPECT_EQ(m.NextLine, c.next);
    EXPECT_EQ(m.CountIn, c.countIn);
  }
}

TEST(PrompterView, PromptaDataWhenSupportIsOn) {
  Song song;
  cvtest::InitSong(song, 1, 200000);
  song.MidiFileLoaded = true;
  song.Configuration.PromptaEnabled = true;
  cvtest::SetSyllables(song, {{u"Gr\u00FC\u00DF", 50000}, {u"\r", 50004}, {u"Gott", 60000}});
  const TPrompterScript s = MakePrompterScript(song);
  EXPECT_TRUE(s.FromPrompta);
  EXPECT_EQ(s.Lines, (std::vector<std::u16string>{u"Gr\u00FC\u00DF", u"Gott"}));
  ASSERT_EQ(s.Cues.size(), 2u);
  const TPrompterMoment m = PrompterMomentAt(s, s.Cues[1].Time);
  EXPECT_EQ(m.Line, 1);
  EXPECT_EQ(m.Column, 4);
}
