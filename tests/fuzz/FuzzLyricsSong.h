// A small timed song with a syllable list, made fresh for each input of the lyrics-editor fuzzers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "lyrics/PositionTexts.h"
#include "song/LyricsExtraction.h"
#include "song/MidiFileReader.h"
#include "song/TimeMap.h"

namespace cvfuzz {

inline void Put16(std::vector<uint8_t>& b, int v) {
  b.push_back(static_cast<uint8_t>(v >> 8));
  b.push_back(static_cast<uint8_t>(v));
}

// Format 0: 3/4 from tick 0, then a tempo change, one note, End of Track after many measures;
// `division` ticks per quarter (the time base decides the width of the position fields).
inline void MakeSong(cv::Song& song, int division, int measures) {
  std::vector<uint8_t> t = {0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08,  // 3/4
                            0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,        // 120 bpm
                            0x00, 0x90, 0x3C, 0x64};
  // Note off after `measures` measures of 3/4 as a variable-length delta.
  uint32_t delta = static_cast<uint32_t>(division) * 3 * static_cast<uint32_t>(measures);
  std::vector<uint8_t> vlq;
  vlq.push_back(static_cast<uint8_t>(delta & 0x7F));
  while (delta >>= 7) vlq.insert(vlq.begin(), static_cast<uint8_t>(0x80 | (delta & 0x7F)));
  t.insert(t.end(), vlq.begin(), vlq.end());
  t.insert(t.end(), {0x80, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00});
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1};
  Put16(file, division);
  file.insert(file.end(), {'M', 'T', 'r', 'k', 0, 0});
  Put16(file, static_cast<int>(t.size()));
  file.insert(file.end(), t.begin(), t.end());
  song.SourceData = file;
  cv::ReadMidiData(song);
  song.SourceData.clear();
  cv::BuildTimeMap(song);
  cv::ExtractLyrics(song);
  const std::vector<std::pair<const char16_t*, int32_t>> items = {
      {u"Song", 108}, {u"\r", 112}, {u"Artist", 200}, {u"\r", 204}, {u"Hel", 960}, {u"lo ", 1200},
      {u"world", 1440}, {u"\r", 1450}, {u"---- ", 2000}, {u"la ", 2400}, {u"la", 2880}};
  song.HyphenArray.clear();
  for (const auto& [text, pos] : items) {
    cv::THyphens h;
    h.Text = text;
    h.SongPosition = pos;
    song.HyphenArray.push_back(h);
  }
  song.HyphenArrayElements = static_cast<int32_t>(song.HyphenArray.size());
  cv::FillPositionTexts(song);
}

// The first input byte picks the time base and the song length; the rest is UTF-8 text.
inline std::u16string Setup(cv::Song& song, const uint8_t* data, size_t size) {
  static const int kDivisions[] = {96, 480, 1000, 10000, 7};
  const uint8_t pick = size ? data[0] : 0;
  MakeSong(song, kDivisions[pick % 5], (pick & 0x80) ? 1200 : 20);
  song.CurrentHyphen = (pick >> 3) % 12 - 1;
  std::string bytes(reinterpret_cast<const char*>(data) + (size ? 1 : 0), size ? size - 1 : 0);
  return cv::Utf8ToUtf16(bytes);
}

}  // namespace cvfuzz
