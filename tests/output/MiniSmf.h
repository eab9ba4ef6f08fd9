// A small independent decoder of written files for the writer tests: chunks and their events with
// absolute ticks and full bytes (running status expanded).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cvtest {

struct MiniEvent {
  int64_t tick = 0;
  std::vector<uint8_t> bytes;  // status byte included; meta: FF type data (no length)
  bool IsMeta(int type) const { return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == type; }
  std::string Text() const { return bytes.size() >= 2 ? std::string(bytes.begin() + 2, bytes.end()) : std::string(); }
};

struct MiniSmf {
  int format = -1;
  int declaredTracks = 0;
  int division = 0;
  std::vector<std::vector<MiniEvent>> tracks;
};

// Throws std::runtime_error on anything malformed (the writers must never produce that).
MiniSmf DecodeSmf(const std::vector<uint8_t>& bytes);

}  // namespace cvtest
