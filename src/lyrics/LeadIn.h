// A lead-in: whole bars of silence put in front of the song.
#pragma once

#include <cstdint>

#include "song/Song.h"

namespace cv {

constexpr int kMinLeadInBars = 1;
constexpr int kMaxLeadInBars = 8;

// Moves every event by `bars` bars of the first time signature, except the set-up events at tick
// 0 (tempo, signatures, key, names and other song information, program, controller and pitch
// set-up, SysEx), which stay there. Notes, markers, XF chords, the melody chain with its hidden
// notes and the sung syllables move along; the title lines stay. The time map, the lyric events
// and the Prompta data are rebuilt. A song that would leave its tick range gets EMidiError and
// stays as it was; bars outside 1..8 change nothing.
void InsertLeadIn(Song& song, int bars);

}  // namespace cv
