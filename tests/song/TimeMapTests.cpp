#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "song/Language.h"
#include "song/MidiFileReader.h"
#include "song/TimeMap.h"
#include "support/SmfBuilder.h"

using namespace cv;
using cvtest::SmfBuilder;

namespace {

std::vector<int32_t> EventTimes(const Song& song) {
  std::vector<int32_t> times{song.SongLength};
  for (const TMyTrack& track : song.MidiTrack)
    for (const TypMidiEvent* e = track.TrkFirstEvent; e; e = e->NextEvent) times.push_back(e->TimePosition);
  return times;
}

// Read and timed as opening does (times stamped while reading, kept where they hold), every time
// equal to the time map's own on the song read without them.
std::unique_ptr<Song> Timed(const SmfBuilder& b, uint8_t playbackSpeed = 0) {
  std::unique_ptr<Song> song[2];
  for (bool stamping : {false, true}) {
    auto& s = song[stamping] = std::make_unique<Song>();
    s->Configuration.PlaybackSpeed = playbackSpeed;
    s->SourceData = b.Bytes();
    StampedTimes stamped;
    ReadMidiData(*s, stamping ? &stamped : nullptr);
    BuildTimeMap(*s, stamping ? &stamped : nullptr);
  }
  EXPECT_EQ(EventTimes(*song[true]), EventTimes(*song[false]));
  return std::move(song[true]);
}

std::string Mtc(Song& song, int32_t tick) {
  std::u16string t = SongPositionToMTC(song, tick);
  return std::string(t.begin(), t.end());
}

}  // namespace

TEST(TimeMap, SongWithoutTempoOrSignatureGetsOneDefaultZone) {
  SmfBuilder b(1, 480);
  b.AddTrack().NoteOn(0, 0, 60, 1).NoteOn(1500, 0, 60, 0);
  auto s = Timed(b);
  EXPECT_EQ(s->TimeZoneElements, 2);
  const TTimeZone& z = s->TimeZone[0];
  EXPECT_EQ(z.SongPosition, 0);
  EXPECT_EQ(z.Tempo, 120);
  EXPECT_EQ(z.TempoLongInt, 500000);
  EXPECT_EQ(z.TS_Numerator, 4);
  EXPECT_EQ(z.TS_Denominator, 4);
  EXPECT_EQ(s->CurrentTempo, 120);
  EXPECT_EQ(Mtc(*s, 0), "001.01.000");
  EXPECT_EQ(Mtc(*s, 1500), "001.04.060");
  EXPECT_EQ(s->SongPositionToTime, 1562);  // 1500 x 1.04166663 = 1562.49994
  EXPECT_EQ(s->SongLength, 1562);
  // End-marker zones take the song length + 1.
  EXPECT_EQ(s->TimeZone[1].SongPosition, 1501);
  EXPECT_EQ(s->TimeZone[1].Time, 1563);
}

TEST(TimeMap, ZonesFromTempoAndSignatureChanges) {
  SmfBuilder b(1, 480);
  b.AddTrack().Bpm(960, 60).TimeSig(1440, 3, 2).Bpm(2400, 240);
  b.AddTrack().NoteOn(0, 0, 60, 1).NoteOn(4800, 0, 60, 0);
  auto s = Timed(b);
  ASSERT_EQ(s->TimeZoneElements, 5);
  struct Z {
    int32_t pos, time, bpm, num;
    const char* mtc;
  } expected[] = {
      {0, 0, 120, 4, "001.01.000"},     // default tempo before the first tempo event
      {960, 1000, 60, 4, "001.03.000"},
      {1440, 2000, 60, 3, "002.01.000"},  // the signature change keeps the earlier tempo
      {2400, 4000, 240, 3, "002.03.000"},
  };
  for (int i = 0; i < 4; ++i) {
    const TTimeZone& z = s->TimeZone[i];
    EXPECT_EQ(z.SongPosition, expected[i].pos) << i;
    EXPECT_EQ(z.Time, expected[i].time) << i;
    EXPECT_EQ(z.Tempo, expected[i].bpm) << i;
    EXPECT_EQ(z.TS_Numerator, expected[i].num) << i;
    EXPECT_EQ(Mtc(*s, expected[i].pos), expected[i].mtc) << i;
    EXPECT_EQ(s->SongPositionToTime, expected[i].time) << i;
  }
  EXPECT_EQ(Mtc(*s, 4800), "004.02.000");
  EXPECT_EQ(s->SongPositionToTime, 5250);
  EXPECT_EQ(s->SongLength, 5250);
  // Tempo list after the default entry went in front: positions shifted, the rest by event index.
  EXPECT_EQ(s->TempoArray[1].SongPosition, 960);
  EXPECT_EQ(s->TempoArray[1].TempoLongInt, 1000000);
}

TEST(TimeMap, PositionTextsPerTimeBaseAndSignature) {
  struct Case {
    int division, num, denPow, tick;
    const char* mtc;
  } cases[] = {
      {96, 4, 2, 0, "001.01.00"},
      {96, 4, 2, 96 * 4 * 12 + 95, "013.01.95"},
      {480, 6, 3, 0, "001.01.000"},
      {480, 6, 3, 480, "001.03.000"},
      {480, 6, 3, 720, "001.04.000"},
      {480, 6, 3, 1440, "002.01.000"},
      {1920, 2, 2, 1920 * 2 * 150, "151.01.0000"},
      {9, 4, 2, 10, "001.02.1"},
  };
  for (const Case& c : cases) {
    SmfBuilder b(1, c.division);
    b.AddTrack().TimeSig(0, c.num, c.denPow).NoteOn(c.tick + 10, 0, 60, 1);
    auto s = Timed(b);
    EXPECT_EQ(Mtc(*s, c.tick), c.mtc) << c.division << " " << c.tick;
  }
}

TEST(TimeMap, TicksCarryTwoEighthBeatsAtATime) {
  // A 6/8 zone starting 400 ticks into a beat: 100 ticks more pass a whole quarter note.
  SmfBuilder b(1, 480);
  b.AddTrack().TimeSig(0, 4, 2).TimeSig(400, 6, 3).NoteOn(1000, 0, 60, 1);
  auto s = Timed(b);
  EXPECT_EQ(Mtc(*s, 400), "001.01.400");
  EXPECT_EQ(Mtc(*s, 500), "001.03.020");
}

// The practice speed stretches the time only: the tempo events and the tempo list stay the song's.
TEST(TimeMap, PlaybackSpeedStretchesTheTimeAndLeavesTheTempoEvents) {
  SmfBuilder b(1, 480);
  b.AddTrack().Tempo(0, 500000).Tempo(960, 400000).NoteOn(1920, 0, 60, 1);
  for (uint8_t speed : {0, 5, 1}) {
    auto s = Timed(b, speed);
    PtrMidiEvent tempo = s->MidiTrack[0].TrkFirstEvent->NextEvent;
    int32_t v = (static_cast<uint8_t>(tempo->Meta[0]) << 16) | (static_cast<uint8_t>(tempo->Meta[1]) << 8) |
                static_cast<uint8_t>(tempo->Meta[2]);
    EXPECT_EQ(v, 500000) << int(speed);
    EXPECT_EQ(s->TempoArray[0].TempoLongInt, 500000);
    EXPECT_EQ(s->TempoArray[0].OriginalTempoLongint, 500000);
    EXPECT_EQ(s->TempoArray[0].Tempo, 120);
    EXPECT_EQ(s->SongLength, speed == 5 ? 3600 : speed == 0 ? 1800 : 2000);
  }
}

TEST(TimeMap, PositionsBeforeTheSongStartTakeItsTime) {
  SmfBuilder b(1, 480);
  b.AddTrack().Bpm(0, 60).NoteOn(0, 0, 60, 1).Program(480, 0, 5).NoteOn(960, 0, 60, 0);
  auto s = Timed(b);
  // An event moved before its neighbour's tick 0 (as bank selects are) plays at the start.
  PtrMidiEvent program = s->MidiTrack[0].TrkFirstEvent->NextEvent->NextEvent->NextEvent;
  ASSERT_EQ(program->Command, 0xC0);
  program->Position = -1;
  SetTimePositions(*s);
  EXPECT_EQ(program->TimePosition, 0);
  EXPECT_EQ(s->SongLength, 2000);
  EXPECT_EQ(Mtc(*s, -5), "001.01.000");
  EXPECT_EQ(s->SongPositionToTime, 0);
}

TEST(TimeMap, LyricsFromSeveralTracksAreTimedOutOfOrder) {
  SmfBuilder b(1, 480);
  b.AddTrack().Bpm(0, 60).Bpm(960, 120).Lyric(1440, "late");
  b.AddTrack().Lyric(480, "early").NoteOn(1920, 0, 60, 1);
  auto s = Timed(b);
  PtrMidiEvent late = s->MidiTrack[2].TrkFirstEvent->NextEvent->NextEvent;
  PtrMidiEvent early = late->NextEvent;
  EXPECT_EQ(late->TimePosition, 2500);
  EXPECT_EQ(early->TimePosition, 1000);
  EXPECT_EQ(s->SongLength, 3000);
}

// Zero divisors say what is wrong and what to do.
TEST(TimeMap, ZeroDivisorsEndInAnError) {
  struct Case {
    const char* name;
    int division, num, denPow;
    const char* en;
    const char* de;
  } cases[] = {
      {"division 0", 0, 4, 2,
       "The file header gives 0 ticks per quarter note as its time base, so no time can be measured: the file is "
       "damaged. Open another copy of the song.",
       "Der Dateikopf gibt 0 Ticks je Viertelnote als Zeitbasis an, so lässt sich keine Zeit messen: Die Datei ist "
       "beschädigt. Öffnen Sie eine andere Kopie des Songs."},
      {"numerator 0", 480, 0, 2,
       "The time signature at tick 0 has 0 beats to the bar: the file is damaged. Open another copy of the song.",
       "Die Taktart bei Tick 0 hat 0 Schläge je Takt: Die Datei ist beschädigt. Öffnen Sie eine andere Kopie des "
       "Songs."},
      {"division below a quarter of the denominator", 3, 4, 4,
       "The time base 3 is too small for the time signature 4/16 at tick 0: the file is damaged. Open another copy "
       "of the song.",
       "Die Zeitbasis 3 ist zu klein für die Taktart 4/16 bei Tick 0: Die Datei ist beschädigt. Öffnen Sie eine "
       "andere Kopie des Songs."},
  };
  for (const Case& c : cases) {
    for (TLanguage lang : {TLanguage::Englisch, TLanguage::Deutsch}) {
      SetCurrLanguage(lang);
      SmfBuilder b(1, c.division);
      b.AddTrack().TimeSig(0, c.num, c.denPow).NoteOn(100, 0, 60, 1);
      try {
        Timed(b);
        ADD_FAILURE() << c.name << ": no error";
      } catch (const EMidiError& e) {
        EXPECT_EQ(e.what(), std::string(lang == TLanguage::Englisch ? c.en : c.de)) << c.name;
      }
    }
  }
  SetCurrLanguage(TLanguage::Englisch);
}

TEST(TimeMap, FieldOverflowIsARangeError) {
  // 4 ticks per measure: a zone starting in measure 70 001 does not fit the measure field.
  SetCurrLanguage(TLanguage::Englisch);
  SmfBuilder b(1, 1);
  b.AddTrack().NoteOn(0, 0, 60, 1).Bpm(280000, 100).NoteOn(280001, 0, 60, 0);
  try {
    Timed(b);
    ADD_FAILURE() << "no error";
  } catch (const EMidiError& e) {
    EXPECT_STREQ(e.what(), "Range check error");
  }
}

// The integer time of d ticks is the double product rounded half to even, for tempos and time
// bases from the fastest to the slowest and every practice speed; products past a double's 53 bits
// take the double's own rounding.
TEST(TimeMap, IntegerTicksToMillisecondsMatchTheDoubleProduct) {
  const int32_t tempos[] = {916, 250000, 333333, 500000, 600000, 857142, 1000000, 0xFFFFFF};
  const int32_t bases[] = {1, 24, 96, 120, 192, 384, 480, 960, 1000, 32767};
  const int32_t ticks[] = {0, 1, 2, 3, 5, 7, 96, 100, 479, 480, 481, 1001, 4095, 65535, 123457, 1 << 20, 9999991,
                           (1 << 24) + 1, 1 << 29, INT32_MAX};
  int checked = 0;
  for (int32_t tempo : tempos)
    for (int32_t base : bases)
      for (int percent : {100, 90, 80, 70, 60, 50}) {
        const float msPerTick =
            static_cast<float>(static_cast<long double>(tempo) * 100 / percent / 1000 / base);
        for (int64_t d : ticks)
          for (int64_t near : {d - 1, d, d + 1}) {
            if (near < 0) continue;
            const double product = static_cast<double>(near) * static_cast<double>(msPerTick);
            const double expected = RoundHalfEven(product);
            if (expected > 9e15) continue;  // past what a time can hold
            ASSERT_EQ(TickClock::Scaled(msPerTick, near), static_cast<int64_t>(expected))
                << tempo << " us, " << base << " ticks, " << percent << " %, " << near << " ticks";
            ++checked;
          }
      }
  // Exact halves: 3 ticks at 0.5 ms is 1.5 (to 2), 5 ticks is 2.5 (to 2).
  EXPECT_EQ(TickClock::Scaled(0.5f, 3), 2);
  EXPECT_EQ(TickClock::Scaled(0.5f, 5), 2);
  EXPECT_EQ(TickClock::Scaled(0.25f, 6), 2);
  EXPECT_GT(checked, 10000);
}

// The times stamped while reading come from track 0's tempos before the song's length is known:
// what lies past the song's end (events after an End of Track, tempos after the last note) is
// timed again by the time map, and a removed drum bank select that held the latest time leaves all
// times to it. Every case ends with the time map's own times (checked by Timed).
TEST(TimeMap, TimesStampedWhileReadingAreTheTimeMapsOwn) {
  {
    SmfBuilder b(1, 96);
    b.AddTrack().Tempo(0, 600000).TimeSig(100, 3, 3).Tempo(333, 433333).Lyric(400, "a").Tempo(5000, 250000);
    b.AddTrack().NoteOn(0, 0, 60, 1).Lyric(350, "b").NoteOn(7001, 0, 60, 0).Raw(7001, {0xFF, 0x2F, 0x00}).NoteOn(9500, 0, 61, 1);
    b.AddTrack().Control(3, 9, 0, 1).NoteOn(9000, 9, 36, 1);
    for (uint8_t speed : {0, 3}) Timed(b, speed);
  }
  {
    SmfBuilder b(0, 480);
    b.AddTrack().Bpm(0, 77).NoteOn(10, 0, 60, 1).Bpm(960, 131).NoteOn(961, 0, 60, 0).Tempo(2000, 500000);
    Timed(b);
  }
  {
    SmfBuilder b(1, 480);
    b.AddTrack().Bpm(0, 100);
    b.AddTrack().NoteOn(0, 0, 60, 1).Control(4000, 9, 0, 1);
    auto s = Timed(b);
    EXPECT_EQ(s->SongLength, 5000);
  }
}
