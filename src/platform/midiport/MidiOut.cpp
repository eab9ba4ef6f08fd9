#include "platform/midiport/MidiOut.h"

#include <rtmidi/RtMidi.h>

#include <atomic>

#include "platform/QuietAudioLogs.h"
#include "playback/CV_MidiPlayer.h"
#include "song/Language.h"

namespace cv {

namespace {

void ErrorCallback(RtMidiError::Type type, const std::string& text, void* self) {
  static_cast<TMidiOutput*>(self)->NoteSystemError(type == RtMidiError::WARNING || type == RtMidiError::DEBUG_WARNING,
                                                   text);
}

// Bytes a channel or system message really has: program change and channel pressure carry one.
size_t ShortLength(uint8_t status) {
  switch (status & 0xF0) {
    case 0xC0:
    case 0xD0:
      return 2;
    case 0xF0:
      return status == 0xF2 ? 3 : (status == 0xF1 || status == 0xF3) ? 2 : 1;
    default:
      return 3;
  }
}

std::unique_ptr<RtMidiOut> MakeOut(RtMidi::Api api, TMidiOutput* self, std::string* failure) {
  // RtMidi prints (not reports) a missing server or sequencer while it starts up; look first.
  if (api == RtMidi::UNIX_JACK && !JackServerAnswers()) {
    if (failure) *failure = Tr("Der JACK-Server läuft nicht.", "JACK server not running.");
    return nullptr;
  }
  if (api == RtMidi::LINUX_ALSA && !AlsaSequencerExists()) {
    if (failure) *failure = Tr("Kein ALSA-Sequencer (/dev/snd/seq).", "No ALSA sequencer (/dev/snd/seq).");
    return nullptr;
  }
  try {
    auto out = std::make_unique<RtMidiOut>(api, TMidiOutput::ProgramPortName);
    out->setErrorCallback(&ErrorCallback, self);
    return out;
  } catch (const RtMidiError& e) {
    if (failure) *failure = e.getMessage();
    return nullptr;
  }
}

}  // namespace

struct TMidiOutput::JackWatch {
  jack_client_t* client = nullptr;
  std::atomic<bool> gone{false};
  JackWatch() {
    jack_status_t status{};
    client = jack_client_open("Cantovex 3 watch", JackNoStartServer, &status);
    if (client) jack_on_shutdown(client, [](void* self) { static_cast<JackWatch*>(self)->gone = true; }, this);
  }
  ~JackWatch() {
    // After a shutdown the server is gone; closing would only wait for it.
    if (client && !gone) jack_client_close(client);
  }
};

TMidiOutput::TMidiOutput(MidiSystem api) {
  QuietAudioLogs();
  std::string failure;
  if (api == MidiSystem::Alsa) {
    out_ = MakeOut(RtMidi::LINUX_ALSA, this, &failure);
  } else if (api == MidiSystem::Jack) {
    out_ = MakeOut(RtMidi::UNIX_JACK, this, &failure);
  } else {
    // The system's own layer first; JACK when that has no ports (or does not exist here).
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    std::unique_ptr<RtMidiOut> fallback;
    for (RtMidi::Api a : apis) {
      if (a == RtMidi::RTMIDI_DUMMY) continue;
      auto candidate = MakeOut(a, this, &failure);
      if (!candidate) continue;
      if (candidate->getPortCount() > 0) {
        out_ = std::move(candidate);
        break;
      }
      if (!fallback) fallback = std::move(candidate);
    }
    if (!out_) out_ = std::move(fallback);
  }
  if (!out_) systemError_ = failure.empty() ? Tr("Kein MIDI-System verfügbar.", "No MIDI system is available.") : failure;
  pendingError_.clear();
  DeviceCount();
}

TMidiOutput::~TMidiOutput() {
  if (state_ == mosOpen) {
    try {
      Close();
    } catch (const EMidiOutputError&) {
    }
  }
}

void TMidiOutput::NoteSystemError(bool isWarning, const std::string& text) {
  if (!isWarning) pendingError_ = text;
}

void TMidiOutput::Check(const char* context) {
  if (pendingError_.empty()) {
    error_.clear();
    return;
  }
  error_ = std::string(context) + pendingError_;
  pendingError_.clear();
  throw EMidiOutputError(error_);
}

uint16_t TMidiOutput::DeviceCount() {
  numDevs_ = out_ ? static_cast<uint16_t>(std::min(out_->getPortCount(), 65535u)) : 0;
  pendingError_.clear();
  return numDevs_;
}

std::string TMidiOutput::DeviceName(uint32_t index) {
  if (!out_) throw EMidiOutputError("Invalid device ID");
  if (index == VirtualPortID) return std::string(ProgramPortName) + " (virtual port)";
  std::string name = out_->getPortName(index);
  if (name.empty()) {
    pendingError_.clear();
    throw EMidiOutputError("Invalid device ID");
  }
  return name;
}

std::vector<std::string> TMidiOutput::DeviceNames() {
  std::vector<std::string> names;
  const uint16_t n = DeviceCount();
  for (uint16_t i = 0; i < n; ++i) {
    try {
      names.push_back(DeviceName(i));
    } catch (const EMidiOutputError&) {
      // A port that vanished while listing is left out.
    }
  }
  return names;
}

bool TMidiOutput::HasVirtualPort() const {
  return out_ && (out_->getCurrentApi() == RtMidi::LINUX_ALSA || out_->getCurrentApi() == RtMidi::UNIX_JACK ||
                  out_->getCurrentApi() == RtMidi::MACOSX_CORE);
}

std::string TMidiOutput::ApiName() const {
  return out_ ? RtMidi::getApiDisplayName(out_->getCurrentApi()) : "none";
}

void TMidiOutput::SetDeviceID(uint32_t id) {
  if (state_ == mosOpen) throw EMidiOutputError("Change to DeviceID while device was open");
  if (id == VirtualPortID) {
    if (!HasVirtualPort()) throw EMidiOutputError("Invalid device ID");
  } else if (id >= DeviceCount()) {
    throw EMidiOutputError("Invalid device ID");
  }
  std::string name = DeviceName(id);
  deviceId_ = id;
  productName_ = std::move(name);
}

void TMidiOutput::SetProductName(const std::string& name) {
  if (state_ == mosOpen) throw EMidiOutputError("Change to ProductName while device was open");
  const uint16_t n = DeviceCount();
  for (uint32_t i = 0; i < n; ++i) {
    if (out_->getPortName(i) == name) {
      SetDeviceID(i);
      return;
    }
  }
  if (HasVirtualPort() && name == DeviceName(VirtualPortID)) {
    SetDeviceID(VirtualPortID);
    return;
  }
  pendingError_.clear();
  throw EMidiOutputError(NotInstalledText(name));
}

bool TMidiOutput::Open() {
  if (state_ == mosOpen) return true;
  if (!out_) {
    error_ = systemError_;
    return false;
  }
  pendingError_.clear();
  try {
    if (deviceId_ == VirtualPortID) {
      out_->openVirtualPort(ProgramPortName);
    } else {
      // The port may have moved since it was chosen; its name still finds it.
      if (deviceId_ >= out_->getPortCount() || out_->getPortName(deviceId_) != productName_) {
        const unsigned n = out_->getPortCount();
        for (unsigned i = 0; i < n; ++i)
          if (out_->getPortName(i) == productName_) deviceId_ = i;
      }
      out_->openPort(deviceId_, ProgramPortName);
    }
  } catch (const RtMidiError& e) {
    pendingError_ = e.getMessage();
  }
  // A virtual port counts as open once it exists; RtMidi reports only real connections as open.
  if (!pendingError_.empty() || (deviceId_ != VirtualPortID && !out_->isPortOpen())) {
    error_ = pendingError_.empty() ? Tr("Der MIDI-Ausgang kann nicht geöffnet werden.", "The MIDI output could not be opened.") : pendingError_;
    pendingError_.clear();
    out_->closePort();
    return false;
  }
  error_.clear();
  state_ = mosOpen;
  lost_ = false;
  if (out_->getCurrentApi() == RtMidi::UNIX_JACK && (!jackWatch_ || jackWatch_->gone)) jackWatch_ = std::make_unique<JackWatch>();
  nextPresenceCheck_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(250);
  return true;
}

bool TMidiOutput::Close() {
  if (state_ != mosOpen) return false;
  pendingError_.clear();
  out_->closePort();
  Check("");
  state_ = mosClosed;
  return true;
}

bool TMidiOutput::ChangeDevice(uint32_t newDeviceId, bool openAfterChange) {
  if (state_ != mosClosed) Close();
  if (state_ != mosClosed) return false;
  SetDeviceID(newDeviceId);
  return openAfterChange ? Open() : false;
}

bool TMidiOutput::PortLeftTheList() {
  if (deviceId_ == VirtualPortID) return false;
  const auto now = std::chrono::steady_clock::now();
  if (now < nextPresenceCheck_) return false;
  nextPresenceCheck_ = now + std::chrono::milliseconds(250);
  const unsigned n = out_->getPortCount();
  for (unsigned i = 0; i < n; ++i)
    if (out_->getPortName(i) == productName_) return false;
  pendingError_.clear();
  return true;
}

void TMidiOutput::CheckStillThere() {
  // Messages sent to a port that went away would go nowhere without a word.
  if (!lost_) lost_ = (jackWatch_ && jackWatch_->gone) || PortLeftTheList();
  if (!lost_) return;
  throw EMidiDeviceLost(Tr("Der MIDI-Ausgang \"" + productName_ +
                               "\" ist nicht mehr da (Gerät getrennt oder sein Server beendet). Die Wiedergabe ist "
                               "angehalten; wählen Sie einen anderen Ausgang.",
                           "The MIDI output \"" + productName_ +
                               "\" has gone away (device unplugged or its server ended). Playback stopped; choose "
                               "another output."));
}

void TMidiOutput::PutShort(uint8_t midiMessage, uint8_t data1, uint8_t data2) {
  if (state_ != mosOpen) throw EMidiOutputError("(Short Msg) Device not opened.");
  CheckStillThere();
  const uint8_t bytes[3] = {midiMessage, data1, data2};
  out_->sendMessage(bytes, ShortLength(midiMessage));
  Check("(Short Msg) ");
}

void TMidiOutput::PutLong(const uint8_t* sysex, size_t length) {
  if (state_ != mosOpen) throw EMidiOutputError("(Long Msg) Device not opened.");
  if (length == 0) return;
  CheckStillThere();
  out_->sendMessage(sysex, length);
  Check("(Long Msg) ");
}

}  // namespace cv
