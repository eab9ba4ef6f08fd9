#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "session/OpenSong.h"
#include "support/SmfBuilder.h"

using clitest::Has;
using clitest::RunCli;

namespace {

// Format 0 at 120 bpm: six melody notes with their syllables, the last event at tick 3840.
std::string KaraokeSong(int format = 0, int bpm = 120) {
  cvtest::SmfBuilder b(format, 480);
  auto& t = b.AddTrack();
  t.Bpm(0, bpm).TimeSig(0, 4, 2);
  const char* words[] = {"Twin", "kle", "twin", "kle", "lit", "tle"};
  for (int i = 0; i < 6; ++i) {
    const int tick = 500 + 480 * i;
    t.NoteOn(tick, 0, 60 + i, 100).Lyric(tick, words[i]).NoteOff(tick + 200, 0, 60 + i);
  }
  t.Control(3840, 0, 7, 100);
  return b.WriteTemp(format == 0 ? "song0.mid" : "song1.mid");
}

std::vector<int> Notes(const cv::Song& song) {
  std::vector<int> notes;
  for (int t = 0; t < song.NumberOfSourceTracks; ++t)
    for (const cv::TypMidiEvent* e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent)
      if ((e->Command & 0xF0) == 0x90) notes.push_back(e->Value[0]);
  return notes;
}

// The tick position of the first syllable with this text in `lyrics --json` output.
int SongPositionOf(const std::string& lyricsJson, const std::string& text) {
  const auto lyrics = nlohmann::json::parse(lyricsJson);
  for (const auto& s : lyrics["syllables"])
    if (s["Text"] == text) return s["SongPosition"];
  return -1;
}

std::string Out(const std::string& name) { return cvtest::TempDir() + "/" + name; }

TEST(CliEdit, AppliesTheChainAndWritesASongThatOpensWithTheChanges) {
  const std::string out = Out("edited.mid");
  auto r = RunCli({"--lang", "en", "edit", KaraokeSong(), "--transpose", "2", "--speed", "50", "--tempo-diff", "5",
                   "--tempo-diff", "8", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "(format 0, 6 syllables)")) << r.out;
  cv::Song song;
  cv::DateiOeffnen(song, out);
  EXPECT_EQ(Notes(song), (std::vector<int>{62, 63, 64, 65, 66, 67}));
  // 50 % of 120 is 60 bpm; the dialog's +5 and then +8 bring it to 68 bpm.
  EXPECT_EQ(song.TempoArray[0].TempoLongInt, 882353);
}

TEST(CliEdit, TransposingBackToZeroWritesTheSameBytes) {
  const std::string song = KaraokeSong();
  // The format 0 writer names the track after the file: same name, two folders.
  const std::string plain = cvtest::TempDir() + "/song.mid";
  const std::string back = cvtest::TempDir() + "/song.mid";
  ASSERT_NE(plain, back);
  ASSERT_EQ(RunCli({"edit", song, "-o", plain}).code, 0);
  auto r = RunCli({"edit", song, "--intelligent", "--mode", "3", "--transpose", "-7", "--transpose", "0", "-o", back});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(cvtest::ReadFileBytes(plain), cvtest::ReadFileBytes(back));
}

TEST(CliEdit, FormatFollowsTheSongUnlessGiven) {
  const struct {
    int songFormat;
    std::vector<std::string> extra;
    int written;
  } cases[] = {{0, {}, 0}, {1, {}, 1}, {1, {"--format", "0"}, 0}, {0, {"--format=1"}, 1}};
  for (const auto& c : cases) {
    const std::string out = Out("f.mid");
    std::vector<std::string> args = {"edit", KaraokeSong(c.songFormat), "-o", out};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    auto r = RunCli(args);
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(cvtest::ReadFileBytes(out).at(9), c.written) << c.songFormat;
  }
}

TEST(CliLyrics, ShowsTheSyllablesAfterTheChainInItsOrder) {
  const std::string song = KaraokeSong();
  auto quantizeFirst = RunCli({"--json", "lyrics", song, "--quantize", "quarter", "--shift-ms", "100"});
  auto shiftFirst = RunCli({"--json", "lyrics", song, "--shift-ms", "100", "--quantize", "quarter"});
  ASSERT_EQ(quantizeFirst.code, 0) << quantizeFirst.err;
  ASSERT_EQ(shiftFirst.code, 0) << shiftFirst.err;
  // "kle" at tick 980: on the grid at 960, then 96 ticks later; or moved to 1076 and then to 960.
  EXPECT_EQ(SongPositionOf(quantizeFirst.out, "kle"), 1056) << quantizeFirst.out;
  EXPECT_EQ(SongPositionOf(shiftFirst.out, "kle"), 960) << shiftFirst.out;

  // Without line breaks there is no title line. The song is timed: hiding the note at 980 takes
  // "kle" off it onto the note still sounding (sung with "Twin"); the others keep their notes.
  auto hidden = RunCli({"--lang", "en", "--json", "lyrics", song, "--hide-note-at", "1000", "--hide-note-at", "99000"});
  ASSERT_EQ(hidden.code, 0) << hidden.err;
  EXPECT_EQ(SongPositionOf(hidden.out, "kle"), 500) << hidden.out;
  EXPECT_EQ(SongPositionOf(hidden.out, "twin"), 1460) << hidden.out;
  EXPECT_EQ(hidden.err, R"({"warning":{"message":"No melody note at or after 99000 ms: nothing hidden.","file":null}})" "\n");
}

TEST(CliEdit, BadOptionsAndRefusedTempos) {
  const std::string song = KaraokeSong(0, 30);
  const struct {
    std::vector<std::string> args;
    int code;
    std::string err;
  } cases[] = {
      {{"edit", song, "--transpose", "12", "-o", Out("x.mid")}, 2, "--transpose: a whole number from -9 to 9"},
      {{"edit", song, "--speed", "75", "-o", Out("x.mid")}, 2, "--speed: 100 | 90"},
      {{"edit", song, "--quantize", "half", "-o", Out("x.mid")}, 2, "--quantize: quarter"},
      {{"edit", song, "--mode", "2", "--transpose", "1", "-o", Out("x.mid")}, 2, "--mode needs --intelligent"},
      {{"edit", song, "--assign"}, 2, "No output file given (-o)."},
      {{"edit", song, "--tempo-diff", "-30", "-o", Out("x.mid")}, 1, "A tempo of 0 bpm is not possible"},
      {{"lyrics", song, "-o", Out("x.mid")}, 2, "Unknown option: -o"},
  };
  for (const auto& c : cases) {
    auto r = clitest::RunCliIn("en", c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_TRUE(Has(r.err, c.err)) << r.err;
  }
}

}  // namespace

TEST(CliEdit, LeadInMovesTheMusicAndAssignWarnsWhenTheSongStartsUnderTheTitle) {
  // A title line over a melody that starts at tick 0.
  cvtest::SmfBuilder b(0, 480);
  auto& t = b.AddTrack();
  t.Bpm(0, 120).TimeSig(0, 4, 2).Lyric(0, "Title\r");
  const char* words[] = {"Twin", "kle ", "twin", "kle ", "star"};
  for (int i = 0; i < 5; ++i) t.NoteOn(480 * i, 0, 60 + i, 100).Lyric(480 * i + 10, words[i]).NoteOff(480 * i + 200, 0, 60 + i);
  const std::string early = b.WriteTemp("early.mid");

  auto r = RunCli({"--lang", "en", "edit", early, "--assign", "-o", Out("early-out.mid")});
  ASSERT_EQ(r.code, 0) << r.err;
  // The advice names what helps here: the command line's option, not the window's menu.
  EXPECT_TRUE(Has(r.err, "A lead-in (cantovex-cli edit --lead-in N) helps.")) << r.err;
  EXPECT_FALSE(Has(r.err, "Edit > ")) << r.err;

  const std::string out = Out("lead-in.mid");
  r = RunCli({"--lang", "en", "edit", early, "--lead-in", "2", "--assign", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_FALSE(Has(r.err, "lead-in")) << r.err;
  cv::Song song;
  cv::DateiOeffnen(song, out);
  ASSERT_EQ(song.HyphenArrayElements, 7);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(song.HyphenArray[2 + i].SongPosition, 3840 + 480 * i) << i;

  r = RunCli({"--lang", "en", "edit", early, "--lead-in", "9", "-o", out});
  EXPECT_NE(r.code, 0);
  EXPECT_TRUE(Has(r.err, "--lead-in")) << r.err;
}
