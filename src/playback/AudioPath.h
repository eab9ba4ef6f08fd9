// Pure rules of the synthesizer's audio path: gain, priming size, device names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cv {

// Gain from the volume slider (0..130): 100 is unity, 0.2 dB per step above 25, 0.8 dB below, 0 mutes.
float VolumeToGain(int volumeValue);

// Bytes of 32-bit stereo float silence that fill one buffer time (a multiple of 8).
uint32_t AudioLatencyBytes(uint32_t bufferTimeMs, uint32_t sampleRate);

struct TAudioDevice {
  int32_t DeviceID = 0;
  std::string Driver;
  std::string Name;
};

// "Speakers (2- USB Audio Device)" -> "USB Audio Device (2) - Speakers"; other names unchanged.
std::string RewriteAudioDeviceName(const std::string& name);
// With two or more devices: rewrites every name and sorts by name, number and driver (case-insensitive).
void ArrangeAudioDevices(std::vector<TAudioDevice>& devices);
// The last device with this name, else the first; -1 for none.
int SelectAudioDevice(const std::vector<TAudioDevice>& devices, const std::string& configuredName);

}  // namespace cv
