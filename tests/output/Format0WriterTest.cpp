#include <gtest/gtest.h>

#include "HandSong.h"
#include "MiniSmf.h"
#include "output/EventEncoder.h"
#include "output/MidiFileWriter0.h"
#include "song/Language.h"

using cvtest::DecodeSmf;
using cvtest::HandSong;
using cvtest::Slice;
using Bytes = std::vector<uint8_t>;

namespace {

// Events of the single track after the port and track-name head.
Bytes EventBytes(const cv::Song& song, const std::string& name = "") {
  Bytes file = cv::Format0FileImage(song, name);
  // Head: 00 FF 21 01 00, then the name (skipped when empty).
  size_t skip = 22 + 5 + (name.empty() ? 0 : 4 + name.size());
  return Slice(file, skip);
}

TEST(EventEncoder, DeltaTimesAsVariableLengthQuantities) {
  struct Case {
    int32_t tick;
    Bytes delta;
  } cases[] = {{0, {0x00}},
               {127, {0x7F}},
               {128, {0x81, 0x00}},
               {16383, {0xFF, 0x7F}},
               {16384, {0x81, 0x80, 0x00}},
               {0x0FFFFFFF, {0xFF, 0xFF, 0xFF, 0x7F}}};
  for (const Case& c : cases) {
    HandSong h(0, 1, c.tick);
    h.Channel(0, c.tick, 0x90, 60, 100);
    Bytes expected = c.delta;
    expected.insert(expected.end(), {0x90, 60, 100, 0x00, 0xFF, 0x2F, 0x00});
    EXPECT_EQ(EventBytes(h.song()), expected) << "tick " << c.tick;
  }
}

TEST(EventEncoder, RunningStatusRestartsAfterMetaAndSysex) {
  HandSong h(0, 1, 100);
  h.Channel(0, 0, 0x90, 60, 100)
      .Channel(0, 10, 0x90, 62, 100)
      .Meta(0, 20, 0x01, "x")
      .Channel(0, 30, 0x90, 64, 100)
      .Channel(0, 30, 0x80, 64, 0)
      .Sysex(0, 40, std::string("\x7E\x7F\x09\x01\xF7", 5))
      .Channel(0, 50, 0x80, 62, 0);
  Bytes expected = {0x00, 0x90, 60,   100,  0x0A, 62,   100,  0x0A, 0xFF, 0x01, 0x01, 'x',  0x0A,
                    0x90, 64,   100,  0x00, 0x80, 64,   0,    0x0A, 0xF0, 0x05, 0x7E, 0x7F, 0x09,
                    0x01, 0xF7, 0x0A, 0x80, 62,   0,    0x32, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(EventBytes(h.song()), expected);
}

TEST(EventEncoder, LyricUnderscoreBecomesSpaceEmptyEventsAreSkipped) {
  HandSong h(0, 1, 100);
  h.Meta(0, 5, 0x01, "a_b")        // text keeps its underscore
      .Meta(0, 10, 0x01, "")       // empty text: nothing, not even its delta
      .Meta(0, 12, 0x7F, "")       // empty meta of another type: nothing
      .Channel(0, 20, 0xC0, 5);    // delta measured from tick 5
  h.Lyric(30, "lie_be");
  Bytes expected = {0x05, 0xFF, 0x01, 0x03, 'a', '_', 'b', 0x0F, 0xC0, 0x05, 0x0A, 0xFF, 0x05, 0x06,
                    'l',  'i',  'e',  ' ',  'b', 'e', 0x46, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(EventBytes(h.song()), expected);
}

// In a double-byte page a "_" may be the second byte of a character and stays; one that follows
// a whole character is a gap. Shift_JIS's A1-DF are half-width katakana of one byte.
TEST(EventEncoder, UnderscoreRuleReadsTheCharactersOfTheSongsPage) {
  const struct {
    const char* page;
    std::string lyric, written;
  } cases[] = {
      {"Shift_JIS", "\xB1\x84\x5F", "\xB1\x84\x5F"},   // half-width a, then Cyrillic Yu (84 5F)
      {"Shift_JIS", "\xB1\x5F\xB2", "\xB1\x20\xB2"},   // two half-width katakana with a gap
      {"Shift_JIS", "\x83\x5F\x5F", "\x83\x5F\x20"},   // a katakana ending in 5F, then a gap
      {"GBK", "\xD2\xBB\x5F\x81\x5F", "\xD2\xBB\x20\x81\x5F"},
      {"windows-1252", "\xE9\x5F", "\xE9\x20"},
  };
  for (const auto& c : cases) {
    HandSong h(0, 1, 100);
    h.song().Encoding = cv::TextEncoding{c.page};
    h.Lyric(0, c.lyric);
    const Bytes file = EventBytes(h.song());  // 00 FF 05 length, then the text
    const Bytes written(c.written.begin(), c.written.end());
    ASSERT_GE(file.size(), 4 + written.size());
    EXPECT_EQ(Bytes(file.begin() + 4, file.begin() + 4 + static_cast<std::ptrdiff_t>(written.size())), written) << c.page;
  }
}

TEST(EventEncoder, EventsBeforeTheirPredecessorDoNotShiftLaterOnes) {
  // Bank selects put just before a program change at tick 0 lie at -2 and -1.
  HandSong h(0, 1, 200);
  h.Channel(0, 0, 0x90, 60, 1)
      .Channel(0, -2, 0xB0, 0, 0)
      .Channel(0, -1, 0xB0, 32, 3)
      .Channel(0, 0, 0xC0, 7)
      .Channel(0, 100, 0x80, 60, 0);
  Bytes expected = {0x00, 0x90, 60, 1, 0x00, 0xB0, 0, 0, 0x00, 32, 3, 0x00, 0xC0, 7, 0x64, 0x80, 60, 0,
                    0x64, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(EventBytes(h.song()), expected);
  auto smf = DecodeSmf(cv::Format0FileImage(h.song(), ""));
  EXPECT_EQ(smf.tracks[0].back().tick, 200);
}

TEST(EventEncoder, EventsThatCannotBeEncodedAreACodingError) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  HandSong h(0, 1, 100);
  h.Meta(0, 0, 0x01, "x");
  h.song().MidiTrack[0].TrkFirstEvent->NextEvent->Command = 0xF5;
  try {
    cv::Format0FileImage(h.song(), "");
    FAIL() << "no error";
  } catch (const cv::EMidiError& e) {
    EXPECT_TRUE(std::string(e.what()).starts_with("The song holds an event a MIDI file cannot hold")) << e.what();
    EXPECT_EQ(std::string(e.what()).find("Error coding"), std::string::npos) << e.what();
  }
}

TEST(Format0Writer, FileLayoutAndHead) {
  HandSong h(1, 1, 0, 96);
  Bytes file = cv::Format0FileImage(h.song(), "Ab");
  Bytes expected = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0, 15,
                    0x00, 0xFF, 0x21, 0x01, 0x00, 0x00, 0xFF, 0x03, 0x02, 'A', 'b', 0x00, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(file, expected);
}

TEST(Format0Writer, TrackNameFromTheFileName) {
  HandSong h(0, 1, 10);
  struct Case {
    std::string file, name;
  } cases[] = {{"/x/y/song.mid", "Song"},
               {"Song.kar", "Song"},
               {"dir/1abc.mid", "1abc"},
               {"twice.mid.mid", "Twice.mid"},
               {"\xC3\xA4pfel.mid", "\xE4pfel"},  // a letter outside a-z stays as it is
               {"noext", "Noext"}};
  for (const Case& c : cases) EXPECT_EQ(cv::TrackNameForFile(h.song(), c.file), c.name) << c.file;
}

TEST(Format0Writer, MergesByTickLowerTracksFirstAndDropsRepeatedHeads) {
  HandSong h(1, 4, 1000);
  h.Meta(0, 0, 0x03, "T0").Meta(0, 0, 0x02, "(c) A").Channel(0, 0, 0x90, 1, 1).Channel(0, 500, 0x80, 1, 0);
  h.Meta(1, 0, 0x03, "T1").Meta(1, 0, 0x04, "Piano").Channel(1, 0, 0x91, 2, 1).Channel(1, 250, 0x81, 2, 0);
  h.Meta(2, 0, 0x21, std::string(1, '\1')).Channel(2, 250, 0x92, 3, 1).Meta(2, 600, 0x03, "late name");
  h.Meta(3, 0, 0x03, "T3").Meta(3, 0, 0x02, "(c) A").Channel(3, 500, 0x93, 4, 1).Channel(3, 2000, 0x93, 5, 1);
  h.Lyric(250, "la");
  auto smf = DecodeSmf(cv::Format0FileImage(h.song(), "Name"));
  ASSERT_EQ(smf.tracks.size(), 1u);
  std::vector<std::pair<int64_t, Bytes>> got;
  for (const auto& e : smf.tracks[0]) got.emplace_back(e.tick, e.bytes);
  std::vector<std::pair<int64_t, Bytes>> expected = {
      {0, {0xFF, 0x21, 0x00}},
      {0, {0xFF, 0x03, 'N', 'a', 'm', 'e'}},
      {0, {0xFF, 0x02, '(', 'c', ')', ' ', 'A'}},  // the first copyright notice stays
      {0, {0x90, 1, 1}},
      {0, {0x91, 2, 1}},
      {250, {0x81, 2, 0}},
      {250, {0x92, 3, 1}},
      {250, {0xFF, 0x05, 'l', 'a'}},
      {500, {0x80, 1, 0}},
      {500, {0x93, 4, 1}},
      {600, {0xFF, 0x03, 'l', 'a', 't', 'e', ' ', 'n', 'a', 'm', 'e'}},
      // the note beyond the song end is left out
      {1000, {0xFF, 0x2F}},
  };
  EXPECT_EQ(got, expected);
}

TEST(Format0Writer, TracksOutOfTickOrderKeepTheirOwnOrder) {
  HandSong h(1, 2, 100);
  h.Channel(0, 0, 0x90, 60, 1).Channel(0, -2, 0xB0, 0, 0).Channel(0, -1, 0xB0, 32, 3).Channel(0, 0, 0xC0, 7);
  h.Channel(0, 10, 0x80, 60, 0);
  h.Channel(1, 5, 0x91, 61, 1);
  Bytes expected = {0x00, 0x90, 60, 1, 0x00, 0xB0, 0, 0, 0x00, 32, 3, 0x00, 0xC0, 7, 0x05, 0x91, 61, 1,
                    0x05, 0x80, 60, 0, 0x5A, 0xFF, 0x2F, 0x00};
  EXPECT_EQ(EventBytes(h.song()), expected);
}

TEST(Format0Writer, EmptyLyricsAndDisabledPromptaTracksAreLeftOut) {
  HandSong h(0, 1, 100);
  h.Channel(0, 0, 0x90, 60, 1);
  const int prompta = h.song().PromptaTrackIndex();
  h.Channel(prompta, 4, 0xBF, 98, 24);
  h.song().HyphenArrayElements = 1;
  auto count = [&] { return DecodeSmf(cv::Format0FileImage(h.song(), "")).tracks[0].size(); };
  h.song().Configuration.PromptaEnabled = false;
  EXPECT_EQ(count(), 3u);  // port, note, End of Track; the track name is empty
  h.song().Configuration.PromptaEnabled = true;
  EXPECT_EQ(count(), 4u);
  h.song().HyphenArrayElements = 0;  // no lyrics: stale Prompta data are not written
  EXPECT_EQ(count(), 3u);
}

}  // namespace
