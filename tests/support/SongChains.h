// Builds parsed songs directly as chains (no file), for tests of operations on the song model.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "song/Song.h"

namespace cvtest {

// N file tracks plus the lyrics and Prompta tracks, each holding the port placeholder (and the
// track name "Lyrics"/"Prompta") and End of Track at maxSongPosition. One 4/4 zone at 120 bpm.
void InitSong(cv::Song& song, int sourceTracks, int32_t maxSongPosition, int division = 480);

// Appends before End of Track; channel events take status and data bytes.
cv::PtrMidiEvent AddChannel(cv::Song& song, int track, int32_t tick, int status, int data1, int data2 = 0);
cv::PtrMidiEvent AddMeta(cv::Song& song, int track, int32_t tick, int type, const std::string& bytes);

// The events between the first and the last of a chain.
std::vector<cv::PtrMidiEvent> Inner(const cv::Song& song, int track);
// Number of events of a chain, first and last included.
int ChainLength(const cv::Song& song, int track);
// The Meta bytes of the track's meta events of one type, in chain order.
std::vector<std::string> MetaTexts(const cv::Song& song, int track, int type);

// Replaces the syllable list (text, position) and keeps the spare element after the valid ones.
void SetSyllables(cv::Song& song, const std::vector<std::pair<std::u16string, int>>& syllables);

}  // namespace cvtest
