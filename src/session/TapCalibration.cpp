#include "session/TapCalibration.h"

#include <algorithm>
#include <cstdlib>

namespace cv {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<uint8_t>(v >> s));
}

void PutVarLen(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t bytes[5];
  int n = 0;
  do {
    bytes[n++] = static_cast<uint8_t>(v & 0x7F);
    v >>= 7;
  } while (v);
  while (n-- > 0) out.push_back(static_cast<uint8_t>(bytes[n] | (n ? 0x80 : 0)));
}

}  // namespace

std::vector<int32_t> TTapCalibration::ClickTimes() const {
  std::vector<int32_t> times;
  for (int k = 1; k <= kClicks; ++k) times.push_back(k * IntervalMs);
  return times;
}

std::vector<uint8_t> TTapCalibration::ClickSongBytes() const {
  constexpr int kDivision = 480;
  std::vector<uint8_t> track;
  // A beat is one interval: tempo in microseconds per quarter.
  const uint32_t tempo = static_cast<uint32_t>(std::clamp(IntervalMs, 100, 5000)) * 1000;
  PutVarLen(track, 0);
  track.insert(track.end(), {0xFF, 0x51, 0x03, static_cast<uint8_t>(tempo >> 16), static_cast<uint8_t>(tempo >> 8),
                             static_cast<uint8_t>(tempo)});
  PutVarLen(track, 0);
  track.insert(track.end(), {0xFF, 0x58, 0x04, 4, 2, 24, 8});
  uint32_t last = 0;
  for (int k = 1; k <= kClicks; ++k) {
    const uint32_t on = static_cast<uint32_t>(k) * kDivision;
    PutVarLen(track, on - last);
    track.insert(track.end(), {0x99, 37, 120});
    PutVarLen(track, 60);
    track.insert(track.end(), {0x89, 37, 0});
    last = on + 60;
  }
  PutVarLen(track, kDivision);
  track.insert(track.end(), {0xFF, 0x2F, 0x00});
  std::vector<uint8_t> file = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, kDivision >> 8, kDivision & 0xFF,
                               'M', 'T', 'r', 'k'};
  Put32(file, static_cast<uint32_t>(track.size()));
  file.insert(file.end(), track.begin(), track.end());
  return file;
}

std::optional<int32_t> MedianTapOffset(const std::vector<int32_t>& clicks, const std::vector<int32_t>& taps,
                                       int32_t intervalMs) {
  std::vector<char> used(clicks.size(), 0);
  std::vector<int32_t> offsets;
  for (int32_t tap : taps) {
    size_t best = clicks.size();
    int64_t distance = intervalMs / 2 + 1;
    for (size_t c = 0; c < clicks.size(); ++c) {
      const int64_t d = std::llabs(int64_t{tap} - clicks[c]);
      if (d < distance) distance = d, best = c;
    }
    if (best == clicks.size() || used[best]) continue;
    used[best] = 1;
    offsets.push_back(tap - clicks[best]);
  }
  if (offsets.empty() || offsets.size() * 2 < clicks.size()) return std::nullopt;
  std::sort(offsets.begin(), offsets.end());
  const size_t m = offsets.size() / 2;
  if (offsets.size() % 2) return offsets[m];
  // Between the two middle ones, halves away from zero.
  const int32_t sum = offsets[m - 1] + offsets[m];
  return sum >= 0 ? (sum + 1) / 2 : -((-sum + 1) / 2);
}

}  // namespace cv
