// A chainable front for support/SongChains: songs in memory the way the reader leaves them, N file
// chains, then the lyrics and the Prompta chain.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/Song.h"

namespace cvtest {

class HandSong {
 public:
  HandSong(int format, int tracks, int32_t maxPosition, int division = 480);

  cv::Song& song() { return song_; }

  // Each call appends before the track's End of Track (track N = lyrics, N + 1 = Prompta).
  HandSong& Channel(int track, int32_t tick, uint8_t status, uint8_t d1, uint8_t d2 = 0);
  HandSong& Meta(int track, int32_t tick, int type, const std::string& data);
  HandSong& Sysex(int track, int32_t tick, const std::string& data);
  HandSong& Lyric(int32_t tick, const std::string& text) { return Meta(song_.LyricsTrackIndex(), tick, 5, text); }

 private:
  cv::Song song_;
};

// Bytes of a file image from offset `from` (for comparing with expected event bytes).
std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count = SIZE_MAX);

}  // namespace cvtest
