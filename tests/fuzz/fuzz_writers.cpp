// Arbitrary bytes: when they read as a song, both writers must produce files that read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>

#include "output/EventEncoder.h"

#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"

namespace {

bool Read(cv::Song& song, const uint8_t* data, size_t size) {
  song.SourceData.assign(data, data + size);
  try {
    cv::ReadMidiData(song);
    return true;
  } catch (const cv::EMidiError&) {
    return false;
  }
}

void ReadAgain(const std::vector<uint8_t>& file) {
  cv::Song again;
  if (!Read(again, file.data(), file.size())) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  cv::Song song;
  if (!Read(song, data, size)) return 0;
  // Gaps beyond the largest delta time a file can hold, and more than 255 chunks in format 1,
  // are the errors a writer may report; anything else must be written and read again.
  int64_t last = 0;
  for (const cv::TMyTrack& t : song.MidiTrack)
    for (const cv::TypMidiEvent* e = t.TrkFirstEvent; e; e = e->NextEvent) last = std::max<int64_t>(last, e->Position);
  const bool tooLong = last > static_cast<int64_t>(cv::kMaxVarLen);
  const bool tooManyChunks = song.MidiFileFormat == 1 && song.NumberOfSourceTracks > 253;
  try {
    ReadAgain(cv::Format0FileImage(song, "Fuzz"));
  } catch (const cv::EMidiError&) {
    if (!tooLong) std::abort();
  }
  try {
    ReadAgain(cv::Format1FileImage(song));
  } catch (const cv::EMidiError&) {
    if (!tooLong && !tooManyChunks) std::abort();
  }
  return 0;
}
