// Per-song arena of event records: O(1) allocation and release, everything freed at once.
#pragma once

#include <cstddef>
#include <new>
#include <vector>

#include "song/CV_Data.h"

namespace cv {

class EventPool {
 public:
  EventPool() = default;
  EventPool(const EventPool&) = delete;
  EventPool& operator=(const EventPool&) = delete;
  ~EventPool() { Clear(); }

  // A zero-filled record. Records are constructed when handed out, so a block's memory is
  // touched once, while it is hot, rather than at block allocation and again when filled.
  PtrMidiEvent NewEvent() {
    ++live_;
    if (freeList_) {
      PtrMidiEvent e = freeList_;
      freeList_ = e->NextEvent;
      *e = TypMidiEvent{};
      return e;
    }
    if (usedInLastBlock_ == lastBlockSize_) NewBlock();
    return new (blocks_.back().events + usedInLastBlock_++) TypMidiEvent();
  }
  // Returns a record (already unlinked from its chain) for reuse.
  void FreeEvent(PtrMidiEvent event);
  // Releases every record at once.
  void Clear();
  size_t LiveCount() const { return live_; }
  // Memory held for records, in bytes.
  size_t ReservedBytes() const;

 private:
  // The first block suits a normal song; later ones are large (huge pages where the system has them).
  static constexpr size_t kFirstBlockSize = 4096;
  static constexpr size_t kBigBlockBytes = size_t{2} << 20;
  void NewBlock();
  struct Block {
    TypMidiEvent* events;
    size_t size;
  };
  std::vector<Block> blocks_;  // raw storage; full except the last
  size_t lastBlockSize_ = 0;
  size_t usedInLastBlock_ = 0;
  PtrMidiEvent freeList_ = nullptr;
  size_t live_ = 0;
};

}  // namespace cv
