// Builds Standard MIDI File bytes from events for tests: events in, bytes out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cvtest {

class SmfTrack {
 public:
  // Every call takes an absolute tick; ticks must not decrease within a track.
  SmfTrack& NoteOn(int tick, int channel, int note, int velocity);
  SmfTrack& NoteOff(int tick, int channel, int note, int velocity = 0);
  SmfTrack& Control(int tick, int channel, int controller, int value);
  SmfTrack& Program(int tick, int channel, int program);
  SmfTrack& PitchBend(int tick, int channel, int lsb, int msb);
  SmfTrack& Meta(int tick, int type, const std::string& data);
  SmfTrack& Lyric(int tick, const std::string& text) { return Meta(tick, 0x05, text); }
  SmfTrack& Text(int tick, const std::string& text) { return Meta(tick, 0x01, text); }
  SmfTrack& Name(int tick, const std::string& text) { return Meta(tick, 0x03, text); }
  SmfTrack& Tempo(int tick, int microsPerQuarter);
  SmfTrack& Bpm(int tick, int bpm) { return Tempo(tick, 60000000 / bpm); }
  SmfTrack& TimeSig(int tick, int numerator, int denominatorPower, int clocks = 24, int notes32 = 8);
  SmfTrack& KeySig(int tick, int sf, int mi);
  SmfTrack& Sysex(int tick, const std::string& dataAfterF0);
  // Raw bytes after the delta time (for odd or broken events).
  SmfTrack& Raw(int tick, const std::vector<uint8_t>& bytes);
  // End of Track at this tick (default: at the last event's tick).
  SmfTrack& End(int tick);
  SmfTrack& NoEnd() { noEnd_ = true; return *this; }
  // Use running status for channel messages.
  SmfTrack& RunningStatus(bool on = true) { running_ = on; return *this; }

  std::vector<uint8_t> ChunkBytes() const;

 private:
  struct Item { int tick; std::vector<uint8_t> bytes; };
  void Add(int tick, std::vector<uint8_t> bytes);
  std::vector<Item> items_;
  int endTick_ = -1;
  bool noEnd_ = false;
  bool running_ = false;
};

class SmfBuilder {
 public:
  SmfBuilder(int format = 1, int division = 480) : format_(format), division_(division) {}
  SmfTrack& AddTrack();
  // Header track count written (default: the number of tracks added).
  SmfBuilder& DeclaredTracks(int n) { declared_ = n; return *this; }
  std::vector<uint8_t> Bytes() const;
  // Writes the bytes into a fresh temporary file and returns its path.
  std::string WriteTemp(const std::string& name) const;

 private:
  int format_;
  int division_;
  int declared_ = -1;
  std::vector<SmfTrack> tracks_;
};

std::vector<uint8_t> VarLen(uint32_t value);
// A fresh temporary folder for one test.
std::string TempDir();
std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadFileBytes(const std::string& path);
// The format a MIDI file's header names, -1 when the file is too short to have one.
int SmfFormatOf(const std::string& path);

}  // namespace cvtest
