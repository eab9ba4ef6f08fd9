// Opening a song file: load, read, time, chord summary, lyrics, and the lyric events written back.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>

#include "song/MessageSink.h"
#include "song/Song.h"
#include "song/TimeMap.h"

namespace cv {


struct OpenSongOptions {
  // Asked when Prompta data were found while Prompta support is off (none: keep them).
  YesNoQuestion AskRemovePrompta;
  // Overrides the encoding decided from the song's text events.
  std::optional<TextEncoding> ForceEncoding;
  // Runs right after the old song was released (e.g. the transposition dialog goes back to 0).
  std::function<void(Song&)> AfterRelease;
  // Runs after the lyrics were extracted and before the song is marked loaded (display text,
  // menus, transport); an exception thrown here fails the open like any other.
  std::function<void(Song&)> AfterExtract;
};

struct OpenSongResult {
  // No syllables: the window starts in editing mode; else viewing mode with the events rebuilt.
  bool EditingMode = false;
};

// Opens FileToOpen into song. On any failure the song is released, MidiFileLoaded is false and
// EMidiError carries the user's text.
OpenSongResult DateiOeffnen(Song& song, const std::string& fileToOpen, const OpenSongOptions& options = {});

// The reading steps of opening: the reader, the Prompta data removed (support on, or the question
// answered yes; without a question they stay), the controller 32 options, the reader's clean-up.
// The melody chain is left to the open flow, which builds it once the lyrics are known. With
// `stamped`, the events get their times while they are read (see ParseMidiData).
void ReadSongData(Song& song, std::span<const uint8_t> bytes, const YesNoQuestion& askRemovePrompta = {},
                  StampedTimes* stamped = nullptr);
// The time map of opening, the default tempo at the playback speed included, keeping the times
// stamped while reading where they hold.
void BuildSongTimeMap(Song& song, const StampedTimes* stamped = nullptr);

// Root and bass bytes of the XF chord events (format 0 songs with more than five of them).
void ReadXFChords(Song& song);

}  // namespace cv
