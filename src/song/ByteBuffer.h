// A byte vector that does not zero what it grows by: file bytes and file images are written over
// at once, so clearing them first would only cost a pass over memory that is fresh from the system.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <utility>
#include <vector>

namespace cv {

template <class T>
struct UninitializedAllocator : std::allocator<T> {
  using std::allocator<T>::allocator;
  template <class U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  // resize() leaves new elements as they are; any other construction works as usual.
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

using ByteBuffer = std::vector<uint8_t, UninitializedAllocator<uint8_t>>;

}  // namespace cv
