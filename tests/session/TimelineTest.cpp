// The timeline's model and its edits without a window: visible ranges, ruler lines against the
// position texts, moves that keep the order, nudges as one undo entry, texts edited in place.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "lyrics/PositionTexts.h"
#include "lyrics/SyllableMoves.h"
#include "session/SongSession.h"
#include "session/TapCalibration.h"
#include "session/Timeline.h"
#include "song/Language.h"
#include "song/TitleLines.h"
#include "support/QuietUi.h"
#include "support/SmfBuilder.h"
#include "support/TimelineSong.h"

using namespace cv;

namespace {

using cvtest::QuietUi;

std::string TimelineSong() { return cvtest::WriteTimelineSong("timeline.mid", true); }

int Index(const Song& song, std::u16string_view text) {
  for (int i = 0; i < song.HyphenArrayElements; ++i)
    if (song.HyphenArray[i].Text.starts_with(text)) return i;
  return -1;
}

int32_t Tick(const Song& song, std::u16string_view text) { return song.HyphenArray[Index(song, text)].SongPosition; }

struct Opened {
  QuietUi ui;
  SongSession session{ui};
  Song& song = session.CurrentSong();
  explicit Opened(const std::string& path) { EXPECT_TRUE(session.Open(path)); }
};

}  // namespace

TEST(SyllableMoves, DragOntoTheNextNoteSavesTheLyricThere) {
  SetCurrLanguage(TLanguage::Englisch);
  Opened o(TimelineSong());
  const int three = Index(o.song, u"three");
  ASSERT_EQ(Tick(o.song, u"three"), 3080);
  // Dropped a little after the note at 2880 and one at 3360 further: the nearest note start.
  const std::vector<int32_t> starts = MelodyStarts(o.song);
  EXPECT_EQ(NearestStart(starts, 3000), 2880);
  EXPECT_EQ(NearestStart(starts, 3120), 2880) << "a tie goes to the earlier note";
  EXPECT_EQ(NextStart(starts, 3080), 3360);
  EXPECT_EQ(PreviousStart(starts, 3080), 2880);
  EXPECT_EQ(PreviousStart(starts, 1920), -1);
  ASSERT_TRUE(o.session.MoveSyllables({three}, 2880 - 3080));
  EXPECT_TRUE(o.session.Modified());
  EXPECT_EQ(o.session.UndoName(), "Move syllables");
  const std::string saved = cvtest::TempDir() + "/moved.mid";
  ASSERT_TRUE(o.session.WriteTo(saved));
  Opened again(saved);
  EXPECT_EQ(Tick(again.song, u"three"), 2880);
  // Undo and redo take it back and bring it again.
  ASSERT_TRUE(o.session.Undo());
  EXPECT_EQ(Tick(o.song, u"three"), 3080);
  ASSERT_TRUE(o.session.Redo());
  EXPECT_EQ(Tick(o.song, u"three"), 2880);
}

TEST(SyllableMoves, StopAtNeighboursTitleLinesAndStayTogether) {
  Opened o(TimelineSong());
  const int two = Index(o.song, u"two"), three = Index(o.song, u"three"), one = Index(o.song, u"one");
  const int32_t header = HeaderElementCount(o.song);
  ASSERT_EQ(header, 4) << "name, its line break, artist, its line break";
  struct Case {
    const char* what;
    std::vector<int32_t> selection;
    int32_t delta;
    int32_t moved;  // the move that happens
  };
  const Case cases[] = {
      {"later onto the next syllable: stops a tick before it", {two}, 5000, 3080 - 1 - 2400},
      {"earlier past the previous syllable", {three}, -5000, 2400 + 1 - 3080},
      {"two together stop where the first of them meets a neighbour", {two, three}, -5000, 1920 + 1 - 2400},
      {"the first sung syllable stops where the title lines still fit", {one}, -5000, 108 + 4 * 4 - 1920},
      {"a title element alone does not move", {0}, 300, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(LimitSyllableMove(o.song, c.selection, c.delta), c.moved);
  }
  const int32_t before = Tick(o.song, u"two");
  ASSERT_TRUE(o.session.MoveSyllables({two, three}, -5000));
  EXPECT_EQ(Tick(o.song, u"two"), 1921);
  EXPECT_EQ(Tick(o.song, u"three"), 3080 + 1921 - before);
  EXPECT_EQ(o.song.HyphenArray[0].SongPosition, 108);
  EXPECT_FALSE(o.session.MoveSyllables({0, 1}, 500)) << "the title lines stay";
  // The artist line follows the first sung syllable, wherever it goes.
  for (int32_t to : {600, 1500}) {
    ASSERT_TRUE(o.session.MoveSyllables({one}, to - Tick(o.song, u"one")));
    EXPECT_EQ(Tick(o.song, u"one"), to);
    EXPECT_EQ(o.song.HyphenArray[2].SongPosition, to - 8);
    EXPECT_EQ(o.song.HyphenArray[0].SongPosition, 108);
  }
}

TEST(SyllableMoves, NudgesInARowAreOneUndoEntry) {
  SetCurrLanguage(TLanguage::Deutsch);
  Opened o(TimelineSong());
  const int four = Index(o.song, u"four");
  const int32_t step = GridStep(o.song);
  EXPECT_EQ(step, 240);
  for (int k = 0; k < 3; ++k) ASSERT_TRUE(o.session.MoveSyllables({four}, -step / 8, true));
  EXPECT_EQ(Tick(o.song, u"four"), 3360 - 3 * (step / 8));
  EXPECT_EQ(o.session.UndoName(), "Silben verschieben");
  ASSERT_TRUE(o.session.Undo());
  EXPECT_EQ(Tick(o.song, u"four"), 3360);
  EXPECT_FALSE(o.session.CanUndo()) << "the three nudges were one entry";
  EXPECT_FALSE(o.session.Modified());
  // A drag between two runs of nudges ends the run.
  ASSERT_TRUE(o.session.MoveSyllables({four}, 10, true));
  ASSERT_TRUE(o.session.MoveSyllables({four}, 10));
  ASSERT_TRUE(o.session.MoveSyllables({four}, 10, true));
  ASSERT_TRUE(o.session.Undo());
  ASSERT_TRUE(o.session.Undo());
  ASSERT_TRUE(o.session.Undo());
  EXPECT_FALSE(o.session.CanUndo());
  SetCurrLanguage(TLanguage::Englisch);
}

TEST(SyllableMoves, SnapSelectionToNotes) {
  Opened o(TimelineSong());
  const int three = Index(o.song, u"three"), four = Index(o.song, u"four");
  ASSERT_TRUE(o.session.MoveSyllables({four}, 70));
  ASSERT_TRUE(o.session.SnapSyllablesToNotes({three, four}));
  EXPECT_EQ(Tick(o.song, u"three"), 2880);
  EXPECT_EQ(Tick(o.song, u"four"), 3360);
  EXPECT_FALSE(o.session.SnapSyllablesToNotes({three, four})) << "already on their notes";
}

TEST(SyllableMoves, TextEditedInPlace) {
  Opened o(TimelineSong());
  const int two = Index(o.song, u"two");
  EXPECT_EQ(EditableSyllableText(o.song.HyphenArray[two]), u"two ");
  // Without its trailing space the word goes on into the next syllable.
  ASSERT_TRUE(o.session.SetSyllableText(two, u"twen"));
  EXPECT_NE(o.session.DisplayText().find(u"twenthree"), std::u16string::npos);
  EXPECT_TRUE(o.session.UndoName() == "Change syllable text" || o.session.UndoName() == "Silbentext ändern")
      << o.session.UndoName();
  ASSERT_TRUE(o.session.SetSyllableText(two, u"twen "));
  EXPECT_NE(o.session.DisplayText().find(u"twen three"), std::u16string::npos);
  EXPECT_FALSE(o.session.SetSyllableText(two, u"  ")) << "no empty syllable";
  EXPECT_FALSE(o.session.SetSyllableText(0, u"Other title")) << "the title lines are not edited here";
  ASSERT_TRUE(o.session.Undo());
  ASSERT_TRUE(o.session.Undo());
  EXPECT_EQ(o.song.HyphenArray[two].Text, u"two ");
}

TEST(TimelineModel, RulerBarsLieWherePositionTextsStartABar) {
  // 4/4 at 120 bpm, a tempo change inside bar 2, 3/4 from bar 3, 6/8 from bar 5.
  cvtest::SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2).Bpm(2400, 90).TimeSig(3840, 3, 2).TimeSig(3840 + 2 * 1440, 6, 3);
  smf.AddTrack().NoteOn(0, 0, 60, 90).NoteOff(12000, 0, 60);
  Opened o(smf.WriteTemp("meters.mid"));
  TimelineModel model;
  model.Build(o.song);
  const int32_t end = 11000;
  std::vector<int32_t> bars;
  for (const TRulerLine& l : model.RulerLines(0, end, 1))
    if (l.Beat == 1) {
      bars.push_back(l.Tick);
      EXPECT_EQ(model.LineText(l), PositionText(o.song, l.Tick)) << l.Tick;
    }
  std::vector<int32_t> expected;
  for (int32_t t = 0; t < end; ++t)
    if (PositionText(o.song, t).ends_with(u".01.000")) expected.push_back(t);
  EXPECT_EQ(bars, expected);
  EXPECT_EQ(std::vector<int32_t>(bars.begin(), bars.begin() + 6), (std::vector<int32_t>{0, 1920, 3840, 5280, 6720, 8160}));
  // Zoomed out, every second bar; the seconds follow the tempo change.
  for (const TRulerLine& l : model.RulerLines(0, end, 3000)) EXPECT_EQ((l.Measure - 1) % 2, 0);
  EXPECT_EQ(model.TickToMs(2400), 2500);
  EXPECT_EQ(model.MsToTick(2500 + 1000), 2400 + 720);
}

TEST(TimelineModel, VisibleRangesMatchAFullScan) {
  Opened o(TimelineSong());
  TimelineModel model;
  model.Build(o.song);
  EXPECT_EQ(model.Melody().Notes().size(), 5u);
  EXPECT_EQ(model.Others().Notes().size() + model.Others().LongNotes().size(), 1u);
  EXPECT_EQ(model.StripRange(), std::make_pair(56, 68));  // the melody's 60..64, widened to an octave
  // Blocks: the title lines shaded, one block per sung syllable up to the next one.
  const auto& blocks = model.Blocks();
  const int32_t threeBlock = model.BlockOfElement(Index(o.song, u"three"));
  ASSERT_GE(threeBlock, 0);
  EXPECT_EQ(blocks[threeBlock].Start, 3080);
  EXPECT_EQ(blocks[threeBlock].End, 3360);
  EXPECT_EQ(blocks[model.BlockOfElement(0)].Kind, TBlockKind::Header);
  EXPECT_EQ(model.BlockAt(3100), threeBlock);
  EXPECT_EQ(model.BlockAt(3000), model.BlockOfElement(Index(o.song, u"two")));
  // "three" lies off its note: the check's finding is on its block.
  ASSERT_GE(blocks[threeBlock].Finding, 0);
  EXPECT_EQ(model.Findings()[blocks[threeBlock].Finding].Kind, "no-note");
  for (const auto& [from, to] : std::vector<std::pair<int32_t, int32_t>>{{0, 100}, {2000, 2100}, {3070, 3400}, {0, 99999}}) {
    const auto [b0, b1] = model.VisibleBlocks(from, to);
    for (size_t k = 0; k < blocks.size(); ++k) {
      const bool reaches = blocks[k].Start < to && std::max(blocks[k].End, blocks[k].Start + 1) > from;
      if (reaches) {
        EXPECT_TRUE(k >= b0 && k < b1) << from << ".." << to << " block " << k;
      }
    }
  }
}

// The strip shows the melody every other part of the program uses: here channel 4 on a track of
// its own under a piano on channel 1, one note per chord (its highest), each to its note-off,
// also after a transposition; the rest of the notes lie behind it.
TEST(TimelineModel, TheMelodyStripIsTheSongsMelody) {
  cvtest::SmfBuilder smf(1, 480);
  smf.AddTrack().Tempo(0, 500000).TimeSig(0, 4, 2);
  cvtest::SmfTrack& piano = smf.AddTrack();
  for (int i = 0; i < 6; ++i) {
    for (int pitch : {48, 52, 55}) piano.NoteOn(480 + 480 * i, 0, pitch, 80);
    for (int pitch : {48, 52, 55}) piano.NoteOff(480 + 480 * i + 400, 0, pitch);
  }
  cvtest::SmfTrack& melody = smf.AddTrack();
  melody.Name(0, "Lead");
  const char* words[] = {"one ", "two ", "three ", "four ", "five ", "six "};
  for (int i = 0; i < 6; ++i) {
    const int tick = 480 + 480 * i;
    melody.Lyric(tick, words[i]).NoteOn(tick, 3, 67 + i, 100);
    if (i == 2) melody.NoteOn(tick, 3, 60, 100);  // a chord in the melody part
    melody.NoteOff(tick + 240, 3, 67 + i);
    if (i == 2) melody.NoteOff(tick + 240, 3, 60);
  }
  Opened o(smf.WriteTemp("lead.mid"));
  ASSERT_EQ(o.song.Melody.Parts.size(), 1u);
  ASSERT_EQ(o.song.Melody.Parts[0].Channel, 3) << o.song.Melody.Reason;
  for (int transpose : {0, 2}) {
    if (transpose) {
      ASSERT_TRUE(o.session.Transpose(transpose, {}));
    }
    TimelineModel model;
    model.Build(o.song);
    const std::vector<TTimelineNote>& notes = model.Melody().Notes();
    ASSERT_EQ(notes.size(), 6u) << transpose;
    for (int i = 0; i < 6; ++i) {
      const TTimelineNote& n = notes[static_cast<size_t>(i)];
      EXPECT_EQ(n.Tick, 480 + 480 * i);
      EXPECT_EQ(n.End, n.Tick + 240);
      EXPECT_EQ(n.Pitch, 67 + i + transpose);
      EXPECT_EQ(n.Channel, 3);
    }
    EXPECT_EQ(model.Others().Notes().size(), 6u * 3 + 1) << "the piano and the chord's lower note";
    // Fitted to the melody; with the piano shown, down to the piano's lowest note.
    EXPECT_GT(model.StripRange().first, 55);
    EXPECT_EQ(model.StripRange(true).first, 48 + transpose);
  }
}

TEST(TimelineModel, NoteLaneRangesOnRandomNotes) {
  std::mt19937 random(7);
  std::vector<TTimelineNote> notes;
  for (int i = 0; i < 5000; ++i) {
    const int32_t tick = static_cast<int32_t>(random() % 100000);
    const int32_t length = i % 500 == 0 ? 60000 : 1 + static_cast<int32_t>(random() % 900);
    notes.push_back({tick, tick + length, static_cast<uint8_t>(random() % 128), 0, false});
  }
  TNoteLane lane;
  lane.Assign(notes);
  EXPECT_FALSE(lane.LongNotes().empty());
  for (int k = 0; k < 50; ++k) {
    const int32_t from = static_cast<int32_t>(random() % 100000), to = from + static_cast<int32_t>(random() % 5000);
    size_t sounding = 0;
    for (const TTimelineNote& n : notes) sounding += n.Tick < to && n.End > from;
    const auto [first, last] = lane.Visible(from, to);
    size_t found = 0;
    for (size_t i = first; i < last; ++i) found += lane.Notes()[i].End > from;
    for (const TTimelineNote& n : lane.LongNotes()) found += n.Tick < to && n.End > from;
    EXPECT_EQ(found, sounding);
    const auto [s0, s1] = lane.Starting(from, to);
    int lo = 128, hi = -1;
    for (const TTimelineNote& n : notes)
      if (n.Tick >= from && n.Tick < to && n.End - n.Tick < 60000) lo = std::min<int>(lo, n.Pitch), hi = std::max<int>(hi, n.Pitch);
    if (hi >= 0) {
      EXPECT_EQ(lane.PitchSpan(s0, s1), std::make_pair(lo, hi));
    }
  }
}

TEST(TapCalibration, MedianOffsetOfScriptedTaps) {
  TTapCalibration calibration;
  calibration.IntervalMs = 500;
  const std::vector<int32_t> clicks = calibration.ClickTimes();
  ASSERT_EQ(clicks.size(), 8u);
  EXPECT_EQ(clicks.front(), 500);
  struct Case {
    const char* what;
    std::vector<int32_t> lateBy;  // per click; -9999: not tapped
    std::optional<int32_t> median;
  };
  const Case cases[] = {
      {"steady taps", {80, 80, 80, 80, 80, 80, 80, 80}, 80},
      {"one stray tap does not pull the median", {70, 90, 75, 85, 80, 240, 80, 78}, 80},
      {"early taps give a negative delay", {-20, -30, -10, -20, -25, -15, -20, -20}, -20},
      {"half the clicks tapped is enough", {100, -9999, 110, -9999, 120, -9999, 130, -9999}, 115},
      {"fewer is not", {100, -9999, -9999, -9999, -9999, -9999, -9999, 90}, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<int32_t> taps;
    for (size_t k = 0; k < clicks.size(); ++k)
      if (c.lateBy[k] != -9999) taps.push_back(clicks[k] + c.lateBy[k]);
    EXPECT_EQ(MedianTapOffset(clicks, taps, calibration.IntervalMs), c.median);
  }
  // A double tap on one click counts once; a tap between clicks counts for none.
  EXPECT_EQ(MedianTapOffset(clicks, {560, 570, 1060, 1560, 2060, 1800}, 500), 60);
}

TEST(TapCalibration, ClickSongOpensAndRecordingTakesTheDelayOff) {
  TTapCalibration calibration;
  const std::string clicks = cvtest::WriteTempFile("clicks.mid", calibration.ClickSongBytes());
  Opened c(clicks);
  int notes = 0;
  for (PtrMidiEvent e = c.song.MidiTrack[0].TrkFirstEvent; e; e = e->NextEvent)
    if (e->Command == 0x99 && e->Value[1] > 0) {
      EXPECT_EQ(e->TimePosition, calibration.ClickTimes()[notes]);
      ++notes;
    }
  EXPECT_EQ(notes, TTapCalibration::kClicks);

  // The same taps with a delay of 100 ms land 100 ms earlier.
  auto tapped = [](int32_t delay) {
    Opened o(TimelineSong());
    o.session.SetTapDelay(delay);
    o.song.SongPositionTicks = 500;
    o.song.CurrentHyphen = -1;
    o.session.StartRecording();
    for (int32_t t : {1100, 1600, 2100}) o.session.Tap(t);
    o.session.PlaybackStopped();
    return o.song.HyphenArray[Index(o.song, u"one")].Time;
  };
  EXPECT_EQ(tapped(0) - tapped(100), 100);
}
