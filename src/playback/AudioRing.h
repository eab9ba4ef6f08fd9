// Single-producer, single-consumer ring of interleaved stereo float frames, lock-free.
// The player's thread renders into it; the audio device's callback drains it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace cv {

class AudioRing {
 public:
  // Capacity in frames, rounded up to a power of two.
  explicit AudioRing(size_t frames) {
    size_t n = 1;
    while (n < frames) n <<= 1;
    buffer_.assign(n * 2, 0.0f);
    mask_ = n - 1;
  }
  size_t CapacityFrames() const { return mask_ + 1; }
  size_t QueuedFrames() const { return write_.load(std::memory_order_acquire) - read_.load(std::memory_order_acquire); }

  // Producer: appends up to `frames` frames; returns how many fit.
  size_t Push(const float* interleaved, size_t frames) {
    const size_t w = write_.load(std::memory_order_relaxed);
    const size_t r = read_.load(std::memory_order_acquire);
    const size_t room = CapacityFrames() - (w - r);
    if (frames > room) frames = room;
    for (size_t i = 0; i < frames; ++i) {
      const size_t at = ((w + i) & mask_) * 2;
      buffer_[at] = interleaved ? interleaved[2 * i] : 0.0f;
      buffer_[at + 1] = interleaved ? interleaved[2 * i + 1] : 0.0f;
    }
    write_.store(w + frames, std::memory_order_release);
    return frames;
  }
  // Producer: everything queued so far is dropped at the consumer's next Pop.
  void Flush() { flushMark_.store(write_.load(std::memory_order_relaxed), std::memory_order_release); }

  // Consumer: takes up to `frames` frames; the rest of `out` is filled with silence.
  size_t Pop(float* interleaved, size_t frames) {
    size_t r = read_.load(std::memory_order_relaxed);
    const size_t mark = flushMark_.load(std::memory_order_acquire);
    if (static_cast<std::ptrdiff_t>(mark - r) > 0) r = mark;
    const size_t w = write_.load(std::memory_order_acquire);
    size_t n = w - r;
    if (n > frames) n = frames;
    for (size_t i = 0; i < n; ++i) {
      const size_t at = ((r + i) & mask_) * 2;
      interleaved[2 * i] = buffer_[at];
      interleaved[2 * i + 1] = buffer_[at + 1];
    }
    for (size_t i = n; i < frames; ++i) interleaved[2 * i] = interleaved[2 * i + 1] = 0.0f;
    read_.store(r + n, std::memory_order_release);
    return n;
  }

 private:
  std::vector<float> buffer_;
  size_t mask_ = 0;
  alignas(64) std::atomic<size_t> write_{0};
  alignas(64) std::atomic<size_t> read_{0};
  alignas(64) std::atomic<size_t> flushMark_{0};
};

}  // namespace cv
