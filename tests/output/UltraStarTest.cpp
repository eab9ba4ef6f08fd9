// The karaoke game file: a small song with a tempo change note by note, and a real song through a
// parser of the published format.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "output/SongMelody.h"
#include "output/UltraStarExport.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "song/TimeMap.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

using namespace cv;
using namespace cvtest;

namespace {

struct UsNote {
  char type;
  long start, length;
  int pitch;
  std::string text;
  bool operator==(const UsNote&) const = default;
};

struct UsFile {
  std::map<std::string, std::string> tags;
  std::vector<UsNote> notes;
  std::vector<long> breaks;
  bool ended = false;
};

// Read as the published format describes it: "#TAG:value" lines, then note lines
// "TYPE START LENGTH PITCH TEXT" (TYPE ":", "*", "F", "R", "G"), "- BEAT" line breaks, "E" last.
UsFile ParseUltraStar(const std::string& text) {
  UsFile f;
  std::istringstream in(text);
  std::string line;
  long last = -1;
  while (std::getline(in, line)) {
    EXPECT_FALSE(f.ended) << "line after E: " << line;
    if (line.empty()) continue;
    if (line[0] == '#') {
      const size_t colon = line.find(':');
      EXPECT_NE(colon, std::string::npos) << line;
      f.tags[line.substr(1, colon - 1)] = line.substr(colon + 1);
    } else if (line == "E") {
      f.ended = true;
    } else if (line[0] == '-') {
      f.breaks.push_back(std::stol(line.substr(2)));
      EXPECT_GE(f.breaks.back(), last) << line;
    } else {
      EXPECT_NE(std::string(":*FRG").find(line[0]), std::string::npos) << line;
      std::istringstream fields(line.substr(2));
      UsNote n{line[0], 0, 0, 0, {}};
      fields >> n.start >> n.length >> n.pitch;
      const size_t textAt = static_cast<size_t>(fields.tellg()) + 2 + 1;  // one space before the text
      n.text = line.substr(textAt);
      EXPECT_GT(n.start, last) << line;
      EXPECT_GE(n.length, 1) << line;
      last = n.start;
      f.notes.push_back(n);
    }
  }
  EXPECT_TRUE(f.ended);
  for (size_t i = 1; i < f.notes.size(); ++i)
    EXPECT_LE(f.notes[i - 1].start + f.notes[i - 1].length, f.notes[i].start) << f.notes[i].text;
  return f;
}

}  // namespace

TEST(UltraStar, SmallSongWithTempoChangeNoteByNote) {
  SetCurrLanguage(TLanguage::Englisch);
  // 120 bpm for the first bar, then 60 bpm (the main tempo: it lasts longest).
  SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120).Bpm(1920, 60);
  SmfTrack& melody = smf.AddTrack();
  melody.NoteOn(960, 0, 60, 90).NoteOff(1200, 0, 60);
  melody.NoteOn(1200, 0, 62, 90).NoteOff(1440, 0, 62);
  melody.NoteOn(1440, 0, 64, 90).NoteOff(1920, 0, 64);
  melody.NoteOn(2400, 0, 67, 90).NoteOff(2880, 0, 67);
  melody.NoteOn(3840, 0, 59, 90).NoteOff(4320, 0, 59);
  SmfTrack& words = smf.AddTrack();
  words.Lyric(960, "Hel").Lyric(1200, "lo ").Lyric(1440, "world\r").Lyric(2400, "Next ").Lyric(3360, "free ");
  words.Lyric(3840, "end").End(4800);
  Song song;
  DateiOeffnen(song, smf.WriteTemp("tempo.mid"));
  ASSERT_FALSE(song.TitleLine);

  const TUltraStarSong game = MakeUltraStarSong(song, FindSongMelody(song), {"English", ".ogg", "tempo"});
  // Main tempo 60 bpm: a quarter 1000 ms, its 32nd 125 ms, halved down to 15.625 ms a beat.
  EXPECT_EQ(game.Bpm, 960);
  EXPECT_EQ(game.Gap, 1000);  // "Hel" at tick 960, two quarters at 120 bpm
  EXPECT_EQ(game.Notes, 5);
  EXPECT_EQ(game.Freestyle, 1);
  EXPECT_EQ(game.BaseName, "Unknown - tempo");
  const UsFile f = ParseUltraStar(game.Text);
  EXPECT_EQ(f.tags.at("VERSION"), "1.0.0");
  EXPECT_EQ(f.tags.at("TITLE"), "tempo");
  EXPECT_EQ(f.tags.at("ARTIST"), "Unknown");
  EXPECT_EQ(f.tags.at("LANGUAGE"), "English");
  EXPECT_EQ(f.tags.at("AUDIO"), "Unknown - tempo.ogg");
  EXPECT_EQ(f.tags.at("MP3"), "Unknown - tempo.ogg");
  // Times after the change: tick 2400 = 2000 ms + 480 ticks at 1000 ms a quarter = 3000 ms.
  EXPECT_EQ(f.notes, (std::vector<UsNote>{{':', 0, 16, 0, "Hel"},
                                          {':', 16, 16, 2, "lo"},
                                          {':', 32, 32, 4, " world"},
                                          {':', 128, 64, 7, "Next"},
                                          {'F', 256, 64, 0, " free"},
                                          {':', 320, 64, -1, " end"}}));
  EXPECT_EQ(f.breaks, (std::vector<long>{64}));
}

TEST(UltraStar, NoLyricsOrNoMelodyIsAClearError) {
  SetCurrLanguage(TLanguage::Englisch);
  SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120);
  smf.AddTrack().NoteOn(960, 0, 60, 90).NoteOff(1200, 0, 60);
  SmfTrack& words = smf.AddTrack();
  for (int i = 0; i < 6; ++i) words.Lyric(960 + 240 * i, "la ");
  Song sung;
  DateiOeffnen(sung, smf.WriteTemp("sung.mid"));
  TMelody none = FindSongMelody(sung);
  none.Notes.clear();
  none.Channel = 3;
  try {
    MakeUltraStarSong(sung, none, {});
    ADD_FAILURE();
  } catch (const EMidiError& e) {
    EXPECT_NE(std::string(e.what()).find("melody channel 4 holds no notes"), std::string::npos) << e.what();
  }
  SmfBuilder bare(1, 480);
  bare.AddTrack().Bpm(0, 120).NoteOn(960, 0, 60, 90).NoteOff(1200, 0, 60);
  Song silent;
  DateiOeffnen(silent, bare.WriteTemp("bare.mid"));
  EXPECT_THROW(MakeUltraStarSong(silent, FindSongMelody(sung), {}), EMidiError);
}

TEST(UltraStar, RealSongEveryNoteWithin15MsOfItsSyllableOnItsMelodyPitch) {
  CVTEST_CORPUS_FILE_OR_SKIP(path, "kar/twinkle.kar");
  Song song;
  song.Configuration.Melody = cv::MelodySetting::OfChannel(15);  // its "Solo" track plays on channel 16
  DateiOeffnen(song, path);
  const TMelody melody = FindSongMelody(song);
  const TUltraStarSong game = MakeUltraStarSong(song, melody, {"English", ".wav", "twinkle"});
  const UsFile f = ParseUltraStar(game.Text);
  EXPECT_EQ(f.tags.at("TITLE"), "Twinkle, Twinkle, Little Star");  // the title line, not a note
  const double bpm = std::stod(f.tags.at("BPM"));
  const double gap = std::stod(f.tags.at("GAP"));
  std::vector<const THyphens*> sung;
  for (int i = 2; i < song.HyphenArrayElements; ++i)
    if (song.HyphenArray[i].Text != u"\r") sung.push_back(&song.HyphenArray[i]);
  ASSERT_EQ(f.notes.size(), sung.size());
  EXPECT_EQ(game.Freestyle, 0);
  for (size_t i = 0; i < sung.size(); ++i) {
    const double ms = gap + f.notes[i].start * 15000.0 / bpm;
    const int32_t syllableMs = SongPositionTime(song, sung[i]->SongPosition);
    EXPECT_LE(std::abs(ms - syllableMs), 15.0) << i << " " << f.notes[i].text;
    // On the pitch of the melody note starting with it.
    bool onPitch = false;
    for (const TMelodyNote& n : melody.Notes)
      onPitch |= n.Start == sung[i]->SongPosition && n.Key - 60 == f.notes[i].pitch;
    EXPECT_TRUE(onPitch) << i << " " << f.notes[i].text;
  }
}
