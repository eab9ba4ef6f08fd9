// Writes the song as a Standard MIDI File of format 1. A song read from another format is first
// spread over a conductor track, one track per channel, the lyrics and the Prompta track.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/ByteBuffer.h"
#include "song/MessageSink.h"
#include "song/Song.h"

namespace cv {

// Both writers write the Prompta track only while the option is on, the song has syllables and
// the track holds data; so a file never carries data the user switched off.
bool PromptaTrackWritten(const Song& song);

// Lyrics as karaoke text (a .kar file): these two chunks, given as their events with End of Track,
// stand right after the first chunk instead of the lyrics track, and the music tracks lose their
// own "@" header lines, so a player finds one header and one set of words.
struct KaraokeChunks {
  std::vector<const TypMidiEvent*> Header;
  std::vector<const TypMidiEvent*> Words;
};

class ImageDrain;
// The file encoded into image (handed to drain block by block where one is given). Throws
// EMidiError (also when more than 255 chunks would be needed).
void Format1Image(const Song& song, ByteBuffer& image, ImageDrain* drain, const KaraokeChunks* karaoke = nullptr);
// The complete file as bytes.
std::vector<uint8_t> Format1FileImage(const Song& song, const KaraokeChunks* karaoke = nullptr);

// A text event of a karaoke header ("@K...", "@T...", ...).
bool IsKaraokeHeaderLine(const TypMidiEvent& e);

// Writes NewFileName safely. File-step failures go to the sink (and give false); an event that
// cannot be encoded, too many tracks or memory that runs out throw EMidiError.
bool SaveToFileFormat1(const Song& song, const std::string& NewFileName, MessageSink& sink);

// The 128 names of the program numbers used to name channel tracks.
extern const char* const kInstrumentNames[128];

}  // namespace cv
