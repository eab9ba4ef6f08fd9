#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli/CliRun.h"
#include "support/SmfBuilder.h"
#include "TestPaths.h"

using clitest::Has;
using clitest::RunCli;

namespace {

std::string Document(const std::string& name) { return std::string(CANTOVEX_TEST_DATA_DIR) + "/documents/" + name; }

const char* const kImportedText =
    "Der_Mond_ist_aufgegangen\n"
    "Matthias_Claudius\n"
    "\n"
    "Der Mond ist auf-ge-gan-gen,\n"
    "die gold-nen Stern-lein prangen am Himmel hell und klar;\n"
    "\n"
    "Der Wald steht schwarz und schwei-get,\n"
    "und aus den Wie-sen stei-get\n"
    "der wei-\xC3\x9F" "e Ne-bel wun-der-bar. Gr\xC3\xBC\xC3\x9F" "e: \xC3\xA4\xC3\xB6\xC3\xBC \xC3\x84\xC3\x96\xC3\x9C \xC3\x9F\n";

TEST(CliText, EditTextAndPositionText) {
  auto r = RunCli({"text", CANTOVEX_DEMO_SONG});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.rfind("Row,_Row,_Row_Your_Boat\nTraditional\nRow, row, row your boat,\nGent-ly down the stream.\n", 0), 0u)
      << r.out;
  auto mtc = RunCli({"text", "--mtc", CANTOVEX_DEMO_SONG});
  ASSERT_EQ(mtc.code, 0) << mtc.err;
  EXPECT_EQ(mtc.out.rfind("001.01.108 Row,_Row,_Row_Your_Boat\n001.01.112 ***_Neue_Zeile_***\n", 0), 0u) << mtc.out;
}

// Every document format gives the same lyrics; written, read again and shown as edit text.
TEST(CliImport, EveryDocumentFormatReadsBackAsTheSameEditText) {
  const std::string dir = cvtest::TempDir();
  for (const char* ext : {"txt", "docx", "odt", "rtf", "doc"}) {
    const std::string out = dir + "/imported_" + ext + ".mid";
    auto r = RunCli({"--lang", "en", "import", CANTOVEX_DEMO_SONG, Document(std::string("lyrics.") + ext), "--assign",
                     "-o", out});
    ASSERT_EQ(r.code, 0) << ext << ": " << r.err;
    auto text = RunCli({"text", out});
    ASSERT_EQ(text.code, 0) << text.err;
    EXPECT_EQ(text.out, kImportedText) << ext;
  }
  // Assigned: the first lyric syllable sits on the first melody note, not near the song end.
  auto mtc = RunCli({"text", "--mtc", dir + "/imported_txt.mid"});
  EXPECT_TRUE(Has(mtc.out, "\n002.01.000 Der \n002.04.000 Mond \n")) << mtc.out;
}

TEST(CliImport, HyphenatesTheLyricsButNotTheHeader) {
  const std::string out = cvtest::TempDir() + "/hyphenated.mid";
  auto r = RunCli({"import", CANTOVEX_DEMO_SONG, Document("lyrics.txt"), "--hyphenate", "de", "-o", out});
  ASSERT_EQ(r.code, 0) << r.err;
  auto text = RunCli({"text", out});
  EXPECT_EQ(text.out.rfind("Der_Mond_ist_aufgegangen\nMatthias_Claudius\n\nDer Mond ist auf-ge-gan-gen,\n", 0), 0u)
      << text.out;
  // Hyphens the text already holds stay as they are, with no new ones next to them.
  EXPECT_TRUE(Has(text.out, "\ndie gold-nen Stern-lein pran-gen am Him-mel hell und klar;\n")) << text.out;
  EXPECT_TRUE(Has(text.out, " Gr\xC3\xBC-\xC3\x9F" "e: ")) << text.out;

  // The user's exception list wins over the patterns here too.
  const std::string list = "Him-m-el\n";
  const std::string listFile = cvtest::WriteTempFile("Hyphenation_ger.txt", std::vector<uint8_t>(list.begin(), list.end()));
  const std::string settings = listFile.substr(0, listFile.rfind('/'));
  auto withList = RunCli({"import", CANTOVEX_DEMO_SONG, Document("lyrics.txt"), "--hyphenate", "de",
                          "--exceptions-dir", settings, "-o", out});
  ASSERT_EQ(withList.code, 0) << withList.err;
  EXPECT_TRUE(Has(RunCli({"text", out}).out, " am Him-m-el hell")) << withList.err;
}

// The syllable limit holds for what would be written: a text within it that hyphenation takes
// beyond it is refused, and nothing is written.
TEST(CliImport, TheSyllableLimitCountsTheHyphenatedText) {
  std::string text = "Title\nArtist\n";
  for (int i = 0; i < 60000; ++i) text += "Donaudampfschifffahrtsgesellschaft\n";
  const std::string file = cvtest::WriteTempFile("long.txt", std::vector<uint8_t>(text.begin(), text.end()));
  const std::string out = cvtest::TempDir() + "/long.mid";
  auto r = RunCli({"--lang", "en", "import", CANTOVEX_DEMO_SONG, file, "--hyphenate", "de", "-o", out});
  EXPECT_EQ(r.code, 1) << r.err;
  EXPECT_TRUE(Has(r.err, "syllables; a song holds at most 300 000")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(out));
  // Unhyphenated, the same text fits.
  EXPECT_EQ(RunCli({"import", CANTOVEX_DEMO_SONG, file, "-o", out}).code, 0);
}

TEST(CliImport, BadInputEndsWithAMessage) {
  const std::string out = cvtest::TempDir() + "/out.mid";
  const std::string empty = cvtest::WriteTempFile("empty.txt", {' ', '\n'});
  const std::string twoLines = cvtest::WriteTempFile("two.txt", {'a', '\n', 'b'});
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string err;
  } cases[] = {
      {{"import", CANTOVEX_DEMO_SONG, empty, "-o", out}, 1, "The file \"empty.txt\"\nis empty - converting aborted!"},
      {{"import", CANTOVEX_DEMO_SONG, Document("bomb.docx"), "-o", out}, 1, "bomb.docx"},
      {{"import", CANTOVEX_DEMO_SONG, twoLines, "-o", out}, 1, "at least three lines"},
      {{"import", CANTOVEX_DEMO_SONG, Document("lyrics.txt")}, 2, "-o OUT"},
      {{"import", CANTOVEX_DEMO_SONG, Document("lyrics.txt"), "--hyphenate", "xx", "-o", out}, 2, "--hyphenate"},
  };
  for (const Case& c : cases) {
    auto r = clitest::RunCliIn("en", c.args);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_TRUE(Has(r.err, c.err)) << r.err;
  }
}

}  // namespace

// Korean lyrics cannot go into a Shift_JIS song: the import names the first syllable that the
// encoding cannot hold and writes nothing; with --output-encoding utf8 the whole song goes to UTF-8.
TEST(CliImport, ASyllableTheSongsEncodingCannotHoldIsAnErrorUnlessTheOutputEncodingIsChosen) {
  const std::string song = std::string(CANTOVEX_TEST_DATA_DIR) + "/encodings/ja_shift_jis.mid";
  const std::string dir = cvtest::TempDir();
  const std::string text = cvtest::WriteTempFile(
      "ko.txt", {'T', 'i', 't', 'l', 'e', '\n', 'A', 'r', 't', 'i', 's', 't', '\n', 'a', ' ', 0xEC, 0x95, 0x84, '\n'});
  auto r = RunCli({"--lang", "en", "import", song, text, "-o", dir + "/out.mid"});
  EXPECT_EQ(r.code, 1);
  EXPECT_TRUE(Has(r.err, "\"\xEC\x95\x84\" cannot be saved in the encoding Shift_JIS")) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir + "/out.mid"));

  r = RunCli({"import", song, text, "--output-encoding", "utf8", "-o", dir + "/out.mid"});
  ASSERT_EQ(r.code, 0) << r.err;
  auto info = RunCli({"--lang", "en", "info", dir + "/out.mid"});
  EXPECT_TRUE(Has(info.out, "encoding UTF-8")) << info.out;
  auto lyrics = RunCli({"lyrics", dir + "/out.mid"});
  EXPECT_TRUE(Has(lyrics.out, "\xEC\x95\x84")) << lyrics.out;
}
