#include "MiniSmf.h"

#include <stdexcept>

namespace cvtest {

namespace {

struct Reader {
  const std::vector<uint8_t>& b;
  size_t pos;
  size_t end;
  uint8_t Byte() {
    if (pos >= end) throw std::runtime_error("read past the end at " + std::to_string(pos));
    return b[pos++];
  }
  uint32_t Fixed(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | Byte();
    return v;
  }
  uint32_t VarLen() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      uint8_t c = Byte();
      v = (v << 7) | (c & 0x7F);
      if (!(c & 0x80)) return v;
    }
    throw std::runtime_error("variable-length quantity longer than 4 bytes");
  }
};

}  // namespace

MiniSmf DecodeSmf(const std::vector<uint8_t>& bytes) {
  MiniSmf smf;
  Reader r{bytes, 0, bytes.size()};
  if (r.Fixed(4) != 0x4D546864 || r.Fixed(4) != 6) throw std::runtime_error("bad header");
  smf.format = static_cast<int>(r.Fixed(2));
  smf.declaredTracks = static_cast<int>(r.Fixed(2));
  smf.division = static_cast<int>(r.Fixed(2));
  while (r.pos < bytes.size()) {
    if (r.Fixed(4) != 0x4D54726B) throw std::runtime_error("bad chunk id");
    const uint32_t length = r.Fixed(4);
    if (r.pos + length > bytes.size()) throw std::runtime_error("chunk longer than the file");
    Reader t{bytes, r.pos, r.pos + length};
    r.pos += length;
    std::vector<MiniEvent> events;
    int64_t tick = 0;
    uint8_t running = 0;
    bool ended = false;
    while (t.pos < t.end) {
      if (ended) throw std::runtime_error("events after End of Track");
      MiniEvent e;
      tick += t.VarLen();
      e.tick = tick;
      uint8_t status = t.Byte();
      if (status < 0x80) {
        if (!running) throw std::runtime_error("data byte without running status");
        e.bytes.push_back(running);
        e.bytes.push_back(status);
        if ((running & 0xE0) != 0xC0) e.bytes.push_back(t.Byte());
      } else if (status < 0xF0) {
        running = status;
        e.bytes.push_back(status);
        e.bytes.push_back(t.Byte());
        if ((status & 0xE0) != 0xC0) e.bytes.push_back(t.Byte());
      } else if (status == 0xFF) {
        running = 0;
        e.bytes = {0xFF, t.Byte()};
        const uint32_t n = t.VarLen();
        for (uint32_t i = 0; i < n; ++i) e.bytes.push_back(t.Byte());
        if (e.bytes[1] == 0x2F) ended = true;
      } else if (status == 0xF0 || status == 0xF7) {
        running = 0;
        e.bytes = {status};
        const uint32_t n = t.VarLen();
        for (uint32_t i = 0; i < n; ++i) e.bytes.push_back(t.Byte());
      } else {
        running = 0;
        e.bytes = {status};
      }
      for (size_t i = 1; i < e.bytes.size() && e.bytes[0] < 0xF0; ++i)
        if (e.bytes[i] > 0x7F) throw std::runtime_error("data byte above 127");
      events.push_back(std::move(e));
    }
    if (!ended) throw std::runtime_error("chunk without End of Track");
    smf.tracks.push_back(std::move(events));
  }
  return smf;
}

}  // namespace cvtest
