#include "output/CV_EditTranspose.h"

#include <algorithm>
#include <string>

#include "output/XFChordEvents.h"
#include "song/Language.h"

namespace cv {

namespace {

// Semitones a channel may move before its interval folds by an octave; index = channel 0..15.
constexpr int kFoldLimits[4][16] = {
    {6, 5, 4, 3, 6, 5, 4, 3, 6, 5, 4, 3, 6, 5, 4, 3},
    {3, 6, 5, 4, 3, 6, 5, 4, 3, 6, 5, 4, 3, 6, 5, 4},
    {4, 3, 6, 5, 4, 3, 6, 5, 4, 3, 6, 5, 4, 3, 6, 5},
    {5, 4, 3, 6, 5, 4, 3, 6, 5, 4, 3, 6, 5, 6, 5, 4},
};

// Key signature (sharps positive) of the major key n semitones above C.
constexpr int kKeyValues[12] = {0, -5, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};

constexpr int kBassFloor = 28;  // E1
constexpr int kDrumChannel = 9;

bool IsNote(const TypMidiEvent& e) {
  return e.DType == DTypeChannel && e.Command >= 0x80 && e.Command <= 0x9F;
}

}  // namespace

int TransposeFoldLimit(int mode, int channel) {
  if (mode < 1 || mode > 4) mode = 1;
  return kFoldLimits[mode - 1][channel & 0x0F];
}

namespace {
// The channels (1..16, listed) whose fold limit in the mode is the limit.
std::string ChannelsWithLimit(int mode, int limit) {
  std::string list;
  for (int c = 0; c < 16; ++c)
    if (TransposeFoldLimit(mode, c) == limit) list += (list.empty() ? "" : ", ") + std::to_string(c + 1);
  return list;
}
}  // namespace

int KeySharpsNow(const TKeySigns& key) {
  const bool event = key.MidiEvent && key.MidiEvent->Meta.size() == 2;
  const int sf = event ? static_cast<uint8_t>(key.MidiEvent->Meta[0]) : key.SF;
  return sf > 127 ? sf - 256 : sf;
}

std::string TransposeModeName(int mode) {
  const std::string n = std::to_string(mode), nearest = ChannelsWithLimit(mode, 6);
  return Tr("Modus " + n + ": Kanäle " + nearest + " zum nächsten Ton, die übrigen eher aufwärts",
            "Mode " + n + ": channels " + nearest + " to the nearest pitch, the others rather upwards");
}

std::string TransposeModeDetails(int mode) {
  // A limit v lets a channel move at most v semitones down and 12 - v up (6: six either way).
  std::string text;
  for (int v = 6; v >= 3; --v) {
    const std::string channels = ChannelsWithLimit(mode, v);
    if (channels.empty()) continue;
    const std::string down = std::to_string(v), up = std::to_string(v == 6 ? 6 : 12 - v);
    text += (text.empty() ? "" : "\n") + Tr("Kanäle " + channels + ": höchstens " + down + " Halbtöne abwärts, " + up +
                                                 " aufwärts",
                                             "Channels " + channels + ": at most " + down + " semitones down, " + up + " up");
  }
  return text + Tr("\nBass: nie unter E1; Schlagzeug (Kanal 10): bleibt.", "\nBass: never below E1; drums (channel 10): stay.");
}

uint8_t TransposeNotePlain(uint8_t org, int amount) {
  int r = org + amount;
  if (r < 0 || r > 127) r = (r + 12 >= 0 && r + 12 <= 127) ? r + 12 : r - 12;
  return static_cast<uint8_t>(r);
}

uint8_t TransposeNoteIntelligent(uint8_t org, int amount, int channel, bool bass, int mode) {
  if (amount == 0) return org;
  int r;
  if (bass) {
    r = org + amount;
    if (r < kBassFloor) r += (r + 12 >= kBassFloor) ? 12 : 24;
    while (r > 127) r -= 12;  // the floor rule has no ceiling of its own
    return static_cast<uint8_t>(r);
  }
  const int v = TransposeFoldLimit(mode, channel);
  int d = amount;
  if (d > v) d -= 12;
  if (d < -v) d += 12;
  r = org + d;
  if (r >= 128 && r <= 139) r -= 12;
  else if (r >= 140) r -= 24;
  else if (r >= -12 && r <= -1) r += 12;
  else if (r < -12) r += 24;
  return static_cast<uint8_t>(r);
}

uint8_t TransposeKeySignature(int sf, int amount) {
  if (amount == 0 || (sf > 7 && sf < 249)) return static_cast<uint8_t>(sf);
  int n = -1;
  if (sf == 7) n = 1;
  else if (sf == 249) n = 11;
  else if (sf == 250) n = 6;
  else {
    const int value = sf > 127 ? sf - 256 : sf;
    for (int i = 0; i < 12; ++i)
      if (kKeyValues[i] == value) n = i;
  }
  if (n < 0) return static_cast<uint8_t>(sf);
  const int k = ((n + amount) % 12 + 12) % 12;
  return static_cast<uint8_t>(kKeyValues[k] & 0xFF);
}

void TransposeSong(Song& song, int amount, const TTransposeOptions& options) {
  if (amount < kTransposeMin || amount > kTransposeMax)
    throw EMidiError(Tr("Transponierung nur von -9 bis +9 Halbtönen möglich (" + std::to_string(amount) + ").",
                        "Transposition is possible from -9 to +9 semitones only (" + std::to_string(amount) + ")."));
  if (options.Intelligent && (options.Mode < 1 || options.Mode > 4))
    throw EMidiError(Tr("Unbekannter Transponier-Modus " + std::to_string(options.Mode) + " (1 bis 4).",
                        "Unknown transposition mode " + std::to_string(options.Mode) + " (1 to 4)."));

  // Only the file's own tracks: the lyrics and Prompta tracks carry no music of their own.
  const int tracks = std::min<int>(song.NumberOfSourceTracks, static_cast<int>(song.MidiTrack.size()));
  for (int t = 0; t < tracks; ++t) {
    TypMidiEvent* first = song.MidiTrack[t].TrkFirstEvent;
    if (!first) continue;
    for (TypMidiEvent* e = first->NextEvent; e; e = e->NextEvent) {
      if (!IsNote(*e)) continue;
      const int channel = e->Command & 0x0F;
      if (channel == kDrumChannel) continue;
      e->Value[0] = options.Intelligent
                        ? TransposeNoteIntelligent(e->ValueOrg[0], amount, channel,
                                                   song.BassOnChannel[channel], options.Mode)
                        : TransposeNotePlain(e->ValueOrg[0], amount);
    }
  }

  for (int t = 0; t < tracks && t < static_cast<int>(song.KeySignArray.size()); ++t) {
    const TKeySignArray& keys = song.KeySignArray[t];
    const int n = std::min<int>(keys.Elements, static_cast<int>(keys.ValArray.size()));
    for (int j = 0; j < n; ++j) {
      TypMidiEvent* e = keys.ValArray[j].MidiEvent;
      if (!e || e->MType != 0x59 || e->Meta.size() != 2) continue;
      e->Meta[0] = static_cast<char>(TransposeKeySignature(keys.ValArray[j].SF, amount));
    }
  }

  TransposeXFChords(song, amount);
}

}  // namespace cv
