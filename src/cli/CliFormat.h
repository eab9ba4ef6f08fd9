// The results of cantovex-cli's commands: each is one JSON object (what --json prints) and a text
// form made from that object, so both always say the same. Keys of a command's object are
// lowercase words; records of the song (syllable, track, tempo, signature, key) carry the program's
// field names, a position always as SongPosition (ticks), Time (ms) and MTC (bar.beat.tick).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "cli/CliOutput.h"
#include "song/Song.h"

namespace cvcli {

// info: {"file", "format", "division", "tracks" (as in the file), "addedTracks" (what the program
// writes besides them), "tempos" (where the tempo changes), "timeSignatures", "keySignatures",
// "chords", "prompta", "length", "lyrics", "encoding"}
Json SongInfo(cv::Song& song, const std::string& path);
void SongInfoText(const Json& info, std::ostream& out);

// lyrics: {"file", "syllables": [{"Text", "SongPosition", "Time", "MTC"}]}, written one syllable
// at a time (a song may hold a million), never built as one object.
void WriteSyllables(CliOutput& output, const cv::Song& song, const std::string& path);

// text: {"file", "text"}
void PlainText(const Json& result, std::ostream& out);

// edit, import, convert of one song: {"written", "format", "syllables"}
Json Written(const cv::Song& song, const std::string& path, int format);
void WrittenText(const Json& result, std::ostream& out);

// hyphenate: {"words": ["Stra-ße", ...]}
void WordsText(const Json& result, std::ostream& out);

// convert --batch: {"converted", "skipped", "failed": [{"file", "message"}]}
void BatchText(const Json& result, std::ostream& out);

// ports: {"midiSystem", "midiOutputs": [NAME], "audioDevices": [{"Driver", "Name"}], "soundFont"}
void PortsText(const Json& result, std::ostream& out);

// render: {"written", "audioSeconds", "renderSeconds", "soundFont"}
void RenderedText(const Json& result, std::ostream& out);

// play: {"file", "output", "stopped"}; the text was shown while playing, so none follows.
void PlayedText(const Json& result, std::ostream& out);

}  // namespace cvcli
