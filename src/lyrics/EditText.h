// The edit text: the syllable list as editable lines and back, carrying the syllable times over.
//
// Line 1 is the song name, line 2 the artist, the lyrics follow one line per text line. A song
// without title lines shows both blank; left blank, they stay none.
// Inside the lyrics "-" separates the syllables of a word, "_" is a space inside one syllable,
// "=" is a hyphen that belongs to the text; a line of "----" starts with a marker element.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "song/LineBreak.h"
#include "song/Song.h"

namespace cv {

// Text for the lyrics view. Lines end with a single "\n"; the offsets count characters of Text.
struct TEditorText {
  std::u16string Text;
  int32_t CaretOffset = 0;      // behind the current syllable
  int32_t LookAheadOffset = 0;  // a few lines further, so that they scroll into view first
};

enum class TLeaveStatus {
  Done,           // the new list is committed, Text is the display text
  TooFewLines,    // the editor stays open
  RulesDeclined,  // the user did not confirm the layout rules; the editor stays open
  NothingLeft,    // only blank lines; the editor stays open
  BadPosition,    // a position field failed its check; Message names the line
  TooLong,        // more syllables than a song holds (e.g. after hyphenation); Message says so
  EditorOpen,     // an editor already holds the view: nothing done
};

struct TLeaveResult {
  TLeaveStatus Status = TLeaveStatus::Done;
  std::u16string Text;  // Done: display text; otherwise the text the view keeps
  std::string Message;  // finished text (UTF-8) for BadPosition and TooLong
  int32_t Line = 0;     // 1-based line of a BadPosition
};

// Builds the edit text of the syllable list (with the caret behind CurrentHyphen).
TEditorText BuildEditText(const Song& song);
// Builds the edit text and marks the editor open.
TEditorText EnterEditText(Song& song);
// Parses the edited text into a new syllable list, carries times over, fills the position
// texts and rebuilds the lyric events. Without a question callback the rules count as confirmed.
TLeaveResult LeaveEditText(Song& song, std::u16string_view text, const YesNoQuestion& askRules);

std::string RulesQuestionText();

// Building blocks, shared with the position-text editor and the lyric text files.
// Lines at CR LF, CR or LF; a line end at the very end starts no further line.
std::vector<std::u16string> SplitLines(std::u16string_view text);
std::u16string JoinLines(const std::vector<std::u16string>& lines);
// TAB to spaces up to the next multiple of tabStop, typographic apostrophes to "'",
// other control characters removed.
std::u16string NormaliseLine(std::u16string_view line, int tabStop);
// Drops leading blank lines, every blank line after a blank line from the third line on,
// and trailing blank lines.
void DropBlankLines(std::vector<std::u16string>& lines);
// Lines 1 and 2 are name and artist unless titleLines is false (then every line is lyrics).
std::vector<THyphens> ParseEditText(const std::vector<std::u16string>& lines, bool titleLines = true);
// The song's current list lined up with a new one for CarryTimesOver: when the title lines were
// added or taken away, the old title lines are replaced by the new ones.
std::vector<THyphens> AlignedOldList(const Song& song, const std::vector<THyphens>& newList, bool titleLine);
// Positions of the new list from the old one: unchanged elements keep their times, a changed
// stretch between unchanged neighbours is spread between them, new elements at the end sit
// 10 ticks apart just before the song end.
void CarryTimesOver(const std::vector<THyphens>& oldList, std::vector<THyphens>& newList,
                    int32_t maxSongPosition);
void MakeNonDecreasing(std::vector<THyphens>& list);
// Every Text in order, a line-break element as "\n".
std::u16string BuildDisplayText(const std::vector<THyphens>& list);
// The valid elements of the song's syllable list.
std::vector<THyphens> CurrentSyllables(const Song& song);
// Commits a new syllable list: position texts, CurrentHyphen in range, lyric events rebuilt.
void CommitSyllables(Song& song, std::vector<THyphens> list);

}  // namespace cv
