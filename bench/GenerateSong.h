// Synthetic songs for the benchmarks: Standard MIDI File bytes of a chosen size, deterministic.
#pragma once

#include <cstdint>
#include <vector>

namespace cvbench {

struct SongShape {
  int tracks = 16;             // track 0: conductor (tempo, signatures); 1: melody with lyrics; rest: accompaniment
  int channelEvents = 30000;   // over all tracks
  int tempoChanges = 20;
  int lyricEvents = 400;
  int division = 480;
};

// 16 tracks, about two million channel events, tempo changes and 5000 lyric events.
SongShape LargeSong();
// About 30 000 events and 400 syllables.
SongShape TypicalSong();

std::vector<uint8_t> GenerateSong(const SongShape& shape);
// A variable-length quantity as a Standard MIDI File writes it.
void VarLen(std::vector<uint8_t>& out, uint32_t v);

}  // namespace cvbench
