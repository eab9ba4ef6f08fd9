// Writes the song as a Standard MIDI File of format 0: every chain merged into one track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/MessageSink.h"
#include "song/Song.h"

namespace cv {

// The track name a saved file carries: its file name without folder and extension, with a
// leading a-z made upper case; in the song's text encoding.
std::string TrackNameForFile(const Song& song, const std::string& fileName);

// The complete file as bytes, the single track named trackName. Throws EMidiError.
std::vector<uint8_t> Format0FileImage(const Song& song, const std::string& trackName);

// Writes NewFileName safely. File-step failures go to the sink (and give false); an event that
// cannot be encoded or memory that runs out throws EMidiError.
bool SaveToFileFormat0(const Song& song, const std::string& NewFileName, MessageSink& sink);

}  // namespace cv
