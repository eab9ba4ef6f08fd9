#include <gtest/gtest.h>

#include "LyricsSong.h"
#include "lyrics/LyricsOffset.h"

using namespace cv;
using namespace lyricstest;

namespace {

TEST(LyricsOffset, ZeroChangesNothing) {
  Song song;
  Open(song, Melody({480}, 3840));
  SetSyllables(song, {u"a", u"b"}, {108, 700});
  MoveLyrics(song, 0);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 700}));
  EXPECT_EQ(song.HyphenArray[1].dTime, 0);
}

TEST(LyricsOffset, HalfASecondAt120IsOneQuarterLater) {
  Song song;
  Open(song, Melody({480}, 3840));
  SetSyllables(song, {u"Song", u"\r", u"a", u"b"}, {108, 112, 480, 960});
  MoveLyrics(song, 500);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 112, 960, 1440}));  // the title line stays
  EXPECT_EQ(song.HyphenArray[2].dTime, 1000);
  EXPECT_EQ(song.HyphenArray[2].pTime, 500);
  EXPECT_EQ(song.HyphenArray[2].Time, 1000);
  EXPECT_EQ(song.HyphenArray[3].MTC, u"001.04.000");
  EXPECT_EQ(song.LyricsOffset, 0);
}

TEST(LyricsOffset, EarlierShiftStopsBehindTheTitleLineAndKeepsTheOrder) {
  Song song;
  Open(song, Melody({480}, 3840));
  SetSyllables(song, {u"Song", u"\r", u"a", u"b", u"c"}, {108, 112, 288, 290, 2400});
  MoveLyrics(song, -1000);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 112, 116, 120, 1440}));
  EXPECT_EQ(song.HyphenArray[2].dTime, 0);
}

TEST(LyricsOffset, ShiftRunsThroughTheTimeZones) {
  cvtest::SmfBuilder smf(0, 480);
  // 120 bpm for four quarters (2000 ms), then 60 bpm.
  smf.AddTrack().Tempo(0, 500000).NoteOn(0, 0, 60, 100).Tempo(1920, 1000000).NoteOff(7680, 0, 60);
  Song song;
  Open(song, smf);
  SetSyllables(song, {u"Song", u"a", u"b"}, {108, 1440, 2400});
  MoveLyrics(song, 1000);
  // 1500 ms + 1000 lies 500 ms into the slow zone (240 ticks); 3000 ms + 1000 is 2000 ms in.
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{1068, 2160, 2880}));
  MoveLyrics(song, -1000);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 1440, 2400}));
}

}  // namespace
