#include "song/ChainEdit.h"

#include <new>

#include "song/SongErrors.h"

namespace cv {

PtrMidiEvent AllocateEvent(Song& song) {
  try {
    return song.Pool.NewEvent();
  } catch (const std::bad_alloc&) {
    throw OutOfMemory();
  }
}

void RemoveEventAfter(Song& song, TMyTrack& track, PtrMidiEvent prev, int32_t minCount) {
  PtrMidiEvent gone = prev->NextEvent;
  if (!gone) return;
  prev->NextEvent = gone->NextEvent;
  if (track.TrkLastEvent == gone) track.TrkLastEvent = prev;
  if (track.TrkPlayEvent == gone) track.TrkPlayEvent = prev;
  if (track.TrkNameEvent == gone) track.TrkNameEvent = nullptr;
  if (track.TrkEventCounter > minCount) --track.TrkEventCounter;
  song.Pool.FreeEvent(gone);
}

}  // namespace cv
