// Small builders for syllable-list tests.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "song/Song.h"
#include "song/TextCodec.h"

namespace cvtest {

inline std::u16string U(const std::string& utf8) { return cv::Utf8ToUtf16(utf8); }
inline std::string S(const std::u16string& text) { return cv::Utf16ToUtf8(text); }

// A song of `measures` 4/4 measures at `division` ticks per quarter, with one time zone.
inline void MakeTimedSong(cv::Song& song, int division = 480, int measures = 40) {
  song.SourceTimeBase = static_cast<uint16_t>(division);
  song.MaxSongPosition = division * 4 * measures;
  cv::TTimeZone zone;
  zone.TempoComp = 500.0f / division;
  cv::TTimeZone end = zone;
  end.SongPosition = song.MaxSongPosition + 1;
  end.Measure = static_cast<uint16_t>(measures + 1);
  song.TimeZone = {zone, end, end};
  song.TimeZoneElements = 2;
}

// Elements from (text, position) pairs; "\r" is a line break.
inline void SetSyllables(cv::Song& song, const std::vector<std::pair<std::string, int>>& items) {
  song.HyphenArray.clear();
  for (const auto& [text, pos] : items) {
    cv::THyphens h;
    h.Text = U(text);
    h.SongPosition = pos;
    song.HyphenArray.push_back(h);
  }
  song.HyphenArrayElements = static_cast<int32_t>(song.HyphenArray.size());
}

inline std::vector<std::string> Texts(const std::vector<cv::THyphens>& list) {
  std::vector<std::string> out;
  for (const auto& h : list) out.push_back(S(h.Text));
  return out;
}

inline std::vector<int> Positions(const std::vector<cv::THyphens>& list) {
  std::vector<int> out;
  for (const auto& h : list) out.push_back(h.SongPosition);
  return out;
}

}  // namespace cvtest
