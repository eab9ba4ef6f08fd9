#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "lyrics/Lrc.h"
#include "song/TitleLines.h"
#include "song/Language.h"
#include "session/OpenSong.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"
#include "TestPaths.h"

using namespace cv;

namespace {

const std::string kDemo = std::string(CANTOVEX_TEST_DATA_DIR) + "/../../data/demo/demo.kar";

struct Timed {
  std::u16string Text;
  int32_t Time;
};

// The lyric syllables after the two title lines, line breaks left out.
std::vector<Timed> LyricSyllables(const Song& song) {
  std::vector<Timed> out;
  for (int i = HeaderElementCount(song); i < song.HyphenArrayElements; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (h.Text != u"\r" && !h.Text.empty()) out.push_back({h.Text, h.Time});
  }
  return out;
}

// Export, then import into the same song read again: every syllable comes back within 10 ms.
void ExpectRoundTrip(const std::string& path) {
  Song song;
  DateiOeffnen(song, path);
  const std::vector<Timed> before = LyricSyllables(song);
  const std::string lrc = LrcFileContent(song);
  Song again;
  DateiOeffnen(again, path);
  const TLrcImport imported = ImportLrc(again, lrc, "song.lrc");
  ASSERT_TRUE(imported.Ok) << path << ": " << imported.Message;
  const std::vector<Timed> after = LyricSyllables(again);
  ASSERT_EQ(after.size(), before.size()) << path;
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_NEAR(after[i].Time, before[i].Time, 10) << path << " syllable " << i;
    if (before[i].Text.find_first_of(u"<>[]") == std::u16string::npos) {
      EXPECT_EQ(after[i].Text, before[i].Text) << path << " syllable " << i;
    }
  }
}

}  // namespace

TEST(Lrc, ExportWritesTitleTagsAndAStampPerLineAndSyllable) {
  SetCurrLanguage(TLanguage::Englisch);
  Song song;
  DateiOeffnen(song, kDemo);
  const std::string lrc = LrcFileContent(song);
  EXPECT_EQ(lrc.rfind("[ti:Row, Row, Row Your Boat]\n[ar:Traditional]\n[", 0), 0u) << lrc;
  // Stamps in hundredths: "[mm:ss.xx]<mm:ss.xx>Row, <mm:ss.xx>row, ..."
  const size_t first = lrc.find("\n[", lrc.find("[ar:"));
  ASSERT_NE(first, std::string::npos);
  const std::string line = lrc.substr(first + 1, lrc.find('\n', first + 1) - first - 1);
  EXPECT_EQ(line.size() > 22 && line[0] == '[' && line[9] == ']' && line[10] == '<' && line[19] == '>', true) << line;
  EXPECT_NE(line.find(">Row, <"), std::string::npos) << line;
}

TEST(Lrc, RoundTripKeepsEverySyllableWithinTenMilliseconds) {
  ExpectRoundTrip(kDemo);
  for (const char* song : {"kar/twinkle.kar", "kar/HeyJude.kar", "lyrics-mid/music21_test18_utf8_zh.mid",
                           "lyrics-mid/mozart_aveverum.mid"}) {
    CVTEST_CORPUS_FILE_OR_SKIP(path, song);
    ExpectRoundTrip(path);
  }
}

TEST(Lrc, TitleLinesGoToTheirTagsAndComeBackInTheSameShape) {
  struct Case {
    const char* name;
    std::vector<std::string> head;  // lyric events at tick 0 before the sung lines
    bool titleLine;
    std::string tags;  // how the export begins
  } cases[] = {
      {"title only", {"Alle meine Entchen\r"}, true, "[ti:Alle meine Entchen]\n[00:01.00]<00:01.00>Al"},
      {"title and artist", {"Alle meine Entchen\r", "Volkslied\r"}, true,
       "[ti:Alle meine Entchen]\n[ar:Volkslied]\n[00:01.00]<00:01.00>Al"},
      {"no title line", {}, false, "[00:01.00]<00:01.00>Al"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cvtest::SmfBuilder smf(0, 480);
    auto& t = smf.AddTrack();
    t.Tempo(0, 500000).TimeSig(0, 4, 2);
    for (const std::string& line : c.head) t.Lyric(0, line);
    const char* sung[] = {"Al", "le ", "mei", "ne ", "Ent", "chen\r", "schwim", "men ", "auf ", "dem ", "See"};
    for (int i = 0; i < 11; ++i) t.Lyric(960 + 240 * i, sung[i]).NoteOn(960 + 240 * i, 0, 60, 100).NoteOff(1180 + 240 * i, 0, 60);
    const std::string path = smf.WriteTemp("entchen.mid");
    Song song;
    DateiOeffnen(song, path);
    ASSERT_EQ(song.TitleLine, c.titleLine);
    const std::string lrc = LrcFileContent(song);
    EXPECT_EQ(lrc.rfind(c.tags, 0), 0u) << lrc;

    Song again;
    DateiOeffnen(again, path);
    ASSERT_TRUE(ImportLrc(again, lrc, "entchen.lrc").Ok);
    EXPECT_EQ(again.TitleLine, c.titleLine);
    // The same elements at the same times (the import may end the last line with a line break).
    int n = again.HyphenArrayElements;
    if (n == song.HyphenArrayElements + 1 && again.HyphenArray[n - 1].Text == u"\r") --n;
    ASSERT_EQ(n, song.HyphenArrayElements);
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(again.HyphenArray[i].Text, song.HyphenArray[i].Text) << i;
      EXPECT_NEAR(again.HyphenArray[i].Time, song.HyphenArray[i].Time, 10) << i;
    }
  }
}

TEST(Lrc, WordsWithoutStampsShareTheTimeToTheNextStampEvenly) {
  Song song;
  DateiOeffnen(song, kDemo);
  const TLrcImport imported = ImportLrc(song,
                                        "[ti:T]\n[ar:A]\n[00:02.00]one two three four\n"
                                        "[00:06.00]<00:06.00>five <00:07.00>six seven\n[00:10.00]eight\n",
                                        "x.lrc");
  ASSERT_TRUE(imported.Ok) << imported.Message;
  const std::vector<Timed> s = LyricSyllables(song);
  ASSERT_EQ(s.size(), 8u);
  const int32_t expected[] = {2000, 3000, 4000, 5000, 6000, 7000, 8500, 10000};
  for (size_t i = 0; i < s.size(); ++i) EXPECT_NEAR(s[i].Time, expected[i], 2) << i;
  EXPECT_EQ(s[0].Text, u"one ");
  EXPECT_EQ(s[7].Text, u"eight");
  EXPECT_EQ(song.HyphenArray[0].Text, u"T");
  EXPECT_EQ(song.HyphenArray[2].Text, u"A");
}

// A positive offset shows the lyrics earlier, a negative one later.
TEST(Lrc, OffsetMovesTheLyricsAgainstItsSign) {
  for (const auto& [offset, expected] : {std::pair{"+500", 1500}, {"500", 1500}, {"-500", 2500}, {"0", 2000}}) {
    Song song;
    DateiOeffnen(song, kDemo);
    ASSERT_TRUE(ImportLrc(song, std::string("[offset:") + offset + "]\n[00:02.00]one\n", "x.lrc").Ok);
    const std::vector<Timed> s = LyricSyllables(song);
    ASSERT_EQ(s.size(), 1u);
    EXPECT_NEAR(s[0].Time, expected, 2) << offset;
  }
}

TEST(Lrc, AHyphenatedWordSpreadsItsSyllablesUpToTheNextStamp) {
  Song song;
  DateiOeffnen(song, kDemo);
  auto hyphenate = [](std::u16string_view w) { return w == u"wonderful " ? std::u16string(u"won-der-ful ") : std::u16string(w); };
  ASSERT_TRUE(ImportLrc(song, "[00:01.00]<00:01.00>wonderful <00:04.00>day\n", "x.lrc", hyphenate).Ok);
  const std::vector<Timed> s = LyricSyllables(song);
  ASSERT_EQ(s.size(), 4u);
  EXPECT_EQ(s[1].Text, u"der");
  EXPECT_NEAR(s[1].Time, 2000, 2);
  EXPECT_NEAR(s[2].Time, 3000, 2);
  EXPECT_NEAR(s[3].Time, 4000, 2);
}

TEST(Lrc, AFaultyFileIsRefusedWithAMessageAndChangesNothing) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string junk(10u << 20, '\x07');
  struct Case {
    std::string text, message;
  } cases[] = {
      {"[00:01.00]one\n[00:00.50]two\n", "line 2: the time stamp goes back"},
      {"[00:01.00]<00:02.00>one <00:01.50>two\n", "line 1: the time stamp goes back"},
      {"[0x:01.00]one\n", "line 1: invalid time stamp \"[0x:01.00]\""},
      {"[00:01.00]<00:1x>one\n", "line 1: invalid word stamp"},
      {"just words\nno stamps\n", "line 1: no time stamp"},
      {"[ti:Only a title]\n", "holds no time stamps"},
      {"[00:01.00]\n[00:02.00]\n", "holds no lyrics"},
      {"[offset:999999999999]\n[00:01.00]one\n", "line 1: the offset [offset:999999999999] is out of range"},
      {"[offset:-86400001]\n[00:01.00]one\n", "is out of range"},
      {"[offset:soon]\n[00:01.00]one\n", "is out of range"},
      {junk, "too big for an LRC file"},
  };
  for (const Case& c : cases) {
    Song song;
    DateiOeffnen(song, kDemo);
    const std::vector<THyphens> before(song.HyphenArray.begin(), song.HyphenArray.begin() + song.HyphenArrayElements);
    const TLrcImport r = ImportLrc(song, c.text, "bad.lrc");
    EXPECT_FALSE(r.Ok) << c.message;
    EXPECT_NE(r.Message.find(c.message), std::string::npos) << r.Message;
    ASSERT_EQ(song.HyphenArrayElements, static_cast<int>(before.size()));
    for (size_t i = 0; i < before.size(); ++i) EXPECT_EQ(song.HyphenArray[i].Text, before[i].Text);
  }
}
