// Arbitrary bytes read as a song: the lyrics taken out, written back with copyright and Prompta
// data, then bank selects added and removed. The lyric events must mirror the syllables and every
// chain must keep its count and its End of Track at the song end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "lyrics/InsertLyrics.h"
#include "output/Controller32.h"
#include "song/LyricsExtraction.h"
#include "song/MidiFileReader.h"
#include "song/TimeMap.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

std::vector<std::string> Lyrics(const cv::Song& song) {
  std::vector<std::string> out;
  for (const cv::TypMidiEvent* e = song.MidiTrack[song.LyricsTrackIndex()].TrkFirstEvent; e; e = e->NextEvent)
    if (e->Command == 0xFF && e->MType == 5 && !e->Hidden) out.push_back(e->Meta);
  return out;
}

void CheckChains(const cv::Song& song) {
  for (size_t t = 0; t < song.MidiTrack.size(); ++t) {
    const cv::TMyTrack& track = song.MidiTrack[t];
    int n = 0;
    const cv::TypMidiEvent* last = nullptr;
    for (const cv::TypMidiEvent* e = track.TrkFirstEvent; e; e = e->NextEvent) {
      ++n;
      last = e;
    }
    // The lyrics and Prompta tracks do not count their name.
    const int counted = t >= song.NumberOfSourceTracks ? n - 1 : n;
    Check(track.TrkEventCounter == counted);
    Check(last == track.TrkLastEvent && last->MType == 0x2F && last->Position == song.MaxSongPosition);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  cv::Song song;
  const uint8_t options = size ? data[size - 1] : 0;
  song.Configuration.XF_DeleteChordHelper = options & 1;
  song.Configuration.CopyrightString = options & 2 ? "(c) Fuzz" : "";
  song.Configuration.PromptaEnabled = options & 4;
  song.Configuration.PromptaForYamaha = options & 8;
  song.Configuration.PromptaInversVideo = options & 16;
  song.Configuration.PromptaTimeOffset = options;
  song.SourceData.assign(data, data + size);
  try {
    cv::ReadMidiData(song);
    song.SourceData.clear();
    cv::BuildTimeMap(song);
    cv::ExtractLyrics(song);
  } catch (const cv::EMidiError&) {
    return 0;
  }
  song.MidiFileLoaded = true;
  try {
    cv::InsertLyrics(song);
  } catch (const cv::EMidiError&) {
    return 0;  // e.g. a song that cannot grow past the last syllable
  }
  std::vector<std::string> expected;
  for (int i = 0; i < song.HyphenArrayElements; ++i)
    if (!song.HyphenArray[i].Text.empty())
      expected.push_back(cv::EncodeText(song.HyphenArray[i].Text, song.Encoding));
  Check(song.HyphenArrayElements == 0 || Lyrics(song) == expected);
  CheckChains(song);
  // A second run gives the same events.
  const std::vector<std::string> once = Lyrics(song);
  cv::InsertLyrics(song);
  Check(Lyrics(song) == once);
  cv::InsertController32(song);
  cv::DeleteController32(song);
  cv::DeleteDrumBankSelect(song);
  CheckChains(song);
  return 0;
}
