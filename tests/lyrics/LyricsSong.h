// Songs for the lyric editing tests: built as files and opened like the program opens them.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "session/OpenSong.h"
#include "song/SyllableTimes.h"
#include "song/TextCodec.h"
#include "support/SmfBuilder.h"

namespace lyricstest {

inline void Open(cv::Song& song, const cvtest::SmfBuilder& smf) {
  cv::DateiOeffnen(song, smf.WriteTemp("lyrics.mid"));
}

// A format 0 song at 120 bpm, 480 ticks per quarter, with melody notes (channel 1) at the ticks
// given and its End of Track at endTick.
inline cvtest::SmfBuilder Melody(const std::vector<int>& ticks, int endTick) {
  cvtest::SmfBuilder smf(0, 480);
  auto& t = smf.AddTrack();
  t.Tempo(0, 500000).TimeSig(0, 4, 2);
  std::vector<std::pair<int, int>> events;  // (tick, velocity): notes of one chord get own pitches
  for (int tick : ticks) events.push_back({tick, 100}), events.push_back({tick + 100, 0});
  std::stable_sort(events.begin(), events.end(), [](auto& a, auto& b) { return a.first < b.first; });
  int pitch = 60;
  for (auto [tick, velocity] : events) {
    if (velocity) t.NoteOn(tick, 0, pitch++, velocity);
    else t.NoteOff(tick, 0, 60);
  }
  t.Control(endTick, 0, 7, 100);  // the song's last event
  return smf;
}

// Replaces the syllable list; "\r" is a line break.
inline void SetSyllables(cv::Song& song, const std::vector<std::u16string>& texts,
                         const std::vector<int32_t>& positions = {}) {
  song.HyphenArray.assign(texts.size() + 1, cv::THyphens{});
  for (size_t i = 0; i < texts.size(); ++i) {
    song.HyphenArray[i].Text = texts[i];
    if (i < positions.size()) song.HyphenArray[i].SongPosition = positions[i];
  }
  song.HyphenArrayElements = static_cast<int32_t>(texts.size());
  cv::RefreshSyllableTimes(song);
}

inline std::vector<int32_t> Positions(const cv::Song& song) {
  std::vector<int32_t> out;
  for (int32_t i = 0; i < song.HyphenArrayElements; ++i) out.push_back(song.HyphenArray[i].SongPosition);
  return out;
}

// What every operation leaves behind: each chain from its port placeholder to End of Track at
// the song end, counted right and in order; the lyric events mirroring the non-empty syllables.
inline void ExpectSongInvariants(const cv::Song& song, const std::string& context) {
  SCOPED_TRACE(context);
  for (size_t t = 0; t < song.MidiTrack.size(); ++t) {
    const cv::TMyTrack& track = song.MidiTrack[t];
    ASSERT_NE(track.TrkFirstEvent, nullptr) << t;
    EXPECT_EQ(track.TrkFirstEvent->MType, 0x21) << t;
    int count = 0;
    const cv::TypMidiEvent* last = nullptr;
    for (const cv::TypMidiEvent* e = track.TrkFirstEvent; e; e = e->NextEvent) {
      if (last) {
        EXPECT_LE(last->Position, e->Position) << "track " << t;
      }
      last = e;
      ++count;
    }
    EXPECT_EQ(last, track.TrkLastEvent) << t;
    EXPECT_EQ(last->MType, 0x2F) << t;
    EXPECT_EQ(last->Position, song.MaxSongPosition) << t;
    const bool named = t >= song.NumberOfSourceTracks;  // "Lyrics" and "Prompta" are not counted
    EXPECT_EQ(track.TrkEventCounter, count - (named ? 1 : 0)) << t;
  }
  std::vector<std::pair<int32_t, std::u16string>> events, syllables;
  for (const cv::TypMidiEvent* e = song.MidiTrack[song.LyricsTrackIndex()].TrkFirstEvent; e; e = e->NextEvent)
    if (e->MType == 5 && !e->Hidden) events.push_back({e->Position, cv::DecodeText(e->Meta, song.Encoding)});
  for (int32_t i = 0; i < song.HyphenArrayElements; ++i)
    if (!song.HyphenArray[i].Text.empty())
      syllables.push_back({song.HyphenArray[i].SongPosition, song.HyphenArray[i].Text});
  EXPECT_EQ(events, syllables);
}

}  // namespace lyricstest
