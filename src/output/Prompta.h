// Controller data for the hardware lyrics prompter: built from the syllables, found and removed on reading.
#pragma once

#include "song/Song.h"

namespace cv {

void InsertPromptaController(Song& song);
void RemovePromptaData(Song& song);
void ClearPromptaLeadIn(Song& song);

}  // namespace cv
