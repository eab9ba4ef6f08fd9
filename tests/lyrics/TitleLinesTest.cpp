// Songs with and without title lines through assign, quantize, the offset and the two editors:
// the name keeps its ticks, the artist line follows the first sung syllable, and sung syllables
// never become title lines.
#include <gtest/gtest.h>

#include <functional>

#include "LyricsSong.h"
#include "lyrics/Assign.h"
#include "lyrics/EditText.h"
#include "lyrics/LyricsOffset.h"
#include "lyrics/MtcText.h"
#include "lyrics/Quantize.h"
#include "lyrics/LeadIn.h"
#include "song/TitleLines.h"
#include "support/Corpus.h"

using namespace cv;
using namespace lyricstest;

namespace {

using Texts = std::vector<std::u16string>;
using Ticks = std::vector<int32_t>;

TEST(AssignTiming, TheFirstMelodyNoteCountsAtTickZero) {
  Song song;
  Open(song, Melody({0, 480, 960}, 3840));
  song.TitleLine = false;
  SetSyllables(song, {u"Up ", u"beat ", u"song"});
  EXPECT_FALSE(AssignSyllablesToNotes(song));
  EXPECT_EQ(Positions(song), (Ticks{0, 480, 960}));
  ExpectSongInvariants(song, "no title");
}

TEST(AssignTiming, ANameLineWithoutArtistLeavesTheFirstSungLineOnTheFirstNotes) {
  struct Case {
    const char* what;
    Texts texts;
    Ticks expected;
  };
  const Case cases[] = {
      {"name only", {u"Song", u"\r", u"Hel", u"lo ", u"\r", u"world"}, {108, 112, 1920, 2400, 2404, 2880}},
      {"name, artist, blank line",
       {u"Song", u"\r", u"Artist", u"\r", u"\r", u"Hel", u"lo ", u"world"},
       {108, 112, 1908, 1912, 1916, 1920, 2400, 2880}},
      {"bar marker ends the header",
       {u"Song", u"\r", u"1_Takt ", u"\r", u"Hel", u"lo"},
       {108, 112, 1912, 1916, 1920, 2400}},
  };
  for (const Case& c : cases) {
    Song song;
    Open(song, Melody({1920, 2400, 2880}, 7680));
    SetSyllables(song, c.texts);
    EXPECT_FALSE(AssignSyllablesToNotes(song)) << c.what;
    EXPECT_EQ(Positions(song), c.expected) << c.what;
  }
}

TEST(AssignTiming, NotesInsideTheTitleLinesFollowThemAndALeadInPutsEverySyllableOnItsNote) {
  Song song;
  Open(song, Melody({0, 60, 480, 960}, 3840));  // a pickup before the title lines end
  SetSyllables(song, {u"Song", u"\r", u"Artist", u"\r", u"a ", u"b ", u"c ", u"d"});
  EXPECT_TRUE(AssignSyllablesToNotes(song));
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 116, 120, 124, 128, 480, 960}));
  ExpectSongInvariants(song, "too early");

  InsertLeadIn(song, 1);
  EXPECT_FALSE(AssignSyllablesToNotes(song));
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 1912, 1916, 1920, 1980, 2400, 2880}));
  ExpectSongInvariants(song, "after the lead-in");
}

TEST(QuantizeTiming, OnlySungSyllablesSnapTheRestRidesAlongAndTheTitleLinesStay) {
  Song song;
  Open(song, Melody({480, 960}, 7680));
  // Tapped a little late; the line break sits 4 ticks before the next line's first syllable.
  SetSyllables(song, {u"Song", u"\r", u"How ", u"-I ", u"\r", u"won", u"der ", u"what"},
               {108, 112, 490, 500, 956, 960, 1000, 1010});
  QuantizeLyrics(song, static_cast<uint8_t>(TQuantizeGrid::Quarter));
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 480, 484, 488, 960, 964, 968}));
  ExpectSongInvariants(song, "quantized");
}

TEST(QuantizeTiming, ShiftedSyllablesComeBackOntoTheirNotes) {
  Song song;
  Open(song, Melody({1920, 2400, 2880}, 7680));
  SetSyllables(song, {u"Song", u"\r", u"Hel", u"lo ", u"\r", u"world"});
  AssignSyllablesToNotes(song);
  MoveLyrics(song, 30);  // a little late: 30 ms are 28.8 ticks at 120 bpm
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 1949, 2429, 2433, 2909}));
  QuantizeLyrics(song, static_cast<uint8_t>(TQuantizeGrid::Sixteenth));
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 1920, 2400, 2404, 2880}));
}

TEST(OffsetTiming, TitleLinesStayAndASongWithoutThemHasNoFloorAt108) {
  Song song;
  Open(song, Melody({480}, 7680));
  SetSyllables(song, {u"Song", u"\r", u"a ", u"b"}, {108, 112, 960, 1440});
  MoveLyrics(song, -500);
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 480, 960}));
  MoveLyrics(song, -1000);
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 116, 120}));

  song.TitleLine = false;
  SetSyllables(song, {u"a ", u"b ", u"c"}, {960, 1440, 1920});
  MoveLyrics(song, -1000);
  EXPECT_EQ(Positions(song), (Ticks{0, 480, 960}));
}

TEST(TitleLines, TheArtistLineSitsRightBeforeTheFirstSungElement) {
  const struct {
    const char* what;
    Texts texts;
    Ticks before, after;
  } cases[] = {
      {"artist", {u"S", u"\r", u"A", u"\r", u"la"}, {0, 0, 3000, 3004, 480}, {108, 112, 472, 476, 480}},
      {"artist and a blank line", {u"S", u"\r", u"A", u"\r", u"\r", u"la"}, {0, 0, 0, 0, 0, 960},
       {108, 112, 948, 952, 956, 960}},
      {"blank artist line", {u"S", u"\r", u"\r", u"la"}, {0, 0, 0, 960}, {108, 112, 956, 960}},
      // The first sung element cannot pass the name: it stops where the header leaves room.
      {"too early", {u"S", u"\r", u"A", u"\r", u"la", u"la"}, {0, 0, 0, 0, 50, 60}, {108, 112, 116, 120, 124, 60}},
      {"no sung element", {u"S", u"\r", u"A", u"\r"}, {0, 0, 0, 0}, {108, 112, 116, 120}},
      {"a sung line of two elements", {u"S", u"\r", u"la ", u"la", u"\r"}, {0, 0, 480, 960, 964},
       {108, 112, 480, 960, 964}},
  };
  for (const auto& c : cases) {
    std::vector<THyphens> list(c.texts.size());
    for (size_t i = 0; i < list.size(); ++i) {
      list[i].Text = c.texts[i];
      list[i].SongPosition = c.before[i];
    }
    PlaceTitleLines(list, static_cast<int32_t>(list.size()), true);
    Ticks got;
    for (const THyphens& h : list) got.push_back(h.SongPosition);
    EXPECT_EQ(got, c.after) << c.what;
    PlaceTitleLines(list, static_cast<int32_t>(list.size()), false);  // no title line: nothing moves
    got.clear();
    for (const THyphens& h : list) got.push_back(h.SongPosition);
    EXPECT_EQ(got, c.after) << c.what;
  }
}

// Every change that moves the first sung syllable earlier moves it, and the artist line with it.
TEST(TitleLines, EveryMoveTakesTheArtistLineAlong) {
  const Texts texts = {u"Song", u"\r", u"Artist", u"\r", u"a ", u"b ", u"c"};
  const struct {
    const char* what;
    std::function<void(Song&)> change;
    Ticks expected;
  } cases[] = {
      {"offset", [](Song& s) { MoveLyrics(s, -250); }, {108, 112, 1682, 1686, 1690, 2160, 2640}},
      {"quantize", [](Song& s) { QuantizeLyrics(s, static_cast<uint8_t>(TQuantizeGrid::Quarter)); },
       {108, 112, 1912, 1916, 1920, 2400, 2880}},
      {"assign", [](Song& s) { AssignSyllablesToNotes(s); }, {108, 112, 472, 476, 480, 960, 1440}},
      {"position text", [](Song& s) {
         std::u16string text = EnterMtcText(s).Text;
         const size_t at = text.find(u"002.01.010");
         ASSERT_NE(at, std::u16string::npos) << std::string(text.begin(), text.end());
         text.replace(at, 10, u"001.02.000");
         ASSERT_EQ(LeaveMtcText(s, text).Status, TLeaveStatus::Done);
       }, {108, 112, 472, 476, 480, 2400, 2880}},
  };
  for (const auto& c : cases) {
    Song song;
    Open(song, Melody({480, 960, 1440}, 7680));
    song.MidiFileLoaded = true;
    SetSyllables(song, texts, {108, 112, 1922, 1926, 1930, 2400, 2880});
    c.change(song);
    EXPECT_EQ(Positions(song), c.expected) << c.what;
    ExpectSongInvariants(song, c.what);
  }
}

TEST(TitleLines, AnOffsetTowardsTheStartMovesEverySungSyllableOfARealSong) {
  for (const char* name : {"kar/Happy_Birthday_1.kar", "kar/Hark_The_Herald_Angels_Sing.mid"}) {
    CVTEST_CORPUS_FILE_OR_SKIP(path, name);
    Song song;
    DateiOeffnen(song, path);
    const int32_t header = HeaderElementCount(song);
    // Title, break, artist, break; a page mark before the first verse adds a blank line.
    ASSERT_GE(header, 4) << name;
    std::vector<int32_t> before;
    for (int32_t i = header; i < song.HyphenArrayElements; ++i) before.push_back(song.HyphenArray[i].Time);
    MoveLyrics(song, -120);
    for (int32_t i = header; i < song.HyphenArrayElements; ++i)
      EXPECT_NEAR(song.HyphenArray[i].Time, before[i - header] - 120, 10) << name << " element " << i;
    const int32_t first = song.HyphenArray[header].SongPosition;
    for (int32_t i = 2; i < header; ++i)
      EXPECT_EQ(song.HyphenArray[i].SongPosition, first - 4 * (header - i)) << name << " element " << i;
  }
}

class NoTitleEditors : public ::testing::Test {
 protected:
  void SetUp() override {
    Open(song, Melody({960, 1440, 1920, 2400}, 7680));
    song.TitleLine = false;
    song.MidiFileLoaded = true;
    SetSyllables(song, {u"Hel", u"lo", u"\r", u"world", u"\r", u"end"}, {960, 1440, 1444, 1920, 1924, 2400});
  }
  Song song;
};

TEST_F(NoTitleEditors, TheEditTextShowsBlankTitleLinesThatStayNoneWhenLeftBlank) {
  const TEditorText text = EnterEditText(song);
  EXPECT_EQ(text.Text, u"\n\nHel-lo\nworld\nend");
  const TLeaveResult left = LeaveEditText(song, text.Text, nullptr);
  ASSERT_EQ(left.Status, TLeaveStatus::Done);
  EXPECT_FALSE(song.TitleLine);
  EXPECT_EQ(Positions(song), (Ticks{960, 1440, 1444, 1920, 1924, 2400}));
  ExpectSongInvariants(song, "left blank");

  // A name typed there makes a title line; the lyrics keep their times.
  EnterEditText(song);
  ASSERT_EQ(LeaveEditText(song, u"My Song\n\nHel-lo\nworld\nend", nullptr).Status, TLeaveStatus::Done);
  EXPECT_TRUE(song.TitleLine);
  EXPECT_EQ(song.HyphenArray[0].Text, u"My Song");
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 956, 960, 1440, 1444, 1920, 1924, 2400}));
}

TEST_F(NoTitleEditors, ThePositionTextAndItsCommandsKeepTheFirstSungLine) {
  const TEditorText text = EnterMtcText(song);
  EXPECT_EQ(text.Text.substr(0, 24), u"001.01.000 \n001.01.000 \n");
  ASSERT_EQ(LeaveMtcText(song, text.Text).Status, TLeaveStatus::Done);
  EXPECT_FALSE(song.TitleLine);
  EXPECT_EQ(Positions(song), (Ticks{960, 1440, 1444, 1920, 1924, 2400}));

  song.HyphenArray[0].Text = u"Hel,";
  ASSERT_EQ(RemovePunctuation(song).Status, TLeaveStatus::Done);
  EXPECT_EQ(song.HyphenArray[0].Text, u"Hel");  // a sung syllable, not a name
  EXPECT_EQ(Positions(song), (Ticks{960, 1440, 1444, 1920, 1924, 2400}));

  song.HyphenArray[0].Text = u"hé";
  SetUpperCase(song);
  EXPECT_EQ(song.HyphenArray[0].Text, u"HÉ");  // a sung syllable, not a name

  // A name typed into the first line makes title lines.
  std::u16string edited = EnterMtcText(song).Text;
  edited.replace(0, 11, u"001.01.000 Name");
  ASSERT_EQ(LeaveMtcText(song, edited).Status, TLeaveStatus::Done);
  EXPECT_TRUE(song.TitleLine);
  EXPECT_EQ(song.HyphenArray[0].Text, u"Name");
  EXPECT_EQ(Positions(song), (Ticks{108, 112, 956, 960, 1440, 1444, 1920, 1924, 2400}));
}

}  // namespace
