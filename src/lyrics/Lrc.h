// LRC, the timed-lyrics text people exchange: the syllable list written as enhanced LRC (a stamp
// per line and per syllable), and LRC files (plain or enhanced) read in as the song's lyrics.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "song/Song.h"

namespace cv {

// The song's syllables as enhanced LRC in UTF-8: [ti:] and [ar:] from the song's title lines (none
// for a song without; [ar:] only when it has an artist line), then each
// lyric line as "[mm:ss.xx]<mm:ss.xx>syl<mm:ss.xx>syl..." (hundredths, the format's resolution).
std::string LrcFileContent(const Song& song);

// Splits one word into its syllables (e.g. u"Stra-ße" from a hyphenator); none keeps words whole.
using TLrcHyphenate = std::function<std::u16string(std::u16string_view word)>;

struct TLrcImport {
  bool Ok = false;
  std::string Message;  // why the file was refused (user's language), when not Ok
  int Syllables = 0;    // lyric syllables read in
};

// Reads LRC text (UTF-8, or Windows-1252 when it is not valid UTF-8) into the song as its lyrics:
// line and word stamps become positions through the tempo map; words without a stamp share the
// time up to the next stamp evenly, and so do the later syllables of a hyphenated word. A faulty
// file (bad or backward stamps, no stamps at all, no text) changes nothing.
TLrcImport ImportLrc(Song& song, std::string_view bytes, const std::string& fileName,
                     const TLrcHyphenate& hyphenate = {});

// Reads an LRC file from disk and imports it (missing, unreadable or oversized files give a message).
TLrcImport ImportLrcFile(Song& song, const std::string& path, const TLrcHyphenate& hyphenate = {});

// True for a file name ending in .lrc (any case).
bool IsLrcFileName(const std::string& path);

}  // namespace cv
