#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "song/Apostrophes.h"
#include "song/LyricsExtraction.h"
#include "support/SongChains.h"

using namespace cv;
using namespace cvtest;

namespace {

using Events = std::vector<std::pair<int, std::string>>;  // tick, bytes
using Elements = std::vector<std::pair<std::string, int>>;  // text (UTF-8), position

// One source track (track 0) and the lyrics track (1); type 5 events go to the lyrics track.
void Fill(Song& song, const Events& events, int type = 5, int maxPos = 20000) {
  InitSong(song, 1, maxPos);
  const int track = type == 5 ? 1 : 0;
  for (const auto& [tick, bytes] : events) AddMeta(song, track, tick, type, bytes);
}

Elements Result(const Song& song) {
  Elements out;
  for (int i = 0; i < song.HyphenArrayElements; ++i)
    out.emplace_back(Utf16ToUtf8(song.HyphenArray[i].Text), song.HyphenArray[i].SongPosition);
  return out;
}

Elements Extract(const Events& events, int type = 5) {
  Song song;
  Fill(song, events, type);
  ExtractLyrics(song);
  return Result(song);
}

// Five plain syllables that follow the events under test, so the list is long enough to keep.
Events WithTail(Events events, int from) {
  for (int i = 0; i < 5; ++i) events.emplace_back(from + 100 * i, "t" + std::to_string(i));
  return events;
}

}  // namespace

TEST(LyricsExtraction, ChoosesLyricEventsFromFiveOn) {
  struct Case {
    int lyrics, texts, expectedType, expectedTrack, expectedCount;
  };
  for (Case c : {Case{4, 6, 1, 0, 6}, Case{5, 6, 5, 1, 5}, Case{4, 4, 5, 0, 0}}) {
    Song song;
    InitSong(song, 1, 10000);
    for (int i = 0; i < c.texts; ++i) AddMeta(song, 0, 1000 + i * 100, 1, "x" + std::to_string(i));
    for (int i = 0; i < c.lyrics; ++i) AddMeta(song, 1, 1000 + i * 100, 5, "y" + std::to_string(i));
    ExtractLyrics(song);
    EXPECT_EQ(song.LyricsMetaType, c.expectedType) << c.lyrics << "/" << c.texts;
    EXPECT_EQ(song.LyricsTrack, c.expectedTrack);
    EXPECT_EQ(song.HyphenArrayElements, c.expectedCount);
    if (c.expectedCount > 0) {
      EXPECT_EQ(song.HyphenArray.size(), static_cast<size_t>(c.expectedCount) + 1);
    } else {
      EXPECT_TRUE(song.HyphenArray.empty());
    }
  }
}

TEST(LyricsExtraction, SplitsAtLineBreaksAndSpacesPositions) {
  EXPECT_EQ(Extract({{1000, "Hel"}, {1200, "lo\r"}, {1400, "world"}, {1400, "and"}, {1402, "more"}, {1600, "x"}}),
            (Elements{{"Hel", 1000}, {"lo", 1200}, {"\r", 1204}, {"world", 1400}, {"and", 1404}, {"more", 1408},
                      {"x", 1600}}));
  // CR at the start, inside and at the end of one event; LF alone counts as CR.
  EXPECT_EQ(Extract({{100, "a"}, {200, "\rb\rc\r"}, {300, "d\n"}, {400, "  \r"}, {500, "e"}}),
            (Elements{{"a", 108}, {"\r", 112}, {"b", 204}, {"\r", 208}, {"c", 212}, {"\r", 216}, {"d", 300},
                      {"\r", 304}, {"\r", 496}, {"e", 500}}));
}

TEST(LyricsExtraction, LeadFlagDropsLoneLineBreakAfterTitle) {
  EXPECT_EQ(Extract(WithTail({{10, "  "}, {20, "/Title"}, {30, "\r"}, {40, "Next"}}, 1000)),
            (Elements{{"Title", 20}, {"Next", 40}, {"t0", 1000}, {"t1", 1100}, {"t2", 1200}, {"t3", 1300},
                      {"t4", 1400}}));
}

TEST(LyricsExtraction, LineStartsAndControlCharacters) {
  Song song;
  Fill(song, WithTail({{10, "first"}, {50, "/Line"}, {60, "\\"}, {70, "<x"}, {80, "a\tb"}, {90, "% note"}}, 1000));
  ExtractLyrics(song);
  EXPECT_EQ(Result(song), (Elements{{"first", 108}, {"\r", 112}, {"Line", 116}, {"\r", 120}, {"\r", 124},
                                    {"x", 128}, {"ab", 132}, {"t0", 1000}, {"t1", 1100}, {"t2", 1200},
                                    {"t3", 1300}, {"t4", 1400}}));
  EXPECT_TRUE(song.TextChanged);
  // The comment stays in the chain; it yields no element.
  EXPECT_EQ(MetaTexts(song, 1, 5)[5], "% note");
}

TEST(LyricsExtraction, ChordHelperLyricsDroppedOnlyWhenAskedAndShort) {
  struct Case {
    std::string text;
    bool option;
    bool kept;
  };
  for (const Case& c : {Case{"----", true, false}, Case{"----", false, true}, Case{"x----", true, false},
                        Case{"----1234", true, true}}) {
    Song song;
    Fill(song, WithTail({{10, "a"}, {20, c.text}}, 1000));
    song.Configuration.XF_DeleteChordHelper = c.option;
    ExtractLyrics(song);
    EXPECT_EQ(song.HyphenArrayElements, c.kept ? 7 : 6) << c.text << " " << c.option;
    EXPECT_EQ(MetaTexts(song, 1, 5).size(), c.kept ? 7u : 6u);
  }
}

TEST(LyricsExtraction, KaraokeHeaderLines) {
  Song song;
  Fill(song,
       {{0, "@KMIDI KARAOKE FILE"}, {0, "@V0100"}, {0, "@LENGL"}, {0, "@IHeader info"}, {0, "@WDO NOT COPY"}, {5, "Info"},
        {6, "%comment"}, {10, "@T  title"}, {150, "\\Hel"}, {200, "lo"}, {300, "/My"}, {400, " dear"}},
       1);
  ExtractLyrics(song);
  EXPECT_EQ(song.LyricsMetaType, 1);
  // "Hel lo" is a line of two syllables: sung, not an artist line, so it keeps its ticks. Its
  // backslash starts a new page: a blank line before it.
  EXPECT_EQ(Result(song), (Elements{{"title", 108}, {"\r", 112}, {"\r", 146}, {"Hel", 150}, {"lo", 200}, {"\r", 296},
                                    {"My ", 300}, {"dear", 400}}));
  // Header lines and the header text are gone from the chain; the title line was rewritten.
  EXPECT_EQ(MetaTexts(song, 0, 1), (std::vector<std::string>{"/title", "\\Hel", "lo", "/My", " dear"}));
  EXPECT_EQ(song.MidiTrack[0].TrkEventCounter, ChainLength(song, 0));
}

TEST(LyricsExtraction, KaraokeLeadingSpaceMovesToSyllableBefore) {
  // After a line break the space is deleted, not moved into the line break.
  EXPECT_EQ(Extract({{100, "x"}, {200, "Hel"}, {300, " lo"}, {400, "\r"}, {500, " world"}, {600, " \\next"}}, 1),
            (Elements{{"x", 100}, {"Hel ", 200}, {"lo", 300}, {"\r", 400}, {"world", 500}, {"\r", 592},
                      {"\r", 596}, {"next", 600}}));
}

TEST(LyricsExtraction, SyllableBeforeLineBreakLosesTrailingSpaces) {
  const Events events = {{100, "a"}, {200, "b  "}, {300, "/c"}, {400, "d "}, {500, "\r"}, {600, "e  "}, {700, "f"}};
  EXPECT_EQ(Extract(events), (Elements{{"a", 100}, {"b", 200}, {"\r", 296}, {"c", 300}, {"d", 400}, {"\r", 500},
                                       {"e  ", 600}, {"f", 700}}));
  // The syllables written back read the same again.
  Song song;
  Fill(song, events);
  ExtractLyrics(song);
  const Elements first = Result(song);
  Events written;
  for (const auto& [text, pos] : first) written.emplace_back(pos, text);
  EXPECT_EQ(Extract(written), first);
}

TEST(LyricsExtraction, FewerThanFiveElementsGiveNoLyrics) {
  Song song;
  Fill(song, {{10, "\r"}, {20, "a"}, {30, "b"}, {40, "c\r"}, {60, "   "}});
  ExtractLyrics(song);
  EXPECT_EQ(song.HyphenArrayElements, 0);
  EXPECT_EQ(song.HyphenArrayCounter, 0);
  EXPECT_TRUE(song.HyphenArray.empty());
  EXPECT_EQ(MetaTexts(song, 1, 5).size(), 4u);  // the blank event was dropped
}

TEST(LyricsExtraction, CopyrightLinesDroppedWhenOwnTextIsSet) {
  const Events events =
      WithTail({{5, "(C) Copyright 1999"}, {6, "ALL RIGHTS RESERVED"}, {7, "by ACME music"}, {8, "\r"}, {9, "Go"}},
               1000);
  EXPECT_EQ(Extract(events).size(), 10u);  // nothing is filtered without an own copyright text
  Song song;
  Fill(song, events);
  song.Configuration.CopyrightString = "acme";
  ExtractLyrics(song);
  EXPECT_EQ(Result(song)[0], (std::pair<std::string, int>{"Go", 9}));  // sung: no title line
  EXPECT_EQ(song.HyphenArrayElements, 6);
}

TEST(LyricsExtraction, BlankLinesBetweenLinesSitBeforeNextLine) {
  EXPECT_EQ(Extract({{100, "a"}, {200, "b\r"}, {300, "\r"}, {1000, "c"}, {1100, "d\r"}, {1200, "\r"}, {1300, "\r"},
                     {2000, "e"}}),
            (Elements{{"a", 100},
                      {"b", 200},
                      {"\r", 204},
                      {"\r", 996},
                      {"c", 1000},
                      {"d", 1100},
                      {"\r", 1104},
                      {"\r", 1992},
                      {"\r", 1996},
                      {"e", 2000}}));
}

TEST(LyricsExtraction, NumbersBetweenWordsAreJoined) {
  struct Case {
    std::string in, out;
  };
  for (const Case& c : {Case{"Take 5 now", "Take_5_now"}, Case{"in 12 hours", "in_12_hours"},
                        Case{"at 0 am", "at 0 am"}, Case{"a 1 b 2 c", "a_1_b 2 c"}, Case{"x 123 y", "x 123 y"}}) {
    Elements r = Extract(WithTail({{10, "a"}, {20, "b"}, {30, "c"}, {40, c.in}}, 1000));
    EXPECT_EQ(r[3].first, c.out);
  }
  // Not before element 3 (title and artist stay as they are).
  EXPECT_EQ(Extract(WithTail({{10, "Take 5 now"}}, 1000))[0].first, "Take 5 now");
}

TEST(LyricsExtraction, TitleAndArtistLinesPlacedBeforeFirstLine) {
  struct Case {
    Events events;
    std::vector<int> positions;
  };
  const std::vector<Case> cases = {
      {{{10, "T\r"}, {20, "\r"}, {900, "x"}, {950, "y"}, {960, "z"}}, {108, 112, 896, 900, 950, 960}},
      {{{10, "T\r"}, {20, "A\r"}, {900, "x"}, {950, "y"}, {960, "z"}}, {108, 112, 892, 896, 900, 950, 960}},
      // A second line of two syllables is sung, not an artist line: it keeps its ticks.
      {{{10, "T\r"}, {20, "A"}, {30, "B\r"}, {900, "x"}, {950, "y"}}, {108, 112, 116, 120, 124, 900, 950}},
  };
  for (const Case& c : cases) {
    Song song;
    Fill(song, c.events);
    ExtractLyrics(song);
    std::vector<int> positions;
    for (const auto& e : Result(song)) positions.push_back(e.second);
    EXPECT_EQ(positions, c.positions);
  }
}

TEST(LyricsExtraction, TimesAndPositionTextsFromTheTimeMap) {
  Song song;
  Fill(song, WithTail({{0, "first\r"}, {1500, "x"}}, 2000));
  ExtractLyrics(song);
  ASSERT_EQ(song.HyphenArrayElements, 8);
  EXPECT_EQ(song.HyphenArray[0].MTC, u"001.01.108");
  EXPECT_EQ(song.HyphenArray[0].Time, 112);  // 108 ticks at 120 bpm, 480 per quarter: 112.5, to even
  EXPECT_EQ(song.HyphenArray[2].MTC, u"001.04.060");
  EXPECT_EQ(song.HyphenArray[2].Time, 1562);
}

TEST(LyricsExtraction, TextDecodesThroughTheSongEncoding) {
  Song song;
  Fill(song, WithTail({{10, "Gr\xC3\xBC\xC3\x9F" "e"}, {20, "\xE4\xB8\xAD"}}, 1000));
  song.Encoding = TextEncoding::Utf8;
  ExtractLyrics(song);
  EXPECT_EQ(song.HyphenArray[0].Text, u"Grüße");
  EXPECT_EQ(song.HyphenArray[1].Text, u"\u4E2D");
  song.Encoding = TextEncoding::Windows1252;
  Fill(song, WithTail({{10, "Gr\xFC\xDF" "e"}, {20, "it\x92s \xB4n\x60 \x91q\x92"}}, 1000));
  ExtractLyrics(song);
  EXPECT_EQ(song.HyphenArray[0].Text, u"Grüße");
  EXPECT_EQ(song.HyphenArray[1].Text, u"it's 'n' 'q'");
}

TEST(LyricsExtraction, ApostrophesOfBothSets) {
  std::u16string s = u"\u00B4\u0060\u201A\u2018\u2019\u0082\u0091\u0092\u201C";
  EXPECT_TRUE(ReplaceTypographicApostrophes(s));
  EXPECT_EQ(s, u"''''''''\u201C");
  EXPECT_FALSE(ReplaceTypographicApostrophes(s));
}

TEST(LyricsExtraction, IsBlankLine) {
  EXPECT_TRUE(isBlankLine(u""));
  EXPECT_TRUE(isBlankLine(u"   "));
  EXPECT_FALSE(isBlankLine(u" \t "));
  EXPECT_FALSE(isBlankLine(u"\r"));
  EXPECT_FALSE(isBlankLine(u" a"));
}
