// The player: sends the song's events when they come due, to the MIDI port or the synthesizer.
#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "playback/MidiSink.h"
#include "song/PlayerLink.h"
#include "song/Song.h"

namespace cv {

// One selectable output.
struct TDeviceList {
  uint32_t DeviceHandle = 0;
  int32_t DeviceID = 0;  // port index; SynthDeviceID for the synthesizer
  std::string Name;
  bool VSTi = false;  // the synthesizer, loaded and usable
};

constexpr int32_t SynthDeviceID = 100;

// Run states of the playback thread.
enum : int {
  RunReady = 0,
  RunBusy = 1,
  RunRingOutReady = 2,
  RunRingOutBusy = 3,
  RunIdle = 99,
};

// Last values sent per channel, in this byte order.
enum ChaseByte : int {
  ChaseChorus = 0,
  ChaseBankMsb = 1,
  ChaseBankLsb = 2,
  ChaseExpression = 3,
  ChaseReverb = 4,
  ChasePan = 5,
  ChaseProgram = 6,
  ChaseBendLsb = 7,
  ChaseBendMsb = 8,
  ChaseVolume = 9,
};

// Builds the output list: ports sorted by name (case-insensitive, equal names by index as text),
// then the synthesizer when it is usable. With neither, the message is set.
std::vector<TDeviceList> BuildDeviceList(const std::vector<std::string>& portNames,
                                         const std::string& synthName, bool synthUsable,
                                         std::string* message);
// The last entry with this name, else entry 0; -1 for an empty list.
int SelectDeviceEntry(const std::vector<TDeviceList>& list, const std::string& configuredName);
// "You have no midi interface! ..." in the current language.
std::string NoMidiPortMessage();
// The message for a port name that no device carries.
std::string NotInstalledText(const std::string& name);

class TMidiPlayer : public PlayerLink {
 public:
  // With runThread false no thread is started: the caller drives Tick() (tests on a virtual clock).
  explicit TMidiPlayer(PlayerClock& clock, bool runThread = true);
  ~TMidiPlayer() override;
  TMidiPlayer(const TMidiPlayer&) = delete;
  TMidiPlayer& operator=(const TMidiPlayer&) = delete;

  // Outputs; either may be null. The player does not own them.
  void SetPort(MidiPortSink* port);
  void SetInstrument(InstrumentSink* instrument);
  // True: play through the synthesizer; false: through the port.
  void SetUseVSTi(bool use);
  bool UseVSTi() const { return useVSTi_; }
  // Plays this song (links song.Player to the player). Stops playback first.
  void SetSong(Song* song);
  // Messages for the user (the first output failure, rendering failures).
  std::function<void(const std::string&)> OnMessage;
  // The output went away and playback stopped; called from the playback thread with the text.
  // Unset: the text goes to OnMessage.
  std::function<void(const std::string&)> OnDeviceLost;
  // Playback stopped because the output went away (until the next Play).
  bool DeviceLost() const { return deviceLost_.load(); }
  // Sees every event the player has sent, and the meta events as it passes them, on the playback
  // thread: viewers watch what really goes out. Null: none.
  void SetEventTap(std::function<void(const TypMidiEvent&)> tap);

  void Play();
  void Stop() override;
  void MoveToPosition(int32_t newPosition) override;
  bool Playing() const override { return playing_.load(); }
  int32_t TimePosition() const override;
  void InitializeChasedData();

  // Runs one step of the playback thread at the clock's current time.
  void Tick();
  // Called by the audio device for every block it plays (delayed start).
  void AudioBlockDone();

  int RunState() const { return runState_.load(); }
  bool MidiPlayerFadeout() const { return fadeout_.load(); }
  int32_t MidiPlayerDelayStart() const { return delayStart_.load(); }
  int64_t StartTimeUs() const { return startUs_.load(); }
  int32_t VSTiLastPutTime() const { return lastPutTime_; }
  // Events the output refused since the last Play.
  int64_t FailedEvents() const { return failedEvents_.load(); }
  const std::array<std::array<uint8_t, 10>, 16>& ChasedData() const { return chasedData_; }
  // When the thread would next wake (µs on the clock), INT64_MAX for never; for the benchmark.
  int64_t NextWakeUs();

 private:
  bool InstrumentActive() const { return useVSTi_ && instrument_ != nullptr; }
  MidiSink* Output() const;
  void StopLocked();
  // Stops after an exception in the playback step and reports it once.
  void StopAfterFailure(const std::string& text);
  // Stops because the output is gone, and says so.
  void StopAfterLoss(const std::string& text);
  void TickLocked();
  void SafeTickLocked();
  void PlaybackStep();
  void RingOutStep();
  void SendEvent(const TypMidiEvent& event);
  void Chase(const TypMidiEvent& event);
  bool RenderMilliseconds(int32_t from, int32_t to);
  void ReportOnce(bool& reported, const std::string& text);
  int64_t NextWakeLocked() const;
  void ThreadMain();

  PlayerClock& clock_;
  MidiPortSink* port_ = nullptr;
  InstrumentSink* instrument_ = nullptr;
  bool useVSTi_ = false;
  Song* song_ = nullptr;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
  bool quit_ = false;

  std::atomic<int> runState_{RunIdle};
  std::atomic<bool> playing_{false};
  std::atomic<bool> fadeout_{false};
  std::atomic<int32_t> delayStart_{0};
  std::atomic<int64_t> startUs_{0};
  std::atomic<int32_t> timePosition_{0};
  std::atomic<int64_t> failedEvents_{0};
  std::atomic<bool> deviceLost_{false};
  int32_t lastPutTime_ = 0;
  int64_t ringOutStartUs_ = 0;
  int64_t playUs_ = 0;  // when Play asked the audio device to start the clock
  bool portOpen_ = false;
  bool outputErrorReported_ = false;
  bool renderErrorReported_ = false;
  std::vector<uint8_t> trackDone_;  // per track: its last event has been played
  std::vector<uint8_t> sysex_;      // reused buffer for system-exclusive messages
  std::array<std::array<uint8_t, 10>, 16> chasedData_{};
  std::function<void(const TypMidiEvent&)> tap_;
};

}  // namespace cv
