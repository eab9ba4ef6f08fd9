#include "lyrics/MtcText.h"

#include <gtest/gtest.h>

#include "LyricsTestSupport.h"
#include "song/Language.h"

namespace {

using cvtest::Positions;
using cvtest::S;
using cvtest::SetSyllables;
using cvtest::Texts;
using cvtest::U;

// 4/4 for two measures from tick 0, then 3/4 from tick 3840 (measure 3), time base 480.
void MakeTwoZoneSong(cv::Song& song) {
  cvtest::MakeTimedSong(song, 480, 40);
  cv::TTimeZone threeFour = song.TimeZone[0];
  threeFour.SongPosition = 3840;
  threeFour.Measure = 3;
  threeFour.TS_Numerator = 3;
  threeFour.Time = 4000;
  cv::TTimeZone end = threeFour;
  end.SongPosition = song.MaxSongPosition + 1;
  end.Measure = 999;
  song.TimeZone = {song.TimeZone[0], threeFour, end, end};
  song.TimeZoneElements = 3;
}

class MtcText : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeTwoZoneSong(song);
    SetSyllables(song, {{"Song name", 108}, {"\r", 112}, {"Artist", 952}, {"\r", 956}, {"Hel", 960},
                        {"lo ", 1200}, {"AC-DC", 4320}, {"\r", 4330}, {"a b ", 5280}});
  }
  cv::Song song;
};

TEST_F(MtcText, RendersOneLinePerElementWithTheFieldWidthOfTheTimeBase) {
  song.CurrentHyphen = 4;
  cv::TEditorText t = cv::EnterMtcText(song);
  EXPECT_TRUE(song.EditingText);
  EXPECT_EQ(S(t.Text),
            "001.01.108 Song_name\n"
            "001.01.112 ***_Neue_Zeile_***\n"
            "001.02.472 Artist\n"
            "001.02.476 ***_Neue_Zeile_***\n"
            "001.03.000 Hel-\n"
            "001.03.240 lo \n"
            "003.02.000 AC~DC\n"
            "003.02.010 ***_Neue_Zeile_***\n"
            "004.01.000 a_b ");
  EXPECT_EQ(S(t.Text.substr(0, t.CaretOffset)).substr(t.CaretOffset - 4), "Hel-");
  EXPECT_GT(t.LookAheadOffset, t.CaretOffset);

  cv::Song small;
  cvtest::MakeTimedSong(small, 96, 4);
  SetSyllables(small, {{"Song", 108}});
  EXPECT_EQ(S(cv::BuildMtcText(small).Text), "001.02.12 Song-");
  SetSyllables(small, {});
  EXPECT_TRUE(cv::BuildMtcText(small).Text.empty());
}

TEST_F(MtcText, OpenAndLeaveKeepsTextsAndPositionsAcrossZones) {
  const auto before = song.HyphenArray;
  cv::TEditorText t = cv::EnterMtcText(song);
  cv::TLeaveResult r = cv::LeaveMtcText(song, t.Text);
  ASSERT_EQ(r.Status, cv::TLeaveStatus::Done) << r.Message;
  EXPECT_FALSE(song.EditingText);
  EXPECT_EQ(Texts(song.HyphenArray),
            (std::vector<std::string>{"Song name", "\r", "Artist", "\r", "Hel", "lo ", "AC-DC", "\r", "a b "}));
  EXPECT_EQ(Positions(song.HyphenArray), Positions(before));
  EXPECT_EQ(S(song.HyphenArray[8].MTC), "004.01.000");
  EXPECT_EQ(S(r.Text), "Song name\nArtist\nHello AC-DC\na b ");
}

TEST_F(MtcText, AFinalLineBreakSurvivesOpenAndLeave) {
  SetSyllables(song, {{"Song name", 108}, {"\r", 112}, {"Artist", 952}, {"\r", 956}, {"Hel", 960},
                      {"lo", 1200}, {"\r", 1204}});
  const auto before = song.HyphenArray;
  cv::TLeaveResult r = cv::LeaveMtcText(song, cv::EnterMtcText(song).Text);
  ASSERT_EQ(r.Status, cv::TLeaveStatus::Done) << r.Message;
  EXPECT_EQ(Texts(song.HyphenArray), Texts(before));
  EXPECT_EQ(Positions(song.HyphenArray), Positions(before));

  // Extra line breaks typed at the end still go, down to the one the lyrics had.
  r = cv::LeaveMtcText(song, cv::EnterMtcText(song).Text + u"\n001.03.000 ***_Neue_Zeile_***");
  ASSERT_EQ(r.Status, cv::TLeaveStatus::Done) << r.Message;
  EXPECT_EQ(Texts(song.HyphenArray), Texts(before));
}

TEST_F(MtcText, EditedPositionsTextsAndTheCleanUp) {
  cv::TLeaveResult r = cv::LeaveMtcText(song, U("001.01.108 Song\n"
                                                "001.01.112 ***_Neue_Zeile_***\n"
                                                "001.02.472 Artist\n"
                                                "001.02.476 ***_Neue_Zeile_***\n"
                                                "\n"
                                                "001.03.000 Hel-\n"
                                                "001.03.240 lo\n"
                                                "001.03.300    \n"
                                                "001.04.000 ***_Neue_Zeile_***\n"
                                                "001.04.010 ***_Neue_Zeile_***\n"
                                                "001.04.020 ***_Neue_Zeile_***\n"
                                                "002.01.000 it\u2019s\n"
                                                "002.02.000 ----\n"
                                                "003.02.240 AC~DC\n"
                                                "003.03.000 ***_Neue_Zeile_***\n"));
  ASSERT_EQ(r.Status, cv::TLeaveStatus::Done) << r.Message;
  EXPECT_EQ(Texts(song.HyphenArray), (std::vector<std::string>{"Song", "\r", "Artist", "\r", "Hel", "lo", "\r",
                                                                "\r", "it's ", "---- ", "AC-DC "}));
  EXPECT_EQ(Positions(song.HyphenArray),
            (std::vector<int>{108, 112, 952, 956, 960, 1200, 1440, 1450, 1920, 2400, 4560}));
}

TEST_F(MtcText, APositionFieldThatFailsTheCheckNamesItsLine) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  const auto before = song.HyphenArray;
  const char* fields[] = {"000.00.000", "abc.01.000", "001,01,000", "000.01.000", "01.01.000 ", "001.01.0x0",
                          "001.01.0000"};  // a digit too many: no space between position and syllable
  for (const char* field : fields) {
    std::string text = "001.01.108 Song\n001.01.112 ***_Neue_Zeile_***\n001.03.000 la\n" + std::string(field) + " lo";
    cv::TLeaveResult r = cv::LeaveMtcText(song, U(text));
    ASSERT_EQ(r.Status, cv::TLeaveStatus::BadPosition) << field;
    EXPECT_EQ(r.Line, 4) << field;
    EXPECT_NE(r.Message.find("line 4"), std::string::npos) << r.Message;
    EXPECT_EQ(cv::SplitLines(r.Text).size(), 4u);
  }
  EXPECT_EQ(Texts(song.HyphenArray), Texts(before));
  cv::SetCurrLanguage(cv::TLanguage::Deutsch);
  cv::TLeaveResult r = cv::LeaveMtcText(song, U("001.01.108 Song\n001.01.112 x\n000.00.000 la"));
  EXPECT_EQ(r.Message, "Die MTC Angabe in Zeile 3 ist falsch: \u201E000.00.000 la\u201C\nErwartet wird die Position wie "
                       "001.01.108, ein Leerzeichen, dann die Silbe. Bitte korrigieren...");
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  EXPECT_EQ(cv::LeaveMtcText(song, U("001.01.108 Song\n001.01.112 x")).Status, cv::TLeaveStatus::TooFewLines);
}

TEST(MtcTextLongSong, MoreThan999MeasuresWidenTheMeasureField) {
  cv::Song song;
  cvtest::MakeTimedSong(song, 480, 1200);
  SetSyllables(song, {{"Song", 108}, {"\r", 112}, {"early ", 960}, {"late", 1920 * 1000 + 480}});
  EXPECT_EQ(cv::PositionFieldWidth(song), 11);
  cv::TEditorText t = cv::BuildMtcText(song);
  EXPECT_EQ(S(t.Text), "0001.01.108 Song\n0001.01.112 ***_Neue_Zeile_***\n0001.03.000 early \n1001.02.000 late-");
  ASSERT_EQ(cv::LeaveMtcText(song, t.Text).Status, cv::TLeaveStatus::Done);
  EXPECT_EQ(Positions(song.HyphenArray), (std::vector<int>{108, 112, 960, 1920 * 1000 + 480}));
  EXPECT_EQ(S(song.HyphenArray[3].MTC), "1001.02.000");
}

TEST_F(MtcText, RemovePunctuationKeepsLettersOfEveryScript) {
  SetSyllables(song, {{"Song, name!", 108}, {"\r", 112}, {"Ar", 952}, {"tist", 956}, {"\r", 958}, {"lo, ", 960},
                      {"!", 1000}, {"No\u00ebl ", 1100}, {"\u00bfQu\u00e9? ", 1200}, {"\u041f\u0440\u0438-\u0432\u0435\u0442 ", 1300},
                      {"(ah) #1:2 ", 1400}, {"\u201cend\u201d\u2026", 1500}});
  cv::TLeaveResult r = cv::RemovePunctuation(song);
  ASSERT_EQ(r.Status, cv::TLeaveStatus::Done) << r.Message;
  EXPECT_EQ(Texts(song.HyphenArray),
            (std::vector<std::string>{"Song, name!", "\r", "Ar", "tist", "\r", "lo ", "No\u00ebl ", "Qu\u00e9 ",
                                      "\u041f\u0440\u0438-\u0432\u0435\u0442 ", "(ah) #1:2 ", "end"}));
  EXPECT_FALSE(song.EditingText);
  song.EditingText = true;
  EXPECT_EQ(cv::RemovePunctuation(song).Status, cv::TLeaveStatus::EditorOpen);
}

TEST_F(MtcText, UpperCase) {
  SetSyllables(song, {{"song \u00e9", 108}, {"\r", 112}, {"stra\u00dfe ", 960}, {"\u00e9t\u00e9 ", 1000},
                      {"\u03b1\u03b2", 1100}});
  EXPECT_EQ(S(cv::SetUpperCase(song)), "SONG \u00e9\nSTRA\u00dfE \u00c9T\u00c9 \u0391\u0392");
}

}  // namespace
