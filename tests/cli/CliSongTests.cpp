#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"
#include "TestPaths.h"

using clitest::Has;
using clitest::RunCli;

namespace {

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
  const auto info = nlohmann::json::parse(r.out);
  EXPECT_EQ(info["format"], 1);
  EXPECT_EQ(info["division"], 480);
  EXPECT_EQ(info["encoding"], "UTF-8");
  EXPECT_EQ(info["tracks"][0], nlohmann::json::parse(R"({"Index": 0, "Name": "Conductor", "Channels": [], "Events": 4, "LyricEvents": 0})"));
  EXPECT_EQ(info["tracks"][1]["Channels"], nlohmann::json::parse("[1]"));
  EXPECT_EQ(info["tempos"], nlohmann::json::parse(
                                R"([{"SongPosition": 0, "Time": 0, "MTC": "001.01.000", "Bpm": 60, "MicrosecondsPerQuarter": 1000000}])"));
  EXPECT_EQ(info["length"], nlohmann::json::parse(R"({"SongPosition": 960, "Time": 2000, "MTC": "001.03.000"})"));

  auto forced = RunCli({"info", "--json", "--encoding", "cp1252", Utf8LyricSong()});
  ASSERT_EQ(forced.code, 0) << forced.err;
  EXPECT_EQ(nlohmann::json::parse(forced.out)["encoding"], "Windows-1252");
}

TEST(CliInfo, HumanOutputOnTheDemoSong) {
  auto r = RunCli({"--lang", "en", "info", CANTOVEX_DEMO_SONG});
  ASSERT_EQ(r.code, 0) << r.err;
  for (const char* part : {"Format: 1", "Division: 480", "Row, Row, Row Your Boat", "6/8", "120 bpm", "Length: "})
    EXPECT_TRUE(Has(r.out, part)) << part << "\n" << r.out;
}

// info describes the file as read: its own tracks (lyric events counted where they stand), what
// the program adds on saving marked as such, and the tempo only where it changes.
TEST(CliInfo, TheFileAsRead) {
  cvtest::SmfBuilder b(0, 480);
  // The tempo event repeated at every beat, as some files have it, changes only once.
  b.AddTrack().Name(0, "Piano").Bpm(0, 74).NoteOn(0, 0, 60, 90).Lyric(0, "one ").Bpm(480, 74).Lyric(480, "two ")
      .Bpm(960, 74).Lyric(960, "three ").Lyric(1440, "four").Bpm(1920, 80).NoteOn(2400, 0, 60, 0);
  const std::string song = b.WriteTemp("format0.mid");
  auto json = RunCli({"--json", "info", song});
  ASSERT_EQ(json.code, 0) << json.err;
  const auto info = nlohmann::json::parse(json.out);
  ASSERT_EQ(info["tracks"].size(), 1u) << json.out;
  EXPECT_EQ(info["tracks"][0]["Name"], "Piano");
  EXPECT_EQ(info["tracks"][0]["LyricEvents"], 4);
  ASSERT_EQ(info["tempos"].size(), 2u) << json.out;
  EXPECT_EQ(info["tempos"][1]["Bpm"], 80);
  ASSERT_EQ(info["addedTracks"].size(), 1u) << json.out;
  EXPECT_EQ(info["addedTracks"][0]["Name"], "Lyrics");

  auto text = RunCli({"--lang", "en", "info", song});
  ASSERT_EQ(text.code, 0) << text.err;
  for (const char* part : {"Tracks: 1\n", "Piano (4 lyric events)\n", "Tempo:  001.01.000: 74 bpm  002.01.000: 80 bpm\n",
                           "Lyrics (made by the program, a track of its own when saved as format 1)\n",
                           "Prompta: no data\n"})
    EXPECT_TRUE(Has(text.out, part)) << part << "\n" << text.out;

  // A track named Prompta without Prompta controllers is said to be only named so.
  cvtest::SmfBuilder named(1, 480);
  named.AddTrack().Name(0, "Conductor").Bpm(0, 100);
  named.AddTrack().Name(0, "Prompta").NoteOn(0, 0, 60, 90).NoteOn(480, 0, 60, 0);
  auto prompta = RunCli({"--lang", "en", "info", named.WriteTemp("named.mid")});
  EXPECT_TRUE(Has(prompta.out, "Prompta: no data (track 1 only bears the name, it holds no Prompta controllers)"))
      << prompta.out;
}

TEST(CliLyrics, JsonAndHumanOutputOnTheDemoSong) {
  auto r = RunCli({"lyrics", "--json", CANTOVEX_DEMO_SONG});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto syllables = nlohmann::json::parse(r.out)["syllables"];
  ASSERT_GE(syllables.size(), 5u) << r.out;
  // Title, its line break, and the first sung syllable.
  EXPECT_EQ(syllables[0], nlohmann::json::parse(
                              R"({"Text": "Row, Row, Row Your Boat", "SongPosition": 108, "Time": 112, "MTC": "001.01.108"})"));
  EXPECT_EQ(syllables[1], nlohmann::json::parse(R"({"Text": "\r", "SongPosition": 112, "Time": 117, "MTC": "001.01.112"})"));
  EXPECT_EQ(syllables[4], nlohmann::json::parse(R"({"Text": "Row, ", "SongPosition": 1440, "Time": 1500, "MTC": "002.01.000"})"));

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
      // What is wrong and what to do. "mTrk" is a chunk of another type: skipped, so the declared
      // track is missing.
      {{"--lang", "en", "info", broken}, 1,
       broken + ": The file ends after 0 of the 1 tracks its header names: it is damaged or incomplete. Copy or "
                "download it again.\n"},
      {{"--lang", "de", "lyrics", broken}, 1, "Die Datei endet nach 0 von 1 Spuren, die ihr Dateikopf nennt"},
      {{"--lang", "en", "info", "/nonexistent/song.mid"}, 1,
       "Cannot read the file \"/nonexistent/song.mid\": it does not exist. Check its name and folder."},
      {{"--lang", "en", "info"}, 2, "No song file given."},
      {{"--lang", "en", "info", "--encoding", "klingon-8", CANTOVEX_DEMO_SONG}, 2, "--encoding: unknown encoding \"klingon-8\""},
      // An option the command does not know is named, not taken for the song.
      {{"--lang", "en", "info", "--bogus", CANTOVEX_DEMO_SONG}, 2, "Unknown option: --bogus"},
      {{"--lang", "de", "check", CANTOVEX_DEMO_SONG, "--bogus=1"}, 2, "Unbekannte Option: --bogus=1"},
      {{"--lang", "en", "import", "--bogus", CANTOVEX_DEMO_SONG, "x.txt", "-o", "y.mid"}, 2, "Unknown option: --bogus"},
      // Commands that write no song have no output encoding.
      {{"--lang", "en", "export", "--lrc", "--output-encoding", "utf8", CANTOVEX_DEMO_SONG, "-o", "x.lrc"}, 2,
       "Unknown option: --output-encoding"},
  };
  for (const Case& c : cases) {
    auto r = RunCli(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.back();
    EXPECT_EQ(r.out, "") << c.args.back();
    EXPECT_TRUE(Has(r.err, c.err)) << r.err;
  }
}
