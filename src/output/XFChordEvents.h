// Yamaha XF chord events: recognising them, their summary as read, and transposing their note bytes.
#pragma once

#include <cstdint>

#include "song/Song.h"

namespace cv {

// A meta event 0x7F of seven data bytes starting 43 7B 01.
bool IsXFChordEvent(const TypMidiEvent& event);

// Number of XF chord events in the chain of track XF_TrackNb (0 when it names no file track).
int32_t CountXFChordEvents(const Song& song);

// Makes sure XF_ChordsArray holds one entry per chord event of track XF_TrackNb. A song whose
// open flow built no summary (five chord events or fewer) gets one from its events here; this
// is only right while its chord bytes are still as read, which holds because transposing always
// passes through here first and the open flow clears the summary of the previous song.
void EnsureXFChordSummary(Song& song);

// A chord-root or bass-note byte moved by `amount` semitones, computed from the byte as read.
// Amount 0, bytes 0x7F and above, and names outside both name tables (Cb, E#, ...) stay as read.
uint8_t TransposeXFNote(uint8_t byteAsRead, int amount);

// Rewrites chord root and bass note of every chord event from the summary.
void TransposeXFChords(Song& song, int amount);

}  // namespace cv
