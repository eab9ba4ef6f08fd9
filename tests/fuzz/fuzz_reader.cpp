// The song steps of opening a file on arbitrary bytes: reader, time map, chord summary, lyrics.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "session/OpenSong.h"
#include "song/LyricsExtraction.h"
#include "song/TimeMap.h"

namespace {

// The song steps of opening; with `stamped`, times are taken while reading.
bool Open(cv::Song& song, const uint8_t* data, size_t size, uint8_t options, cv::StampedTimes* stamped) {
  song.Configuration.PrevCommandMode = options & 1 ? 0 : 1;
  song.Configuration.PlaybackSpeed = static_cast<uint8_t>((options >> 1) % 6);
  song.Configuration.InsertController32 = options & 0x10;
  song.Configuration.DeleteController32 = options & 0x20;
  song.Configuration.XF_DeleteChordHelper = options & 0x40;
  try {
    cv::ReadSongData(song, {data, size}, [&](const std::string&) { return (options & 0x80) != 0; }, stamped);
    cv::BuildSongTimeMap(song, stamped);
    return true;
  } catch (const cv::EMidiError&) {
    return false;
  }
}

std::vector<int32_t> EventTimes(const cv::Song& song) {
  std::vector<int32_t> times{song.SongLength};
  for (const cv::TMyTrack& track : song.MidiTrack)
    for (const cv::TypMidiEvent* e = track.TrkFirstEvent; e; e = e->NextEvent) times.push_back(e->TimePosition);
  return times;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The last byte (0 in most files: End of Track) picks the settings the reader depends on.
  const uint8_t options = size ? data[size - 1] : 0;
  cv::Song song, plain;
  cv::StampedTimes stamped;
  const bool opened = Open(song, data, size, options, &stamped);
  // The times kept from the reading are the ones the time map stamps itself.
  if (opened != Open(plain, data, size, options, nullptr)) __builtin_trap();
  if (!opened) return 0;
  if (EventTimes(song) != EventTimes(plain)) __builtin_trap();
  try {
    cv::ReadXFChords(song);
    cv::ExtractLyrics(song);
  } catch (const cv::EMidiError&) {
  }
  return 0;
}
