// Controller data for the hardware lyrics prompter: built from the syllables, found and removed on reading.
#pragma once

#include "song/Song.h"

namespace cv {

// Rebuilds the Prompta track from the syllables (and the copyright text). False when nothing was
// inserted: no song loaded, or more lines than the display counts (a warning goes to song.Messages).
bool InsertPromptaController(Song& song);
// Removes the Prompta data of PromptaControllerTrack (controller, channel and the Yamaha note).
void RemovePromptaData(Song& song);
// Moves the file tracks' events out of ticks 4 to 60 and neutralises controllers that would mix
// into the Prompta data.
void ClearPromptaLeadIn(Song& song);

}  // namespace cv
