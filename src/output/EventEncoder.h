// The event encoding shared by both file writers: delta times, running status, channel, meta and
// system exclusive events, variable-length quantities.
#pragma once

#include <cstddef>
#include <cstdint>

#include "song/CV_Data.h"

namespace cv {

// "Error coding the midi file!" in the user's language.
[[noreturn]] void ThrowCodingError();

// Largest number a variable-length quantity of a Standard MIDI File can hold (four bytes).
constexpr uint32_t kMaxVarLen = 0x0FFFFFFF;

// Encodes the events of one track chunk. With Write = false it only counts the bytes, giving the
// exact size that the writing run over the same events produces.
template <bool Write>
class BasicEventEncoder {
 public:
  explicit BasicEventEncoder(uint8_t* out = nullptr) : out_(out) {}

  // Delta times and running status start again in every chunk.
  void StartChunk() {
    runningTick_ = 0;
    PrevCommand = 0;
  }

  // Encodes one event, or nothing when the event is one the files never carry (an empty meta
  // event other than End of Track). Throws EMidiError for an event that cannot be expressed.
  void Encode(const TypMidiEvent& e) {
    if (e.DType == DTypeChannel) {
      if (e.Command < 0x80 || e.Command > 0xEF) ThrowCodingError();
      int data = e.DLength - 1;
      if (data < 0) data = 0;
      if (data > 2) data = 2;
      for (int i = 0; i < data; ++i)
        if (e.Value[i] > 0x7F) ThrowCodingError();
      PutDelta(e.Position);
      if (e.Command != PrevCommand) {
        Put(e.Command);
        PrevCommand = e.Command;
      }
      for (int i = 0; i < data; ++i) Put(e.Value[i]);
      return;
    }
    if (e.DType != DTypeMeta) ThrowCodingError();
    const bool endOfTrack = e.Command == 0xFF && e.MType == 0x2F;
    if (e.DLength <= 0 && !endOfTrack) return;
    switch (e.Command) {
      case 0xF0:
      case 0xF7:
        PutDelta(e.Position);
        Put(e.Command);
        PrevCommand = 0;
        PutBlock(e.Meta.data(), e.Meta.size(), false);
        return;
      case 0xF8:
      case 0xFA:
      case 0xFB:
      case 0xFC:
        PutDelta(e.Position);
        Put(e.Command);
        PrevCommand = 0;
        return;
      case 0xFF:
        if (e.MType < 0 || e.MType > 0xFF) ThrowCodingError();
        PutDelta(e.Position);
        Put(0xFF);
        PrevCommand = 0;
        Put(static_cast<uint8_t>(e.MType));
        if (e.DLength <= 0 || e.Meta.empty())
          Put(0);
        else
          PutBlock(e.Meta.data(), e.Meta.size(), e.MType == 5);
        return;
      default:
        ThrowCodingError();
    }
  }

  size_t Size() const { return pos_; }
  uint8_t PrevCommand = 0;

 private:
  void Put(uint8_t b) {
    if constexpr (Write) out_[pos_] = b;
    ++pos_;
  }

  void PutVarLen(uint32_t v) {
    if (v > kMaxVarLen) ThrowCodingError();
    if (v < 0x80) {
      Put(static_cast<uint8_t>(v));
      return;
    }
    uint8_t groups[4];
    int n = 0;
    do {
      groups[n++] = static_cast<uint8_t>(v & 0x7F);
      v >>= 7;
    } while (v);
    while (n > 1) Put(static_cast<uint8_t>(groups[--n] | 0x80));
    Put(groups[0]);
  }

  // Deltas are measured from the highest tick written so far, so an event that lies before its
  // predecessor is written with delta 0 and does not shift the events after it.
  void PutDelta(int32_t position) {
    int64_t delta = static_cast<int64_t>(position) - runningTick_;
    if (delta < 0) {
      delta = 0;
    } else {
      runningTick_ = position;
    }
    if (delta > kMaxVarLen) ThrowCodingError();
    PutVarLen(static_cast<uint32_t>(delta));
  }

  void PutBlock(const char* data, size_t size, bool lyric) {
    if (size > kMaxVarLen) ThrowCodingError();
    PutVarLen(static_cast<uint32_t>(size));
    if constexpr (Write) {
      uint8_t* dest = out_ + pos_;
      for (size_t i = 0; i < size; ++i) {
        char c = data[i];
        // Lyrics use "_" where a word gap must not split the syllable in editors.
        dest[i] = static_cast<uint8_t>(lyric && c == '_' ? ' ' : c);
      }
    }
    pos_ += size;
  }

  uint8_t* out_;
  size_t pos_ = 0;
  int64_t runningTick_ = 0;
};

using EventCounter = BasicEventEncoder<false>;
using EventWriter = BasicEventEncoder<true>;

// Big-endian helpers for the file and chunk headers.
inline void PutBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}
inline void PutBigEndian16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}

}  // namespace cv
