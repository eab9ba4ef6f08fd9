// The least work any reader of a Standard MIDI File does: walk the chunks, delta times, running
// status and meta/SysEx lengths, and store each event as a 16-byte record. The machines here are
// shared and absolute times drift, so the benchmarks give their figures as ratios to this pass,
// measured in the same run over the same bytes.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace cvbench {

struct FlatEvent {
  uint32_t tick;
  uint16_t track;
  uint8_t status, data1, data2, pad[3];
  uint32_t offset;
};
static_assert(sizeof(FlatEvent) == 16);

inline uint32_t FlatVarLen(const uint8_t*& p, const uint8_t* end) {
  uint32_t v = 0;
  while (p < end) {
    const uint8_t b = *p++;
    v = (v << 7) | (b & 0x7F);
    if (!(b & 0x80)) break;
  }
  return v;
}

// Events stored into out (room for size / 2 + 16 records); returns their count.
__attribute__((noinline)) inline size_t DecodeFlat(const uint8_t* buf, size_t size, FlatEvent* out) {
  const uint8_t* p = buf + 14;
  const uint8_t* const end = buf + size;
  size_t count = 0;
  uint16_t track = 0;
  while (p + 8 <= end) {
    const uint32_t length = uint32_t{p[4]} << 24 | uint32_t{p[5]} << 16 | uint32_t{p[6]} << 8 | p[7];
    const uint8_t* q = p + 8;
    const uint8_t* te = length > static_cast<size_t>(end - q) ? end : q + length;
    p = te;
    if (std::memcmp(q - 8, "MTrk", 4) != 0) continue;
    uint32_t tick = 0;
    uint8_t running = 0;
    while (q < te) {
      tick += FlatVarLen(q, te);
      if (q >= te) break;
      const uint8_t b = *q;
      const auto offset = static_cast<uint32_t>(q - buf);
      uint8_t status, d1 = 0, d2 = 0;
      if (b == 0xFF) {
        status = 0xFF;
        d1 = q[1];
        q += 2;
        q += FlatVarLen(q, te);
        running = 0;
      } else if (b == 0xF0 || b == 0xF7) {
        status = b;
        ++q;
        q += FlatVarLen(q, te);
        running = 0;
      } else {
        if (b & 0x80) {
          running = b;
          ++q;
        }
        status = running;
        d1 = *q++;
        if ((status & 0xF0) != 0xC0 && (status & 0xF0) != 0xD0) d2 = *q++;
      }
      out[count++] = FlatEvent{tick, track, status, d1, d2, {0, 0, 0}, offset};
    }
    ++track;
  }
  return count;
}

// Median of `runs` passes over bytes, in milliseconds (records preallocated and touched once).
inline double BarePassMs(const std::vector<uint8_t>& bytes, int runs = 11) {
  std::vector<FlatEvent> records(bytes.size() / 2 + 16);
  std::vector<double> ms;
  volatile size_t sink = 0;
  for (int r = 0; r < runs; ++r) {
    const auto t0 = std::chrono::steady_clock::now();
    const size_t n = DecodeFlat(bytes.data(), bytes.size(), records.data());
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
    sink = sink + records[n / 2].tick;
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

// Median of a list of times (sorted in place).
inline double Median(std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  return ms.empty() ? 0 : ms.size() % 2 ? ms[ms.size() / 2] : 0.5 * (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]);
}

// "  <what>: <ms> ms = <ratio>x the bare pass (target <= <target>x)"
inline void PrintRatio(const char* what, double ms, double bareMs, double target = 0) {
  if (target > 0)
    std::printf("  %-44s %8.2f ms = %5.1fx the bare pass (target <= %.1fx)\n", what, ms, ms / bareMs, target);
  else
    std::printf("  %-44s %8.2f ms = %5.1fx the bare pass\n", what, ms, ms / bareMs);
}

}  // namespace cvbench
