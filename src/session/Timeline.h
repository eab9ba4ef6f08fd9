// What the timeline shows of a song, ready for drawing a stretch of it: the notes per lane
// sorted by tick, the syllables as blocks, bar lines and seconds from the time map, and the song
// check's note findings. Every query for a visible range is a binary search, so a frame costs what
// it shows, not what the song holds. The widget only draws this and forwards the user's input.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "song/Song.h"

namespace cv {

struct TTimelineNote {
  int32_t Tick = 0;
  int32_t End = 0;  // note-off tick (> Tick)
  uint8_t Pitch = 0;
  uint8_t Channel = 0;
  bool Hidden = false;  // hidden from the syllable matching
};

// Notes sorted by tick. Notes much longer than usual are kept apart, so the visible range of the
// others starts a bounded distance before the range.
class TNoteLane {
 public:
  void Assign(std::vector<TTimelineNote> notes);
  const std::vector<TTimelineNote>& Notes() const { return notes_; }
  const std::vector<TTimelineNote>& LongNotes() const { return long_; }
  // Index range [first, second) of Notes() that may sound in [from, to); callers skip those that
  // end at or before from.
  std::pair<size_t, size_t> Visible(int32_t from, int32_t to) const;
  // Index range of the notes starting in [from, to).
  std::pair<size_t, size_t> Starting(int32_t from, int32_t to) const;
  // Lowest and highest pitch among Notes()[first, second); {-1, -1} when empty.
  std::pair<int, int> PitchSpan(size_t first, size_t second) const;
  bool Empty() const { return notes_.empty() && long_.empty(); }
  int Low() const { return low_; }
  int High() const { return high_; }

 private:
  static constexpr size_t kBlock = 64;
  std::vector<TTimelineNote> notes_;
  std::vector<TTimelineNote> long_;
  std::vector<std::pair<uint8_t, uint8_t>> blockSpan_;  // min/max pitch per kBlock notes
  int32_t maxLength_ = 0;  // of notes_
  int low_ = -1, high_ = -1;
};

enum class TBlockKind : uint8_t { Sung, Header, Break, Rider };

struct TTimelineBlock {
  int32_t Index = 0;  // element of HyphenArray
  int32_t Start = 0;  // tick as drawn (never before the block before it)
  int32_t End = 0;    // the next sung syllable's tick (Start for marks)
  TBlockKind Kind = TBlockKind::Sung;
  int32_t Finding = -1;  // index in Findings(), -1: none
};

struct TTimelineFinding {
  std::string Kind;     // "no-note", "shared-note"
  std::string Message;  // in the user's language
};

// A beat or bar line of the ruler.
struct TRulerLine {
  int32_t Tick = 0;
  int32_t Measure = 1;
  int32_t Beat = 1;  // 1: the bar's first beat
};

class TimelineModel {
 public:
  // Everything from the song (notes, syllables, findings); the song must outlive the model's use.
  void Build(Song& song);
  // The syllables only (after a move, a text edit, a tap); findings: run the song check for its
  // note findings (not while taps come in).
  void BuildSyllables(Song& song, bool findings = true);
  void Clear();
  bool Empty() const { return song_ == nullptr; }

  const TNoteLane& Melody() const { return melody_; }
  const TNoteLane& Others() const { return others_; }
  // Pitch range the strip is fitted to (the melody's, else every note's), at least an octave;
  // with the other channels shown, theirs too (drums aside), so that they do show.
  std::pair<int, int> StripRange(bool withOthers = false) const { return withOthers ? wideStrip_ : strip_; }

  // Usable melody note starts (what drags snap to).
  const std::vector<int32_t>& MelodyStarts() const { return melodyStarts_; }

  const std::vector<TTimelineBlock>& Blocks() const { return blocks_; }
  // Index range of Blocks() that reach into [from, to).
  std::pair<size_t, size_t> VisibleBlocks(int32_t from, int32_t to) const;
  // The sung or header block under tick (-1: none); marks are not hit.
  int32_t BlockAt(int32_t tick) const;
  // The block drawing element index, -1 when none.
  int32_t BlockOfElement(int32_t index) const;
  const std::vector<TTimelineFinding>& Findings() const { return findings_; }

  // Beat lines in [from, to) when beats lie at least minBeatTicks apart, else bar lines only,
  // every n-th bar so that they lie at least minBeatTicks apart.
  std::vector<TRulerLine> RulerLines(int32_t from, int32_t to, int32_t minBeatTicks) const;
  // The position text of a bar or beat start ("005.01.000").
  std::u16string LineText(const TRulerLine& line) const;
  int64_t TickToMs(int64_t tick) const;
  int64_t MsToTick(int64_t ms) const;
  // Last tick worth showing: the song end or the last syllable, whichever is later.
  int32_t EndTick() const { return endTick_; }

 private:
  Song* song_ = nullptr;
  TNoteLane melody_, others_;
  std::pair<int, int> strip_{48, 72}, wideStrip_{48, 72};
  std::vector<int32_t> melodyStarts_;
  std::vector<TTimelineBlock> blocks_;
  std::vector<int32_t> elementBlock_;  // per element of HyphenArray: its block
  std::vector<TTimelineFinding> findings_;
  int32_t endTick_ = 0;
};

}  // namespace cv
