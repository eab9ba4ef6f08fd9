// Writes 16-bit stereo PCM WAV files from float frames (the synthesizer's sink without a device).
// The file is put in place by Close only when complete: an old file of that name stays whole
// when rendering fails or is killed.
#pragma once

#include <cstdint>
#include <string>

#include "song/SafeFile.h"
#include "song/Song.h"

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

// The synthesizer's rate when it renders into a file.
constexpr uint32_t kRenderSampleRate = 44100;
// The length of a song's rendered audio: the song and the tail in which it rings out.
int64_t RenderLengthMs(const Song& song);

// Whether a render of ms milliseconds into a WAV file may start. The format's sizes are 32-bit,
// so it holds at most 4 GiB (about 6 h 45 min at 44.1 kHz); a render longer than an hour needs
// the user's consent; the file must fit into the free space (freeBytes) of its disk.
enum class RenderVerdict { Go, NeedsConsent, TooLongForWav, NoSpace };
struct RenderPlan {
  RenderVerdict Verdict = RenderVerdict::Go;
  uint64_t Bytes = 0;   // the finished file's size
  std::string Message;  // what is wrong and what to do (empty for Go)
};
RenderPlan PlanWavRender(int64_t ms, uint32_t rate, uint64_t freeBytes, bool consented, const std::string& path);

}  // namespace cv
