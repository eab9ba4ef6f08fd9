// cantovex-cli prompter and check, run from outside: output, JSON shape and exit codes.
#include <gtest/gtest.h>

#include <string>

#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "support/SmfBuilder.h"

using clitest::Has;
using clitest::RunCli;
using clitest::RunCliIn;

namespace {

// Title and artist lines, then two sung lines with a note under each syllable. With old prompter
// text, the conductor track carries prompter data made for that text.
std::string Song(const std::string& name, const std::string& third = "world\r", int firstNote = 960,
                 const std::string& oldPrompterText = {}) {
  cvtest::SmfBuilder b(1, 480);
  cvtest::SmfTrack& conductor = b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  if (!oldPrompterText.empty()) {
    std::string values = "\x18Maravelt 2000\x19\x0F\x12\x1D\x13\x1D\x16" + oldPrompterText + "\x17\x0C";
    for (size_t k = 0; k < values.size(); ++k) conductor.Control(static_cast<int>(4 + 4 * k), 15, 98, values[k]);
  }
  conductor.End(2700);
  cvtest::SmfTrack& t = b.AddTrack();
  t.Lyric(0, "My Song\r").Lyric(0, "The Band\r");
  if (firstNote < 960) t.NoteOn(firstNote, 0, 50, 90).NoteOff(firstNote + 10, 0, 50);
  const std::pair<int, std::string> syllables[] = {{960, "Hel"},  {1200, "lo "},  {1440, third},
                                                   {1920, "sec"}, {2160, "ond "}, {2400, "line"}};
  for (const auto& [tick, text] : syllables) t.NoteOn(tick, 0, 60, 90).Lyric(tick, text).NoteOff(tick + 200, 0, 60);
  t.End(2700);
  return b.WriteTemp(name);
}

}  // namespace

TEST(CliPrompter, ShowsSettingsLinesAndCues) {
  auto r = RunCli({"--json", "prompter", Song("p.mid")});
  ASSERT_EQ(r.code, 0) << r.err;
  const auto j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["settings"]["source"], "syllables");
  EXPECT_EQ(j["settings"]["Font"], 1);
  EXPECT_EQ(j["settings"]["Complete"], true);
  EXPECT_EQ(j["lines"], nlohmann::json::parse(R"(["My Song", "The Band", "Hello world", "second line"])"));
  ASSERT_GE(j["cues"].size(), 1u);
  const auto& last = j["cues"].back();
  EXPECT_EQ(last["line"], 3);
  EXPECT_EQ(last["column"], 11);
  for (const char* key : {"SongPosition", "Time", "MTC"}) EXPECT_TRUE(last.contains(key)) << key;
  EXPECT_LT(last["SongPosition"].get<int>(), 2400);  // before its syllable
  EXPECT_TRUE(j["problems"].empty());

  // A line longer than the display is shown wrapped and marked.
  const std::string wide(100, 'w');
  auto text = RunCliIn("de", {"prompter", Song("wide.mid", wide + "\r")});
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_TRUE(Has(text.out, "Zeilen:")) << text.out;
  EXPECT_TRUE(Has(text.out, "Hello " + std::string(74, 'w') + "\n    +  " + std::string(26, 'w') + "\n")) << text.out;
}

TEST(CliCheck, FindingsAndExitCodes) {
  // Clean: nothing found, exit 0.
  auto clean = RunCliIn("en", {"check", Song("clean.mid")});
  EXPECT_EQ(clean.code, 0) << clean.err;
  EXPECT_EQ(clean.out, "No findings.\n");

  // Warnings only: exit 0, and the JSON names each finding's kind, source and syllable.
  auto early = RunCli({"--json", "check", Song("early.mid", "world\r", 40)});
  EXPECT_EQ(early.code, 0) << early.err;
  const auto j = nlohmann::json::parse(early.out);
  ASSERT_EQ(j["findings"].size(), 1u) << early.out;
  const auto& f = j["findings"][0];
  EXPECT_EQ(f["severity"], "warning");
  EXPECT_EQ(f["kind"], "starts-too-early");
  EXPECT_EQ(f["source"], "song");
  EXPECT_EQ(f["SongPosition"], 40);
  for (const char* key : {"Time", "MTC", "Text", "message"}) EXPECT_TRUE(f.contains(key)) << key;

  // An error: prompter data kept in the song that no longer fit its lyrics. Exit 1.
  auto stale = RunCliIn("en", {"check", Song("stale.mid", "world\r", 960, "Hello")});
  EXPECT_EQ(stale.code, 1) << stale.out << stale.err;
  // The file's data are a warning (opening with prompter support replaces them); kept in the song
  // they are saved as they are: an error.
  EXPECT_TRUE(Has(stale.out, "warning  001.01.000  file  stale-prompter-data")) << stale.out;
  EXPECT_TRUE(Has(stale.out, "error    001.01.000  song  stale-prompter-data")) << stale.out;
  EXPECT_TRUE(Has(stale.out, "1 error, 1 warning")) << stale.out;
  auto keyboard = RunCliIn("de", {"check", "--width", "8", Song("kb.mid")});
  EXPECT_EQ(keyboard.code, 0);
  EXPECT_TRUE(Has(keyboard.out, "Warnung")) << keyboard.out;
  EXPECT_TRUE(Has(keyboard.out, "Keyboard-Anzeige")) << keyboard.out;

  // A song that cannot be read: exit 1 with the reason on stderr.
  auto missing = RunCliIn("en", {"check", cvtest::TempDir() + "/none.mid"});
  EXPECT_EQ(missing.code, 1);
  EXPECT_TRUE(Has(missing.err, "none.mid")) << missing.err;
  EXPECT_EQ(RunCli({"check", "--width", "0", Song("w.mid")}).code, 2);
}
