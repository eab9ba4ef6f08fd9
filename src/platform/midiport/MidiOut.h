// The MIDI output port: one RtMidi output, selected by index or name, opened for playback.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Devices.h"

class RtMidiOut;

namespace cv {

enum MidiOutputState { mosOpen = 0, mosClosed = 1 };

class TMidiOutput : public MidiPortDevice {
 public:
  explicit TMidiOutput(MidiSystem api = MidiSystem::Auto);
  ~TMidiOutput() override;
  TMidiOutput(const TMidiOutput&) = delete;
  TMidiOutput& operator=(const TMidiOutput&) = delete;

  // Number of output ports, read again from the system.
  uint16_t DeviceCount();
  uint16_t NumDevs() const { return numDevs_; }
  std::string DeviceName(uint32_t index) override;
  std::vector<std::string> DeviceNames() override;
  bool HasVirtualPort() const override;
  std::string ApiName() const override;
  const std::string& SystemError() const override { return systemError_; }

  uint32_t DeviceID() const { return deviceId_; }
  void SetDeviceID(uint32_t id) override;
  const std::string& ProductName() const override { return productName_; }
  // Selects the port with exactly this name.
  void SetProductName(const std::string& name);
  MidiOutputState State() const { return state_; }
  const std::string& Error() const override { return error_; }

  bool Open() override;
  bool Close() override;
  bool ChangeDevice(uint32_t newDeviceId, bool openAfterChange);
  void PutShort(uint8_t midiMessage, uint8_t data1, uint8_t data2) override;
  void PutLong(const uint8_t* sysex, size_t length) override;

  void NoteOn(uint8_t channel, uint8_t note, uint8_t dynamics) { PutShort(0x90 + (channel & 0x0F), note, dynamics); }
  void NoteOff(uint8_t channel, uint8_t note, uint8_t dynamics) { PutShort(0x80 + (channel & 0x0F), note, dynamics); }
  void ControllerChange(uint8_t channel, uint8_t controller, uint8_t value) {
    PutShort(0xB0 + (channel & 0x0F), controller, value);
  }
  void ProgramChange(uint8_t channel, uint8_t program) { PutShort(0xC0 + (channel & 0x0F), program, 0); }

  // Receives RtMidi's failures (instead of its printing them); warnings are not failures.
  void NoteSystemError(bool isWarning, const std::string& text);

 private:
  void Check(const char* context);
  // Throws EMidiDeviceLost when the open port went away: its JACK server shut down, or it left
  // the system's list (an unplugged device, a receiver that quit; looked at now and then).
  void CheckStillThere();
  bool PortLeftTheList();

  std::unique_ptr<RtMidiOut> out_;
  uint16_t numDevs_ = 0;
  uint32_t deviceId_ = 0;
  std::string productName_;
  MidiOutputState state_ = mosClosed;
  std::string error_;
  std::string pendingError_;
  std::string systemError_;
  std::chrono::steady_clock::time_point nextPresenceCheck_{};
  bool lost_ = false;
  // On JACK: a client of our own that hears when the server shuts down (the port list alone
  // does not show it, the client library keeps its copy of the graph).
  struct JackWatch;
  std::unique_ptr<JackWatch> jackWatch_;
};

}  // namespace cv
