#include "GenerateSong.h"

#include <string>

namespace cvbench {

void VarLen(std::vector<uint8_t>& out, uint32_t v) {
  uint8_t buf[5];
  int n = 0;
  buf[n++] = v & 0x7F;
  while (v >>= 7) buf[n++] = static_cast<uint8_t>(0x80 | (v & 0x7F));
  while (n) out.push_back(buf[--n]);
}

namespace {

void Meta(std::vector<uint8_t>& out, uint32_t delta, uint8_t type, const std::string& data) {
  VarLen(out, delta);
  out.push_back(0xFF);
  out.push_back(type);
  VarLen(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

void Chunk(std::vector<uint8_t>& file, std::vector<uint8_t>& body) {
  Meta(body, 0, 0x2F, "");
  uint32_t n = static_cast<uint32_t>(body.size());
  file.insert(file.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                           static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
  file.insert(file.end(), body.begin(), body.end());
}

// A small linear congruential generator: the same song on every run.
struct Random {
  uint32_t state = 12345;
  uint32_t Next(uint32_t range) {
    state = state * 1664525u + 1013904223u;
    return (state >> 8) % range;
  }
};

const char* const kSyllables[] = {"la ", "li", "lo ", "sing ", "a", "long ", "the ", "night ", "sun", "shine "};

}  // namespace

SongShape LargeSong() { return SongShape{16, 2000000, 200, 5000, 480}; }
SongShape TypicalSong() { return SongShape{16, 30000, 20, 400, 480}; }

std::vector<uint8_t> GenerateSong(const SongShape& shape) {
  Random rnd;
  const int musicTracks = shape.tracks - 1;
  const int perTrack = shape.channelEvents / musicTracks;
  // Notes come in on/off pairs 120 ticks apart on average, so the song length follows the event count.
  const uint32_t step = 120;
  const uint32_t songTicks = static_cast<uint32_t>(perTrack) * step;

  std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, static_cast<uint8_t>(shape.tracks >> 8),
                            static_cast<uint8_t>(shape.tracks), static_cast<uint8_t>(shape.division >> 8),
                            static_cast<uint8_t>(shape.division)};
  file.reserve(static_cast<size_t>(shape.channelEvents) * 4 + 1024);

  std::vector<uint8_t> body;
  Meta(body, 0, 0x03, "Conductor");
  Meta(body, 0, 0x58, std::string{4, 2, 24, 8});
  Meta(body, 0, 0x59, std::string{0, 0});
  uint32_t last = 0;
  for (int i = 0; i < shape.tempoChanges; ++i) {
    uint32_t tick = static_cast<uint32_t>(static_cast<uint64_t>(songTicks) * i / shape.tempoChanges);
    uint32_t us = 400000 + rnd.Next(300000);
    Meta(body, tick - last, 0x51, std::string{static_cast<char>(us >> 16), static_cast<char>(us >> 8), static_cast<char>(us)});
    last = tick;
  }
  Chunk(file, body);

  for (int t = 1; t < shape.tracks; ++t) {
    body.clear();
    const uint8_t channel = static_cast<uint8_t>(t - 1 == 9 ? 15 : t - 1);
    Meta(body, 0, 0x03, "Track " + std::to_string(t));
    // Program change, then note pairs under running status with a few controllers between.
    VarLen(body, 0);
    body.push_back(static_cast<uint8_t>(0xC0 | channel));
    body.push_back(static_cast<uint8_t>(rnd.Next(128)));
    int events = 1;
    const int lyricEvery = t == 1 && shape.lyricEvents > 0 ? std::max(1, perTrack / 2 / shape.lyricEvents) : 0;
    int lyrics = 0, pairs = 0;
    uint8_t status = 0;
    while (events + 2 <= perTrack) {
      uint8_t note = static_cast<uint8_t>(48 + rnd.Next(36));
      if (lyricEvery && pairs % lyricEvery == 0 && lyrics < shape.lyricEvents) {
        std::string s = kSyllables[lyrics % 10];
        if (lyrics % 8 == 7) s += "\r";
        Meta(body, 0, 0x05, s);
        ++lyrics;
        status = 0;
      }
      const uint8_t on = static_cast<uint8_t>(0x90 | channel);
      VarLen(body, rnd.Next(2 * step));
      if (status != on) body.push_back(on);
      body.push_back(note);
      body.push_back(static_cast<uint8_t>(40 + rnd.Next(80)));
      VarLen(body, rnd.Next(2 * step));
      body.push_back(note);  // note-on with velocity 0 under running status
      body.push_back(0);
      status = on;
      events += 2;
      ++pairs;
      if (events + 1 <= perTrack && pairs % 16 == 0) {
        VarLen(body, 0);
        body.push_back(static_cast<uint8_t>(0xB0 | channel));
        body.push_back(static_cast<uint8_t>(rnd.Next(2) ? 7 : 10));
        body.push_back(static_cast<uint8_t>(rnd.Next(128)));
        status = static_cast<uint8_t>(0xB0 | channel);
        ++events;
      }
    }
    Chunk(file, body);
  }
  return file;
}

}  // namespace cvbench
