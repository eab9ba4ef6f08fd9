#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "lyrics/InsertLyrics.h"
#include "output/MidiFileWriter1.h"
#include "output/Prompta.h"
#include "session/OpenSong.h"
#include "support/SmfBuilder.h"
#include "support/SongChains.h"

using namespace cv;
using namespace cvtest;

namespace {

using TickValue = std::pair<int, int>;

class RecordingSink : public MessageSink {
 public:
  void ShowMessage(const std::string& caption, const std::string& text) override {
    messages.push_back(caption + "|" + text);
  }
  std::vector<std::string> messages;
};

std::vector<int> Values(const std::vector<TickValue>& data, size_t from, size_t count) {
  std::vector<int> out;
  for (size_t i = from; i < from + count && i < data.size(); ++i) out.push_back(data[i].second);
  return out;
}

const std::vector<int> kSignature = {24, 'M', 'a', 'r', 'a', 'v', 'e', 'l', 't', ' ', '2', '0', '0', '0', 25, 15};

// One file track and syllables far enough in that no cue falls into the data block.
void Prepare(Song& song, int maxPos = 100000, int division = 480) {
  InitSong(song, 1, maxPos, division);
  song.Configuration.PromptaEnabled = true;
  song.Configuration.PromptaMidiChannel = 1;
  song.Configuration.PromptaCmdController = 20;
  song.Configuration.PromptaFont = 2;
  song.Configuration.PromptaFontHeight = 3;
}

// The name event is not a channel event: drop it from the inner list first.
std::vector<TickValue> PromptaData(const Song& song) {
  std::vector<TickValue> out;
  for (PtrMidiEvent e : Inner(song, song.PromptaTrackIndex()))
    if (e->DType == DTypeChannel && (e->Command & 0xF0) == 0xB0) out.emplace_back(e->Position, e->Value[1]);
  return out;
}

}  // namespace

TEST(Prompta, DataBlockLayout) {
  for (bool inverse : {false, true}) {
    Song song;
    Prepare(song);
    song.Configuration.PromptaInversVideo = inverse;
    SetSyllables(song, {{u"Gr\u00FC\u00DF", 50000}, {u"\r", 50004}, {u"a\u2019\tb\u4E2D", 60000}});
    ASSERT_TRUE(InsertPromptaController(song));
    std::vector<TickValue> data = PromptaData(song);
    std::vector<int> expected = kSignature;
    expected.insert(expected.end(), {18, 30, 19, 31});
    if (inverse) expected.push_back(26);
    expected.insert(expected.end(), {22, 'G', 'r', 27, 124, 27, 95, 13, 'a', 'b', 23, 12});
    ASSERT_GE(data.size(), expected.size());
    EXPECT_EQ(Values(data, 0, expected.size()), expected);
    for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(data[k].first, static_cast<int>(4 + 4 * k));
    for (PtrMidiEvent e : Inner(song, song.PromptaTrackIndex())) {
      if (e->DType != DTypeChannel) continue;
      EXPECT_EQ(e->Command, 0xB1);
      EXPECT_EQ(e->Value[0], 20);
      EXPECT_EQ(e->ValueOrg[0], 20);
      EXPECT_EQ(e->DataLength(), 3);
    }
    EXPECT_EQ(song.PromptaControllerTrack, song.PromptaTrackIndex());
  }
}

TEST(Prompta, CuesAfterTheBlockCarryLineAndColumn) {
  Song song;
  Prepare(song, 200000, 500);  // 1 ms per tick
  std::vector<std::pair<std::u16string, int>> syllables;
  for (int i = 0; i < 123; ++i) syllables.push_back({u"\r", 10000 + 8 * i});
  syllables.push_back({u"abcdefghijklmn", 20000});
  syllables.push_back({std::u16string(100, u'x'), 20002});
  syllables.push_back({u"late", 30000});
  SetSyllables(song, syllables);
  ASSERT_TRUE(InsertPromptaController(song));
  std::vector<TickValue> data = PromptaData(song);
  // The last 16 values: three cues, each at its syllable's tick less 150 ticks, 4 ticks apart.
  ASSERT_GE(data.size(), 18u);
  std::vector<TickValue> tail(data.end() - 18, data.end());
  EXPECT_EQ(tail, (std::vector<TickValue>{{19850, 9},  {19854, 42}, {19858, 16}, {19862, 29}, {19866, 10},
                                          {19870, 51}, {19854, 9},  {19858, 107}, {19862, 16}, {19866, 29},
                                          {19870, 10}, {19874, 51}, {29850, 9},  {29854, 107}, {29858, 16},
                                          {29862, 29}, {29866, 10}, {29870, 51}}));
}

TEST(Prompta, CuesFallingDueInsideTheBlockAreEmbedded) {
  Song song;
  Prepare(song, 100000, 500);
  song.Configuration.CopyrightString = "(c)";
  SetSyllables(song, {{u"ab", 100}, {u"cd", 102}, {u"\r", 300}, {u"ef", 100000 + 140}});
  ASSERT_TRUE(InsertPromptaController(song));
  std::vector<int> expected = kSignature;
  // Copyright at 0 and "ab" (clamped to 0 after the 150-tick lead) are due at once; "cd" 4 ticks
  // later; the line break gets no cue; "ef"'s cue comes after the block at 99990 and is cut at the
  // song end (100000).
  expected.insert(expected.end(), {18, 30, 19, 31, 22, '(', 23, 9, 31, 10, 28, 22, 'c', 23, 9, 30, 10, 29, 22,
                                   ')', 23, 9, 32, 10, 29, 22, 13, 'a', 'b', 'c', 'd', 13, 'e', 'f', 23, 12, 9, 30, 10});
  std::vector<TickValue> data = PromptaData(song);
  EXPECT_EQ(Values(data, 0, data.size()), expected);
  EXPECT_EQ(data.back().first, 99998);
}

TEST(Prompta, LeadShiftsAndSpacesCueTicks) {
  struct Case {
    int offsetMs;
    int division;
    std::vector<int> syllables;
    std::vector<int> cueTicks;
  };
  // 120 bpm: division 500 gives 1 ms per tick, 250 gives 2 ms per tick.
  const std::vector<Case> cases = {
      {0, 500, {50000, 50002, 60000}, {49850, 49854, 59850}},
      {100, 250, {50000, 50001, 60000}, {49875, 49879, 59875}},
  };
  for (const Case& c : cases) {
    Song song;
    Prepare(song, 100000, c.division);
    song.Configuration.PromptaTimeOffset = c.offsetMs;
    SetSyllables(song, {{u"x", c.syllables[0]}, {u"y", c.syllables[1]}, {u"z", c.syllables[2]}});
    ASSERT_TRUE(InsertPromptaController(song));
    // Every cue comes after the block (23, 12), four values each.
    std::vector<TickValue> data = PromptaData(song);
    ASSERT_EQ(data.size(), kSignature.size() + 5 + 3 + 2 + 12);
    std::vector<int> starts;
    for (size_t k = data.size() - 12; k < data.size(); k += 4) starts.push_back(data[k].first);
    EXPECT_EQ(starts, c.cueTicks) << c.offsetMs;
  }
}

TEST(Prompta, RunningTwiceKeepsOneCopyAndYamahaNote) {
  Song song;
  Prepare(song);
  song.Configuration.PromptaForYamaha = true;
  SetSyllables(song, {{u"one", 5000}, {u"two", 6000}, {u"three", 7000}});
  ASSERT_TRUE(InsertPromptaController(song));
  const int count = song.MidiTrack[song.PromptaTrackIndex()].TrkEventCounter;
  std::vector<TickValue> first = PromptaData(song);
  ASSERT_TRUE(InsertPromptaController(song));
  EXPECT_EQ(PromptaData(song), first);
  EXPECT_EQ(song.MidiTrack[song.PromptaTrackIndex()].TrkEventCounter, count);
  EXPECT_EQ(count, ChainLength(song, song.PromptaTrackIndex()) - 1);  // the name is not counted
  std::vector<PtrMidiEvent> inner = Inner(song, song.PromptaTrackIndex());
  EXPECT_EQ(inner[1]->Command, 0x91);
  EXPECT_EQ(inner[1]->Position, 3);
  EXPECT_EQ(inner[1]->Value[1], 3);
  EXPECT_EQ(inner[2]->Position, 4);  // the block sorts in around the note
  EXPECT_EQ(inner[3]->Command, 0x91);
  EXPECT_EQ(inner[3]->Position, 6);
  EXPECT_EQ(inner[3]->Value[1], 0);
  // Times are stamped on the new events.
  EXPECT_EQ(inner.back()->TimePosition, static_cast<int32_t>(inner.back()->Position * 500000.0 / 1000 / 480 + 0.5));
}

TEST(Prompta, InsertLyricsRefreshesPromptaWhenEnabled) {
  Song song;
  Prepare(song);
  SetSyllables(song, {{u"one", 5000}, {u"two", 6000}, {u"three", 7000}});
  InsertLyrics(song);
  EXPECT_FALSE(PromptaData(song).empty());
  // Without syllables the data of the old lyrics go.
  SetSyllables(song, {});
  InsertLyrics(song);
  EXPECT_TRUE(PromptaData(song).empty());
  song.MidiFileLoaded = false;  // nothing happens without a loaded song
  EXPECT_FALSE(InsertPromptaController(song));
}

TEST(Prompta, TooManyLinesWarnsAndInsertsNothing) {
  Song song;
  Prepare(song, 1000000);
  std::vector<std::pair<std::u16string, int>> syllables;
  for (int i = 0; i < 10000; ++i) syllables.push_back({u"\r", 100 + 4 * i});
  SetSyllables(song, syllables);
  RecordingSink sink;
  song.Messages = &sink;
  EXPECT_FALSE(InsertPromptaController(song));
  EXPECT_EQ(sink.messages,
            std::vector<std::string>{" Cantovex 3 - Warnung|Es werden nicht mehr als 10000 Zeilen unterstützt!"});
  EXPECT_TRUE(PromptaData(song).empty());
  syllables.pop_back();
  SetSyllables(song, syllables);
  EXPECT_TRUE(InsertPromptaController(song));
  EXPECT_EQ(sink.messages.size(), 1u);
}

TEST(Prompta, ClearLeadInMovesEventsAndNeutralisesController) {
  Song song;
  Prepare(song);
  AddChannel(song, 0, 2, 0xB1, 20, 5);  // before tick 4, still neutralised
  AddChannel(song, 0, 10, 0x90, 60, 1);
  AddChannel(song, 0, 20, 0x90, 61, 1);
  AddChannel(song, 0, 30, 0xB1, 21, 1);
  AddChannel(song, 0, 61, 0x90, 62, 1);
  AddChannel(song, 0, 70, 0xB2, 20, 1);
  ClearPromptaLeadIn(song);
  std::vector<PtrMidiEvent> inner = Inner(song, 0);
  std::vector<int> positions;
  for (PtrMidiEvent e : inner) positions.push_back(e->Position);
  EXPECT_EQ(positions, (std::vector<int>{2, 61, 62, 63, 63, 70}));
  EXPECT_EQ(inner[0]->Command, 0xFF);
  EXPECT_EQ(inner[0]->MType, 1);
  EXPECT_EQ(inner[0]->DataLength(), 0);
  EXPECT_EQ(inner[3]->Command, 0xB1);  // another controller stays
  EXPECT_EQ(inner[5]->Command, 0xB2);  // another channel stays
  EXPECT_EQ(song.MidiTrack[0].TrkLastEvent->Position, song.MaxSongPosition);
}

TEST(Prompta, RemoveFindsDataInAnyTrack) {
  Song song;
  InitSong(song, 300, 10000);  // track indexes beyond 8 bits
  const int t = 299;
  song.PromptaControllerTrack = t;
  song.PromptaController = 98;
  song.PromptaControllerChannel = 15;
  AddChannel(song, t, 3, 0x9F, 36, 3);
  AddChannel(song, t, 4, 0xBF, 98, 24);
  AddChannel(song, t, 5, 0x9F, 36, 100);  // a real note: stays
  AddChannel(song, t, 6, 0x8F, 36, 17);
  AddChannel(song, t, 8, 0xBF, 98, 77);
  AddChannel(song, t, 9, 0xBF, 7, 100);
  AddChannel(song, t, 10, 0xBE, 98, 1);
  RemovePromptaData(song);
  std::vector<int> left;
  for (PtrMidiEvent e : Inner(song, t)) left.push_back(e->Position);
  EXPECT_EQ(left, (std::vector<int>{5, 9, 10}));
  EXPECT_EQ(song.MidiTrack[t].TrkEventCounter, ChainLength(song, t));
}

TEST(Prompta, SavedDataAreFoundAndRemovedWhenReadAgain) {
  SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120).NoteOn(0, 0, 60, 90).NoteOff(20000, 0, 60);
  SmfTrack& words = smf.AddTrack();
  const char* syllables[] = {"Hel", "lo ", "dear ", "world", "\r", "good", "bye"};
  for (int i = 0; i < 7; ++i) words.Lyric(2000 + 1000 * i, syllables[i]);
  Song song;
  song.Configuration.PromptaEnabled = true;
  song.Configuration.PromptaMidiChannel = 4;
  song.Configuration.PromptaCmdController = 30;
  DateiOeffnen(song, smf.WriteTemp("with-lyrics.mid"));
  ASSERT_FALSE(PromptaData(song).empty());
  const std::string saved = WriteTempFile("with-prompta.mid", Format1FileImage(song));

  Song again;
  std::vector<std::string> questions;
  OpenSongOptions options;
  options.AskRemovePrompta = [&](const std::string& q) {
    questions.push_back(q);
    return true;
  };
  DateiOeffnen(again, saved, options);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(again.PromptaController, 30);
  EXPECT_EQ(again.PromptaControllerChannel, 4);
  ASSERT_GE(again.PromptaControllerTrack, 0);
  for (PtrMidiEvent e = again.MidiTrack[again.PromptaControllerTrack].TrkFirstEvent; e; e = e->NextEvent)
    EXPECT_FALSE(e->Command == 0xB4 && e->Value[0] == 30);
  EXPECT_EQ(again.HyphenArrayElements, song.HyphenArrayElements);
}
