#include "support/SmfBuilder.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <unistd.h>

namespace cvtest {

std::vector<uint8_t> VarLen(uint32_t value) {
  std::vector<uint8_t> out{static_cast<uint8_t>(value & 0x7F)};
  while (value >>= 7) out.insert(out.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
  return out;
}

void SmfTrack::Add(int tick, std::vector<uint8_t> bytes) {
  if (!items_.empty() && tick < items_.back().tick) throw std::logic_error("SmfTrack: ticks must not decrease");
  items_.push_back({tick, std::move(bytes)});
}

SmfTrack& SmfTrack::NoteOn(int tick, int ch, int note, int vel) {
  Add(tick, {static_cast<uint8_t>(0x90 | ch), static_cast<uint8_t>(note), static_cast<uint8_t>(vel)});
  return *this;
}
SmfTrack& SmfTrack::NoteOff(int tick, int ch, int note, int vel) {
  Add(tick, {static_cast<uint8_t>(0x80 | ch), static_cast<uint8_t>(note), static_cast<uint8_t>(vel)});
  return *this;
}
SmfTrack& SmfTrack::Control(int tick, int ch, int ctrl, int value) {
  Add(tick, {static_cast<uint8_t>(0xB0 | ch), static_cast<uint8_t>(ctrl), static_cast<uint8_t>(value)});
  return *this;
}
SmfTrack& SmfTrack::Program(int tick, int ch, int program) {
  Add(tick, {static_cast<uint8_t>(0xC0 | ch), static_cast<uint8_t>(program)});
  return *this;
}
SmfTrack& SmfTrack::PitchBend(int tick, int ch, int lsb, int msb) {
  Add(tick, {static_cast<uint8_t>(0xE0 | ch), static_cast<uint8_t>(lsb), static_cast<uint8_t>(msb)});
  return *this;
}
SmfTrack& SmfTrack::Meta(int tick, int type, const std::string& data) {
  std::vector<uint8_t> b{0xFF, static_cast<uint8_t>(type)};
  auto len = VarLen(static_cast<uint32_t>(data.size()));
  b.insert(b.end(), len.begin(), len.end());
  b.insert(b.end(), data.begin(), data.end());
  Add(tick, std::move(b));
  return *this;
}
SmfTrack& SmfTrack::Tempo(int tick, int us) {
  std::string d{static_cast<char>((us >> 16) & 0xFF), static_cast<char>((us >> 8) & 0xFF), static_cast<char>(us & 0xFF)};
  return Meta(tick, 0x51, d);
}
SmfTrack& SmfTrack::TimeSig(int tick, int num, int denPow, int clocks, int notes32) {
  return Meta(tick, 0x58, std::string{static_cast<char>(num), static_cast<char>(denPow), static_cast<char>(clocks),
                                      static_cast<char>(notes32)});
}
SmfTrack& SmfTrack::KeySig(int tick, int sf, int mi) {
  return Meta(tick, 0x59, std::string{static_cast<char>(sf), static_cast<char>(mi)});
}
SmfTrack& SmfTrack::Sysex(int tick, const std::string& data) {
  std::vector<uint8_t> b{0xF0};
  auto len = VarLen(static_cast<uint32_t>(data.size()));
  b.insert(b.end(), len.begin(), len.end());
  b.insert(b.end(), data.begin(), data.end());
  Add(tick, std::move(b));
  return *this;
}
SmfTrack& SmfTrack::Raw(int tick, const std::vector<uint8_t>& bytes) {
  Add(tick, bytes);
  return *this;
}
SmfTrack& SmfTrack::End(int tick) {
  endTick_ = tick;
  return *this;
}

std::vector<uint8_t> SmfTrack::ChunkBytes() const {
  std::vector<uint8_t> body;
  int last = 0;
  uint8_t status = 0;
  for (const Item& item : items_) {
    auto d = VarLen(static_cast<uint32_t>(item.tick - last));
    body.insert(body.end(), d.begin(), d.end());
    last = item.tick;
    size_t skip = 0;
    uint8_t first = item.bytes.empty() ? 0 : item.bytes[0];
    if (first >= 0x80 && first < 0xF0) {
      if (running_ && first == status) skip = 1;
      status = first;
    } else if (first >= 0xF0) {
      status = 0;
    }
    body.insert(body.end(), item.bytes.begin() + static_cast<long>(skip), item.bytes.end());
  }
  if (!noEnd_) {
    int end = endTick_ >= 0 ? endTick_ : last;
    auto d = VarLen(static_cast<uint32_t>(end - last));
    body.insert(body.end(), d.begin(), d.end());
    body.insert(body.end(), {0xFF, 0x2F, 0x00});
  }
  std::vector<uint8_t> out{'M', 'T', 'r', 'k'};
  uint32_t n = static_cast<uint32_t>(body.size());
  out.insert(out.end(), {static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8),
                         static_cast<uint8_t>(n)});
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

SmfTrack& SmfBuilder::AddTrack() {
  tracks_.emplace_back();
  return tracks_.back();
}

std::vector<uint8_t> SmfBuilder::Bytes() const {
  int n = declared_ >= 0 ? declared_ : static_cast<int>(tracks_.size());
  std::vector<uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6,
                           static_cast<uint8_t>(format_ >> 8), static_cast<uint8_t>(format_),
                           static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n),
                           static_cast<uint8_t>(division_ >> 8), static_cast<uint8_t>(division_)};
  for (const SmfTrack& t : tracks_) {
    auto c = t.ChunkBytes();
    out.insert(out.end(), c.begin(), c.end());
  }
  return out;
}

std::string SmfBuilder::WriteTemp(const std::string& name) const { return WriteTempFile(name, Bytes()); }

std::string TempDir() {
  static std::atomic<int> counter{0};
  auto dir = std::filesystem::temp_directory_path() /
             ("cantovex-test-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

std::string WriteTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::string path = TempDir() + "/" + name;
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

int SmfFormatOf(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadFileBytes(path);
  return bytes.size() >= 14 ? bytes[9] : -1;
}

}  // namespace cvtest
