// The software instrument: FluidSynth renders slices the player asks for into a lock-free ring
// that the audio device's callback drains; without a device it renders to a WAV file or to nothing.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Devices.h"
#include "playback/AudioPath.h"
#include "playback/AudioRing.h"
#include "playback/WavFile.h"

class RtAudio;
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace cv {

class TSynthesizer : public SynthDevice {
 public:
  explicit TSynthesizer(const SynthOptions& options);
  ~TSynthesizer() override;
  TSynthesizer(const TSynthesizer&) = delete;
  TSynthesizer& operator=(const TSynthesizer&) = delete;

  bool isOK() const override { return synth_ != nullptr && soundFontId_ >= 0; }
  const std::vector<std::string>& Messages() const override { return messages_; }
  const std::string& SoundFontPath() const override { return soundFontPath_; }
  std::string SinkDescription() const override;
  AudioSink Sink() const override { return sink_; }
  std::string AudioHintString() const override;
  uint32_t SampleRate() const { return sampleRate_; }
  void SetVolume(int volumeValue) override;
  bool Finish(std::string* message) override;
  int64_t RenderSong(const Song& song, const std::function<void(int64_t, int64_t)>& progress,
                     int mutedChannel) override;

  // MidiSink
  void PutShort(uint8_t status, uint8_t data1, uint8_t data2) override;
  void PutLong(const uint8_t* bytes, size_t length) override;
  // InstrumentSink
  uint32_t AudioBufferTime() const override { return bufferTime_; }
  uint32_t AudioTotalLatencyTime() const override { return bufferTime_ + deviceLatency_; }
  void PrepareStart() override;
  void PutNewData(uint32_t bytesToPut) override;
  bool HasAudioClock() const override { return sink_ == AudioSink::Device; }
  void SetProcessHook(std::function<void()> hook) override;

  // Renders frames at SampleRate() straight into the sink, without the clock (offline rendering).
  void RenderFrames(size_t frames);
  uint64_t DeviceFramesPlayed() const { return devicePlayed_.load(); }

  // Usable audio output devices, named and sorted for the user.
  static std::vector<TAudioDevice> AudioDevices();
  // The SoundFont used when none is configured: the larger GM set when installed, else TimGM6mb.
  static std::string DefaultSoundFont();

 private:
  void OpenDevice(const std::string& configuredName);
  void UseFallbackSink();
  void Deliver(const float* frames, size_t count);
  // The WAV file's failure, worded for the user.
  std::string WavMessage() const;
  void Render(size_t frames);
  static int AudioCallback(void* out, void* in, unsigned int frames, double time, unsigned int status, void* self);

  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  int soundFontId_ = -1;
  std::string soundFontPath_;
  std::vector<std::string> messages_;
  SynthOptions options_;
  AudioSink sink_ = AudioSink::Null;
  std::unique_ptr<RtAudio> audio_;
  std::string deviceName_;
  uint32_t sampleRate_ = kRenderSampleRate;  // a device may choose its own
  uint32_t bufferTime_ = 60;
  uint32_t deviceLatency_ = 0;
  AudioRing ring_{1 << 16};
  WavFileWriter wav_;
  std::vector<float> scratch_;
  uint64_t rateRemainder_ = 0;
  std::atomic<float> gain_{1.0f};
  std::mutex hookMutex_;
  std::function<void()> hook_;
  std::atomic<uint64_t> devicePlayed_{0};
};

}  // namespace cv
