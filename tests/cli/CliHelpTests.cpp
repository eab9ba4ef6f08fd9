#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "support/SmfBuilder.h"
#include "TestPaths.h"

using clitest::Has;
using clitest::RunCli;
using clitest::RunCliIn;

namespace {

// The command names the program's help lists.
std::vector<std::string> ListedCommands() {
  std::istringstream help(RunCliIn("en", {"--help"}).out);
  std::vector<std::string> names;
  bool inList = false;
  for (std::string line; std::getline(help, line);) {
    if (line == "commands:") inList = true;
    else if (inList && line.rfind("  ", 0) == 0 && line[2] != ' ') names.push_back(line.substr(2, line.find(' ', 2) - 2));
  }
  return names;
}

std::string Song() {
  cvtest::SmfBuilder b(0, 480);
  b.AddTrack().Bpm(0, 120).NoteOn(0, 0, 60, 90).Lyric(0, "la").NoteOn(480, 0, 60, 0);
  return b.WriteTemp("song.mid");
}

}  // namespace

// Help and usage lines speak the user's language only.
TEST(CliHelp, InTheUserLanguageOnly) {
  auto en = RunCliIn("en", {"--help"});
  ASSERT_EQ(en.code, 0);
  EXPECT_TRUE(Has(en.out, "\n      Hyphenate words\n")) << en.out;
  EXPECT_TRUE(Has(en.out, "\n      Show what a song holds: tracks, tempo, signatures, lyrics\n")) << en.out;
  EXPECT_FALSE(Has(en.out, "Zeigt")) << en.out;

  auto de = RunCliIn("de", {"--help"});
  ASSERT_EQ(de.code, 0);
  EXPECT_TRUE(Has(de.out, "\n      Trennt Wörter in Silben\n")) << de.out;
  EXPECT_TRUE(Has(de.out, "\n      Zeigt, was ein Lied enthält\n")) << de.out;
  EXPECT_TRUE(Has(de.out, "Lädt einen Liedtext")) << de.out;
  EXPECT_FALSE(Has(de.out, "Show what")) << de.out;

  auto usage = RunCliIn("de", {"hyphenate"});
  EXPECT_EQ(usage.code, 2);
  EXPECT_TRUE(Has(usage.err, "\nAufruf: cantovex-cli hyphenate ")) << usage.err;

  // After the command --lang is the user language too, unless the command has its own (hyphenate).
  const std::string song = Song();
  auto after = RunCliIn("en", {"info", song, "--lang", "de"});
  EXPECT_EQ(after.code, 0) << after.err;
  EXPECT_EQ(after.out, RunCliIn("de", {"info", song}).out);
  EXPECT_NE(after.out, RunCliIn("en", {"info", song}).out);
}

// Every listed command answers `COMMAND --help` and `help COMMAND` alike, in either language.
TEST(CliHelp, EveryCommandHasItsOwnHelp) {
  const std::vector<std::string> commands = ListedCommands();
  ASSERT_GE(commands.size(), 10u);
  for (const std::string& name : commands) {
    auto asOption = RunCliIn("en", {name, "--help"});
    auto asCommand = RunCliIn("en", {"help", name});
    EXPECT_EQ(asOption.code, 0) << name << ": " << asOption.err;
    EXPECT_EQ(asCommand.code, 0) << name;
    EXPECT_EQ(asOption.out, asCommand.out) << name;
    EXPECT_EQ(asOption.out.substr(0, asOption.out.find('\n')).rfind("usage: cantovex-cli " + name, 0), 0u) << asOption.out;
    EXPECT_TRUE(Has(asOption.out, "\n  --json ")) << asOption.out;
    auto german = RunCliIn("de", {"help", name});
    EXPECT_EQ(german.out.rfind("Aufruf: cantovex-cli " + name, 0), 0u) << german.out;
    EXPECT_FALSE(Has(german.out, "options:")) << german.out;
  }
  auto edit = RunCliIn("en", {"edit", "--help"});
  EXPECT_TRUE(Has(edit.out, "\n  --quantize quarter|eighth|eighth-triplet|sixteenth  Move the syllables onto a grid\n"))
      << edit.out;
  // Only the commands that write a song offer an encoding to write it in.
  for (const char* name : {"export", "check", "prompter", "info", "lyrics", "text"})
    EXPECT_FALSE(Has(RunCliIn("en", {name, "--help"}).out, "--output-encoding")) << name;
  for (const char* name : {"edit", "import", "convert"})
    EXPECT_TRUE(Has(RunCliIn("en", {name, "--help"}).out, "--output-encoding")) << name;
  auto unknown = RunCliIn("en", {"help", "frobnicate"});
  EXPECT_EQ(unknown.code, 2);
  EXPECT_TRUE(Has(unknown.err, "Unknown command: frobnicate")) << unknown.err;
}

// With --json a failure is one JSON object on stderr, with the exit code of the text form.
TEST(CliJson, ErrorsAreJsonWithTheSameExitCodes) {
  const std::string song = Song();
  const std::string text = cvtest::WriteTempFile("two.txt", {'a', '\n', 'b'});
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string file;  // "" for null
    std::string message;
  } cases[] = {
      {{"info"}, 2, "", "No song file given."},
      {{"info", "/no/such.mid"}, 1, "/no/such.mid", "Cannot read the file"},
      {{"edit", song, "-o", "/dev/full"}, 1, "/dev/full", "The disk is full"},
      {{"import", song, text, "-o", cvtest::TempDir() + "/o.mid"}, 1, text, "at least three lines"},
      {{"frobnicate"}, 2, "", "Unknown command: frobnicate"},
      // Failures of export and render are errors naming their file, never warnings.
      {{"export", "--lrc", song, "-o", "/no/such/dir/x.lrc"}, 1, "/no/such/dir/x.lrc", "nothing to export"},
      {{"render", song, "-o", "/no/such/dir/x.wav"}, 1, "/no/such/dir/x.wav", "x.wav"},
      // Wrong use is exit code 2; a folder that is not there is an error.
      {{"convert", "--batch", cvtest::TempDir(), "--format", "1", "--in-place", "--out", cvtest::TempDir()}, 2, "",
       "--in-place and --out exclude each other"},
      {{"edit", song, "-o", cvtest::TempDir() + "/o.mid", "--output-encoding", "utf-16"}, 2, "",
       "a MIDI text event cannot hold text in utf-16"},
      {{"edit", song, "-o", cvtest::TempDir() + "/o.mid", "--output-encoding", "utf-32"}, 2, "", "utf-32"},
      {{"import", song, text, "-o", cvtest::TempDir() + "/o.mid", "--hyphenate", "de", "--exceptions-dir", "/no/dir"},
       1, "/no/dir", "The folder \"/no/dir\" (--exceptions-dir) does not exist"},
      {{"hyphenate", "--lang", "de", "--exceptions-dir", "/no/dir", "Wort"}, 1, "/no/dir", "does not exist"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--lang", "en", "--json"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    auto json = RunCli(args);
    auto plain = RunCliIn("en", c.args);
    EXPECT_EQ(json.code, c.code) << json.err;
    EXPECT_EQ(plain.code, c.code) << plain.err;
    EXPECT_EQ(json.out, "");
    ASSERT_TRUE(nlohmann::json::accept(json.err)) << json.err;
    const auto error = nlohmann::json::parse(json.err)["error"];
    EXPECT_EQ(error["file"], c.file.empty() ? nlohmann::json() : nlohmann::json(c.file)) << json.err;
    EXPECT_TRUE(Has(error["message"].get<std::string>(), c.message)) << json.err;
    EXPECT_FALSE(Has(error["message"].get<std::string>(), "\r")) << json.err;
  }
}

// Every command's result is one top-level object on stdout.
TEST(CliJson, EveryResultIsOneObject) {
  const std::string song = Song();
  const std::string dir = cvtest::TempDir();
  const std::vector<std::vector<std::string>> calls = {
      {"info", song},
      {"lyrics", song},
      {"text", song},
      {"edit", song, "-o", dir + "/e.mid"},
      {"import", song, std::string(CANTOVEX_TEST_DATA_DIR) + "/documents/lyrics.txt", "-o", dir + "/i.mid"},
      {"convert", song, dir + "/c.mid", "--format", "1"},
      {"hyphenate", "--lang", "en", "hyphenation"},
  };
  for (const auto& call : calls) {
    std::vector<std::string> args = {"--json"};
    args.insert(args.end(), call.begin(), call.end());
    auto r = RunCli(args);
    EXPECT_EQ(r.code, 0) << call[0] << ": " << r.err;
    EXPECT_EQ(r.err, "") << call[0];
    ASSERT_TRUE(nlohmann::json::accept(r.out)) << call[0] << ": " << r.out;
    EXPECT_TRUE(nlohmann::json::parse(r.out).is_object()) << call[0];
  }
}
