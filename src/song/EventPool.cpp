#include "song/EventPool.h"

namespace cv {

void EventPool::NewBlock() {
  blocks_.reserve(blocks_.size() + 1);
  blocks_.push_back(static_cast<TypMidiEvent*>(::operator new(kBlockSize * sizeof(TypMidiEvent))));
  usedInLastBlock_ = 0;
}

void EventPool::FreeEvent(PtrMidiEvent event) {
  if (!event) return;
  --live_;
  event->Meta.clear();
  event->Meta.shrink_to_fit();
  event->NextEvent = freeList_;
  freeList_ = event;
}

void EventPool::Clear() {
  for (size_t b = 0; b < blocks_.size(); ++b) {
    const size_t used = b + 1 == blocks_.size() ? usedInLastBlock_ : kBlockSize;
    for (size_t i = 0; i < used; ++i) blocks_[b][i].~TypMidiEvent();
    ::operator delete(blocks_[b]);
  }
  blocks_.clear();
  usedInLastBlock_ = kBlockSize;
  freeList_ = nullptr;
  live_ = 0;
}

}  // namespace cv
