#include "HandSong.h"

#include <algorithm>

#include "support/SongChains.h"

namespace cvtest {

HandSong::HandSong(int format, int tracks, int32_t maxPosition, int division) {
  InitSong(song_, tracks, maxPosition, division);
  song_.MidiFileFormat = static_cast<uint8_t>(format);
}

HandSong& HandSong::Channel(int track, int32_t tick, uint8_t status, uint8_t d1, uint8_t d2) {
  AddChannel(song_, track, tick, status, d1, d2);
  return *this;
}

HandSong& HandSong::Meta(int track, int32_t tick, int type, const std::string& data) {
  AddMeta(song_, track, tick, type, data);
  return *this;
}

HandSong& HandSong::Sysex(int track, int32_t tick, const std::string& data) {
  cv::PtrMidiEvent e = AddMeta(song_, track, tick, 0, data);
  e->Command = 0xF0;
  e->MType = -1;
  return *this;
}

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t from, size_t count) {
  if (from >= bytes.size()) return {};
  const size_t n = std::min(count, bytes.size() - from);
  return {bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.begin() + static_cast<std::ptrdiff_t>(from + n)};
}

}  // namespace cvtest
