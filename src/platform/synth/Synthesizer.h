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

#include "playback/AudioPath.h"
#include "playback/AudioRing.h"
#include "playback/MidiSink.h"
#include "playback/WavFile.h"

class RtAudio;
typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace cv {

enum class AudioSink { Device, WavFile, Null };

struct SynthOptions {
  std::string SoundFont;        // empty: the default General MIDI SoundFont
  AudioSink Sink = AudioSink::Device;
  std::string AudioOutDeviceName;  // empty or unknown: the first device
  std::string WavPath;          // for AudioSink::WavFile, and the fallback when no device opens
  uint32_t AudioBufferTime = 60;   // ms of queued audio (and how early MIDI is sent)
  int VolumeValue = 100;        // 0..130
};

class TSynthesizer : public InstrumentSink {
 public:
  static constexpr const char* OutputName = "Synthesizer - FluidSynth";

  explicit TSynthesizer(const SynthOptions& options);
  ~TSynthesizer() override;
  TSynthesizer(const TSynthesizer&) = delete;
  TSynthesizer& operator=(const TSynthesizer&) = delete;

  // The SoundFont loaded; without it the synthesizer is not offered as an output.
  bool isOK() const { return synth_ != nullptr && soundFontId_ >= 0; }
  // What set-up had to tell the user (missing SoundFont, no audio device and where it renders instead).
  const std::vector<std::string>& Messages() const { return messages_; }
  const std::string& SoundFontPath() const { return soundFontPath_; }
  // "JACK: system", "WAV file out.wav", "nothing".
  std::string SinkDescription() const;
  AudioSink Sink() const { return sink_; }
  // Device facts for the options dialog's hint, one per line.
  std::string AudioHintString() const;
  uint32_t SampleRate() const { return sampleRate_; }
  void SetVolume(int volumeValue);
  // Closes the WAV file (when rendering into one); false with the message when it failed.
  bool Finish(std::string* message);

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
  uint32_t sampleRate_ = 44100;
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
