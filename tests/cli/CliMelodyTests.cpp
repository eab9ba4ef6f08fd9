// The melody from the command line: found by itself for import and assign, reported by info,
// chosen with --melody.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "session/OpenSong.h"
#include "song/TitleLines.h"
#include "support/SmfBuilder.h"

using clitest::Has;
using clitest::RunCli;

namespace {

constexpr int kNotes = 24;

int MelodyTick(int i) { return 1920 + i * 480; }

// No lyrics; the melody on channel 5 (its own track), chords on every eighth on channel 1.
std::string WriteSong(const std::string& dir) {
  cvtest::SmfBuilder smf(1, 480);
  smf.AddTrack().Tempo(0, 500000).TimeSig(0, 4, 2);
  cvtest::SmfTrack& piano = smf.AddTrack().Name(0, "Piano");
  for (int tick = 0; tick <= MelodyTick(kNotes); tick += 240) {
    for (int p : {48, 52, 55}) piano.NoteOn(tick, 0, p, 70);
    for (int p : {48, 52, 55}) piano.NoteOff(tick + 240, 0, p);
  }
  cvtest::SmfTrack& melody = smf.AddTrack();
  for (int i = 0; i < kNotes; ++i) melody.NoteOn(MelodyTick(i), 4, 64 + i % 5, 100).NoteOff(MelodyTick(i) + 400, 4, 64 + i % 5);
  const std::string path = dir + "/generated.mid";
  const std::vector<uint8_t> bytes = smf.Bytes();
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

TEST(CliMelody, ImportAndAssignPutEachSyllableOnItsOwnMelodyNote) {
  const std::string dir = cvtest::TempDir();
  const std::string song = WriteSong(dir), text = dir + "/lyrics.txt", out = dir + "/out.mid";
  std::string lyrics = "Generated\nNobody\n\n";
  for (int line = 0; line < kNotes / 6; ++line) lyrics += "la la la la la la\n";
  std::ofstream(text) << lyrics;
  const auto r = RunCli({"--lang", "en", "import", song, text, "--assign", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;

  cv::Song written;
  cv::DateiOeffnen(written, out);
  std::vector<int32_t> sung;
  for (int i = cv::HeaderElementCount(written); i < written.HyphenArrayElements; ++i)
    if (written.HyphenArray[static_cast<size_t>(i)].Text != u"\r") sung.push_back(written.HyphenArray[static_cast<size_t>(i)].SongPosition);
  std::vector<int32_t> expected;
  for (int i = 0; i < kNotes; ++i) expected.push_back(MelodyTick(i));
  EXPECT_EQ(sung, expected);
}

TEST(CliMelody, InfoReportsTheMelodyAndWhyAndCheckOffersTheFoundOne) {
  const std::string dir = cvtest::TempDir();
  const std::string song = WriteSong(dir), timed = dir + "/timed.mid";
  // The song with its syllables on the melody notes.
  std::string lyrics = "Generated\nNobody\n\n";
  for (int line = 0; line < kNotes / 6; ++line) lyrics += "la la la la la la\n";
  std::ofstream(dir + "/lyrics.txt") << lyrics;
  ASSERT_EQ(RunCli({"import", song, dir + "/lyrics.txt", "--assign", "-o", timed}).code, 0);

  auto info = RunCli({"--json", "info", timed});
  ASSERT_EQ(info.code, 0) << info.err;
  const nlohmann::json melody = nlohmann::json::parse(info.out)["melody"];
  EXPECT_EQ(melody["Setting"], "auto");
  ASSERT_EQ(melody["Parts"].size(), 1u);
  EXPECT_EQ(melody["Parts"][0]["Channel"], 5);
  EXPECT_EQ(melody["SyllablesOnNote"], kNotes);
  EXPECT_EQ(melody["Reason"], "channel 5, track 3: 24 of 24 syllables on a note");

  // A fixed channel under the chords: the finder's choice is named, in both languages.
  auto fixed = RunCli({"--lang", "en", "info", "--melody", "1", timed});
  ASSERT_EQ(fixed.code, 0) << fixed.err;
  EXPECT_TRUE(Has(fixed.out, "Melody: channel 1 (chosen in the options): 24 of 24 syllables on a note")) << fixed.out;
  auto check = RunCli({"--lang", "de", "check", "--melody", "16", timed});
  EXPECT_TRUE(Has(check.out, "Die Melodiesuche findet Kanal 5, Spur 3 mit Noten unter 24 Silben")) << check.out;

  for (const char* bad : {"0", "17", "track 2", "x"}) {
    auto r = RunCli({"info", "--melody", bad, timed});
    EXPECT_EQ(r.code, 2) << bad;
    EXPECT_TRUE(Has(r.err, "--melody")) << bad << r.err;
  }
}

}  // namespace
