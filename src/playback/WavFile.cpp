#include "playback/WavFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

WavFileWriter::~WavFileWriter() = default;  // an unfinished file is discarded

bool WavFileWriter::Failed(const FileWriteResult& result) {
  failure_ = result;
  file_.Discard();
  return false;
}

bool WavFileWriter::Open(const std::string& path, uint32_t sampleRate) {
  file_.Discard();
  path_ = path;
  rate_ = sampleRate;
  frames_ = 0;
  failure_ = {};
  if (FileWriteResult r = file_.Begin(path); !r.Ok) return Failed(r);
  uint8_t h[44];
  Header(h, rate_, 0);
  if (FileWriteResult r = file_.Write(h, sizeof h); !r.Ok) return Failed(r);
  return true;
}

bool WavFileWriter::Write(const float* interleaved, size_t frames) {
  if (!file_.IsOpen()) return false;
  int16_t block[512];
  size_t done = 0;
  while (done < frames) {
    const size_t n = std::min<size_t>(256, frames - done);
    for (size_t i = 0; i < n * 2; ++i) {
      const float v = std::clamp(interleaved[done * 2 + i], -1.0f, 1.0f);
      block[i] = static_cast<int16_t>(std::lrint(v * 32767.0f));
    }
    if (FileWriteResult r = file_.Write(block, n * 2 * sizeof(int16_t)); !r.Ok) return Failed(r);
    done += n;
  }
  frames_ += frames;
  return true;
}

bool WavFileWriter::Close() {
  if (!file_.IsOpen()) return failure_.Ok;
  uint8_t h[44];
  Header(h, rate_, frames_);
  if (FileWriteResult r = file_.WriteAt(0, h, sizeof h); !r.Ok) return Failed(r);
  if (FileWriteResult r = file_.Commit(); !r.Ok) return Failed(r);
  return true;
}

namespace {

constexpr uint64_t kWavHeaderBytes = 44;
constexpr uint64_t kWavMaxBytes = 0xFFFFFFFFull + 8;  // RIFF size field + its own 8 bytes
constexpr int64_t kConsentMs = 60 * 60 * 1000;

std::string Duration(int64_t ms) {
  const int64_t s = ms / 1000;
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
  return text;
}

std::string Size(uint64_t bytes) {
  char text[32];
  if (bytes >= (1ull << 30))
    std::snprintf(text, sizeof text, "%.1f GB", static_cast<double>(bytes) / (1ull << 30));
  else
    std::snprintf(text, sizeof text, "%.0f MB", static_cast<double>(bytes) / (1ull << 20) + 0.5);
  return text;
}

}  // namespace

int64_t RenderLengthMs(const Song& song) {
  constexpr int64_t kTailMs = 3500;
  return int64_t{std::max(song.SongLength, 0)} + kTailMs;
}

RenderPlan PlanWavRender(int64_t ms, uint32_t rate, uint64_t freeBytes, bool consented, const std::string& path) {
  RenderPlan plan;
  const uint64_t frames = static_cast<uint64_t>(std::max<int64_t>(ms, 0)) * rate / 1000;
  plan.Bytes = kWavHeaderBytes + frames * 4;
  const std::string length = Tr("Der Song dauert ", "The song lasts ") + Duration(ms) + " h (" + Size(plan.Bytes) +
                             Tr(" als WAV-Datei). ", " as a WAV file). ");
  if (plan.Bytes > kWavMaxBytes) {
    plan.Verdict = RenderVerdict::TooLongForWav;
    plan.Message = length + Tr("Eine WAV-Datei fasst höchstens 4 GB (etwa 6 Stunden 45 Minuten); es wurde nichts "
                               "geschrieben. Prüfen Sie den Song auf übergroße Pausen.",
                               "A WAV file holds at most 4 GB (about 6 hours 45 minutes); nothing was written. Check "
                               "the song for huge pauses.");
  } else if (ms > kConsentMs && !consented) {
    plan.Verdict = RenderVerdict::NeedsConsent;
    plan.Message = length + Tr("Wirklich mehr als eine Stunde aufnehmen? Bestätigen Sie es (--force auf der "
                               "Kommandozeile); es wurde nichts geschrieben.",
                               "Render more than an hour? Confirm it (--force on the command line); nothing was "
                               "written.");
  } else if (plan.Bytes > freeBytes) {
    plan.Verdict = RenderVerdict::NoSpace;
    plan.Message = length + Tr("Auf dem Datenträger von \"" + path + "\" sind nur " + Size(freeBytes) +
                                   " frei; es wurde nichts geschrieben. Der Datenträger ist voll: Schaffen Sie Platz "
                                   "oder speichern Sie auf einem anderen.",
                               "Only " + Size(freeBytes) + " are free on the disk of \"" + path +
                                   "\"; nothing was written. The disk is full: free some space, or save to another "
                                   "disk.");
  }
  return plan;
}

}  // namespace cv
