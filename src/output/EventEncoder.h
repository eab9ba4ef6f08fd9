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

#include "song/CV_Data.h"
#include "song/TextCodec.h"

namespace cv {

// "Error coding the midi file!" in the user's language.
[[noreturn]] void ThrowCodingError();

// A meta event that the writers add to the file (port, names, End of Track).
inline TypMidiEvent MakeMetaEvent(int16_t type, std::string data, int32_t position) {
  TypMidiEvent e;
  e.Command = 0xFF;
  e.DType = DTypeMeta;
  e.MType = type;
  e.DLength = static_cast<int32_t>(data.size());
  e.Meta = std::move(data);
  e.Position = position;
  e.TimePosition = 0;
  return e;
}

// Whole chunks kept from the read file (Song::ForeignChunks) go back after the last track unchanged.
inline void AppendForeignChunks(std::vector<uint8_t>& image, const std::vector<std::string>& chunks) {
  for (const std::string& c : chunks) image.insert(image.end(), c.begin(), c.end());
}

// Largest number a variable-length quantity of a Standard MIDI File can hold (four bytes).
constexpr uint32_t kMaxVarLen = 0x0FFFFFFF;

// Encodes events into a file image that grows as needed. Callers size it from the event counts
// beforehand, so it rarely grows; one walk over the events does the whole work.
class EventEncoder {
 public:
  // Starts an empty image with room for sizeGuess bytes. In a double-byte text encoding a "_" byte
  // may be the second half of a character, which lyricLeads (the song encoding's) keeps whole.
  EventEncoder(std::vector<uint8_t>& out, size_t sizeGuess, TLeadBytes lyricLeads = TLeadBytes::None)
      : buf_(out), pos_(0), leads_(lyricLeads) {
    buf_.resize(std::max<size_t>(sizeGuess, 64));
    out_ = buf_.data();
  }
  // The bytes written, in the image.
  size_t Size() const { return pos_; }
  // Cuts the image to what was written.
  void Finish() { buf_.resize(pos_); }
  // Raw bytes (headers), and a big-endian number into bytes already written.
  void PutRaw(const void* data, size_t size) {
    Reserve(size);
    std::memcpy(out_ + pos_, data, size);
    pos_ += size;
  }
  void Patch32(size_t at, uint32_t v) {
    out_[at] = static_cast<uint8_t>(v >> 24);
    out_[at + 1] = static_cast<uint8_t>(v >> 16);
    out_[at + 2] = static_cast<uint8_t>(v >> 8);
    out_[at + 3] = static_cast<uint8_t>(v);
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

  uint8_t PrevCommand = 0;

 private:
  void Reserve(size_t n) {
    if (pos_ + n <= buf_.size()) return;
    buf_.resize(std::max(pos_ + n, buf_.size() + buf_.size() / 2));
    out_ = buf_.data();
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

  std::vector<uint8_t>& buf_;
  uint8_t* out_;
  size_t pos_;
  int64_t runningTick_ = 0;
  TLeadBytes leads_;
};

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
