#include "playback/AudioPath.h"

#include <algorithm>
#include <cmath>

namespace cv {

float VolumeToGain(int volumeValue) {
  int x = 4 * volumeValue - 400;
  if (x < -396) return 0.0f;
  if (x < -300) x = x + 3 * (x + 300);
  return std::pow(10.0f, static_cast<float>(x) / 400.0f);
}

uint32_t AudioLatencyBytes(uint32_t bufferTimeMs, uint32_t sampleRate) {
  const uint32_t bytes = static_cast<uint32_t>(uint64_t{bufferTimeMs} * sampleRate / 125);
  return bytes - bytes % 8;
}

std::string RewriteAudioDeviceName(const std::string& name) {
  if (name.find('(') == std::string::npos || name.size() < 3) return name;
  // The bracket group that closes the name, found from its end (groups may nest).
  int depth = 0;
  size_t p = 0;  // 1-based position of the group's "("
  for (size_t i = name.size(); i >= 3; --i) {
    const char c = name[i - 1];
    if (c == ')') --depth;
    if (c == '(') {
      ++depth;
      if (depth == 0) {
        p = i;
        break;
      }
    }
  }
  if (p <= 2) return name;
  std::string inner = name.substr(p);
  const size_t close = inner.rfind(')');
  if (close != std::string::npos && close + 1 >= 3) inner.erase(close, 1);
  std::string outer = name.substr(0, p - 1);
  if (!outer.empty() && outer.back() == ' ') outer.pop_back();
  if (inner == "RME Babyface") {
    if (outer == "Lautsprecher") outer = "Analog (1+2)";
    else if (outer == "SPDIF/ADAT (1+2)") outer = "ADAT (1+2)";
  }
  for (char k = '2'; k <= '9'; ++k) {
    if (inner.size() >= 3 && inner[0] == k && inner[1] == '-' && inner[2] == ' ') {
      inner = inner.substr(3) + " (" + k + ")";
      break;
    }
  }
  return inner + " - " + outer;
}

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}
}  // namespace

void ArrangeAudioDevices(std::vector<TAudioDevice>& devices) {
  if (devices.size() < 2) return;
  for (auto& d : devices) d.Name = RewriteAudioDeviceName(d.Name);
  std::stable_sort(devices.begin(), devices.end(), [](const TAudioDevice& a, const TAudioDevice& b) {
    return Lower(a.Name + "\t" + std::to_string(a.DeviceID) + "\t" + a.Driver) <
           Lower(b.Name + "\t" + std::to_string(b.DeviceID) + "\t" + b.Driver);
  });
}

int SelectAudioDevice(const std::vector<TAudioDevice>& devices, const std::string& configuredName) {
  for (int i = static_cast<int>(devices.size()) - 1; i >= 0; --i)
    if (devices[i].Name == configuredName) return i;
  return devices.empty() ? -1 : 0;
}

}  // namespace cv
