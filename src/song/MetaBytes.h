// The data bytes of a meta or SysEx event behind one pointer: most events of a song are channel
// messages without any, so an event record stays small. The length is kept in front of the bytes.
//
// Bytes read from a file lie in the song's ByteArena (freed with the song's records, never one by
// one); bytes assigned later are on the heap and owned by the handle. A copy always gets bytes of
// its own, so it may outlive the original; a move hands the bytes over as they are.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace cv {

// Blocks of bytes handed out one after the other and released all at once.
class ByteArena {
 public:
  ByteArena() = default;
  ByteArena(const ByteArena&) = delete;
  ByteArena& operator=(const ByteArena&) = delete;
  // The blocks stay where they are: bytes handed out keep their addresses in the new owner.
  ByteArena(ByteArena&& other) noexcept { Take(other); }
  ByteArena& operator=(ByteArena&& other) noexcept {
    if (this != &other) Take(other);
    return *this;
  }

  // Room for n bytes (uninitialised), valid until Clear.
  char* Allocate(size_t n) {
    if (n > left_) {
      // A large request gets a block of its own; the current block stays in use for small ones.
      if (n > kLargestBlock / 4) return NewBlock(n);
      const size_t size = std::max(n, blocks_.empty() ? kFirstBlock : std::min(kLargestBlock, 2 * last_));
      next_ = NewBlock(size);
      left_ = last_ = size;
    }
    char* p = next_;
    next_ += n;
    left_ -= n;
    return p;
  }
  void Clear() {
    blocks_.clear();
    next_ = nullptr;
    left_ = last_ = reserved_ = 0;
  }
  size_t ReservedBytes() const { return reserved_; }

 private:
  // A song's texts usually fit the first block; SysEx dumps may need more.
  static constexpr size_t kFirstBlock = size_t{4} << 10;
  static constexpr size_t kLargestBlock = size_t{256} << 10;

  char* NewBlock(size_t size) {
    blocks_.emplace_back(new char[size]);
    reserved_ += size;
    return blocks_.back().get();
  }
  void Take(ByteArena& other) noexcept {
    blocks_ = std::move(other.blocks_);
    other.blocks_.clear();
    next_ = std::exchange(other.next_, nullptr);
    left_ = std::exchange(other.left_, 0);
    last_ = std::exchange(other.last_, 0);
    reserved_ = std::exchange(other.reserved_, 0);
  }

  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t left_ = 0;
  size_t last_ = 0;
  size_t reserved_ = 0;
};

class MetaBytes {
 public:
  static constexpr size_t npos = std::string_view::npos;

  MetaBytes() = default;
  MetaBytes(std::string_view bytes) { Assign(bytes.data(), bytes.size()); }
  MetaBytes(const std::string& bytes) { Assign(bytes.data(), bytes.size()); }
  MetaBytes(const char* bytes) { Assign(bytes, std::strlen(bytes)); }
  MetaBytes(const MetaBytes& other) { Assign(other.data(), other.size()); }
  MetaBytes(MetaBytes&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  ~MetaBytes() { Release(); }

  MetaBytes& operator=(const MetaBytes& other) {
    if (this != &other) Assign(other.data(), other.size());
    return *this;
  }
  MetaBytes& operator=(MetaBytes&& other) noexcept {
    if (this != &other) {
      Release();
      p_ = std::exchange(other.p_, nullptr);
    }
    return *this;
  }
  MetaBytes& operator=(std::string_view bytes) {
    Assign(bytes.data(), bytes.size());
    return *this;
  }
  MetaBytes& operator=(const std::string& bytes) { return *this = std::string_view(bytes); }
  MetaBytes& operator=(const char* bytes) { return *this = std::string_view(bytes); }

  // head then tail, in the arena: the handle does not own them.
  static MetaBytes InArena(ByteArena& arena, std::string_view head, std::string_view tail = {}) {
    MetaBytes m;
    const size_t n = head.size() + tail.size();
    if (n == 0) return m;
    CheckSize(n);
    m.p_ = arena.Allocate(kHead + n);
    PutHeader(m.p_, static_cast<uint32_t>(n));
    std::memcpy(m.p_ + kHead, head.data(), head.size());
    if (!tail.empty()) std::memcpy(m.p_ + kHead + head.size(), tail.data(), tail.size());
    return m;
  }

  void assign(const char* bytes, size_t size) { Assign(bytes, size); }
  size_t size() const { return p_ ? Header() & kLengthMask : 0; }
  bool empty() const { return p_ == nullptr; }
  const char* data() const { return p_ ? p_ + kHead : ""; }
  char* data() { return p_ ? p_ + kHead : nullptr; }
  char& operator[](size_t i) { return p_[kHead + i]; }
  const char& operator[](size_t i) const { return p_[kHead + i]; }
  const char* begin() const { return data(); }
  const char* end() const { return data() + size(); }
  std::string_view view() const { return {data(), size()}; }
  operator std::string_view() const { return view(); }
  operator std::string() const { return std::string(view()); }
  std::string str() const { return std::string(view()); }

  void clear() { Release(); }
  void push_back(char c) {
    std::string grown(view());
    grown.push_back(c);
    *this = grown;
  }
  void erase(size_t at, size_t count) {
    std::string rest(view());
    rest.erase(at, count);
    *this = rest;
  }
  size_t find(std::string_view what, size_t from = 0) const { return view().find(what, from); }
  size_t find(char c, size_t from = 0) const { return view().find(c, from); }
  bool starts_with(std::string_view prefix) const { return view().starts_with(prefix); }
  std::string_view substr(size_t at, size_t count = npos) const { return view().substr(at, count); }
  // Heap memory of its own beyond the record (bytes in an arena are the arena's).
  size_t HeapBytes() const { return Owned() ? kHead + size() : 0; }

  friend bool operator==(const MetaBytes& a, const MetaBytes& b) { return a.view() == b.view(); }
  friend bool operator==(const MetaBytes& a, std::string_view b) { return a.view() == b; }
  friend bool operator==(const MetaBytes& a, const char* b) { return a.view() == std::string_view(b); }
  friend bool operator==(const MetaBytes& a, const std::string& b) { return a.view() == std::string_view(b); }
  friend std::ostream& operator<<(std::ostream& out, const MetaBytes& m) { return out << m.view(); }

 private:
  static constexpr size_t kHead = sizeof(uint32_t);
  static constexpr uint32_t kOwned = uint32_t{1} << 31;
  static constexpr uint32_t kLengthMask = kOwned - 1;

  static void CheckSize(size_t n) {
    if (n > kLengthMask) throw std::length_error("event data too long");
  }
  static void PutHeader(char* p, uint32_t header) { std::memcpy(p, &header, sizeof header); }
  uint32_t Header() const {
    uint32_t h;
    std::memcpy(&h, p_, sizeof h);
    return h;
  }
  bool Owned() const { return p_ && (Header() & kOwned) != 0; }
  void Assign(const char* bytes, size_t size) {
    char* p = nullptr;
    if (size) {
      CheckSize(size);
      p = static_cast<char*>(::operator new(kHead + size));
      PutHeader(p, static_cast<uint32_t>(size) | kOwned);
      std::memcpy(p + kHead, bytes, size);
    }
    Release();
    p_ = p;
  }
  void Release() {
    if (Owned()) ::operator delete(p_);
    p_ = nullptr;
  }

  char* p_ = nullptr;  // header (length, owned flag), then the bytes; none when empty
};

}  // namespace cv
