#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/CV_EditTempo.h"
#include "output/MidiFileWriter0.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "song/TimeMap.h"
#include "support/SmfBuilder.h"

using namespace cv;
using cvtest::SmfBuilder;

namespace {

void Open(Song& song, const SmfBuilder& smf, uint8_t speed = 0) {
  song.Configuration.PlaybackSpeed = speed;
  DateiOeffnen(song, smf.WriteTemp("tempo.mid"));
}

// Microseconds of the tempo events of track 0, in chain order.
std::vector<int> TempoBytes(const Song& song) {
  std::vector<int> out;
  for (const TypMidiEvent* e = song.MidiTrack[0].TrkFirstEvent; e; e = e->NextEvent)
    if (e->MType == 0x51 && e->Meta.size() == 3)
      out.push_back((static_cast<uint8_t>(e->Meta[0]) << 16) | (static_cast<uint8_t>(e->Meta[1]) << 8) |
                    static_cast<uint8_t>(e->Meta[2]));
  return out;
}

int ZoneMicrosAt(const Song& song, int32_t tick) { return song.TimeZone[FindTimeZone(song, tick)].TempoLongInt; }

SmfBuilder OneTempo(int micros, int notes = 4) {
  SmfBuilder smf(0, 480);
  auto& t = smf.AddTrack();
  if (micros > 0) t.Tempo(0, micros);
  for (int i = 0; i < notes; ++i) t.NoteOn(480 * i, 0, 60 + i, 100).NoteOff(480 * i + 240, 0, 60 + i);
  return smf;
}

// Three tempo events, the first after the song start (the time map adds a default before it).
SmfBuilder LateTempos() {
  SmfBuilder smf(0, 480);
  auto& t = smf.AddTrack();
  t.NoteOn(0, 0, 60, 100).Tempo(960, 600000).Tempo(1920, 400000).Tempo(2880, 750000).NoteOff(3840, 0, 60);
  return smf;
}

TEST(TempoDialog, ShiftsEveryTempoByTheChangeSinceTheLastOk) {
  Song song;
  Open(song, OneTempo(500000));
  song.HyphenArray.assign(1, THyphens{});
  song.HyphenArray[0].SongPosition = 960;
  song.HyphenArrayElements = 1;
  EXPECT_EQ(FirstTempoAsRead(song), 120);

  TTempoEdit edit;
  edit.TempoDiff = 5;
  EXPECT_TRUE(edit.Ok(song));
  EXPECT_EQ(TempoBytes(song), std::vector<int>{480000});  // bytes 07 53 00
  EXPECT_EQ(song.TempoArray[0].Tempo, 125);
  EXPECT_EQ(song.HyphenArray[0].Time, 960);  // two quarters of 480 ms
  EXPECT_EQ(song.HyphenArray[0].MTC, u"001.03.000");
  EXPECT_EQ(song.SongLength, 1680);  // the last note-off, at one millisecond per tick

  edit.TempoDiff = 8;  // +3 more
  EXPECT_TRUE(edit.Ok(song));
  EXPECT_EQ(TempoBytes(song), std::vector<int>{468750});
  EXPECT_EQ(song.TempoArray[0].Tempo, 128);
  EXPECT_EQ(FirstTempoAsRead(song), 120);  // the dialog always shows the tempo as read

  EXPECT_FALSE(edit.Ok(song));  // unchanged difference: nothing to do
  EXPECT_EQ(TempoBytes(song), std::vector<int>{468750});
}

TEST(TempoDialog, RefusesATempoOfZeroOrBelowAndWritesNothing) {
  SetCurrLanguage(TLanguage::Englisch);
  SmfBuilder smf(0, 480);
  smf.AddTrack().Bpm(0, 200).NoteOn(0, 0, 60, 100).Bpm(960, 30).NoteOff(1920, 0, 60);
  Song song;
  Open(song, smf);
  const auto before = TempoBytes(song);
  for (int diff : {-30, -40}) {
    try {
      ApplyTempoDiff(song, diff, 0);
      ADD_FAILURE() << diff;
    } catch (const EMidiError& e) {
      EXPECT_NE(std::string(e.what()).find("not possible"), std::string::npos) << e.what();
    }
    EXPECT_EQ(TempoBytes(song), before);  // the 200 bpm event was not changed either
  }
  TTempoEdit edit;
  edit.TempoDiff = -30;
  EXPECT_THROW(edit.Ok(song), EMidiError);
  EXPECT_EQ(edit.PrevTempoDiff, 0);
}

TEST(PlaybackSpeed, SlowsEveryTempoFromTheValueAsReadAndRestores) {
  Song song;
  Open(song, OneTempo(500000));
  TTempoEdit edit;
  const struct { uint8_t speed; int micros; } cases[] = {{1, 555555}, {5, 1000000}, {3, 714285}, {0, 500000}};
  for (const auto& c : cases) {
    edit.SetPlaybackSpeed(song, c.speed);
    EXPECT_EQ(TempoBytes(song), std::vector<int>{c.micros}) << int(c.speed);
    EXPECT_EQ(ZoneMicrosAt(song, 0), c.micros);
  }
}

TEST(PlaybackSpeed, DiscardsATempoDialogChangeAndStartsTheDialogAgainFromZero) {
  Song song;
  Open(song, OneTempo(500000));
  TTempoEdit edit;
  edit.TempoDiff = 5;
  edit.Ok(song);
  edit.SetPlaybackSpeed(song, 0);
  EXPECT_EQ(TempoBytes(song), std::vector<int>{500000});
  EXPECT_EQ(edit.TempoDiff, 0);
  EXPECT_EQ(edit.PrevTempoDiff, 0);
  edit.TempoDiff = 5;  // applies the full +5 again
  EXPECT_TRUE(edit.Ok(song));
  EXPECT_EQ(TempoBytes(song), std::vector<int>{480000});
}

TEST(PlaybackSpeed, EachTempoEventPlaysFromItsOwnPositionAfterTheDefaultEntry) {
  Song song;
  Open(song, LateTempos());
  TTempoEdit edit;
  edit.SetPlaybackSpeed(song, 1);
  EXPECT_EQ(TempoBytes(song), (std::vector<int>{666666, 444444, 833333}));
  EXPECT_EQ(ZoneMicrosAt(song, 0), 555555);  // the default 120 before the first event, slowed too
  EXPECT_EQ(ZoneMicrosAt(song, 960), 666666);
  EXPECT_EQ(ZoneMicrosAt(song, 1920), 444444);
  EXPECT_EQ(ZoneMicrosAt(song, 2880), 833333);

  edit.SetPlaybackSpeed(song, 0);
  EXPECT_EQ(TempoBytes(song), (std::vector<int>{600000, 400000, 750000}));
  EXPECT_EQ(ZoneMicrosAt(song, 0), 500000);
  EXPECT_EQ(ZoneMicrosAt(song, 1920), 400000);

  edit.TempoDiff = 10;
  edit.Ok(song);  // 100, 150, 80 bpm -> 110, 160, 90
  EXPECT_EQ(TempoBytes(song), (std::vector<int>{545455, 375000, 666667}));
  EXPECT_EQ(ZoneMicrosAt(song, 960), 545455);
  EXPECT_EQ(ZoneMicrosAt(song, 2880), 666667);
}

TEST(PlaybackSpeed, SongWithoutTempoEventsIsSlowedThroughItsDefaultTempo) {
  Song song;
  Open(song, OneTempo(0));
  EXPECT_EQ(FirstTempoAsRead(song), 120);
  const int32_t length = song.SongLength;
  TTempoEdit edit;
  edit.SetPlaybackSpeed(song, 5);
  EXPECT_EQ(ZoneMicrosAt(song, 0), 1000000);
  EXPECT_EQ(song.SongLength, 2 * length);
  edit.SetPlaybackSpeed(song, 0);
  EXPECT_EQ(song.SongLength, length);
}

TEST(PlaybackSpeed, OpeningAtAReducedSpeedSlowsTheDefaultTempoToo) {
  Song atFull, slowed;
  Open(atFull, OneTempo(0));
  Open(slowed, OneTempo(0), 5);
  EXPECT_EQ(slowed.SongLength, 2 * atFull.SongLength);
  Song late;
  Open(late, LateTempos(), 1);
  EXPECT_EQ(ZoneMicrosAt(late, 0), 555555);
  EXPECT_EQ(ZoneMicrosAt(late, 960), 666666);
}

TEST(PlaybackSpeed, ATempoBeyondThreeBytesIsRefusedAndNothingChanges) {
  Song song;
  Open(song, OneTempo(12000000));  // 5 bpm: at 50 % it would need 24 000 000 microseconds
  TTempoEdit edit;
  EXPECT_THROW(edit.SetPlaybackSpeed(song, 5), EMidiError);
  EXPECT_EQ(TempoBytes(song), std::vector<int>{12000000});
  EXPECT_EQ(ZoneMicrosAt(song, 0), 12000000);
}

// A change that lives only in the default entry is written as a tempo event at tick 0, so the
// saved song plays as the edited one did.
TEST(PlaybackSpeed, ChangedDefaultTempoReachesTheSavedFile) {
  struct QuietSink : MessageSink {
    void ShowMessage(const std::string&, const std::string&) override {}
  } sink;
  struct Case {
    SmfBuilder smf;
    uint8_t speed;
    int tempoDiff;
    bool added;
  } cases[] = {
      {OneTempo(0), 5, 0, true},
      {OneTempo(0), 0, 40, true},
      {LateTempos(), 1, 0, true},
      {OneTempo(0), 0, 0, false},        // nothing changed: the file stays as it was
      {OneTempo(600000), 5, 0, false},   // the song's own tempo event carries the change
  };
  for (const Case& c : cases) {
    Song song;
    Open(song, c.smf);
    TTempoEdit edit;
    if (c.speed) edit.SetPlaybackSpeed(song, c.speed);
    edit.TempoDiff = static_cast<int16_t>(c.tempoDiff);
    edit.Ok(song);
    const int32_t length = song.SongLength;
    const int startMicros = ZoneMicrosAt(song, 0);
    EXPECT_EQ(AddDefaultTempoEvent(song), c.added);
    const std::string path = cvtest::TempDir() + "/saved.mid";
    ASSERT_TRUE(SaveToFileFormat0(song, path, sink));
    Song again;
    DateiOeffnen(again, path);
    EXPECT_EQ(again.SongLength, length);
    EXPECT_EQ(ZoneMicrosAt(again, 0), startMicros);
  }
}

TEST(PlaybackSpeed, SavingCarriesTheDefaultTempoAndLeavesTheSongAsItWas) {
  struct QuietSink : MessageSink {
    void ShowMessage(const std::string&, const std::string&) override {}
  } sink;
  Song song;
  Open(song, OneTempo(0));
  TTempoEdit edit;
  edit.SetPlaybackSpeed(song, 5);
  const int32_t count = song.MidiTrack[0].TrkEventCounter;
  const PtrMidiEvent second = song.MidiTrack[0].TrkFirstEvent->NextEvent;
  const std::string path = cvtest::TempDir() + "/saved.mid";
  EXPECT_TRUE(SaveWithDefaultTempoEvent(song, [&] { return SaveToFileFormat0(song, path, sink); }));
  EXPECT_EQ(song.MidiTrack[0].TrkEventCounter, count);
  EXPECT_EQ(song.MidiTrack[0].TrkFirstEvent->NextEvent, second);
  Song again;
  DateiOeffnen(again, path);
  EXPECT_EQ(ZoneMicrosAt(again, 0), ZoneMicrosAt(song, 0));
  EXPECT_EQ(again.SongLength, song.SongLength);
}

TEST(PlaybackSpeed, DoesNothingWithoutALoadedSong) {
  Song song;
  SlowDownTempo(song);
  RestoreTempo(song);
  EXPECT_FALSE(song.MidiFileLoaded);
}

}  // namespace
