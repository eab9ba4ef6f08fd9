// Standard MIDI File bytes (song.SourceData) into the song model: chains, lists, melody chain.
#pragma once

#include <cstdint>
#include <span>

#include "song/Song.h"
#include "song/TimeMap.h"

namespace cv {

// Reads song.SourceData into a parsed song: chains, lists, the Prompta signature and the text
// encoding. Raises EMidiError with the user's text on any fault; the song is then only partly
// built and must be treated as not loaded. The open flow changes the tracks after this step
// (Prompta removal, controller 32) and then completes the reading. With `stamped`, the events get
// their times as they are read, for the time map to keep (BuildTimeMap).
void ParseMidiData(Song& song, StampedTimes* stamped = nullptr);
// The same over the file's bytes held elsewhere.
void ParseMidiData(Song& song, std::span<const uint8_t> bytes, StampedTimes* stamped = nullptr);
// The reading's last steps on the tracks as they now are: the drum bank-select clean-up and the
// melody chain.
void CompleteMidiData(Song& song, StampedTimes* stamped = nullptr);
// The first channel-10 bank select MSB of a track goes when the track has no channel-10 LSB
// (taking the stamped times' validity with it when it held the latest time).
void DeleteDrumBankSelect(Song& song, StampedTimes* stamped = nullptr);
// Both steps: the song as the file holds it.
void ReadMidiData(Song& song, StampedTimes* stamped = nullptr);

}  // namespace cv
