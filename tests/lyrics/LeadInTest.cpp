// A lead-in moves the music by whole bars and leaves the song's set-up at tick 0: checked event
// by event in the chains, in the files of both writers, and by an independent parser (mido).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "lyrics/LeadIn.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "song/Language.h"
#include "session/OpenSong.h"
#include "support/SmfBuilder.h"

using namespace cv;
namespace fs = std::filesystem;

namespace {

const std::string kChord = std::string("\x43\x7B\x01\x31\x00\x31\x00", 7);

// 3/4 at 480 ticks per quarter (a bar is 1440 ticks), a tempo change and an XF chord on bar 2,
// set-up events at tick 0 and music (a note, a marker, an XF chord, the title) there too.
std::string SongFile() {
  cvtest::SmfBuilder smf(1, 480);
  auto& conductor = smf.AddTrack();
  conductor.Name(0, "Song").Tempo(0, 500000).TimeSig(0, 3, 2).KeySig(0, 1, 0).Sysex(0, std::string("\x7E\x7F\x09\x01\xF7", 5))
      .Meta(0, 0x06, "Intro").Meta(0, 0x7F, kChord).Tempo(1440, 400000).Meta(1440, 0x7F, kChord);
  auto& piano = smf.AddTrack();
  piano.Name(0, "Piano").Program(0, 0, 1).Control(0, 0, 7, 100).PitchBend(0, 0, 0, 64).NoteOn(0, 0, 60, 90)
      .Lyric(0, "My Song\r").NoteOff(240, 0, 60).NoteOn(480, 0, 62, 90).Lyric(480, "Hel").NoteOff(720, 0, 62)
      .NoteOn(960, 0, 64, 90).Lyric(960, "lo\r").NoteOff(1200, 0, 64).NoteOn(1440, 0, 65, 90).Lyric(1440, "world")
      .Lyric(1680, "and").Lyric(1920, "more").NoteOff(2880, 0, 65);
  return smf.WriteTemp("leadin.mid");
}

struct Seen {
  std::string what;
  int32_t position;
};

bool operator==(const Seen& a, const Seen& b) { return a.what == b.what && a.position == b.position; }
void PrintTo(const Seen& s, std::ostream* os) { *os << s.what << "@" << s.position; }

std::string Describe(const TypMidiEvent& e) {
  if (e.Command != 0xFF) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02X", e.Command);
    return buf;
  }
  if (e.MType > 7) return "FF" + std::to_string(e.MType);  // binary data: the type tells it
  std::string m = e.Meta;
  if (!m.empty() && m.back() == '\r') m.back() = '|';
  return "FF" + std::to_string(e.MType) + " " + m;
}

std::vector<Seen> Chain(const Song& song, int track) {
  std::vector<Seen> out;
  for (const TypMidiEvent* e = song.MidiTrack[track].TrkFirstEvent->NextEvent; e; e = e->NextEvent)
    if (e->MType != 0x2F && e->MType != 0x21) out.push_back({Describe(*e), e->Position});
  return out;
}

TEST(LeadIn, MovesTheMusicByWholeBarsAndKeepsTheSetUpAtTickZero) {
  SetCurrLanguage(TLanguage::Englisch);
  for (int bars : {1, 3}) {
    SCOPED_TRACE(bars);
    Song song;
    DateiOeffnen(song, SongFile());
    const int32_t s = 1440 * bars;
    const int32_t end = song.MaxSongPosition;
    InsertLeadIn(song, bars);

    EXPECT_EQ(Chain(song, 0), (std::vector<Seen>{{"FF3 Song", 0},
                                                  {"FF81", 0},
                                                  {"FF88", 0},
                                                  {"FF89", 0},
                                                  {"F0", 0},
                                                  {"FF6 Intro", s},
                                                  {"FF127", s},
                                                  {"FF81", 1440 + s},
                                                  {"FF127", 1440 + s}}));
    EXPECT_EQ(Chain(song, 1), (std::vector<Seen>{{"FF3 Piano", 0},
                                                  {"C0", 0},
                                                  {"B0", 0},
                                                  {"E0", 0},
                                                  {"90", s},
                                                  {"80", 240 + s},
                                                  {"90", 480 + s},
                                                  {"80", 720 + s},
                                                  {"90", 960 + s},
                                                  {"80", 1200 + s},
                                                  {"90", 1440 + s},
                                                  {"80", 2880 + s}}));
    // The title lines stay, the sung syllables move; the time map follows.
    EXPECT_EQ(Chain(song, 2), (std::vector<Seen>{{"FF3 Lyrics", 0},
                                                  {"FF5 My Song", 108},
                                                  {"FF5 |", 112},
                                                  {"FF5 Hel", 480 + s},
                                                  {"FF5 lo", 960 + s},
                                                  {"FF5 |", 964 + s},
                                                  {"FF5 world", 1440 + s},
                                                  {"FF5 and", 1680 + s},
                                                  {"FF5 more", 1920 + s}}));
    EXPECT_EQ(song.MaxSongPosition, end + s);
    EXPECT_EQ(song.MelodyTrack.TrkFirstEvent->NextEvent->Position, s);
    ASSERT_GE(song.TimeZoneElements, 2);
    EXPECT_EQ(song.TimeZone[1].SongPosition, 1440 + s);
    EXPECT_EQ(song.TimeZone[1].Time, 1500 * (bars + 1));
    EXPECT_EQ(song.HyphenArray[2].Time, 500 + 1500 * bars);

    // Both writers carry it: the written files read back to the same ticks.
    const std::string dir = cvtest::TempDir();
    SilentSink sink;
    for (int format : {0, 1}) {
      const std::string path = dir + "/written" + std::to_string(format) + ".mid";
      ASSERT_TRUE(format == 0 ? SaveToFileFormat0(song, path, sink) : SaveToFileFormat1(song, path, sink));
      Song again;
      DateiOeffnen(again, path);
      EXPECT_EQ(again.MaxSongPosition, song.MaxSongPosition) << format;
      EXPECT_EQ(again.MelodyTrack.TrkFirstEvent->NextEvent->Position, s) << format;
      EXPECT_EQ(again.TimeZone[1].SongPosition, 1440 + s) << format;
      ASSERT_EQ(again.HyphenArrayElements, song.HyphenArrayElements) << format;
      for (int i = 0; i < song.HyphenArrayElements; ++i)
        EXPECT_EQ(again.HyphenArray[i].SongPosition, song.HyphenArray[i].SongPosition) << format << " " << i;
    }
  }
}

TEST(LeadIn, ASongThatWouldLeaveItsTickRangeStaysAsItWas) {
  SetCurrLanguage(TLanguage::Englisch);
  cvtest::SmfBuilder smf(0, 480);
  smf.AddTrack().TimeSig(0, 4, 2).NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60);
  Song song;
  DateiOeffnen(song, smf.WriteTemp("long.mid"));
  song.MaxSongPosition = INT32_MAX - 5000;  // as far as a song can reach by its tick sum
  song.MidiTrack[0].TrkLastEvent->Position = song.MaxSongPosition;
  const int32_t note = song.MidiTrack[0].TrkFirstEvent->NextEvent->NextEvent->Position;
  EXPECT_THROW(InsertLeadIn(song, 8), EMidiError);
  EXPECT_EQ(song.MaxSongPosition, INT32_MAX - 5000);
  EXPECT_EQ(song.MidiTrack[0].TrkFirstEvent->NextEvent->NextEvent->Position, note);
}

TEST(LeadIn, MidoReadsTheMovedSong) {
  if (!fs::exists("/usr/bin/python3") || std::system("/usr/bin/python3 -c 'import mido' 2>/dev/null") != 0)
    GTEST_SKIP() << "python3-mido is not installed (scripts/packages/core.txt)";
  Song song;
  DateiOeffnen(song, SongFile());
  InsertLeadIn(song, 2);
  const std::string dir = cvtest::TempDir();
  SilentSink sink;
  ASSERT_TRUE(SaveToFileFormat1(song, dir + "/moved.mid", sink));
  const std::string script = dir + "/ticks.py";
  std::ofstream(script) << "import sys, mido\n"
                           "for t in mido.MidiFile(sys.argv[1]).tracks:\n"
                           "    tick = 0\n"
                           "    for m in t:\n"
                           "        tick += m.time\n"
                           "        if m.type in ('note_on', 'set_tempo', 'time_signature', 'program_change', 'marker'):\n"
                           "            print(m.type, tick)\n";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(("/usr/bin/python3 " + script + " " + dir + "/moved.mid").c_str(), "r"),
                                             pclose);
  ASSERT_TRUE(pipe);
  std::string out;
  char buf[1024];
  while (size_t n = fread(buf, 1, sizeof buf, pipe.get())) out.append(buf, n);
  EXPECT_EQ(out,
            "set_tempo 0\ntime_signature 0\nmarker 2880\nset_tempo 4320\n"
            "program_change 0\nnote_on 2880\nnote_on 3360\nnote_on 3840\nnote_on 4320\n");
}

}  // namespace
