// Writes 16-bit stereo PCM WAV files from float frames (the synthesizer's sink without a device).
// The file is put in place by Close only when complete: an old file of that name stays whole
// when rendering fails or is killed.
#pragma once

#include <cstdint>
#include <string>

#include "song/SafeFile.h"

namespace cv {

class WavFileWriter {
 public:
  WavFileWriter() = default;
  ~WavFileWriter();
  WavFileWriter(const WavFileWriter&) = delete;
  WavFileWriter& operator=(const WavFileWriter&) = delete;

  // Begins the file; false with Failure() set when it cannot.
  bool Open(const std::string& path, uint32_t sampleRate);
  // Interleaved stereo frames; values outside -1..1 are clipped.
  bool Write(const float* interleaved, size_t frames);
  // Completes the header and puts the file in place; false when it could not be finished.
  bool Close();
  bool IsOpen() const { return file_.IsOpen(); }
  uint64_t Frames() const { return frames_; }
  // Why the last step failed; the unfinished file is gone.
  const FileWriteResult& Failure() const { return failure_; }
  const std::string& Path() const { return path_; }

 private:
  bool Failed(const FileWriteResult& result);

  SafeFile file_;
  std::string path_;
  uint32_t rate_ = 44100;
  uint64_t frames_ = 0;
  FileWriteResult failure_;
};

}  // namespace cv
