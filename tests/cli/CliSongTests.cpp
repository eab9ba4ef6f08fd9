#include <gtest/gtest.h>

#include <string>

#include "cli/CliRun.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

using clitest::RunCli;

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Utf8LyricSong() {
  cvtest::SmfBuilder b(1, 480);
  b.AddTrack().Name(0, "Conductor").Bpm(0, 60);
  b.AddTrack().NoteOn(0, 0, 60, 90).Lyric(0, "Gr\xC3\xBC\xC3\x9F").NoteOn(960, 0, 60, 0);
  return b.WriteTemp("utf8.mid");
}

}  // namespace

TEST(CliInfo, JsonHoldsTheSongFields) {
  auto r = RunCli({"--json", "info", Utf8LyricSong()});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  for (const char* field :
       {"\"MidiFileFormat\": 1,", "\"NumberOfSourceTracks\": 2,", "\"SourceTimeBase\": 480,", "\"MaxSongPosition\": 960,",
        "\"SongLength\": 2000,", "\"LyricsMetaType\": ", "\"LyricsTrack\": ", "\"Encoding\": \"UTF-8\"",
        "{\"Index\": 0, \"Name\": \"Conductor\", \"TrkMidiChannel\": -1, \"TrkEventCounter\": 4}",
        "\"TempoArray\": [{\"SongPosition\": 0, \"TempoLongInt\": 1000000, \"Tempo\": 60}]"})
    EXPECT_TRUE(Has(r.out, field)) << field << "\n" << r.out;

  auto forced = RunCli({"info", "--json", "--encoding", "cp1252", Utf8LyricSong()});
  ASSERT_EQ(forced.code, 0) << forced.err;
  EXPECT_TRUE(Has(forced.out, "\"Encoding\": \"Windows-1252\""));
}

TEST(CliInfo, HumanOutputOnTheDemoSong) {
  auto r = RunCli({"--lang", "en", "info", CANTOVEX_DEMO_SONG});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* part : {"Format: 1", "Division: 480", "Row, Row, Row Your Boat", "6/8", "120 bpm", "Length: "})
    EXPECT_TRUE(Has(r.out, part)) << part << "\n" << r.out;
}

TEST(CliLyrics, JsonAndHumanOutputOnTheDemoSong) {
  auto r = RunCli({"lyrics", "--json", CANTOVEX_DEMO_SONG});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("{\"syllables\": [", 0), 0u) << r.out;
  EXPECT_TRUE(Has(r.out, "]}\n"));
  // Title, its line break, and the first sung syllable.
  for (const char* element :
       {"{\"Text\": \"Row, Row, Row Your Boat\", \"SongPosition\": 108, \"Time\": 112, \"MTC\": \"001.01.108\"}",
        "{\"Text\": \"\\r\", \"SongPosition\": 112, \"Time\": 117, \"MTC\": \"001.01.112\"}",
        "{\"Text\": \"Row, \", \"SongPosition\": 1440, \"Time\": 1500, \"MTC\": \"002.01.000\"}"})
    EXPECT_TRUE(Has(r.out, element)) << element << "\n" << r.out;

  auto human = RunCli({"lyrics", CANTOVEX_DEMO_SONG});
  ASSERT_EQ(human.code, 0) << human.err;
  EXPECT_TRUE(Has(human.out, "    4  002.01.000        1440      1500  Row, \n")) << human.out;
  EXPECT_TRUE(Has(human.out, "  \\r\n"));
}

TEST(CliLyrics, HumanOutputKeepsCharactersBeyondSixteenBits) {
  // A character outside the basic plane is two UTF-16 units; both must reach the terminal together.
  cvtest::SmfBuilder b(0, 480);
  b.AddTrack().NoteOn(0, 0, 60, 90).Lyric(0, "one ").Lyric(100, "smile \xF0\x9F\x98\x80 ").Lyric(200, "t\x01x ")
      .Lyric(300, "four ").Lyric(400, "five").NoteOn(960, 0, 60, 0);
  auto r = RunCli({"lyrics", b.WriteTemp("emoji.mid")});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "  smile \xF0\x9F\x98\x80 \n")) << r.out;
  EXPECT_TRUE(Has(r.out, "  tx \n")) << r.out;  // control characters are dropped on reading
}

TEST(CliSong, ErrorsGoToStderrWithAnExitCode) {
  std::string broken = cvtest::CorpusFile("odd/MIDIBadTrackHdr.mid");
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  } cases[] = {
      {{"--lang", "en", "info", broken}, 1, broken + ": Error in TrackHeader - 1!\n"},
      {{"--lang", "de", "lyrics", broken}, 1, broken + ": Fehler im TrackHeader - 1!\n"},
      {{"--lang", "en", "info", "/nonexistent/song.mid"}, 1, "/nonexistent/song.mid: Cannot read the file"},
      {{"--lang", "en", "info"}, 2, "No song file given."},
      {{"--lang", "en", "info", "--encoding", "latin9", CANTOVEX_DEMO_SONG}, 2, "--encoding: utf8 | cp1252"},
  };
  for (const Case& c : cases) {
    auto r = RunCli(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.back();
    EXPECT_EQ(r.out, "") << c.args.back();
    EXPECT_TRUE(Has(r.err, c.err)) << r.err;
  }
}
