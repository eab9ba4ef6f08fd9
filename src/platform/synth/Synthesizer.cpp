#include "platform/synth/Synthesizer.h"

#include <fluidsynth.h>
#include <rtaudio/RtAudio.h>

#include <algorithm>
#include <filesystem>

#include "output/SaveFile.h"
#include "platform/QuietAudioLogs.h"
#include "song/Language.h"

namespace cv {

namespace {

constexpr uint32_t kRenderRate = 44100;  // the rate the player's slices are counted in
constexpr size_t kScratchFrames = 4096;

struct DeviceRef {
  RtAudio::Api api;
  unsigned index;
};

std::vector<RtAudio::Api> OutputApis() {
  std::vector<RtAudio::Api> apis;
  RtAudio::getCompiledApi(apis);
  apis.erase(std::remove(apis.begin(), apis.end(), RtAudio::RTAUDIO_DUMMY), apis.end());
  return apis;
}

// Device IDs carry the audio system: system number × 1000 + device index.
DeviceRef RefOf(int32_t id) { return {static_cast<RtAudio::Api>(id / 1000), static_cast<unsigned>(id % 1000)}; }

uint32_t ChooseRate(const RtAudio::DeviceInfo& info) {
  const auto& r = info.sampleRates;
  if (r.empty() || std::find(r.begin(), r.end(), kRenderRate) != r.end()) return kRenderRate;
  if (info.preferredSampleRate) return info.preferredSampleRate;
  if (std::find(r.begin(), r.end(), 48000u) != r.end()) return 48000;
  return r.front();
}

void Quiet(int, const char*, void*) {}

}  // namespace

std::string TSynthesizer::DefaultSoundFont() {
  namespace fs = std::filesystem;
  std::error_code ec;
  for (const char* path : {"/usr/share/sounds/sf2/FluidR3_GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                           "/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/soundfonts/default.sf2"})
    if (fs::exists(path, ec)) return path;
  return "/usr/share/sounds/sf2/TimGM6mb.sf2";
}

std::vector<TAudioDevice> TSynthesizer::AudioDevices() {
  QuietAudioLogs();
  std::vector<TAudioDevice> devices;
  for (RtAudio::Api api : OutputApis()) {
    // Asking JACK without a server prints; asking it is pointless anyway.
    if (api == RtAudio::UNIX_JACK && !JackServerAnswers()) continue;
    try {
      RtAudio audio(api);
      audio.showWarnings(false);
      const unsigned n = std::min(audio.getDeviceCount(), 64u);
      for (unsigned i = 0; i < n; ++i) {
        RtAudio::DeviceInfo info = audio.getDeviceInfo(i);
        if (!info.probed || info.outputChannels < 2) continue;
        // A device only counts when it really opens (a sound server may be listed yet absent).
        RtAudio::StreamParameters out{i, 2, 0};
        unsigned frames = 256;
        try {
          audio.openStream(&out, nullptr, RTAUDIO_FLOAT32, ChooseRate(info), &frames,
                           [](void*, void*, unsigned, double, RtAudioStreamStatus, void*) { return 0; });
          audio.closeStream();
        } catch (const RtAudioError&) {
          continue;
        }
        devices.push_back({static_cast<int32_t>(api) * 1000 + static_cast<int32_t>(i),
                           RtAudio::getApiDisplayName(api), info.name});
      }
    } catch (const RtAudioError&) {
      // This audio system is not available here.
    }
  }
  ArrangeAudioDevices(devices);
  return devices;
}

TSynthesizer::TSynthesizer(const SynthOptions& options) : options_(options) {
  bufferTime_ = std::max<uint32_t>(options.AudioBufferTime, 10);
  gain_ = VolumeToGain(options.VolumeValue);
  scratch_.resize(kScratchFrames * 2);
  for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG}) fluid_set_log_function(level, Quiet, nullptr);

  if (options.Sink == AudioSink::Device)
    OpenDevice(options.AudioOutDeviceName);
  else
    sink_ = options.Sink;
  if (sink_ == AudioSink::WavFile && !wav_.Open(options.WavPath, sampleRate_)) {
    messages_.push_back(WavMessage());
    sink_ = AudioSink::Null;
  }

  settings_ = new_fluid_settings();
  fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate_);
  fluid_settings_setint(settings_, "synth.threadsafe-api", 0);  // one thread sends and renders
  // FluidSynth's default gain (0.2) leaves a General MIDI song far below full scale.
  fluid_settings_setnum(settings_, "synth.gain", 0.5);
  synth_ = new_fluid_synth(settings_);
  soundFontPath_ = options.SoundFont.empty() ? DefaultSoundFont() : options.SoundFont;
  std::error_code ec;
  if (!std::filesystem::exists(soundFontPath_, ec)) {
    messages_.push_back(Tr("Datei nicht gefunden: \"" + soundFontPath_ + "\"", "File not found: \"" + soundFontPath_ + "\""));
  } else if (synth_) {
    soundFontId_ = fluid_synth_sfload(synth_, soundFontPath_.c_str(), 1);
    if (soundFontId_ < 0)
      messages_.push_back(Tr("Die SoundFont-Datei \"" + soundFontPath_ + "\" kann nicht geladen werden.",
                             "The SoundFont file \"" + soundFontPath_ + "\" cannot be loaded."));
  }
  if (sink_ == AudioSink::Device && audio_) {
    try {
      audio_->startStream();
    } catch (const RtAudioError& e) {
      messages_.push_back(Tr("Fehler beim Abspielen des Mixer-Streams: ", "Error playing mixer stream: ") + e.getMessage());
      audio_.reset();
      UseFallbackSink();
    }
  }
}

TSynthesizer::~TSynthesizer() {
  if (audio_) {
    try {
      if (audio_->isStreamRunning()) audio_->stopStream();
      if (audio_->isStreamOpen()) audio_->closeStream();
    } catch (const RtAudioError&) {
    }
  }
  // A render asked for ends with Finish; without it the file stays unfinished and is discarded.
  // The WAV file that stands in for a missing device keeps what was played.
  if (options_.Sink != AudioSink::WavFile) wav_.Close();
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
}

void TSynthesizer::OpenDevice(const std::string& configuredName) {
  const std::vector<TAudioDevice> devices = AudioDevices();
  const int chosen = SelectAudioDevice(devices, configuredName);
  if (chosen < 0) {
    UseFallbackSink();
    return;
  }
  const DeviceRef ref = RefOf(devices[chosen].DeviceID);
  try {
    audio_ = std::make_unique<RtAudio>(ref.api);
    audio_->showWarnings(false);
    RtAudio::DeviceInfo info = audio_->getDeviceInfo(ref.index);
    RtAudio::StreamParameters out{ref.index, 2, 0};
    RtAudio::StreamOptions streamOptions;
    streamOptions.streamName = "Cantovex 3";
    unsigned frames = 256;
    audio_->openStream(&out, nullptr, RTAUDIO_FLOAT32, ChooseRate(info), &frames, &TSynthesizer::AudioCallback, this,
                       &streamOptions);
    sampleRate_ = audio_->getStreamSampleRate();
    deviceLatency_ = static_cast<uint32_t>(audio_->getStreamLatency() * 1000 / std::max<uint32_t>(sampleRate_, 1));
    // The queue must hold more than one device block, or the device starves between slices.
    bufferTime_ = std::max<uint32_t>(bufferTime_, 2 * frames * 1000 / sampleRate_ + 1);
    deviceName_ = devices[chosen].Driver + ": " + devices[chosen].Name;
    sink_ = AudioSink::Device;
    // One buffer time of silence first: what is rendered now is heard one buffer time later.
    ring_.Push(nullptr, AudioLatencyBytes(bufferTime_, sampleRate_) / 8);
  } catch (const RtAudioError& e) {
    messages_.push_back(Tr("Das gewählte Audiogerät kann nicht geöffnet werden: ", "Failed to init selected audio device: ") +
                         e.getMessage());
    audio_.reset();
    UseFallbackSink();
  }
}

void TSynthesizer::UseFallbackSink() {
  if (!options_.WavPath.empty()) {
    sink_ = AudioSink::WavFile;
    messages_.push_back(Tr("Kein Audiogerät: der Synthesizer schreibt in die WAV-Datei \"" + options_.WavPath + "\".",
                           "No audio device: the synthesizer renders into the WAV file \"" + options_.WavPath + "\"."));
  } else {
    sink_ = AudioSink::Null;
    messages_.push_back(Tr("Kein Audiogerät: der Synthesizer spielt ohne Ausgabe.",
                           "No audio device: the synthesizer renders to nothing."));
  }
}

std::string TSynthesizer::SinkDescription() const {
  switch (sink_) {
    case AudioSink::Device: return deviceName_;
    case AudioSink::WavFile: return Tr("WAV-Datei ", "WAV file ") + options_.WavPath;
    case AudioSink::Null: return Tr("keine Ausgabe", "nothing");
  }
  return {};
}

std::string TSynthesizer::AudioHintString() const {
  return "AudioLatencyTime: " + std::to_string(deviceLatency_) + "\rAudioBufferTime: " + std::to_string(bufferTime_) +
         "\rDeviceSampleRate: " + std::to_string(sampleRate_) + "\rSoundFont: " + soundFontPath_;
}

std::string TSynthesizer::WavMessage() const { return SaveMessage(SaveTexts::Other, wav_.Failure(), wav_.Path()); }

void TSynthesizer::SetVolume(int volumeValue) { gain_ = VolumeToGain(volumeValue); }

bool TSynthesizer::Finish(std::string* message) {
  if (sink_ != AudioSink::WavFile) return true;
  const bool ok = wav_.Close();
  if (!ok && message) *message = WavMessage();
  return ok;
}

void TSynthesizer::SetProcessHook(std::function<void()> hook) {
  std::lock_guard lock(hookMutex_);
  hook_ = std::move(hook);
}

int TSynthesizer::AudioCallback(void* out, void*, unsigned int frames, double, unsigned int, void* self) {
  auto* s = static_cast<TSynthesizer*>(self);
  s->ring_.Pop(static_cast<float*>(out), frames);
  s->devicePlayed_ += frames;
  // The hook starts the player's clock; never wait for it here.
  if (s->hookMutex_.try_lock()) {
    if (s->hook_) s->hook_();
    s->hookMutex_.unlock();
  }
  return 0;
}

void TSynthesizer::PutShort(uint8_t status, uint8_t data1, uint8_t data2) {
  if (!synth_) return;
  const int ch = status & 0x0F;
  switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth_, ch, data1); break;
    case 0x90: fluid_synth_noteon(synth_, ch, data1, data2); break;
    case 0xA0: fluid_synth_key_pressure(synth_, ch, data1, data2); break;
    case 0xB0: fluid_synth_cc(synth_, ch, data1, data2); break;
    case 0xC0: fluid_synth_program_change(synth_, ch, data1); break;
    case 0xD0: fluid_synth_channel_pressure(synth_, ch, data1); break;
    case 0xE0: fluid_synth_pitch_bend(synth_, ch, (data2 & 0x7F) << 7 | (data1 & 0x7F)); break;
    default: break;
  }
}

void TSynthesizer::PutLong(const uint8_t* bytes, size_t length) {
  if (!synth_ || length < 2 || bytes[0] != 0xF0) return;
  // FluidSynth takes the message without its framing bytes.
  size_t n = length - 1;
  if (bytes[length - 1] == 0xF7) --n;
  fluid_synth_sysex(synth_, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(n), nullptr, nullptr, nullptr, 0);
}

void TSynthesizer::Render(size_t frames) {
  if (!synth_) return;
  const float gain = gain_.load();
  while (frames > 0) {
    const size_t n = std::min(frames, kScratchFrames);
    fluid_synth_write_float(synth_, static_cast<int>(n), scratch_.data(), 0, 2, scratch_.data(), 1, 2);
    if (gain != 1.0f)
      for (size_t i = 0; i < n * 2; ++i) scratch_[i] *= gain;
    Deliver(scratch_.data(), n);
    frames -= n;
  }
}

void TSynthesizer::Deliver(const float* frames, size_t count) {
  switch (sink_) {
    case AudioSink::Device:
      // A full queue means the device has stopped taking sound for over a second: it went away
      // (sound server ended, device unplugged), and playing on would be silent.
      if (ring_.Push(frames, count) < count)
        throw EMidiDeviceLost(Tr("Das Audiogerät \"" + deviceName_ +
                                     "\" nimmt keinen Klang mehr an (Gerät getrennt oder Soundserver beendet). Die "
                                     "Wiedergabe ist angehalten; wählen Sie ein anderes Audiogerät oder einen MIDI-Ausgang.",
                                 "The audio device \"" + deviceName_ +
                                     "\" no longer takes sound (device unplugged or sound server ended). Playback "
                                     "stopped; choose another audio device or a MIDI output."));
      break;
    case AudioSink::WavFile:
      if (!wav_.Write(frames, count)) throw std::runtime_error(WavMessage());
      break;
    case AudioSink::Null:
      break;
  }
}

void TSynthesizer::PutNewData(uint32_t bytesToPut) {
  // Slices are counted in 44.1 kHz frames; a device at another rate gets the same duration.
  const uint64_t scaled = uint64_t{bytesToPut / 8} * sampleRate_ + rateRemainder_;
  rateRemainder_ = scaled % kRenderRate;
  Render(static_cast<size_t>(scaled / kRenderRate));
}

void TSynthesizer::RenderFrames(size_t frames) { Render(frames); }

void TSynthesizer::PrepareStart() {
  if (!synth_) return;
  // Let what still sounds die away unheard, then start from a primed, otherwise empty queue.
  const AudioSink sink = sink_;
  sink_ = AudioSink::Null;
  Render(sampleRate_);
  sink_ = sink;
  if (sink_ == AudioSink::Device) {
    ring_.Flush();
    ring_.Push(nullptr, AudioLatencyBytes(bufferTime_, sampleRate_) / 8);
  }
}

}  // namespace cv
