// The melody a song is sung to: the notes the karaoke game export gives its syllables, and the
// channel it leaves out of the backing track.
#pragma once

#include <cstdint>
#include <vector>

#include "song/Song.h"

namespace cv {

struct TMelodyNote {
  int32_t Start = 0;  // ticks
  int32_t End = 0;
  uint8_t Key = 60;  // MIDI note number
};

struct TMelody {
  int Channel = 0;                 // 0..15
  std::vector<TMelodyNote> Notes;  // by start, then key
};

// The notes of the song's melody (found by itself unless the options fix it), each from its
// note-on to its note-off; a chord counts as its highest note.
TMelody FindSongMelody(const Song& song);

}  // namespace cv
