// The song's title line: a song name (and maybe an artist) ahead of the sung lyrics, kept at
// fixed ticks at the song start. Whether a song has one is decided once, when its lyrics are
// extracted, and remembered in Song::TitleLine; every step that places the name asks that.
#pragma once

#include <cstdint>
#include <vector>

#include "song/CV_Data.h"

namespace cv {

struct Song;

// The name's own tick; its line break follows 4 ticks later.
constexpr int32_t kTitlePosition = 108;

// Tick of the song's first note-on (any track and channel); INT32_MAX when it has none.
int32_t FirstNoteOnTick(const Song& song);

// Decision on freshly extracted elements (positions still the events' own ticks): element 0 is a
// line of one text element, and it lies at or before the name's place, or before the first note.
bool DecideTitleLine(const Song& song, const std::vector<THyphens>& list);

// Number of leading header elements of the song's list: the name line, the artist line when it
// is a line of one text element too, and blank lines right after them; a bar marker ends it.
// 0 without a title line.
int32_t HeaderElementCount(const Song& song);
// The same for the first n elements of a list.
int32_t HeaderElementCount(const std::vector<THyphens>& list, int32_t n, bool titleLine);

// Earliest tick of the first sung element behind a header of `header` elements: the name at its
// own place, then 4 ticks for each header element. 0 (the song start) without a header.
int32_t FirstSungMinimum(int32_t header);

// Places the title lines after syllables were moved or made: the name and its line break at their
// own ticks, the artist line and the blank lines after it right before the first sung element, 4
// ticks apart (the artist 8, its line break 4 ticks before it), and the first sung element no
// earlier than that leaves room for. Only the title's place and the song start bound a move; the
// old places of the artist line do not. The elements after the first sung one are the caller's.
// Only the first n elements count; nothing happens without a title line.
void PlaceTitleLines(std::vector<THyphens>& list, int32_t n, bool titleLine);
// The same on the song's list; the moved elements get their times again.
void PlaceTitleLines(Song& song);

// "_takt" in the text, compared case-insensitively for A to Z.
bool IsBarMarker(const THyphens& h);

}  // namespace cv
