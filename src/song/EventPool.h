// Per-song arena of event records and of the bytes read into them: O(1) allocation and release,
// everything freed at once.
#pragma once

#include <cstddef>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

#include "song/CV_Data.h"

namespace cv {

class EventPool {
 public:
  EventPool() = default;
  EventPool(const EventPool&) = delete;
  EventPool& operator=(const EventPool&) = delete;
  // The records stay where they are: chains keep pointing at them in the new owner.
  EventPool(EventPool&& other) noexcept { Take(other); }
  EventPool& operator=(EventPool&& other) noexcept {
    if (this != &other) {
      Clear();
      Take(other);
    }
    return *this;
  }
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
  // Room for this many records in one block of that size, for a pool that has none yet (else
  // nothing): a copy of a few chains then holds no more than they need.
  void Reserve(size_t records) {
    if (blocks_.empty() && records > 0) firstBlockSize_ = records;
  }
  // Returns a record (already unlinked from its chain) for reuse; bytes it owns are freed.
  void FreeEvent(PtrMidiEvent event);
  // Releases every record at once.
  void Clear();
  size_t LiveCount() const { return live_; }
  // Memory held for records and their bytes, in bytes; of it, held for bytes kept.
  size_t ReservedBytes() const;
  size_t KeptBytesReserved() const { return bytes_.ReservedBytes(); }
  // Event data (head, then tail) kept until the pool is cleared: reading stores a file's texts
  // and SysEx messages here as they were, without an allocation each.
  MetaBytes KeepBytes(std::string_view head, std::string_view tail = {}) {
    return MetaBytes::InArena(bytes_, head, tail);
  }

 private:
  // The first block suits a normal song; later ones are large (huge pages where the system has them).
  static constexpr size_t kFirstBlockSize = 4096;
  static constexpr size_t kBigBlockBytes = size_t{2} << 20;
  void NewBlock();
  void Take(EventPool& other) noexcept {
    blocks_ = std::move(other.blocks_);
    other.blocks_.clear();
    lastBlockSize_ = std::exchange(other.lastBlockSize_, 0);
    usedInLastBlock_ = std::exchange(other.usedInLastBlock_, 0);
    freeList_ = std::exchange(other.freeList_, nullptr);
    live_ = std::exchange(other.live_, 0);
    firstBlockSize_ = std::exchange(other.firstBlockSize_, kFirstBlockSize);
    bytes_ = std::move(other.bytes_);
  }
  struct Block {
    TypMidiEvent* events;
    size_t size;
  };
  std::vector<Block> blocks_;  // raw storage; full except the last
  size_t lastBlockSize_ = 0;
  size_t usedInLastBlock_ = 0;
  PtrMidiEvent freeList_ = nullptr;
  size_t live_ = 0;
  size_t firstBlockSize_ = kFirstBlockSize;
  ByteArena bytes_;  // cleared after the records that point into it
};

}  // namespace cv
