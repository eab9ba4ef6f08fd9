#include <gtest/gtest.h>

#include "LyricsSong.h"
#include "lyrics/Assign.h"
#include "lyrics/Quantize.h"

using namespace cv;
using namespace lyricstest;

namespace {

const std::vector<std::u16string> kHeader = {u"Song", u"\r", u"Artist", u"\r"};

std::vector<std::u16string> WithHeader(std::vector<std::u16string> rest) {
  std::vector<std::u16string> all = kHeader;
  all.insert(all.end(), rest.begin(), rest.end());
  return all;
}

TEST(Assign, OneNotePerSyllablePassingOverChordNotes) {
  Song song;
  // C at 480; a chord of three notes at 960; A at 1440.
  auto smf = Melody({480, 960, 960, 960, 1440}, 3840);
  Open(song, smf);
  SetSyllables(song, WithHeader({u"Twin", u"kle", u"star"}));
  AssignSyllablesToNotes(song);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 112, 472, 476, 480, 960, 1440}));
  EXPECT_EQ(song.HyphenArray[5].MTC, u"001.03.000");
  EXPECT_EQ(song.HyphenArray[5].Time, 1000);
}

TEST(Assign, LineBreaksAndContinuationsRideFourTicksBehindAndTakeNoNote) {
  Song song;
  Open(song, Melody({480, 960, 1440}, 3840));
  SetSyllables(song, WithHeader({u"Twin", u"-kle", u"\r", u"lit", u"tle"}));
  AssignSyllablesToNotes(song);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 112, 472, 476, 480, 484, 488, 960, 1440}));
}

TEST(Assign, LeftoverSyllablesEndEightTicksBeforeTheSongEnd) {
  Song song;
  Open(song, Melody({480, 960}, 3840));
  SetSyllables(song, WithHeader({u"a", u"b", u"c", u"d", u"e"}));
  AssignSyllablesToNotes(song);
  EXPECT_EQ(song.MaxSongPosition, 3840);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 112, 472, 476, 480, 960, 3840 - 16, 3840 - 12, 3840 - 8}));
}

TEST(Assign, BarMarkersGoJustBeforeWhatFollowsThem) {
  Song song;
  Open(song, Melody({480, 960, 1440}, 3840));
  SetSyllables(song, WithHeader({u"one", u"1_TAKT", u"\r", u"\r", u"two", u"2_takt", u"three", u"3_takt"}));
  AssignSyllablesToNotes(song);
  EXPECT_EQ(Positions(song), (std::vector<int32_t>{108, 112, 472, 476, 480, 948, 952, 956, 960, 1436, 1440, 3836}));
}

TEST(Assign, HeaderVariantsAndShortLists) {
  const struct {
    std::vector<std::u16string> texts;
    std::vector<int32_t> expected;
  } cases[] = {
      {{u"Song", u"\r", u"Artist", u"\r", u"\r", u"la"}, {108, 112, 468, 472, 476, 480}},
      {{u"Song", u"\r", u"\r", u"la"}, {108, 112, 476, 480}},
      {{u"Song", u"\r", u"2_takt", u"la"}, {108, 112, 476, 480}},  // a bar marker ends the header
      {{u"Song", u"\r"}, {108, 112}},                               // the list ends in the header
      {{u"Song"}, {480}},  // without its line break it is no title line: sung
  };
  for (const auto& c : cases) {
    Song song;
    Open(song, Melody({480}, 1920));
    SetSyllables(song, c.texts);
    AssignSyllablesToNotes(song);
    EXPECT_EQ(Positions(song), c.expected) << c.texts.size();
  }
}

TEST(Assign, HiddenNoteIsPassedOver) {
  Song song;
  Open(song, Melody({480, 960, 1440, 1920}, 3840));
  SetSyllables(song, WithHeader({u"a", u"b", u"c"}));
  AssignSyllablesToNotes(song);

  EXPECT_TRUE(HideNoteAt(song, 900));  // the note at tick 960 (1000 ms) is the first from 900 ms on
  const auto hidden = Positions(song);
  EXPECT_FALSE(HideNoteAt(song, 5000));  // no note after the time: nothing changes
  EXPECT_EQ(Positions(song), hidden);
}

// Syllables timed by people go onto the notes they were sung on, not the n-th onto the n-th
// note; an imported text, not yet timed, goes onto the notes in order.
TEST(Assign, TimedSyllablesLandOnTheNotesTheyWereSungOn) {
  const struct {
    const char* what;
    std::vector<int> notes;
    std::vector<int32_t> ticks, expected;
  } cases[] = {
      // The note at 1200 is the second note of "lit" (a melisma): in order "tle" would take it.
      {"a syllable sung over two notes", {480, 960, 1200, 1440}, {500, 950, 1450}, {480, 960, 1440}},
      // One letter per lyric event, spread over the held note: they all light up with it.
      {"letters over a held note", {480, 1440}, {480, 700, 900, 1440}, {480, 480, 480, 1440}},
      {"an eighth early before its note", {480, 960, 1440}, {480, 720, 1440}, {480, 960, 1440}},
      // No note near it for two bars: it keeps the time it was given.
      {"a syllable in a long rest", {480, 480 + 4 * 1920}, {480, 5000, 480 + 4 * 1920}, {480, 5000, 480 + 4 * 1920}},
      {"an imported text waiting at the song end", {480, 960, 1440}, {3000, 3010, 3020}, {480, 960, 1440}},
      {"an imported text bunched at the start", {480, 960, 1440}, {0, 0, 0}, {480, 960, 1440}},
  };
  for (const auto& c : cases) {
    Song song;
    Open(song, Melody(c.notes, 12000));
    song.TitleLine = false;
    const std::vector<std::u16string> texts(c.ticks.size(), u"la ");
    SetSyllables(song, texts, c.ticks);
    AssignSyllablesToNotes(song);
    EXPECT_EQ(Positions(song), c.expected) << c.what;
    ExpectSongInvariants(song, c.what);
  }
}

TEST(Assign, EmptyListChangesNothing) {
  Song song;
  Open(song, Melody({480}, 1920));
  SetSyllables(song, {});
  AssignSyllablesToNotes(song);
  EXPECT_EQ(song.HyphenArrayElements, 0);
}

}  // namespace
