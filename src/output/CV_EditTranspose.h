// Transposition of the whole song by an absolute amount: notes, key signatures and XF chords.
#pragma once

#include <cstdint>
#include <string>

#include "song/Song.h"

namespace cv {

constexpr int kTransposeMin = -9;
constexpr int kTransposeMax = 9;

struct TTransposeOptions {
  bool Intelligent = true;  // fold each channel into its register, keep bass lines above a floor
  int Mode = 1;             // fold-limit table 1..4 for intelligent mode
};

// Every value is computed from the values as read, so amount 0 restores the song exactly.
// Throws EMidiError for an amount outside -9..+9 or a mode outside 1..4. The caller stops
// and restarts the player around the call.
void TransposeSong(Song& song, int amount, const TTransposeOptions& options);

// The single steps, for the dialog's preview and for tests.
uint8_t TransposeNotePlain(uint8_t noteAsRead, int amount);
uint8_t TransposeNoteIntelligent(uint8_t noteAsRead, int amount, int channel, bool bass, int mode);
uint8_t TransposeKeySignature(int sfAsRead, int amount);
// The key a key signature says now (a transposition rewrites its event; SF keeps what was read):
// sharps > 0, flats < 0.
int KeySharpsNow(const TKeySigns& key);
// Fold limit of a channel (0..15) in mode 1..4.
int TransposeFoldLimit(int mode, int channel);
// What mode 1..4 does, for its choice in the window: "Mode 1: channels 1, 5, 9, 13 to the nearest
// pitch, the others rather upwards", and in detail how far each group of channels may move.
std::string TransposeModeName(int mode);
std::string TransposeModeDetails(int mode);

}  // namespace cv
