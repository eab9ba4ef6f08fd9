// What the player needs from its outputs and its clock; the adapters in platform/ implement them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>

namespace cv {

// A MIDI port failure; the message is the finished user-facing text.
class EMidiOutputError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The output went away while playing (device unplugged, sound server ended): playback stops.
class EMidiDeviceLost : public EMidiOutputError {
 public:
  using EMidiOutputError::EMidiOutputError;
};

// Anything that takes MIDI messages: the MIDI port and the synthesizer.
class MidiSink {
 public:
  virtual ~MidiSink() = default;
  // A channel message; data bytes the message does not use are ignored by the receiver.
  virtual void PutShort(uint8_t status, uint8_t data1, uint8_t data2) = 0;
  // A system-exclusive message, status byte included.
  virtual void PutLong(const uint8_t* bytes, size_t length) = 0;
};

// The MIDI port as the player sees it: opened at Play, closed at Stop.
class MidiPortSink : public MidiSink {
 public:
  virtual bool Open() = 0;
  virtual bool Close() = 0;
};

// The software instrument: takes MIDI, renders audio in slices the player asks for.
class InstrumentSink : public MidiSink {
 public:
  // How far ahead of the song clock MIDI is sent (the audio buffer time), ms.
  virtual uint32_t AudioBufferTime() const = 0;
  // Buffer time plus the device's own latency, ms.
  virtual uint32_t AudioTotalLatencyTime() const = 0;
  // Before a start: renders away leftover sound and empties the queue of rendered audio.
  virtual void PrepareStart() = 0;
  // Renders that many bytes of 44.1 kHz stereo float audio and queues them for output.
  virtual void PutNewData(uint32_t bytesToPut) = 0;
  // True when an audio device pulls the queue; its callback then calls the hook once per block.
  virtual bool HasAudioClock() const = 0;
  virtual void SetProcessHook(std::function<void()> hook) = 0;
};

// Microsecond clock; the real one is steady, tests use a virtual one.
class PlayerClock {
 public:
  virtual ~PlayerClock() = default;
  virtual int64_t NowUs() const = 0;
  virtual void SleepUs(int64_t us) = 0;
};

// std::chrono::steady_clock.
class SteadyPlayerClock : public PlayerClock {
 public:
  int64_t NowUs() const override;
  void SleepUs(int64_t us) override;
};

}  // namespace cv
