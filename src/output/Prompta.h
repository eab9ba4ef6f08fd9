// Controller data for the hardware lyrics prompter: built from the syllables, found and removed on reading.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/Song.h"

namespace cv {

// One controller value of the Prompta stream, with where it is sent.
struct TPromptaValue {
  int32_t SongPosition = 0;
  int32_t Time = 0;
  uint8_t Value = 0;
};

// Rebuilds the Prompta track from the syllables (and the copyright text). False when nothing was
// inserted: no song loaded, or more lines than the display counts (a warning goes to song.Messages).
bool InsertPromptaController(Song& song);
// The controller values InsertPromptaController puts into the Prompta track, in chain order and cut
// at the song end (the Yamaha note is not among them). False when the text has more lines than the
// display counts.
bool PromptaWireValues(const Song& song, std::vector<TPromptaValue>& values);
// Removes the Prompta data of PromptaControllerTrack (controller, channel and the Yamaha note).
void RemovePromptaData(Song& song);
// Moves the file tracks' events out of ticks 4 to 60 and neutralises controllers that would mix
// into the Prompta data.
void ClearPromptaLeadIn(Song& song);
// The question shown when Prompta data were found while Prompta support is off (German in both
// languages).
std::string PromptaQuestionText(const Song& song);

}  // namespace cv
