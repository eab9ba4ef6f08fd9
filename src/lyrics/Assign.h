// Ties every syllable to a melody note, and hides notes from that matching.
#pragma once

#include <cstdint>
#include <string>

#include "song/Song.h"

namespace cv {

// Positions the title lines and puts each syllable on a usable melody note (chords, hidden notes
// and repeated ticks passed over): syllables timed by people on the notes they were sung on (the
// note nearest their time, in order; letters timed one by one share their note; no note near: the
// time stays), an untimed text the n-th syllable on the n-th note. Lets line breaks and
// continuations ride 4 ticks behind (sharing a note the syllables around them share),
// puts bar markers before what follows them, then refreshes times and rebuilds the lyric events.
// Syllables whose notes lie inside the title lines follow right after them; returns true then
// (the caller tells the user once, with StartsTooEarlyText).
bool AssignSyllablesToNotes(Song& song);

// The song starts too early for its title lines; a lead-in helps, made as leadInHow says (the
// window's menu item, the command line's option).
std::string StartsTooEarlyText(const std::string& leadInHow);

// Hides the first usable melody note at or after the playback time (ms) and assigns again.
// Returns false when no note lies there (nothing changes).
bool HideNoteAt(Song& song, int32_t timeMs);
// The note HideNoteAt hides; null when none lies there.
TypMidiEvent* NoteToHideAt(const Song& song, int32_t timeMs);
// A note for the user: pitch name, MIDI number and position, e.g. "G4 (67) at 012.03.000".
std::string NoteDescription(Song& song, const TypMidiEvent& note);

}  // namespace cv
