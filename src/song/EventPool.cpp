#include "song/EventPool.h"

namespace cv {

PtrMidiEvent EventPool::NewEvent() {
  ++live_;
  if (freeList_) {
    PtrMidiEvent e = freeList_;
    freeList_ = e->NextEvent;
    *e = TypMidiEvent{};
    return e;
  }
  if (usedInLastBlock_ == kBlockSize) {
    blocks_.emplace_back(new TypMidiEvent[kBlockSize]);
    usedInLastBlock_ = 0;
  }
  return &blocks_.back()[usedInLastBlock_++];
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
  blocks_.clear();
  usedInLastBlock_ = kBlockSize;
  freeList_ = nullptr;
  live_ = 0;
}

}  // namespace cv
