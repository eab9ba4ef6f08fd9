#include "song/EventPool.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace cv {

void EventPool::NewBlock() {
  blocks_.reserve(blocks_.size() + 1);
  Block b;
  if (blocks_.empty()) {
    b.size = firstBlockSize_;
    b.events = static_cast<TypMidiEvent*>(::operator new(b.size * sizeof(TypMidiEvent)));
  } else {
    b.size = kBigBlockBytes / sizeof(TypMidiEvent);
    void* p = ::operator new(kBigBlockBytes, std::align_val_t{kBigBlockBytes});
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Large songs fill many blocks: one fault per 2 MiB instead of one per 4 KiB page.
    madvise(p, kBigBlockBytes, MADV_HUGEPAGE);
#endif
    b.events = static_cast<TypMidiEvent*>(p);
  }
  blocks_.push_back(b);
  lastBlockSize_ = b.size;
  usedInLastBlock_ = 0;
}

size_t EventPool::ReservedBytes() const {
  size_t bytes = 0;
  for (const Block& b : blocks_) bytes += b.size * sizeof(TypMidiEvent);
  return bytes + bytes_.ReservedBytes();
}

void EventPool::FreeEvent(PtrMidiEvent event) {
  if (!event) return;
  --live_;
  event->Meta.clear();
  event->NextEvent = freeList_;
  freeList_ = event;
}

void EventPool::Clear() {
  for (size_t i = 0; i < blocks_.size(); ++i) {
    const size_t used = i + 1 == blocks_.size() ? usedInLastBlock_ : blocks_[i].size;
    for (size_t k = 0; k < used; ++k) blocks_[i].events[k].~TypMidiEvent();
    if (i == 0)
      ::operator delete(blocks_[i].events);
    else
      ::operator delete(blocks_[i].events, std::align_val_t{kBigBlockBytes});
  }
  blocks_.clear();
  lastBlockSize_ = 0;
  usedInLastBlock_ = 0;
  freeList_ = nullptr;
  live_ = 0;
  firstBlockSize_ = kFirstBlockSize;
  bytes_.Clear();
}

}  // namespace cv
