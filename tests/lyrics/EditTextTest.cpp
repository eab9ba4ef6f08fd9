#include "lyrics/EditText.h"

#include <gtest/gtest.h>

#include "LyricsTestSupport.h"
#include "song/Language.h"

namespace {

using cvtest::Positions;
using cvtest::S;
using cvtest::SetSyllables;
using cvtest::Texts;
using cvtest::U;
using Items = std::vector<std::pair<std::string, int>>;

const Items kHeader = {{"Song", 108}, {"\r", 112}, {"Artist", 992}, {"\r", 996}};

Items WithHeader(const Items& lyrics) {
  Items all = kHeader;
  all.insert(all.end(), lyrics.begin(), lyrics.end());
  return all;
}

std::vector<cv::THyphens> List(const Items& items) {
  cv::Song song;
  SetSyllables(song, items);
  return song.HyphenArray;
}

std::vector<cv::THyphens> ListOf(const std::vector<std::string>& texts) {
  Items items;
  for (const auto& t : texts) items.push_back({t, 0});
  return List(items);
}

TEST(EditTextBuild, MarksSyllablesSpacesAndHyphensAndPlacesTheCaret) {
  cv::Song song;
  SetSyllables(song, {{"Song", 0}, {"\r", 0}, {"Artist", 0}, {"\r", 0}, {"Hel", 0}, {"lo ", 0},
                      {"world", 0}, {"\r", 0}, {"a b", 0}, {"AC-DC ", 0}});
  song.CurrentHyphen = 4;
  cv::TEditorText t = cv::BuildEditText(song);
  EXPECT_EQ(S(t.Text), "Song\nArtist\nHel-lo world\na_b-AC=DC ");
  EXPECT_EQ(S(t.Text.substr(0, t.CaretOffset)), "Song\nArtist\nHel-");
  EXPECT_GT(t.LookAheadOffset, t.CaretOffset);
  EXPECT_LE(t.LookAheadOffset, static_cast<int>(t.Text.size()));

  song.CurrentHyphen = -1;
  EXPECT_EQ(cv::BuildEditText(song).CaretOffset, 0);
  SetSyllables(song, {});
  EXPECT_TRUE(cv::BuildEditText(song).Text.empty());
}

TEST(EditTextParse, SyllablesWordsMarkersAndEscapes) {
  struct Case {
    std::string line;
    std::vector<std::string> elements;
  };
  const std::vector<Case> cases = {
      {"Hel-lo world", {"Hel", "lo ", "world"}},
      {"a_b", {"a b"}},
      {"AC=DC rocks", {"AC-DC ", "rocks"}},
      {"Hel-", {"Hel-"}},
      {"a  b   ", {"a ", " b"}},
      {"x", {"x"}},
      {"----", {"----"}},
      {"---- la la", {"---- ", "la ", "la"}},
      {"==== la", {"---- ", "la"}},
  };
  for (const Case& c : cases) {
    auto list = cv::ParseEditText({U("Song"), U("Artist"), U(c.line)});
    std::vector<std::string> expected = {"Song", "\r", "Artist", "\r"};
    expected.insert(expected.end(), c.elements.begin(), c.elements.end());
    EXPECT_EQ(Texts(list), expected) << c.line;
  }
  // Header: trailing spaces go, escapes apply; a blank artist line is only its line break.
  EXPECT_EQ(Texts(cv::ParseEditText({U("My_Song  "), U("  "), U("la"), U(""), U("lo")})),
            (std::vector<std::string>{"My Song", "\r", "\r", "la", "\r", "\r", "lo"}));
  EXPECT_EQ(Texts(cv::ParseEditText({U("Song")})), (std::vector<std::string>{"Song", "\r"}));
}

TEST(EditTextNormalise, TabsApostrophesAndControls) {
  struct Case {
    std::u16string in;
    int tabStop;
    std::u16string out;
  };
  const std::vector<Case> cases = {
      {u"ab\tc", 5, u"ab   c"},
      {u"abcd\te", 5, u"abcd e"},
      {u"ab\tc", 8, u"ab      c"},
      {u"abcdefg\th", 8, u"abcdefg h"},
      {u"it\u2019s \u00B4a\u0060 \u0091b\u0092 \u201Ac\u2018", 5, u"it's 'a' 'b' 'c'"},
      {u"a\x01" u"b\x1f" u"c\u00e4", 5, u"abc\u00e4"},
  };
  for (const Case& c : cases) EXPECT_EQ(cv::NormaliseLine(c.in, c.tabStop), c.out) << S(c.in);
}

TEST(EditTextNormalise, BlankLineRules) {
  std::vector<std::u16string> lines = {u"", u"  ", u"Song", u"", u"a", u"", u" ", u"", u"b", u"", u" "};
  cv::DropBlankLines(lines);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"Song", u"", u"a", u"", u"b"}));
  // The second line may stay blank, a third blank line after it goes.
  lines = {u"Song", u"", u"", u"a"};
  cv::DropBlankLines(lines);
  EXPECT_EQ(lines, (std::vector<std::u16string>{u"Song", u"", u"a"}));
  lines = {u" ", u"", u"  "};
  cv::DropBlankLines(lines);
  EXPECT_TRUE(lines.empty());
}

TEST(EditTextCarry, UnchangedAndCorrectedInPlaceKeepTimes) {
  auto oldList = List(WithHeader({{"Hel", 1000}, {"lo ", 2000}, {"world", 3000}}));
  auto same = ListOf({"Song", "\r", "Artist", "\r", "Hel", "lo ", "world"});
  cv::CarryTimesOver(oldList, same, 10000);
  EXPECT_EQ(Positions(same), Positions(oldList));
  auto corrected = ListOf({"Song", "\r", "Artist", "\r", "Hal", "lo ", "welt"});
  cv::CarryTimesOver(oldList, corrected, 10000);
  EXPECT_EQ(Positions(corrected), Positions(oldList));
}

TEST(EditTextCarry, ChangedStretchesBetweenNeighbours) {
  const auto oldList = List(WithHeader({{"a", 1000}, {"b", 2000}, {"\r", 2010}, {"c", 3000}, {"d", 5000},
                                        {"e", 6000}, {"f", 7000}}));
  struct Case {
    const char* what;
    std::vector<std::string> lyrics;
    std::vector<int> positions;  // of the lyric elements
  };
  const std::vector<Case> cases = {
      {"insert one", {"a", "x", "b", "\r", "c", "d", "e", "f"}, {1000, 1500, 2000, 2010, 3000, 5000, 6000, 7000}},
      {"insert before a line break lands halfway, the break 10 later",
       {"a", "b", "x", "\r", "c", "d", "e", "f"}, {1000, 2000, 2500, 2510, 3000, 5000, 6000, 7000}},
      {"insert after a line break skips it", {"a", "b", "\r", "x", "c", "d", "e", "f"},
       {1000, 2000, 2010, 2500, 3000, 5000, 6000, 7000}},
      {"delete one: the next takes the midpoint", {"a", "b", "\r", "d", "e", "f"},
       {1000, 2000, 2010, 4000, 6000, 7000}},
      {"stretch with a line break inside", {"a", "x", "\r", "y", "z", "c", "d", "e", "f"},
       {1000, 1500, 1504, 2000, 2500, 3000, 5000, 6000, 7000}},
      {"long stretch is spread too", {"a", "p", "q", "r", "s", "t", "u", "v", "e", "f"},
       {1000, 1625, 2250, 2875, 3500, 4125, 4750, 5375, 6000, 7000}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> texts = {"Song", "\r", "Artist", "\r"};
    texts.insert(texts.end(), c.lyrics.begin(), c.lyrics.end());
    auto list = ListOf(texts);
    cv::CarryTimesOver(oldList, list, 100000);
    std::vector<int> got = Positions(list);
    EXPECT_EQ(std::vector<int>(got.begin() + 4, got.end()), c.positions) << c.what;
  }
}

// Lyrics read from karaoke files end with a line break, which the edit text cannot hold.
TEST(EditTextCarry, AFinalLineBreakOfTheOldListIsNoChange) {
  const auto oldList = List(WithHeader({{"a", 1000}, {"b", 2000}, {"\r", 2010}, {"c", 3000}, {"d", 4000},
                                        {"\r", 4010}}));
  struct Case {
    const char* what;
    std::vector<std::string> lyrics;
    std::vector<int> positions;
  } cases[] = {
      {"untouched", {"a", "b", "\r", "c", "d"}, {1000, 2000, 2010, 3000, 4000}},
      {"corrected in place", {"a", "x", "\r", "c", "d"}, {1000, 2000, 2010, 3000, 4000}},
      {"inserted", {"a", "x", "b", "\r", "c", "d"}, {1000, 1500, 2000, 2010, 3000, 4000}},
      {"deleted: the next takes the midpoint", {"a", "\r", "c", "d"}, {1000, 2000, 3000, 4000}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> texts = {"Song", "\r", "Artist", "\r"};
    texts.insert(texts.end(), c.lyrics.begin(), c.lyrics.end());
    auto list = ListOf(texts);
    cv::CarryTimesOver(oldList, list, 100000);
    std::vector<int> got = Positions(list);
    EXPECT_EQ(std::vector<int>(got.begin() + 4, got.end()), c.positions) << c.what;
  }
}

TEST(EditTextCarry, OnlyAStretchAtTheEndStaysProvisional) {
  const auto oldList = List(WithHeader({{"a", 1000}, {"b", 2000}}));
  auto appended = ListOf({"Song", "\r", "Artist", "\r", "a", "b", "x", "y"});
  cv::CarryTimesOver(oldList, appended, 10000);
  EXPECT_EQ(Positions(appended), (std::vector<int>{108, 112, 992, 996, 1000, 2000, 9970, 9980}));
  auto changedEnd = ListOf({"Song", "\r", "Artist", "\r", "a", "x", "y"});
  cv::CarryTimesOver(oldList, changedEnd, 10000);
  EXPECT_EQ(Positions(changedEnd), (std::vector<int>{108, 112, 992, 996, 1000, 9970, 9980}));
}

// Leaving the editor on a song whose lyrics start at tick 1000.
class EditTextLeave : public ::testing::Test {
 protected:
  void SetUp() override {
    cvtest::MakeTimedSong(song);
    SetSyllables(song, WithHeader({{"Hel", 1000}, {"lo ", 2000}, {"world", 3000}, {"\r", 3010}, {"la", 4000}}));
  }
  cv::TLeaveResult Leave(const std::string& text) {
    return cv::LeaveEditText(song, U(text), [this](const std::string&) {
      ++questions;
      return answer;
    });
  }
  cv::Song song;
  int questions = 0;
  bool answer = true;
};

TEST_F(EditTextLeave, UntouchedTextGivesTheSameList) {
  const auto before = song.HyphenArray;
  cv::TEditorText t = cv::EnterEditText(song);
  EXPECT_TRUE(song.EditingText);
  cv::TLeaveResult r = cv::LeaveEditText(song, t.Text, nullptr);
  ASSERT_EQ(r.Status, cv::TLeaveStatus::Done);
  EXPECT_FALSE(song.EditingText);
  EXPECT_EQ(Texts(song.HyphenArray), Texts(before));
  EXPECT_EQ(Positions(song.HyphenArray), Positions(before));
  EXPECT_EQ(S(r.Text), "Song\nArtist\nHello world\nla");
  EXPECT_EQ(S(song.HyphenArray[4].MTC), "001.03.040");
  EXPECT_EQ(song.HyphenArray[4].Time, 1042);
}

TEST_F(EditTextLeave, HeaderEditsKeepTheLyricTimes) {
  // Typing an artist into a blank second line, and renaming the song together with an insertion.
  SetSyllables(song, {{"Song", 108}, {"\r", 112}, {"\r", 996}, {"Hel", 1000}, {"lo ", 2000}, {"world", 3000}});
  ASSERT_EQ(Leave("Song\nArtist\nHel-lo world").Status, cv::TLeaveStatus::Done);
  EXPECT_EQ(Positions(song.HyphenArray), (std::vector<int>{108, 112, 992, 996, 1000, 2000, 3000}));
  ASSERT_EQ(Leave("Other song\nOther artist\nHel-lo new world").Status, cv::TLeaveStatus::Done);
  EXPECT_EQ(Positions(song.HyphenArray), (std::vector<int>{108, 112, 992, 996, 1000, 2000, 2500, 3000}));
  ASSERT_EQ(Leave("Other song\n\nHel-lo new world").Status, cv::TLeaveStatus::Done);
  EXPECT_EQ(Positions(song.HyphenArray), (std::vector<int>{108, 112, 996, 1000, 2000, 2500, 3000}));
}

TEST_F(EditTextLeave, RulesQuestionTooFewLinesAndBlankText) {
  const auto before = song.HyphenArray;
  song.QuerryForRules = true;
  answer = false;
  EXPECT_EQ(Leave("Song\nArtist\nla").Status, cv::TLeaveStatus::RulesDeclined);
  EXPECT_TRUE(song.QuerryForRules);
  EXPECT_EQ(Leave("Song\nArtist").Status, cv::TLeaveStatus::TooFewLines);
  EXPECT_EQ(questions, 1);
  answer = true;
  EXPECT_EQ(Leave("  \n\t\n\x01\n").Status, cv::TLeaveStatus::NothingLeft);
  EXPECT_FALSE(song.QuerryForRules);
  EXPECT_EQ(Texts(song.HyphenArray), Texts(before));
  EXPECT_EQ(Leave("Song\nArtist\nla").Status, cv::TLeaveStatus::Done);
  EXPECT_EQ(questions, 2);

  cv::SetCurrLanguage(cv::TLanguage::Deutsch);
  EXPECT_NE(cv::RulesQuestionText().find("Haben Sie dies eingehalten?"), std::string::npos);
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  EXPECT_NE(cv::RulesQuestionText().find("Did you follow these rules?"), std::string::npos);
}

TEST_F(EditTextLeave, ShortListsAndTheHeaderPlacement) {
  struct Case {
    std::string text;
    std::vector<int> positions;
  };
  song.MaxSongPosition = 2000;
  SetSyllables(song, {});
  const std::vector<Case> cases = {
      {"Song\n\n\n", {108, 112}},
      {"Song\nArtist\n\n", {108, 112, 116, 120}},
      {"Song\n \nla", {108, 112, 1976, 1980}},
      {"Song\nArtist\nla", {108, 112, 1972, 1976, 1980}},
  };
  for (const Case& c : cases) {
    SetSyllables(song, {});
    ASSERT_EQ(Leave(c.text).Status, cv::TLeaveStatus::Done) << c.text;
    EXPECT_EQ(Positions(song.HyphenArray), c.positions) << c.text;
  }
}

TEST_F(EditTextLeave, PositionsNeverDecreaseAndTheCurrentSyllableStaysInRange) {
  SetSyllables(song, WithHeader({{"a", 3000}, {"b", 1000}, {"c", 500}, {"d", 7000}, {"e", 8000}}));
  song.CurrentHyphen = 8;
  ASSERT_EQ(Leave("Song\nArtist\na b x y\nz").Status, cv::TLeaveStatus::Done);
  for (size_t p = 1; p < song.HyphenArray.size(); ++p)
    EXPECT_GE(song.HyphenArray[p].SongPosition, song.HyphenArray[p - 1].SongPosition) << p;
  ASSERT_EQ(Leave("Song\nArtist\na").Status, cv::TLeaveStatus::Done);
  EXPECT_EQ(song.CurrentHyphen, static_cast<int>(song.HyphenArray.size()) - 1);
}

}  // namespace
