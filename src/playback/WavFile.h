// Writes 16-bit stereo PCM WAV files from float frames (the synthesizer's sink without a device).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace cv {

class WavFileWriter {
 public:
  WavFileWriter() = default;
  ~WavFileWriter();
  WavFileWriter(const WavFileWriter&) = delete;
  WavFileWriter& operator=(const WavFileWriter&) = delete;

  // Creates the file; false with Error() set when it cannot.
  bool Open(const std::string& path, uint32_t sampleRate);
  // Interleaved stereo frames; values outside -1..1 are clipped.
  bool Write(const float* interleaved, size_t frames);
  // Completes the header; false when the file could not be finished.
  bool Close();
  bool IsOpen() const { return file_ != nullptr; }
  uint64_t Frames() const { return frames_; }
  const std::string& Error() const { return error_; }

 private:
  std::FILE* file_ = nullptr;
  std::string path_;
  uint32_t rate_ = 44100;
  uint64_t frames_ = 0;
  std::string error_;
};

}  // namespace cv
