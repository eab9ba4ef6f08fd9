// The event encoding shared by both file writers: delta times, running status, channel, meta and
// system exclusive events, variable-length quantities.
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "song/ByteBuffer.h"
#include "song/CV_Data.h"
#include "song/TextCodec.h"

namespace cv {

// "Error coding the midi file!" in the user's language.
[[noreturn]] void ThrowCodingError();

// A meta event that the writers add to the file (port, names, End of Track).
inline TypMidiEvent MakeMetaEvent(int8_t type, std::string data, int32_t position) {
  TypMidiEvent e;
  e.Command = 0xFF;
  e.DType = DTypeMeta;
  e.MType = type;
  e.Meta = std::move(data);
  e.Position = position;
  e.TimePosition = 0;
  return e;
}

// Largest number a variable-length quantity of a Standard MIDI File can hold (four bytes).
constexpr uint32_t kMaxVarLen = 0x0FFFFFFF;

// Where a file image goes while it is encoded, piece by piece, instead of whole into memory (a
// large song's image would cost as many fresh pages as it is long). A failure is kept by the drain,
// which then takes no more bytes; the caller asks it once the image is done.
class ImageDrain {
 public:
  virtual ~ImageDrain() = default;
  // Appends bytes.
  virtual void Write(const uint8_t* data, size_t size) = 0;
  // Overwrites bytes already written (a chunk length known at the chunk's end).
  virtual void WriteAt(uint64_t offset, const uint8_t* data, size_t size) = 0;
  // Drops everything written: the image starts again.
  virtual void Restart() = 0;
};

// Encodes events into a file image. Without a drain the image grows as needed in `out` (callers
// size it from the event counts beforehand, so it rarely grows); with one, `out` is a small block
// handed to the drain whenever it fills. One walk over the events does the whole work; the image
// is never zero-filled: every byte up to Size() is written.
class EventEncoder {
 public:
  // Starts an empty image with room for sizeGuess bytes. In a double-byte text encoding a "_" byte
  // may be the second half of a character, which lyricLeads (the song encoding's) keeps whole.
  EventEncoder(ByteBuffer& out, size_t sizeGuess, TLeadBytes lyricLeads = TLeadBytes::None,
               ImageDrain* drain = nullptr)
      : buf_(out), pos_(0), leads_(lyricLeads), drain_(drain) {
    buf_.resize(std::max<size_t>(drain ? std::min(sizeGuess, kDrainBlock) : sizeGuess, 64));
    out_ = buf_.data();
  }
  // The bytes written, in the image.
  size_t Size() const { return drained_ + pos_; }
  // Cuts the image to what was written, or hands the rest to the drain.
  void Finish() {
    if (drain_) {
      Drain();
      buf_.clear();
    } else {
      buf_.resize(pos_);
    }
  }
  // Raw bytes (headers, whole chunks), and a big-endian number into bytes already written.
  void PutRaw(const void* data, size_t size) {
    if (drain_ && size > kDrainBlock) {
      Drain();
      drain_->Write(static_cast<const uint8_t*>(data), size);
      drained_ += size;
      return;
    }
    Reserve(size);
    std::memcpy(out_ + pos_, data, size);
    pos_ += size;
  }
  void Patch32(size_t at, uint32_t v) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8),
                              static_cast<uint8_t>(v)};
    Patch(at, bytes, 4);
  }
  // Bytes already written: those still in the block are changed there, the drain's in the drain.
  void Patch(size_t at, const uint8_t* bytes, size_t size) {
    const size_t gone = at < drained_ ? std::min(size, drained_ - at) : 0;
    if (gone > 0) drain_->WriteAt(at, bytes, gone);
    if (size > gone) std::memcpy(out_ + (at + gone - drained_), bytes + gone, size - gone);
  }

  // Delta times and running status start again in every chunk.
  void StartChunk() {
    runningTick_ = 0;
    PrevCommand = 0;
  }

  // Encodes one event, or nothing when the event is one the files never carry (an empty meta
  // event other than End of Track). Throws EMidiError for an event that cannot be expressed.
  void Encode(const TypMidiEvent& e) {
    // Delta, status, type, length and two data bytes never take more than 16 bytes.
    Reserve(16 + e.Meta.size());
    if (e.DType == DTypeChannel) {
      if (e.Command < 0x80 || e.Command > 0xEF) ThrowCodingError();
      const int data = ChannelDataBytes(e.Command);
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
    if (e.Meta.empty() && !endOfTrack) return;
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
        if (e.MType < 0) ThrowCodingError();
        PutDelta(e.Position);
        Put(0xFF);
        PrevCommand = 0;
        Put(static_cast<uint8_t>(e.MType));
        if (e.Meta.empty())
          Put(0);
        else
          PutBlock(e.Meta.data(), e.Meta.size(), e.MType == 5);
        return;
      default:
        ThrowCodingError();
    }
  }

  uint8_t PrevCommand = 0;

 private:
  // Large enough that writing it costs little more than copying it, small enough to stay in cache.
  static constexpr size_t kDrainBlock = size_t{256} << 10;

  void Reserve(size_t n) {
    if (pos_ + n <= buf_.size()) return;
    if (drain_) {
      Drain();
      if (n <= buf_.size()) return;
    }
    buf_.resize(std::max(pos_ + n, buf_.size() + buf_.size() / 2));
    out_ = buf_.data();
  }
  void Drain() {
    drain_->Write(out_, pos_);
    drained_ += pos_;
    pos_ = 0;
  }
  void Put(uint8_t b) { out_[pos_++] = b; }

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
    uint8_t* dest = out_ + pos_;
    std::memcpy(dest, data, size);
    // Lyrics use "_" where a word gap must not split the syllable in editors.
    if (lyric)
      for (size_t i = 0; i < size; ++i) {
        if (IsLeadByte(leads_, dest[i]))
          ++i;  // a lead byte: its trail byte is part of the character
        else if (dest[i] == '_')
          dest[i] = ' ';
      }
    pos_ += size;
  }

  ByteBuffer& buf_;
  uint8_t* out_;
  size_t pos_;
  size_t drained_ = 0;  // bytes handed to the drain
  int64_t runningTick_ = 0;
  TLeadBytes leads_;
  ImageDrain* drain_;
};

// Whole chunks kept from the read file (Song::ForeignChunks) go back after the last track unchanged.
inline void PutForeignChunks(EventEncoder& writer, const std::vector<std::string>& chunks) {
  for (const std::string& c : chunks) writer.PutRaw(c.data(), c.size());
}

// Lists of events gathered from several chains lie scattered in memory: fetching a few events
// ahead keeps the encoder from waiting on each one.
inline void PrefetchEvent(const TypMidiEvent* e) {
#if defined(__GNUC__) || defined(__clang__)
  __builtin_prefetch(e);
#else
  (void)e;
#endif
}
constexpr size_t kPrefetchDistance = 16;

template <class Encoder, class List>
void EncodeList(Encoder& encoder, const List& list) {
  const size_t n = list.size();
  for (size_t i = 0; i < n; ++i) {
    if (i + kPrefetchDistance < n) PrefetchEvent(list[i + kPrefetchDistance]);
    encoder.Encode(*list[i]);
  }
}

// A file image's first guess of its size: most events take about four bytes.
constexpr size_t kBytesPerEventGuess = 5;

}  // namespace cv
