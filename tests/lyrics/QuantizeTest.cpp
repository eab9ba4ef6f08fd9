#include <gtest/gtest.h>

#include <cmath>

#include "LyricsSong.h"
#include "lyrics/Quantize.h"

using namespace cv;
using namespace lyricstest;

namespace {

// 120 bpm at 480 ticks per quarter: 500 ms per 480 ticks, halves to even.
int32_t PositionToTimeAt120(int32_t tick) {
  const double ms = tick * (500.0 / 480.0);
  return static_cast<int32_t>(std::nearbyint(ms));
}

TEST(Quantize, GridWindows) {
  const struct { int base, factor, window; } cases[] = {
      {480, 0, 480}, {480, 1, 240}, {480, 2, 160}, {480, 3, 120}, {480, 9, 240},
      {96, 2, 32},
      {3, 3, 1}, {2, 2, 1}, {0, 0, 1},  // finer than a tick: every tick is on the grid
  };
  for (const auto& c : cases)
    EXPECT_EQ(QuantizeWindow(static_cast<uint16_t>(c.base), static_cast<uint8_t>(c.factor)), c.window)
        << c.base << "/" << c.factor;
}

TEST(Quantize, MovesToTheNearestGridPointHalvesToEvenAndKeepsTheOrder) {
  const struct {
    uint8_t factor;
    std::vector<int32_t> before, after;
  } cases[] = {
      {0, {108, 250, 719}, {0, 480, 484}},           // the third lands on its predecessor
      {1, {120, 360, 600, 601}, {0, 480, 480 + 4, 720}},  // 120 and 600 are halves: to the even point
      {3, {59, 61, 180}, {0, 120, 240}},
  };
  for (const auto& c : cases) {
    Song song;
    Open(song, Melody({480}, 3840));
    std::vector<std::u16string> texts(c.before.size(), u"la");
    SetSyllables(song, texts, c.before);
    QuantizeLyrics(song, c.factor);
    EXPECT_EQ(Positions(song), c.after) << int(c.factor);
    EXPECT_EQ(song.HyphenArray[1].Time, PositionToTimeAt120(c.after[1]));
  }
}

TEST(Quantize, TheTitleLineStaysAndSyllablesSnapToTheGrid) {
  Song song;
  Open(song, Melody({480}, 3840));
  SetSyllables(song, {u"Song", u"\r", u"a", u"b", u"c"}, {108, 112, 700, 700, 1301});
  QuantizeLyrics(song, 1);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 112, 720, 724, 1200}));  // the title line stays
  EXPECT_EQ(song.HyphenArray[4].MTC, u"001.03.240");
}

TEST(Quantize, TinyTimeBaseLeavesPositionsOnTheirTicks) {
  cvtest::SmfBuilder smf(0, 3);
  smf.AddTrack().NoteOn(0, 0, 60, 100).NoteOff(40, 0, 60);
  Song song;
  Open(song, smf);
  SetSyllables(song, {u"a", u"b", u"c"}, {5, 7, 11});
  QuantizeLyrics(song, 3);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{5, 7, 11}));
}

}  // namespace
