// Standard MIDI File bytes (song.SourceData) into the song model: chains, lists, melody chain.
#pragma once

#include <cstdint>
#include <span>

#include "song/Song.h"

namespace cv {

// Reads song.SourceData into a parsed song: chains, lists, the Prompta signature and the text
// encoding. Raises EMidiError with the user's text on any fault; the song is then only partly
// built and must be treated as not loaded. The open flow changes the tracks after this step
// (Prompta removal, controller 32) and then completes the reading.
void ParseMidiData(Song& song);
// The same over the file's bytes held elsewhere.
void ParseMidiData(Song& song, std::span<const uint8_t> bytes);
// The reading's last steps on the tracks as they now are: the drum bank-select clean-up and the
// melody chain.
void CompleteMidiData(Song& song);
// The first channel-10 bank select MSB of a track goes when the track has no channel-10 LSB.
void DeleteDrumBankSelect(Song& song);
// Both steps: the song as the file holds it.
void ReadMidiData(Song& song);

}  // namespace cv
