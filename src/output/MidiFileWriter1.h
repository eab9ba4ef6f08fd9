// Writes the song as a Standard MIDI File of format 1. A song read from another format is first
// spread over a conductor track, one track per channel, the lyrics and the Prompta track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/MessageSink.h"
#include "song/Song.h"

namespace cv {

// Both writers write the Prompta track only while the option is on, the song has syllables and
// the track holds data; so a file never carries data the user switched off.
bool PromptaTrackWritten(const Song& song);

// The complete file as bytes. Throws EMidiError (also when more than 255 chunks would be needed).
std::vector<uint8_t> Format1FileImage(const Song& song);

// Writes NewFileName safely. File-step failures go to the sink (and give false); an event that
// cannot be encoded, too many tracks or memory that runs out throw EMidiError.
bool SaveToFileFormat1(const Song& song, const std::string& NewFileName, MessageSink& sink);

// The 128 names of the program numbers used to name channel tracks.
extern const char* const kInstrumentNames[128];

}  // namespace cv
