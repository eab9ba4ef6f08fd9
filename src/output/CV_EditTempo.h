// Tempo editing (shift every tempo by beats per minute) and the playback speed.
#pragma once

#include <cstdint>
#include <functional>

#include "song/Song.h"

namespace cv {

constexpr int kTempoDiffMin = -40;
constexpr int kTempoDiffMax = 40;

// Beats per minute of the song's first tempo as read (120 when the song has no tempo event).
int32_t FirstTempoAsRead(const Song& song);

// Moves every tempo of the song by (tempoDiff - prevTempoDiff) beats per minute: the OK of
// the tempo dialog. Every new tempo is checked (1 ... 65 535 bpm, microseconds fitting three
// bytes) before any is written; a failing one throws EMidiError and leaves the song unchanged.
// Returns false when the difference is 0 (nothing to do). Refreshes times on success.
bool ApplyTempoDiff(Song& song, int tempoDiff, int prevTempoDiff);

// An edit of the song: every tempo becomes its value as read at the speed's percent (0..5 =
// 100 .. 50 %), written into the tempo events, then times are refreshed. Nothing without a loaded
// song; EMidiError, leaving the song unchanged, when a tempo would leave its range.
void ScaleTempoToSpeed(Song& song, uint8_t speed);

// A song whose first tempo event comes later or never plays its start from the default entry;
// a speed or tempo change there lives only in that entry and would be lost by saving. Puts a tempo
// event with the entry's value at tick 0 of track 0 when the entry differs from 120 bpm. For a
// song about to be written: the tempo list is not read again, so call it after the last change.
// Returns true when it added the event.
bool AddDefaultTempoEvent(Song& song);

// Runs save with the default tempo event of AddDefaultTempoEvent in the song, then takes the event
// out again, so the song (and its tempo list) stays as it was while the file carries the change.
bool SaveWithDefaultTempoEvent(Song& song, const std::function<bool()>& save);

// Rebuilds the time map, the event times and the syllables' position texts and times, and
// puts the player and the current syllable back to the start.
void RefreshAfterTempoChange(Song& song);

// The tempo dialog's state. The difference is relative to the tempos in effect at the last
// OK; opening a song starts again from 0.
struct TTempoEdit {
  int16_t TempoDiff = 0;      // the up-down position
  int16_t PrevTempoDiff = 0;  // the difference applied by the last OK

  // OK: applies TempoDiff - PrevTempoDiff; PrevTempoDiff follows only when that succeeded.
  bool Ok(Song& song);
  void SongOpened() { TempoDiff = PrevTempoDiff = 0; }
  // The practice speed (Configuration.PlaybackSpeed, 0..5): playback and the shown times follow
  // it; the tempo events, the tempo dialog's changes and what Save writes stay the song's.
  void SetPlaybackSpeed(Song& song, uint8_t speed);
};

}  // namespace cv
