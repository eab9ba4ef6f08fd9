#include "playback/WavFile.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "song/Language.h"

namespace cv {

namespace {

void Put32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

void Header(uint8_t* h, uint32_t rate, uint64_t frames) {
  const uint64_t data = std::min<uint64_t>(frames * 4, 0xFFFFFFFFull - 36);
  std::copy_n("RIFF", 4, h);
  Put32(h + 4, static_cast<uint32_t>(36 + data));
  std::copy_n("WAVEfmt ", 8, h + 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);  // PCM
  Put16(h + 22, 2);
  Put32(h + 24, rate);
  Put32(h + 28, rate * 4);
  Put16(h + 32, 4);
  Put16(h + 34, 16);
  std::copy_n("data", 4, h + 36);
  Put32(h + 40, static_cast<uint32_t>(data));
}

}  // namespace

WavFileWriter::~WavFileWriter() { Close(); }

bool WavFileWriter::Open(const std::string& path, uint32_t sampleRate) {
  Close();
  path_ = path;
  rate_ = sampleRate;
  frames_ = 0;
  file_ = std::fopen(path.c_str(), "wb");
  if (!file_) {
    error_ = Tr("Die Datei \"" + path + "\" kann nicht geschrieben werden.",
                "The file \"" + path + "\" cannot be written.");
    return false;
  }
  uint8_t h[44];
  Header(h, rate_, 0);
  return std::fwrite(h, 1, sizeof h, file_) == sizeof h;
}

bool WavFileWriter::Write(const float* interleaved, size_t frames) {
  if (!file_) return false;
  int16_t block[512];
  size_t done = 0;
  while (done < frames) {
    const size_t n = std::min<size_t>(256, frames - done);
    for (size_t i = 0; i < n * 2; ++i) {
      const float v = std::clamp(interleaved[done * 2 + i], -1.0f, 1.0f);
      block[i] = static_cast<int16_t>(std::lrint(v * 32767.0f));
    }
    if (std::fwrite(block, sizeof(int16_t), n * 2, file_) != n * 2) {
      error_ = Tr("Fehler beim Schreiben von \"" + path_ + "\".", "Error writing \"" + path_ + "\".");
      return false;
    }
    done += n;
  }
  frames_ += frames;
  return true;
}

bool WavFileWriter::Close() {
  if (!file_) return true;
  uint8_t h[44];
  Header(h, rate_, frames_);
  bool ok = std::fseek(file_, 0, SEEK_SET) == 0 && std::fwrite(h, 1, sizeof h, file_) == sizeof h;
  ok = std::fclose(file_) == 0 && ok;
  file_ = nullptr;
  if (!ok) error_ = Tr("Fehler beim Schreiben von \"" + path_ + "\".", "Error writing \"" + path_ + "\".");
  return ok;
}

}  // namespace cv
