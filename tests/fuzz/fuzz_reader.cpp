// The song steps of opening a file on arbitrary bytes: reader, time map, chord summary, lyrics.
#include <cstddef>
#include <cstdint>

#include "session/OpenSong.h"
#include "song/LyricsExtraction.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  cv::Song song;
  // The last byte (0 in most files: End of Track) picks the settings the reader depends on.
  const uint8_t options = size ? data[size - 1] : 0;
  song.Configuration.PrevCommandMode = options & 1 ? 0 : 1;
  song.Configuration.PlaybackSpeed = static_cast<uint8_t>((options >> 1) % 6);
  song.Configuration.InsertController32 = options & 0x10;
  song.Configuration.DeleteController32 = options & 0x20;
  song.Configuration.XF_DeleteChordHelper = options & 0x40;
  try {
    cv::ReadSongData(song, {data, size}, [&](const std::string&) { return (options & 0x80) != 0; });
    cv::BuildSongTimeMap(song);
    cv::ReadXFChords(song);
    cv::ExtractLyrics(song);
  } catch (const cv::EMidiError&) {
  }
  return 0;
}
