// Standard MIDI File bytes (song.SourceData) into the song model: chains, lists, melody chain.
#pragma once

#include "song/Song.h"

namespace cv {

// Reads song.SourceData into a parsed song. Raises EMidiError with the user's text on any fault;
// the song is then only partly built and must be treated as not loaded. Without a question
// callback, Prompta data found in the file are kept; the question's yes removes them.
void ReadMidiData(Song& song, const YesNoQuestion& askRemovePrompta = {});

// The question shown when Prompta data were found (German in both languages).
std::string PromptaQuestionText(const Song& song);

// UTF-8 when every lyric and text event is valid UTF-8 and one holds a multi-byte sequence.
TextEncoding DecideTextEncoding(const Song& song);

}  // namespace cv
