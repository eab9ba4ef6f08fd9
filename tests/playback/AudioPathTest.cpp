#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "playback/AudioPath.h"
#include "playback/AudioRing.h"
#include "playback/WavFile.h"
#include "support/SmfBuilder.h"

using namespace cv;

namespace {

double Db(float gain) { return 20.0 * std::log10(gain); }

TEST(AudioPath, VolumeCurve) {
  EXPECT_EQ(VolumeToGain(0), 0.0f);
  EXPECT_FLOAT_EQ(VolumeToGain(100), 1.0f);
  struct Case { int v; double db; };
  for (const Case& c : {Case{130, 6.0}, Case{25, -15.0}, Case{26, -14.8}, Case{24, -15.8}, Case{1, -34.2}})
    EXPECT_NEAR(Db(VolumeToGain(c.v)), c.db, 0.01) << c.v;
}

TEST(AudioPath, PrimingSilenceIsOneBufferTime) {
  EXPECT_EQ(AudioLatencyBytes(60, 48000), 23040u);
  EXPECT_EQ(AudioLatencyBytes(60, 44100), 21168u);
  EXPECT_EQ(AudioLatencyBytes(61, 44100) % 8, 0u);
}

TEST(AudioPath, DeviceNamesAreRewrittenAndSortedOnlyWithSeveralDevices) {
  struct Case { const char* in; const char* out; };
  for (const Case& c : {Case{"Speakers (2- USB Audio Device)", "USB Audio Device (2) - Speakers"},
                        Case{"Lautsprecher (RME Babyface)", "RME Babyface - Analog (1+2)"},
                        Case{"SPDIF/ADAT (1+2) (RME Babyface)", "RME Babyface - ADAT (1+2)"},
                        Case{"Out (Card (HDMI))", "Card (HDMI) - Out"},
                        Case{"system", "system"},
                        Case{"(x) y", "(x) y"}})
    EXPECT_EQ(RewriteAudioDeviceName(c.in), c.out) << c.in;

  std::vector<TAudioDevice> one = {{1, "jack", "Speakers (2- USB Audio Device)"}};
  ArrangeAudioDevices(one);
  EXPECT_EQ(one[0].Name, "Speakers (2- USB Audio Device)");

  std::vector<TAudioDevice> devices = {{1, "a", "Speakers (Zed)"}, {2, "a", "alpha"}, {3, "a", "Lautsprecher (RME Babyface)"}};
  ArrangeAudioDevices(devices);
  EXPECT_EQ(devices[0].Name, "alpha");
  EXPECT_EQ(devices[1].Name, "RME Babyface - Analog (1+2)");
  EXPECT_EQ(devices[2].Name, "Zed - Speakers");
  EXPECT_EQ(SelectAudioDevice(devices, "Zed - Speakers"), 2);
  EXPECT_EQ(SelectAudioDevice(devices, "gone"), 0);
}

TEST(AudioRing, CarriesFramesBetweenThreadsInOrder) {
  AudioRing ring(1000);
  EXPECT_EQ(ring.CapacityFrames(), 1024u);
  constexpr int kFrames = 200000;
  std::thread producer([&] {
    float frame[2];
    for (int i = 0; i < kFrames;) {
      frame[0] = static_cast<float>(i);
      frame[1] = -static_cast<float>(i);
      if (ring.Push(frame, 1) == 1) ++i;
    }
  });
  int next = 0;
  bool ordered = true;
  float out[64 * 2];
  while (next < kFrames) {
    const size_t n = ring.Pop(out, 64);
    for (size_t i = 0; i < n; ++i, ++next)
      ordered = ordered && out[2 * i] == static_cast<float>(next) && out[2 * i + 1] == -static_cast<float>(next);
  }
  producer.join();
  EXPECT_TRUE(ordered);
}

TEST(AudioRing, FullRingRefusesAndFlushDropsWhatWasQueued) {
  AudioRing ring(4);
  const float data[10] = {1, 1, 2, 2, 3, 3, 4, 4, 5, 5};
  EXPECT_EQ(ring.Push(data, 5), 4u);
  ring.Flush();
  EXPECT_EQ(ring.Push(data + 8, 1), 0u);  // still full until the consumer runs
  float out[8] = {9, 9, 9, 9, 9, 9, 9, 9};
  EXPECT_EQ(ring.Pop(out, 4), 0u);
  EXPECT_EQ(out[0], 0.0f);  // silence where nothing was queued
  EXPECT_EQ(ring.Push(data + 8, 1), 1u);
  EXPECT_EQ(ring.Pop(out, 4), 1u);
  EXPECT_EQ(out[0], 5.0f);
}

TEST(WavFile, WritesAPlayableHeader) {
  const std::string path = cvtest::TempDir() + "/out.wav";
  WavFileWriter wav;
  ASSERT_TRUE(wav.Open(path, 44100));
  const float frames[6] = {0.0f, 1.0f, -2.0f, 0.5f, 0.25f, -0.25f};
  ASSERT_TRUE(wav.Write(frames, 3));
  ASSERT_TRUE(wav.Close());
  const auto bytes = cvtest::ReadFileBytes(path);
  ASSERT_EQ(bytes.size(), 44u + 12u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
  EXPECT_EQ(bytes[40], 12);                      // data size
  EXPECT_EQ(bytes[44 + 2] | bytes[44 + 3] << 8, 32767);  // 1.0
  EXPECT_EQ(bytes[44 + 4] | bytes[44 + 5] << 8, 0x8001);  // clipped -2.0
  EXPECT_FALSE(WavFileWriter().Open(cvtest::TempDir() + "/no/such/dir/x.wav", 44100));
}

}  // namespace
