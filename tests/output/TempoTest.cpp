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

// The practice speed stretches playback only: the tempos, the tempo dialog's changes and what
// Save writes stay the song's own.
TEST(PlaybackSpeed, StretchesTheTimesAndLeavesTheTemposAsTheyAre) {
  Song song;
  Open(song, OneTempo(500000));
  const int32_t length = song.SongLength;
  TTempoEdit edit;
  const struct { uint8_t speed; int percent; } cases[] = {{1, 90}, {5, 50}, {3, 70}, {0, 100}};
  for (const auto& c : cases) {
    edit.SetPlaybackSpeed(song, c.speed);
    EXPECT_EQ(TempoBytes(song), std::vector<int>{500000}) << int(c.speed);
    EXPECT_EQ(ZoneMicrosAt(song, 0), 500000);
    EXPECT_NEAR(song.SongLength, length * 100.0 / c.percent, 1.0) << int(c.speed);
  }
}

TEST(PlaybackSpeed, KeepsATempoDialogChangeAndSavingDoesNotCompound) {
  struct QuietSink : MessageSink {
    void ShowMessage(const std::string&, const std::string&) override {}
  } sink;
  Song song;
  Open(song, OneTempo(500000));
  TTempoEdit edit;
  edit.TempoDiff = 5;
  edit.Ok(song);
  edit.SetPlaybackSpeed(song, 1);
  EXPECT_EQ(TempoBytes(song), std::vector<int>{480000});
  EXPECT_EQ(edit.PrevTempoDiff, 5);
  // Saved while practising at 90 % and opened again with the setting still at 90 %, twice.
  Song again[2];
  const Song* saved = &song;
  for (Song& next : again) {
    const std::string path = cvtest::TempDir() + "/practice.mid";
    ASSERT_TRUE(SaveToFileFormat0(*saved, path, sink));
    next.Configuration.PlaybackSpeed = 1;
    DateiOeffnen(next, path);
    EXPECT_EQ(TempoBytes(next), std::vector<int>{480000});
    EXPECT_EQ(ZoneMicrosAt(next, 0), 480000);
    saved = &next;
  }
}

TEST(PlaybackSpeed, EveryZoneIsStretchedAlikeAndTheDialogWorksOnTheSongsTempos) {
  Song song, full;
  Open(song, LateTempos(), 1);
  Open(full, LateTempos());
  EXPECT_EQ(TempoBytes(song), (std::vector<int>{600000, 400000, 750000}));
  EXPECT_EQ(ZoneMicrosAt(song, 0), 500000);
  EXPECT_EQ(ZoneMicrosAt(song, 1920), 400000);
  EXPECT_NEAR(song.SongLength, full.SongLength / 0.9, 1.0);
  EXPECT_NEAR(song.TimeZone[2].Time, full.TimeZone[2].Time / 0.9, 1.0);

  TTempoEdit edit;
  edit.TempoDiff = 10;
  edit.Ok(song);  // 100, 150, 80 bpm -> 110, 160, 90
  EXPECT_EQ(TempoBytes(song), (std::vector<int>{545455, 375000, 666667}));
  edit.SetPlaybackSpeed(song, 0);
  EXPECT_EQ(TempoBytes(song), (std::vector<int>{545455, 375000, 666667}));
}

TEST(PlaybackSpeed, SongWithoutTempoEventsIsStretchedThroughItsDefaultTempo) {
  Song song, slowed;
  Open(song, OneTempo(0));
  Open(slowed, OneTempo(0), 5);
  EXPECT_EQ(FirstTempoAsRead(song), 120);
  EXPECT_EQ(slowed.SongLength, 2 * song.SongLength);
  EXPECT_EQ(ZoneMicrosAt(slowed, 0), 500000);
  TTempoEdit edit;
  edit.SetPlaybackSpeed(slowed, 0);
  EXPECT_EQ(slowed.SongLength, song.SongLength);
  EXPECT_FALSE(AddDefaultTempoEvent(slowed));  // nothing of the song changed
}

// The command line's speed is an edit of the song: the tempos are rewritten from their values
// as read, and a tempo that would leave its range is refused.
TEST(PlaybackSpeed, ScalingTheTempoIsAnEditOfTheSong) {
  Song song;
  Open(song, LateTempos());
  ScaleTempoToSpeed(song, 1);
  EXPECT_EQ(TempoBytes(song), (std::vector<int>{666666, 444444, 833333}));
  EXPECT_EQ(ZoneMicrosAt(song, 0), 555555);  // the default 120 before the first event, slowed too
  ScaleTempoToSpeed(song, 0);
  EXPECT_EQ(TempoBytes(song), (std::vector<int>{600000, 400000, 750000}));

  Song slow;
  Open(slow, OneTempo(12000000));  // 5 bpm: at 50 % it would need 24 000 000 microseconds
  EXPECT_THROW(ScaleTempoToSpeed(slow, 5), EMidiError);
  EXPECT_EQ(TempoBytes(slow), std::vector<int>{12000000});
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
    if (c.speed) ScaleTempoToSpeed(song, c.speed);
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
  ScaleTempoToSpeed(song, 5);
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
  ScaleTempoToSpeed(song, 5);
  TTempoEdit().SetPlaybackSpeed(song, 5);
  EXPECT_FALSE(song.MidiFileLoaded);
}

}  // namespace
