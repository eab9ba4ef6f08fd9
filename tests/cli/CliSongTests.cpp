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
  EXPECT_EQ(info["tracks"][0], nlohmann::json::parse(R"({"Index": 0, "Name": "Conductor", "Channels": [], "Events": 4})"));
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
  };
  for (const Case& c : cases) {
    auto r = RunCli(c.args);
    EXPECT_EQ(r.code, c.code) << c.args.back();
    EXPECT_EQ(r.out, "") << c.args.back();
    EXPECT_TRUE(Has(r.err, c.err)) << r.err;
  }
}
