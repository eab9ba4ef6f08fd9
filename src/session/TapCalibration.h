// Finding the tap delay: the person taps along with eight clicks; each tap lands late by the
// output's latency and their reaction, and the median of those offsets is what recording takes off
// every tap.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace cv {

struct TTapCalibration {
  static constexpr int kClicks = 8;
  int32_t IntervalMs = 600;
  // When the clicks sound, in ms of the click song (one interval of lead-in).
  std::vector<int32_t> ClickTimes() const;
  // A standard MIDI file of the clicks (a side stick on the drum channel) at this interval.
  std::vector<uint8_t> ClickSongBytes() const;
};

// Each tap belongs to the nearest click within half an interval (a click takes its first tap
// only); the median of tap minus click. None with fewer than half the clicks tapped.
std::optional<int32_t> MedianTapOffset(const std::vector<int32_t>& clicks, const std::vector<int32_t>& taps,
                                       int32_t intervalMs);

}  // namespace cv
