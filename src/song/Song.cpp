#include "song/Song.h"

namespace cv {

void ClearMidiMemory(Song& song) {
  for (TMyTrack& track : song.MidiTrack) {
    track.TrkEventCounter = 0;
    track.TrkFirstEvent = nullptr;
    track.TrkLastEvent = nullptr;
    track.TrkNameEvent = nullptr;
    track.TrkPlayEvent = nullptr;
  }
  song.MelodyTrack = TMyTrack{};
  song.Melody = MelodyChoice{};
  song.Pool.Clear();
  song.HyphenArray.clear();
  song.HyphenArrayElements = 0;
  song.TitleLine = true;
  song.ForeignChunks.clear();
  song.MidiFileLoaded = false;
}

}  // namespace cv
