// The text encoding of a song: deciding it from all its text, reading it again in another one,
// and what saving needs to know (syllables the encoding cannot hold, a switch to UTF-8).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "song/Song.h"

namespace cv {

// The encoding of one song's texts (its text and lyric events, which the reader gathers), decided
// on all of them together: plain ASCII and text that is
// not UTF-8 but reads the same in Windows-1252 are Windows-1252; valid UTF-8 with multi-byte
// characters is UTF-8; anything else is the page GuessLegacyEncoding finds with the installed
// converter (Windows-1252 without one). `language` as there (empty: the locale's).
TextEncoding ChooseTextEncoding(const std::vector<std::string_view>& texts, std::string_view language = {});

// Reads the syllables again in another encoding: every syllable still as read gets the text of its
// bytes in the new encoding; syllables changed or made in the program keep their text. The lyric
// events are rebuilt by the caller (InsertLyrics).
void ChangeSongEncoding(Song& song, const TextEncoding& encoding);

// Index of the first syllable that must be encoded anew and whose characters the song's encoding
// cannot hold; -1 when every one can be saved.
int FirstUnencodableSyllable(const Song& song);

// Converts every text event of the song into the new encoding and forgets the syllables' read
// bytes, so the whole song is written in it (e.g. UTF-8 when its own encoding cannot hold a new
// syllable). The lyric events are rebuilt by the caller (InsertLyrics).
void ReencodeSong(Song& song, const TextEncoding& encoding);

// The bytes a syllable is written with: as read while its text is unchanged, else encoded anew.
std::string SyllableBytes(const Song& song, const THyphens& syllable);

// The message for a syllable that the encoding cannot hold (user's language).
std::string UnencodableSyllableText(const Song& song, int index);

}  // namespace cv
