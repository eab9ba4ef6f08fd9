// The song as a karaoke game reads it: the UltraStar text file (format version 1.0.0) with a note
// per syllable (start beat, length, pitch, text), line breaks and the header naming the audio.
#pragma once

#include <cstdint>
#include <string>

#include "output/SongMelody.h"
#include "song/Song.h"

namespace cv {

struct TUltraStarOptions {
  std::string Language;        // "German", "English", ...
  std::string AudioExtension;  // ".wav", ".ogg"
  std::string FallbackTitle;   // a song without a title line: e.g. its file name
};

struct TUltraStarSong {
  std::string Title, Artist;
  std::string BaseName;  // "Artist - Title", usable as a file and folder name
  std::string Text;      // the whole file, UTF-8
  double Bpm = 0;        // as written: one beat lasts 15000 / Bpm ms
  int32_t Gap = 0;       // ms of beat 0, the first sung syllable
  int Notes = 0;         // sung notes
  int Freestyle = 0;     // syllables without a melody note under them
};

// Throws EMidiError with the user's text when the song has no syllables or the melody no notes.
TUltraStarSong MakeUltraStarSong(const Song& song, const TMelody& melody, const TUltraStarOptions& options);

}  // namespace cv
