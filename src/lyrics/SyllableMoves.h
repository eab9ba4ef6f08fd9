// Moving single syllables in time (the timeline's drags and nudges) and editing one syllable's
// text, keeping the list in order: a syllable never passes a neighbour, the title lines stay.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "song/Song.h"

namespace cv {

// A sung syllable (text, not a line break, continuation or bar marker).
bool IsSungSyllable(const THyphens& h);

// The elements that move as one: a sung syllable with the line breaks, continuations and bar
// markers around it (each rides with the nearer of its two sung neighbours). Units cover the list
// from the end of the title lines on, in order.
struct TSyllableUnit {
  int32_t First = 0;  // element indices, inclusive
  int32_t Last = 0;
  int32_t Sung = -1;  // the unit's sung syllable, -1: none (riders before the first sung one)
};
std::vector<TSyllableUnit> SyllableUnits(const Song& song);

// The unit holding element index, -1 when it is a title element or out of range.
int32_t UnitOf(const std::vector<TSyllableUnit>& units, int32_t index);

// The part of delta the selected syllables can move together: each run of selected units stops
// one tick before the next unselected one; the first sung syllable stops where the song name and
// the title elements after it still fit before it (4 ticks each). A list already out of order is
// never pushed the other way.
int32_t LimitSyllableMove(const Song& song, const std::vector<int32_t>& selection, int32_t delta);

// Moves the selected syllables (and their riders) by the limited delta; returns it. The artist
// line and blank title lines follow the first sung syllable; times, position texts and lyric
// events follow.
int32_t MoveSyllables(Song& song, const std::vector<int32_t>& selection, int32_t delta);

// Each selected syllable to the nearest start of a usable melody note, as far as its neighbours
// allow. True when any moved.
bool SnapSyllablesToNotes(Song& song, const std::vector<int32_t>& selection);

// The melody's usable (not hidden) note starts, sorted and without repeats.
std::vector<int32_t> MelodyStarts(const Song& song);
// The start nearest to tick (the earlier on a tie); -1 without starts. Previous / next: the
// nearest strictly before / after tick.
int32_t NearestStart(const std::vector<int32_t>& starts, int32_t tick);
int32_t PreviousStart(const std::vector<int32_t>& starts, int32_t tick);
int32_t NextStart(const std::vector<int32_t>& starts, int32_t tick);

// Grid step of the options' quantize setting, in ticks.
int32_t GridStep(const Song& song);

// The text of a sung syllable as the user edits it (without a line end it may carry).
std::u16string EditableSyllableText(const THyphens& h);
// Sets a sung syllable's text: a space at its end ends the word, none carries it on; line ends
// are dropped, a line end the syllable carried stays. False (nothing changes) for a text that is
// empty or unchanged, or an element that is no sung syllable.
bool SetSyllableText(Song& song, int32_t index, std::u16string_view text);

}  // namespace cv
