// Per-song arena of event records: O(1) allocation and release, everything freed at once.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "song/CV_Data.h"

namespace cv {

class EventPool {
 public:
  EventPool() = default;
  EventPool(const EventPool&) = delete;
  EventPool& operator=(const EventPool&) = delete;

  // A zero-filled record.
  PtrMidiEvent NewEvent();
  // Returns a record (already unlinked from its chain) for reuse.
  void FreeEvent(PtrMidiEvent event);
  // Releases every record at once.
  void Clear();
  size_t LiveCount() const { return live_; }

 private:
  static constexpr size_t kBlockSize = 4096;
  std::vector<std::unique_ptr<TypMidiEvent[]>> blocks_;
  size_t usedInLastBlock_ = kBlockSize;
  PtrMidiEvent freeList_ = nullptr;
  size_t live_ = 0;
};

}  // namespace cv
