// Arbitrary bytes: when they read as a song, every writer must produce files that read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <algorithm>

#include "output/EventEncoder.h"

#include "output/KarFileWriter.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "song/MidiFileReader.h"
#include "song/Song.h"
#include "song/TextCodec.h"

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
  // The karaoke writer, with the lyric events as the syllables.
  if (static_cast<size_t>(song.LyricsTrackIndex()) >= song.MidiTrack.size()) return 0;
  const cv::TMyTrack& lyrics = song.MidiTrack[static_cast<size_t>(song.LyricsTrackIndex())];
  for (const cv::TypMidiEvent* e = lyrics.TrkFirstEvent; e; e = e->NextEvent) {
    if (e->Command != 0xFF || e->MType != 5) continue;
    cv::THyphens h;
    h.Text = cv::DecodeText(e->Meta, song.Encoding);
    h.SongPosition = e->Position;
    song.HyphenArray.push_back(h);
  }
  song.HyphenArrayElements = static_cast<int32_t>(song.HyphenArray.size());
  const bool noLyrics = std::none_of(song.HyphenArray.begin(), song.HyphenArray.end(),
                                     [](const cv::THyphens& h) { return !h.Text.empty() && h.Text != u"\r"; });
  try {
    ReadAgain(cv::KarFileImage(song, "ENGL"));
  } catch (const cv::EMidiError&) {
    if (!tooLong && !noLyrics && !(song.MidiFileFormat == 1 && song.NumberOfSourceTracks > 251)) std::abort();
  }
  return 0;
}
