// What the song operations need from the player: its time, re-seating, and stopping.
#pragma once

#include <cstdint>

namespace cv {

class PlayerLink {
 public:
  virtual ~PlayerLink() = default;
  virtual bool Playing() const = 0;
  virtual void Stop() = 0;
  virtual int32_t TimePosition() const = 0;
  // Re-seats every track's play pointer at this time (ms) on the current chains.
  virtual void MoveToPosition(int32_t timeMs) = 0;
};

}  // namespace cv
