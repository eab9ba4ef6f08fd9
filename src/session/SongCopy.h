// Copies of a song for the undo history: a whole, independent copy (its chains in a pool of their
// own, every pointer into them re-aimed at the copy), or the part of a song a lyrics change can
// alter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "song/Song.h"

namespace cv {

// The copy has no player and no message sink: they belong to the song being worked on.
Song CopySong(const Song& song);

// The song's lists and small state with its melody chain and no other chain: enough to try an
// operation on the syllables aside (writing lyric events into it finds no lyrics chain and is left
// out).
Song CopySyllablesAndMelody(const Song& song);

// Memory a copy holds, in bytes (records, texts and lists; an estimate for the history's budget).
size_t SongBytes(const Song& song);

// A song's state kept aside, to be exchanged with the song later: the whole song, or a part of it
// for a change that leaves most chains alone. A part holds the song's lists and small state, copies
// of the chains named and of every other chain only where its last event (End of Track) stands:
// a song that grows for a late syllable moves it.
class SongSnapshot {
 public:
  SongSnapshot() = default;
  static SongSnapshot Whole(const Song& song);
  // chains: indices into MidiTrack; melody: the melody chain too. The whole song when a key
  // signature lies in one of those chains (the song points at it from outside the chain).
  static SongSnapshot Part(const Song& song, const std::vector<int>& chains, bool melody);

  // The song takes the state kept here, and this keeps the song's state from before, so a second
  // exchange gives it back. The song keeps its player and message sink. The song must differ from
  // the kept state only where the part reaches (as after the change it was taken for).
  void Exchange(Song& song);

  bool IsWhole() const { return whole_; }
  // Memory held, in bytes (an estimate for the history's budget).
  size_t Bytes() const;

 private:
  struct End {
    int32_t Position = 0;
    int32_t TimePosition = 0;
  };
  static End EndOf(const TMyTrack& track);
  static void SwapEnd(TMyTrack& track, End& end);

  bool whole_ = true;
  Song kept_;               // a part: the chains not named stay empty
  std::vector<int> chains_;
  bool melody_ = false;
  std::vector<End> ends_;   // per MidiTrack entry not named
  End melodyEnd_;
};

}  // namespace cv
