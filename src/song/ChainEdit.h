// Small steps on event chains shared by the operations that rebuild parts of a song.
#pragma once

#include <cstdint>

#include "song/Song.h"

namespace cv {

// A zero-filled record from the song's pool; EMidiError with the memory message when none is left.
PtrMidiEvent AllocateEvent(Song& song);

// Unlinks the event after prev and returns it to the pool. The track's count drops by one while it
// is above minCount; a play pointer on the removed event falls back to prev.
void RemoveEventAfter(Song& song, TMyTrack& track, PtrMidiEvent prev, int32_t minCount);

// Links event right after prev (never after the last event of a chain).
inline void LinkAfter(PtrMidiEvent prev, PtrMidiEvent event) {
  event->NextEvent = prev->NextEvent;
  prev->NextEvent = event;
}

inline bool IsMetaEvent(const TypMidiEvent& e, int type) {
  return e.Command == 0xFF && e.DType == DTypeMeta && e.MType == type;
}

}  // namespace cv
