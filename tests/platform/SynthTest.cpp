#include <gtest/gtest.h>

#include <jack/jack.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include "DeviceProbe.h"
#include "PlayerFakes.h"
#include "platform/synth/OfflineRender.h"
#include "platform/synth/Synthesizer.h"
#include "song/Language.h"
#include "playback/CV_MidiPlayer.h"
#include "support/SmfBuilder.h"

using namespace cv;

namespace {

// Peak of 16-bit samples between two times of a 44.1 kHz stereo WAV file.
int Peak(const std::vector<uint8_t>& wav, int fromMs, int toMs) {
  int peak = 0;
  const size_t from = 44 + static_cast<size_t>(fromMs) * 441 / 10 * 4;
  const size_t to = std::min(wav.size(), 44 + static_cast<size_t>(toMs) * 441 / 10 * 4);
  for (size_t i = from; i + 1 < to; i += 2)
    peak = std::max(peak, std::abs(static_cast<int16_t>(wav[i] | wav[i + 1] << 8)));
  return peak;
}

void OneNoteSong(Song& song) {
  cvtest::BuildSong(song, {{{0, 0xC0, 0}, {500, 0x90, 60, 110}, {1500, 0x80, 60, 0}}});
}

TEST(Synth, RendersASongOfflineIntoAWavFile) {
  struct Case { int volume; bool audible; };
  for (const Case& c : {Case{100, true}, Case{0, false}}) {
    const std::string path = cvtest::TempDir() + "/song.wav";
    SynthOptions options;
    options.Sink = AudioSink::WavFile;
    options.WavPath = path;
    options.VolumeValue = c.volume;
    TSynthesizer synth(options);
    ASSERT_TRUE(synth.isOK()) << (synth.Messages().empty() ? "" : synth.Messages()[0]);
    Song song;
    OneNoteSong(song);
    int64_t lastProgress = -1;
    EXPECT_EQ(RenderSongOffline(song, synth, [&](int64_t done, int64_t total) { lastProgress = done; }), 5000);
    EXPECT_EQ(lastProgress, 5000);
    std::string message;
    ASSERT_TRUE(synth.Finish(&message)) << message;
    const auto wav = cvtest::ReadFileBytes(path);
    EXPECT_EQ(wav.size(), 44u + 5000u * 441 / 10 * 4);  // song and a 3.5 s ring-out
    EXPECT_EQ(Peak(wav, 0, 490), 0) << c.volume;
    EXPECT_EQ(Peak(wav, 520, 1400) > 1000, c.audible) << c.volume;
  }
}

TEST(Synth, BackingTrackLeavesTheMelodyChannelOut) {
  // The melody on channel 1 sounds first, the accompaniment on channel 2 after it.
  struct Case { int muted; bool melodyHeard; };
  for (const Case& c : {Case{-1, true}, Case{0, false}}) {
    const std::string path = cvtest::TempDir() + "/backing.wav";
    SynthOptions options;
    options.Sink = AudioSink::WavFile;
    options.WavPath = path;
    TSynthesizer synth(options);
    ASSERT_TRUE(synth.isOK());
    Song song;
    cvtest::BuildSong(song, {{{0, 0xC0, 0}, {0, 0xC1, 0}, {500, 0x90, 60, 110}, {1500, 0x80, 60, 0},
                              {3500, 0x91, 48, 110}, {4500, 0x81, 48, 0}}});
    RenderSongOffline(song, synth, nullptr, c.muted);
    std::string message;
    ASSERT_TRUE(synth.Finish(&message)) << message;
    const auto wav = cvtest::ReadFileBytes(path);
    EXPECT_EQ(Peak(wav, 520, 1400) > 1000, c.melodyHeard) << c.muted;
    if (!c.melodyHeard) {
      EXPECT_EQ(Peak(wav, 0, 3490), 0);
    }
    EXPECT_GT(Peak(wav, 3520, 4400), 1000) << c.muted;
  }
}

TEST(Synth, MissingSoundFontIsNamed) {
  struct Case { TLanguage language; const char* text; };
  for (const Case& c : {Case{TLanguage::Englisch, "File not found: \"/no/such/font.sf2\""},
                        Case{TLanguage::Deutsch, "Datei nicht gefunden: \"/no/such/font.sf2\""}}) {
    SetCurrLanguage(c.language);
    SynthOptions options;
    options.Sink = AudioSink::Null;
    options.SoundFont = "/no/such/font.sf2";
    TSynthesizer probe(options);
    EXPECT_FALSE(probe.isOK());
    ASSERT_FALSE(probe.Messages().empty());
    EXPECT_EQ(probe.Messages()[0], c.text);
  }
  SetCurrLanguage(TLanguage::Englisch);
  SynthOptions options;
  options.Sink = AudioSink::Null;
  options.SoundFont = "/no/such/font.sf2";
  TSynthesizer synth(options);
  synth.PutShort(0x90, 60, 100);  // harmless without a SoundFont
  synth.PutNewData(352);
}

TEST(Synth, SlicesFollowTheClockAtEveryRate) {
  SynthOptions options;
  options.Sink = AudioSink::WavFile;
  options.WavPath = cvtest::TempDir() + "/slices.wav";
  TSynthesizer synth(options);
  // Ten 1 ms slices: nine of 44 frames and one of 45, exactly 441 frames.
  for (int m = 1; m <= 10; ++m) synth.PutNewData(m % 10 == 0 ? 360 : 352);
  ASSERT_TRUE(synth.Finish(nullptr));
  EXPECT_EQ(cvtest::ReadFileBytes(options.WavPath).size(), 44u + 441u * 4);
}

// A JACK client in the test that listens to the synthesizer's output ports.
class JackListener {
 public:
  JackListener() {
    jack_status_t status{};
    client_ = jack_client_open("cv-listener", JackNoStartServer, &status);
    if (!client_) return;
    port_ = jack_port_register(client_, "in", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    jack_set_process_callback(client_, &JackListener::Process, this);
    jack_activate(client_);
  }
  ~JackListener() {
    if (client_) jack_client_close(client_);
  }
  bool ConnectTo(const char* pattern) {
    const char** ports = jack_get_ports(client_, pattern, JACK_DEFAULT_AUDIO_TYPE, JackPortIsOutput);
    if (!ports || !ports[0]) return false;
    const bool ok = jack_connect(client_, ports[0], jack_port_name(port_)) == 0;
    jack_free(ports);
    return ok;
  }
  float Peak() const { return peak_.load(); }

 private:
  static int Process(jack_nframes_t frames, void* self) {
    auto* l = static_cast<JackListener*>(self);
    const auto* in = static_cast<const float*>(jack_port_get_buffer(l->port_, frames));
    float peak = l->peak_.load();
    for (jack_nframes_t i = 0; i < frames; ++i) peak = std::max(peak, std::fabs(in[i]));
    l->peak_.store(peak);
    return 0;
  }
  jack_client_t* client_ = nullptr;
  jack_port_t* port_ = nullptr;
  std::atomic<float> peak_{0.0f};
};

TEST(Synth, PlaysThroughTheRealJackAudioDevice) {
  if (!cvtest::JackServerRunning()) GTEST_SKIP() << cvtest::NoJackReason();
  SynthOptions options;
  TSynthesizer synth(options);
  ASSERT_TRUE(synth.isOK());
  ASSERT_EQ(synth.Sink(), AudioSink::Device) << (synth.Messages().empty() ? "" : synth.Messages()[0]);
  EXPECT_NE(synth.SinkDescription().find("Jack"), std::string::npos) << synth.SinkDescription();
  JackListener listener;
  ASSERT_TRUE(listener.ConnectTo("Cantovex 3"));

  SteadyPlayerClock clock;
  TMidiPlayer player(clock);
  player.SetInstrument(&synth);
  player.SetUseVSTi(true);
  Song song;
  cvtest::BuildSong(song, {{{0, 0x90, 60, 120}, {400, 0x80, 60, 0}}});
  player.SetSong(&song);
  player.Play();
  // The device's callback starts the clock; then the note sounds through JACK.
  for (int i = 0; i < 3000 && listener.Peak() < 0.01f; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_GT(listener.Peak(), 0.01f);
  EXPECT_GT(synth.DeviceFramesPlayed(), 0u);
  EXPECT_NE(player.RunState(), RunIdle);
  player.Stop();
  EXPECT_TRUE(player.MidiPlayerFadeout());  // rings out on the audio device
}

}  // namespace
