#include "output/SongMelody.h"

#include <array>

#include "song/MelodyFinder.h"

namespace cv {

TMelody FindSongMelody(const Song& song) {
  TMelody melody;
  const MelodyChoice choice = FindMelody(song);
  std::array<int, 16> perChannel{};
  melody.Notes.reserve(choice.Notes.size());
  for (const MelodyNote& n : choice.Notes) {
    melody.Notes.push_back({n.Tick, n.Tick + n.Length, n.Pitch});
    ++perChannel[n.Channel & 0x0F];
  }
  // The channel left out of the backing track: the one most of the melody's notes are on.
  int best = 0;
  for (int c = 1; c < 16; ++c)
    if (perChannel[static_cast<size_t>(c)] > perChannel[static_cast<size_t>(best)]) best = c;
  melody.Channel = best;
  return melody;
}

}  // namespace cv
