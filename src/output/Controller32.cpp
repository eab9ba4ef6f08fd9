#include "output/Controller32.h"

#include <array>

#include "song/ChainEdit.h"

namespace cv {

namespace {

bool IsControl(const TypMidiEvent& e, int channel, int controller) {
  return e.Command == 0xB0 + channel && e.DType == DTypeChannel && e.Value[0] == controller;
}

PtrMidiEvent NewControl(Song& song, int channel, int controller, int value, int32_t position) {
  PtrMidiEvent e = AllocateEvent(song);
  e->Command = static_cast<uint8_t>(0xB0 + channel);
  e->DType = DTypeChannel;
  e->MType = -1;
  e->Position = position;
  e->Value[0] = e->ValueOrg[0] = static_cast<uint8_t>(controller);
  e->Value[1] = e->ValueOrg[1] = static_cast<uint8_t>(value);
  return e;
}

}  // namespace

// One walk per track finds, for every channel, the first controller 32, the first program change
// (with its predecessor) and whether a controller 0 exists; new events never change what another
// channel finds, so handling the channels afterwards equals sixteen separate searches.
void InsertController32(Song& song) {
  const int n = song.NumberOfSourceTracks;
  const uint8_t value = song.Configuration.Controller32Value;
  for (int t = 0; t < n && t < static_cast<int>(song.MidiTrack.size()); ++t) {
    TMyTrack& track = song.MidiTrack[t];
    if (track.TrkEventCounter <= 2 || !track.TrkFirstEvent) continue;
    std::array<PtrMidiEvent, 16> ctrl32{}, program{}, beforeProgram{};
    std::array<bool, 16> hasBankMsb{};
    for (PtrMidiEvent q = track.TrkFirstEvent, e = q->NextEvent; e; q = e, e = e->NextEvent) {
      if (e->DType != DTypeChannel) continue;
      const int ch = e->Command & 0x0F;
      switch (e->Command & 0xF0) {
        case 0xB0:
          if (e->Value[0] == 32 && !ctrl32[ch]) ctrl32[ch] = e;
          if (e->Value[0] == 0) hasBankMsb[ch] = true;
          break;
        case 0xC0:
          if (!program[ch]) { program[ch] = e; beforeProgram[ch] = q; }
          break;
        default:
          break;
      }
    }
    // Every new event of the track is allocated before anything changes, so running out of
    // memory leaves the track as it was.
    std::array<PtrMidiEvent, 16> lsb{}, msb{};
    try {
      for (int c = 0; c < 16; ++c) {
        if (ctrl32[c] || !program[c]) continue;
        const int32_t p = program[c]->Position;
        lsb[c] = NewControl(song, c, 32, value, p - 1);
        if (!hasBankMsb[c]) msb[c] = NewControl(song, c, 0, 0, p - 2);
      }
    } catch (...) {
      for (int c = 0; c < 16; ++c) {
        song.Pool.FreeEvent(lsb[c]);
        song.Pool.FreeEvent(msb[c]);
      }
      throw;
    }
    for (int c = 0; c < 16; ++c) {
      if (ctrl32[c]) {
        if (!song.Configuration.DoNotChangeCtrl32) ctrl32[c]->Value[1] = value;
        continue;
      }
      if (!lsb[c]) continue;
      LinkAfter(beforeProgram[c], lsb[c]);
      ++track.TrkEventCounter;
      if (msb[c]) {
        LinkAfter(beforeProgram[c], msb[c]);
        ++track.TrkEventCounter;
      }
    }
  }
}

// Each channel gives up its first controller 32 and, per removal, the first channel-10 bank
// select MSB still in the track: with m channels removing, the first m such events go.
void DeleteController32(Song& song) {
  const int n = song.NumberOfSourceTracks;
  for (int t = 0; t < n && t < static_cast<int>(song.MidiTrack.size()); ++t) {
    TMyTrack& track = song.MidiTrack[t];
    if (track.TrkEventCounter <= 2 || !track.TrkFirstEvent) continue;
    std::array<bool, 16> found{};
    int removals = 0;
    for (PtrMidiEvent q = track.TrkFirstEvent; q->NextEvent;) {
      PtrMidiEvent e = q->NextEvent;
      const int ch = e->Command & 0x0F;
      if (IsControl(*e, ch, 32) && !found[ch]) {
        found[ch] = true;
        ++removals;
        RemoveEventAfter(song, track, q, 0);
        continue;
      }
      q = e;
    }
    for (PtrMidiEvent q = track.TrkFirstEvent; removals > 0 && q->NextEvent;) {
      if (IsControl(*q->NextEvent, 9, 0)) {
        RemoveEventAfter(song, track, q, 0);
        --removals;
        continue;
      }
      q = q->NextEvent;
    }
  }
}

}  // namespace cv
