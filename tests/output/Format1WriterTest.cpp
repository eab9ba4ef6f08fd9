#include <gtest/gtest.h>

#include <algorithm>

#include "HandSong.h"
#include "MiniSmf.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

using cvtest::DecodeSmf;
using cvtest::HandSong;
using cvtest::MiniEvent;
using cvtest::MiniSmf;

namespace {

// The track name of a chunk ("" when it has none).
std::string NameOf(const std::vector<MiniEvent>& chunk) {
  for (const MiniEvent& e : chunk)
    if (e.IsMeta(0x03)) return e.Text();
  return "";
}

std::vector<std::string> Names(const MiniSmf& smf) {
  std::vector<std::string> names;
  for (const auto& chunk : smf.tracks) names.push_back(NameOf(chunk));
  return names;
}

TEST(Format1Writer, Format0SongIsSpreadOverChannelTracksAndNamed) {
  HandSong h(0, 1, 1000);
  h.Meta(0, 0, 0x03, "Song").Meta(0, 0, 0x02, "(c) X").Meta(0, 0, 0x09, "Device").Meta(0, 0, 0x51, "\x07\xA1\x20");
  h.Meta(0, 0, 0x58, std::string("\x04\x02\x18\x08", 4)).Meta(0, 0, 0x59, std::string("\xFD\x00", 2));
  h.Channel(0, 0, 0xC1, 0).Channel(0, 0, 0xC9, 25).Channel(0, 10, 0x90, 60, 100).Channel(0, 10, 0x91, 62, 100);
  h.Channel(0, 10, 0x99, 36, 100).Channel(0, 20, 0xC1, 40).Meta(0, 30, 0x01, "text");
  h.Lyric(10, "la");
  h.song().HyphenArrayElements = 1;
  MiniSmf smf = DecodeSmf(cv::Format1FileImage(h.song()));
  EXPECT_EQ(smf.format, 1);
  EXPECT_EQ(smf.declaredTracks, 5);
  ASSERT_EQ(smf.tracks.size(), 5u);
  // Conductor, channel 1 (no program change: no name), channel 2, channel 10, lyrics.
  EXPECT_EQ(Names(smf), (std::vector<std::string>{"", "", "Piano 1", "Drums", "Lyrics"}));
  std::vector<int> conductorTypes;
  for (const MiniEvent& e : smf.tracks[0]) conductorTypes.push_back(e.bytes[1]);
  EXPECT_EQ(conductorTypes, (std::vector<int>{0x21, 0x51, 0x58, 0x59, 0x2F}));
  // Track name, copyright and device name of the song are gone; the text went to channel 1.
  for (const auto& chunk : smf.tracks)
    for (const MiniEvent& e : chunk) EXPECT_FALSE(e.IsMeta(0x02) || e.IsMeta(0x09) || e.Text() == "Song");
  EXPECT_TRUE(smf.tracks[1].back().IsMeta(0x2F));
  EXPECT_EQ(smf.tracks[1][2].Text(), "text");  // after the note at tick 10
  EXPECT_EQ(smf.tracks[1].back().tick, 1000);
}

TEST(Format1Writer, InstrumentNamesWithAChannelPrefixMoveToThatChannel) {
  struct Case {
    std::string text;
    int channel;  // 0 = dropped
  } cases[] = {{"KAVE_ch.12 Strings", 12}, {"KAVE_ch.17 Strings", 0}, {"KAVE_ch.12", 0},  {"KAVE_ch.x2 Strings", 0},
               {"ZAR_ch.3 Bass", 3},       {"ZOTAA_ch.16 Pad", 16},  {"ZOTA_ch.7 Pad", 7}, {"Piano", 0}};
  for (const Case& c : cases) {
    HandSong h(0, 1, 100);
    h.Meta(0, 5, 0x04, c.text);
    MiniSmf smf = DecodeSmf(cv::Format1FileImage(h.song()));
    // The instrument name alone makes a track of three events: port, name, End of Track.
    if (c.channel == 0) {
      EXPECT_EQ(smf.tracks.size(), 1u) << c.text;
      continue;
    }
    ASSERT_EQ(smf.tracks.size(), 2u) << c.text;
    EXPECT_EQ(smf.tracks[1][1].Text(), c.text);
    EXPECT_EQ(smf.tracks[1][1].tick, 5);
  }
}

TEST(Format1Writer, SourceTracksOfAFormat2SongAreMergedByTick) {
  HandSong h(2, 2, 100);
  h.Channel(0, 0, 0x90, 60, 1).Channel(0, 40, 0x80, 60, 0);
  h.Channel(1, 0, 0x90, 64, 1).Channel(1, 20, 0x80, 64, 0).Channel(1, 40, 0x90, 67, 1);
  MiniSmf smf = DecodeSmf(cv::Format1FileImage(h.song()));
  ASSERT_EQ(smf.tracks.size(), 2u);
  std::vector<std::pair<int64_t, int>> got;
  for (const MiniEvent& e : smf.tracks[1])
    if (e.bytes[0] < 0xF0) got.emplace_back(e.tick, e.bytes[1]);
  EXPECT_EQ(got, (std::vector<std::pair<int64_t, int>>{{0, 60}, {0, 64}, {20, 64}, {40, 60}, {40, 67}}));
}

TEST(Format1Writer, Format1SongKeepsItsTracksAndLeavesOutEmptyLyrics) {
  HandSong h(1, 3, 100);
  h.Meta(0, 0, 0x03, "Conductor").Meta(0, 0, 0x51, "\x07\xA1\x20");
  h.Meta(1, 0, 0x03, "Piano").Channel(1, 0, 0x90, 60, 1);
  // track 2 is empty (placeholder and End of Track) and still written
  MiniSmf smf = DecodeSmf(cv::Format1FileImage(h.song()));
  EXPECT_EQ(Names(smf), (std::vector<std::string>{"Conductor", "Piano", ""}));
  EXPECT_EQ(smf.declaredTracks, 3);
  h.Lyric(50, "la");
  smf = DecodeSmf(cv::Format1FileImage(h.song()));
  EXPECT_EQ(Names(smf), (std::vector<std::string>{"Conductor", "Piano", "", "Lyrics"}));
  EXPECT_EQ(smf.tracks[3][0].bytes, (std::vector<uint8_t>{0xFF, 0x21, 0x00}));
  EXPECT_EQ(smf.tracks[3][2].tick, 50);
}

// Opens a format 1 image as the program opens a file and writes it as format 1 again.
std::vector<uint8_t> Resaved(const std::vector<uint8_t>& image, const std::string& name) {
  cv::Song song;
  cv::DateiOeffnen(song, cvtest::WriteTempFile(name, image));
  return cv::Format1FileImage(song);
}

TEST(Format1Writer, SavingAgainAddsNoLyricsTrack) {
  // Lyrics in a track of their own between two music tracks, as other programs write them.
  cvtest::SmfBuilder smf(1, 480);
  smf.AddTrack().Name(0, "Conductor").Tempo(0, 500000);
  auto& vocals = smf.AddTrack().Name(0, "Vocals");
  const char* words[] = {"One ", "two ", "three ", "four ", "five ", "six"};
  for (int i = 0; i < 6; ++i) vocals.Lyric(480 * (i + 1), words[i]);
  smf.AddTrack().Name(0, "Piano").NoteOn(480, 0, 60, 100).NoteOff(3840, 0, 60);
  const std::vector<uint8_t> once = Resaved(smf.Bytes(), "vocals.mid");
  const MiniSmf read = DecodeSmf(once);
  // The emptied track is gone; the lyrics track takes its place.
  EXPECT_EQ(Names(read), (std::vector<std::string>{"Conductor", "Lyrics", "Piano"}));
  EXPECT_EQ(read.declaredTracks, 3);
  const std::vector<uint8_t> twice = Resaved(once, "once.mid");
  EXPECT_EQ(twice, once);
  EXPECT_EQ(Resaved(twice, "twice.mid"), once);
}

TEST(Format1Writer, AKaraokeSongSavedAgainAndAgainKeepsOneLyricsTrack) {
  CVTEST_CORPUS_FILE_OR_SKIP(path, "kar/HeyJude.kar");
  cv::Song song;
  cv::DateiOeffnen(song, path);
  const std::vector<uint8_t> h1 = cv::Format1FileImage(song);
  const std::vector<std::string> names = Names(DecodeSmf(h1));
  EXPECT_EQ(std::count(names.begin(), names.end(), "Lyrics"), 1);
  const std::vector<uint8_t> h2 = Resaved(h1, "h1.mid");
  EXPECT_EQ(h2, h1);
  EXPECT_EQ(Resaved(h2, "h2.mid"), h1);
}

TEST(Format1Writer, BothWritersAgreeOnThePromptaTrack) {
  for (int format : {0, 1}) {
    HandSong h(format, 1, 100);
    h.Channel(0, 0, 0x90, 60, 1).Lyric(10, "la");
    h.Channel(h.song().PromptaTrackIndex(), 4, 0xBF, 98, 24);
    h.song().HyphenArrayElements = 1;
    auto chunks = [&] { return DecodeSmf(cv::Format1FileImage(h.song())).tracks.size(); };
    auto inFormat0 = [&] {
      const MiniSmf smf = DecodeSmf(cv::Format0FileImage(h.song(), ""));
      for (const MiniEvent& e : smf.tracks[0])
        if (e.bytes[0] == 0xBF) return true;
      return false;
    };
    const size_t withoutPrompta = format == 1 ? 2 : 3;
    h.song().Configuration.PromptaEnabled = false;
    EXPECT_EQ(chunks(), withoutPrompta) << format;
    EXPECT_FALSE(inFormat0()) << format;
    h.song().Configuration.PromptaEnabled = true;
    EXPECT_EQ(chunks(), withoutPrompta + 1) << format;
    EXPECT_TRUE(inFormat0()) << format;
  }
}

TEST(Format1Writer, MoreThan255ChunksIsAClearError) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  HandSong ok(1, 255, 10);
  EXPECT_EQ(DecodeSmf(cv::Format1FileImage(ok.song())).declaredTracks, 255);
  HandSong h(1, 256, 10);
  try {
    cv::Format1FileImage(h.song());
    FAIL() << "no error";
  } catch (const cv::EMidiError& e) {
    EXPECT_STREQ(e.what(), "Error: the song would need 256 tracks, a format 1 file can hold at most 255 here!");
  }
  // Format 0 has no such limit.
  EXPECT_EQ(DecodeSmf(cv::Format0FileImage(h.song(), "")).tracks.size(), 1u);
}

}  // namespace
