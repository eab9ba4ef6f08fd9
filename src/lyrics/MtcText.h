// The position-text editor: one line per syllable, its measure.beat.tick position, a space and
// the syllable ("_" for a space inside it, "~" for a hyphen of the text, a final "-" when the
// word goes on, the line-break marker for a line break). Also Remove punctuation and Upper case.
#pragma once

#include <string>
#include <string_view>

#include "lyrics/EditText.h"
#include "song/Song.h"

namespace cv {

inline constexpr std::u16string_view kNewLineMarker = u"***_Neue_Zeile_***";

// Width of the position field: three measure digits, more when the song has more measures.
int PositionFieldWidth(Song& song);

TEditorText BuildMtcText(Song& song);
// Builds the position text and marks the editor open.
TEditorText EnterMtcText(Song& song);
// Parses every line back into the syllable list and rebuilds the lyric events. A position field
// that fails its check ends with BadPosition (the message names the line) and changes nothing.
TLeaveResult LeaveMtcText(Song& song, std::u16string_view text);

// Keeps letters of every script, digits, spaces and a few marks; drops other punctuation and symbols.
bool KeepsCharacter(char32_t c);
std::u16string FilterPunctuation(std::u16string_view text);
// Filters every syllable but the song name through the position-text editor; syllables that
// filter to nothing vanish (from the third line on).
TLeaveResult RemovePunctuation(Song& song);

// Capitals for every syllable (the song name for a to z only); returns the display text and
// rebuilds the lyric events so that the capitals are saved.
std::u16string SetUpperCase(Song& song);

}  // namespace cv
