// Writes the song as a karaoke file (.kar), the convention most karaoke players on computers read:
// a format 1 file whose "Words" track carries the syllables as text events with "/" (new line) and
// "\" (new page) marks, after "@" header lines. It has no lyric events, so a player that reads both
// kinds shows no syllable twice.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/MessageSink.h"
#include "song/Song.h"

namespace cv {

// The third choice of Save as beside MIDI format 0 and 1 (MIDI format 2 is never written).
constexpr int kKarFormat = 2;

// The complete file. languageTag is the "@L" tag ("GERM", "ENGL", ...). Throws EMidiError, also
// for a song without syllables, which would make an empty karaoke file.
std::vector<uint8_t> KarFileImage(const Song& song, const std::string& languageTag);

// Writes NewFileName safely; file-step failures go to the sink (and give false).
bool SaveToKarFile(const Song& song, const std::string& NewFileName, const std::string& languageTag,
                   MessageSink& sink);

}  // namespace cv
