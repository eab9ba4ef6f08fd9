// A JACK MIDI input inside a test: records every message that arrives, in order.
#pragma once

#include <rtmidi/RtMidi.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace cvtest {

using Bytes = std::vector<std::vector<uint8_t>>;

class JackReceiver {
 public:
  explicit JackReceiver(const std::string& client = "cv-receiver") : in_(RtMidi::UNIX_JACK, client) {
    in_.ignoreTypes(false, false, false);
    in_.setCallback(&JackReceiver::OnMessage, this);
  }
  void OpenVirtual() { in_.openVirtualPort("in"); }
  // Connects to the first output port whose name contains this text.
  bool ConnectTo(const std::string& part) {
    for (unsigned i = 0; i < in_.getPortCount(); ++i)
      if (in_.getPortName(i).find(part) != std::string::npos) {
        in_.openPort(i, "in");
        return true;
      }
    return false;
  }
  // Waits (up to 3 s) until this many messages arrived; returns what arrived.
  Bytes WaitFor(size_t count) {
    for (int i = 0; i < 3000; ++i) {
      {
        std::lock_guard lock(mutex_);
        if (received_.size() >= count) break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::lock_guard lock(mutex_);
    return received_;
  }

 private:
  static void OnMessage(double, std::vector<unsigned char>* message, void* self) {
    auto* r = static_cast<JackReceiver*>(self);
    std::lock_guard lock(r->mutex_);
    r->received_.emplace_back(message->begin(), message->end());
  }
  RtMidiIn in_;
  std::mutex mutex_;
  Bytes received_;
};

}  // namespace cvtest
