#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "PlayerFakes.h"
#include "playback/CV_MidiPlayer.h"
#include "song/Language.h"

using namespace cv;
using namespace cvtest;
using Bytes = std::vector<std::vector<uint8_t>>;

namespace {

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    player.SetPort(&port);
    player.SetInstrument(&synth);
    player.OnMessage = [this](const std::string& m) { messages.push_back(m); };
  }
  void Load(const std::vector<std::vector<Ev>>& tracks) {
    BuildSong(song, tracks);
    player.SetSong(&song);
  }
  // Moves the virtual clock to this song time (ms after the start) and runs a step.
  void At(int64_t songMs) {
    clock.now = player.StartTimeUs() + songMs * 1000;
    player.Tick();
  }

  VirtualClock clock;
  RecordingPort port{clock};
  RecordingInstrument synth{clock};
  TMidiPlayer player{clock, false};
  Song song;
  std::vector<std::string> messages;
};

TEST_F(PlayerTest, SendsEachEventWhenItsTimeComesTrackByTrack) {
  Load({{{0, 0x90, 60, 100}, {10, 0x80, 60, 0}, {20, 0xFF, 0, 0, "text"}},
        {{10, 0x91, 64, 90}, {15, 0xB1, 7, 80}}});
  player.Play();
  EXPECT_EQ(player.RunState(), RunReady);
  EXPECT_TRUE(port.open);
  At(0);
  At(9);
  EXPECT_EQ(port.Bytes(), (Bytes{{0x90, 60, 100}}));  // no chase messages at position 0
  At(10);                                              // due exactly now: sent in this step
  At(16);
  EXPECT_EQ(port.Bytes(), (Bytes{{0x90, 60, 100}, {0x80, 60, 0}, {0x91, 64, 90}, {0xB1, 7, 80}}));
  EXPECT_EQ(player.ChasedData()[1][ChaseVolume], 80);
  // The thread sleeps until the next event, not a fixed millisecond.
  EXPECT_EQ(player.NextWakeUs(), player.StartTimeUs() + 20 * 1000);
  EXPECT_EQ(player.TimePosition(), 16);
}

TEST_F(PlayerTest, StopsByItself2500MsAfterTheLastEvent) {
  Load({{{0, 0x90, 60, 100}, {1000, 0x80, 60, 0}}});
  player.Play();
  At(3500);
  EXPECT_TRUE(player.Playing());
  EXPECT_EQ(player.NextWakeUs(), player.StartTimeUs() + 3501 * 1000);
  At(3501);
  EXPECT_FALSE(player.Playing());
  EXPECT_FALSE(port.open);
}

TEST_F(PlayerTest, StopSilencesEveryChannelAndASecondStopRewinds) {
  Load({{{0, 0x90, 60, 100}, {100, 0x80, 60, 0}, {200, 0x90, 62, 100}}});
  player.Play();
  At(150);
  port.sent.clear();
  player.Stop();
  Bytes expected;
  for (uint8_t ch = 0; ch < 16; ++ch) {
    expected.push_back({static_cast<uint8_t>(0xB0 + ch), 120, 0});
    expected.push_back({static_cast<uint8_t>(0xB0 + ch), 123, 0});
  }
  EXPECT_EQ(port.Bytes(), expected);
  EXPECT_FALSE(player.Playing());
  EXPECT_EQ(port.closes, 1);
  EXPECT_EQ(player.TimePosition(), 150);

  // A later Play resumes where it stopped: the chase comes first, then the next due note.
  port.sent.clear();
  player.Play();
  EXPECT_EQ(port.sent.size(), 96u);
  At(200);
  EXPECT_EQ(port.sent.back().bytes, (std::vector<uint8_t>{0x90, 62, 100}));
  player.Stop();
  player.Stop();
  EXPECT_EQ(player.TimePosition(), 0);
  EXPECT_EQ(song.MidiTrack[0].TrkPlayEvent, song.MidiTrack[0].TrkFirstEvent);
}

TEST_F(PlayerTest, PlayFromAPositionRestoresTheChasedSoundFirst) {
  Load({{{0, 0xC2, 5}, {0, 0xB2, 7, 90}, {0, 0xB2, 0, 1}, {0, 0xE2, 3, 70}, {50, 0xB2, 10, 20},
         {500, 0x92, 60, 100}, {600, 0x82, 60, 0}}});
  player.MoveToPosition(500);
  EXPECT_EQ(song.MidiTrack[0].TrkPlayEvent->TimePosition, 500);
  EXPECT_EQ(player.ChasedData()[2][ChaseBankMsb], 1);
  EXPECT_EQ(player.ChasedData()[2][ChaseBendMsb], 70);
  player.Play();
  ASSERT_EQ(port.sent.size(), 96u);
  // Channel 0 had no events: the initial values; channel 2: what the song set before 500 ms.
  const Bytes ch0 = {{0xC0, 0, 0}, {0xB0, 7, 100}, {0xB0, 10, 64}, {0xB0, 11, 127}, {0xB0, 91, 40}, {0xB0, 93, 0}};
  const Bytes ch2 = {{0xC2, 5, 0}, {0xB2, 7, 90}, {0xB2, 10, 20}, {0xB2, 11, 127}, {0xB2, 91, 40}, {0xB2, 93, 0}};
  const Bytes bytes = port.Bytes();
  EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 6), ch0);
  EXPECT_EQ(Bytes(bytes.begin() + 12, bytes.begin() + 18), ch2);
  At(500);
  EXPECT_EQ(port.sent.back().bytes, (std::vector<uint8_t>{0x92, 60, 100}));
}

TEST_F(PlayerTest, MoveToPositionBeyondTheEndClampsToTheSongLength) {
  Load({{{0, 0x90, 60, 100}, {400, 0x80, 60, 0}}, {{100, 0xC1, 9}, {300, 0x91, 50, 1}}});
  struct Case { int32_t to; int32_t position; int32_t track1Event; };
  for (const Case& c : {Case{400, 400, 400}, Case{5000, 400, 400}, Case{-20, 0, 100}, Case{150, 150, 300}}) {
    player.MoveToPosition(c.to);
    EXPECT_EQ(player.TimePosition(), c.position) << c.to;
    EXPECT_EQ(song.MidiTrack[1].TrkPlayEvent->TimePosition, c.track1Event) << c.to;
  }
  // A song shortened by a tempo change re-seats on its new end.
  song.SongLength = 200;
  player.MoveToPosition(400);
  EXPECT_EQ(player.TimePosition(), 200);
  EXPECT_EQ(player.ChasedData()[1][ChaseProgram], 9);
}

TEST_F(PlayerTest, ARefusedEventIsSkippedOnceAndReportedOnce) {
  Load({{{0, 0x90, 60, 100}, {0, 0x90, 61, 100}, {5, 0x90, 62, 100}}, {{0, 0x91, 70, 100}}});
  port.failWhen = [](uint8_t status, uint8_t d1) { return status == 0x90 && d1 != 62; };
  player.Play();
  At(0);
  At(1);
  At(5);
  EXPECT_EQ(port.Bytes(), (Bytes{{0x91, 70, 100}, {0x90, 62, 100}}));
  EXPECT_EQ(player.FailedEvents(), 2);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "(Short Msg) The hardware is busy with other data.");
}

// Unlike one refused event, an output that went away stops playback, said once through the loss
// handler; the next Play starts afresh.
TEST_F(PlayerTest, AnOutputThatGoesAwayStopsPlaybackAndSaysSoOnce) {
  Load({{{0, 0x90, 60, 100}, {10, 0x90, 61, 100}, {20, 0x90, 62, 100}, {3000, 0x80, 62, 0}}});
  std::vector<std::string> lost;
  player.OnDeviceLost = [&](const std::string& m) { lost.push_back(m); };
  player.Play();
  At(0);
  port.lost = true;
  At(10);
  At(20);
  EXPECT_FALSE(player.Playing());
  EXPECT_TRUE(player.DeviceLost());
  EXPECT_EQ(player.RunState(), RunIdle);
  EXPECT_EQ(lost, std::vector<std::string>{"The MIDI output has gone away."});
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(player.TimePosition(), 10);  // stopped where it was: Play resumes there
  port.lost = false;
  player.Play();
  EXPECT_TRUE(player.Playing());
  EXPECT_FALSE(player.DeviceLost());
}

TEST_F(PlayerTest, SystemExclusiveGoesOutWhole) {
  Load({{{0, 0xF0, 0, 0, std::string("\x41\x10\x42\x12\xF7", 5)}, {1, 0xF7, 0, 0, std::string("\x01\x02", 2)},
         {2, 0xF0, 0, 0, ""}}});
  player.Play();
  At(2);
  EXPECT_EQ(port.Bytes(), (Bytes{{0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}, {0xF7, 1, 2}}));
  player.Stop();
  player.Stop();
  player.SetUseVSTi(true);
  synth.audioClock = false;
  player.Play();
  At(2);
  ASSERT_GE(synth.sent.size(), 2u);
  EXPECT_EQ(synth.sent[1].bytes, (std::vector<uint8_t>{0xF0, 1, 2}));
}

TEST_F(PlayerTest, ManyTracksKeepFullWidthIndexes) {
  std::vector<std::vector<Ev>> tracks(300);
  tracks[299] = {{10, 0x95, 40, 50}};
  Load(tracks);
  player.Play();
  At(10);
  EXPECT_EQ(port.Bytes(), (Bytes{{0x95, 40, 50}}));
  player.Stop();
  player.Stop();
  EXPECT_EQ(song.MidiTrack[299].TrkPlayEvent, song.MidiTrack[299].TrkFirstEvent);
}

TEST_F(PlayerTest, WithoutAPortTheSynthesizerStillPlays) {
  player.SetPort(nullptr);
  player.SetUseVSTi(true);
  synth.audioClock = false;
  Load({{{0, 0x90, 60, 100}}});
  player.Play();
  At(0);
  ASSERT_EQ(synth.sent.size(), 1u);
  EXPECT_EQ(synth.sent[0].bytes, (std::vector<uint8_t>{0x90, 60, 100}));
  player.Stop();
  // With no output at all nothing starts.
  player.SetInstrument(nullptr);
  player.Stop();
  player.Play();
  EXPECT_FALSE(player.Playing());
}

TEST_F(PlayerTest, PortThatDoesNotOpenLeavesThePlayerStopped) {
  Load({{{0, 0x90, 60, 100}}});
  port.openResult = false;
  player.Play();
  EXPECT_FALSE(player.Playing());
  EXPECT_TRUE(messages.empty());
}

TEST_F(PlayerTest, SynthesizerStartsWithTheAudioDeviceAndGetsEventsEarly) {
  Load({{{0, 0x90, 60, 100}, {100, 0x80, 60, 0}, {1000, 0x90, 62, 100}}});
  player.SetUseVSTi(true);
  synth.bufferMs = 60;
  synth.deviceLatencyMs = 50;  // 110 ms in all: the clock starts on the second block
  player.Play();
  EXPECT_EQ(synth.prepared, 1);
  EXPECT_EQ(player.RunState(), RunIdle);
  EXPECT_EQ(player.MidiPlayerDelayStart(), 2);
  clock.now += 7000;
  synth.hook();
  EXPECT_EQ(player.RunState(), RunIdle);
  clock.now += 7000;
  synth.hook();
  EXPECT_EQ(player.RunState(), RunReady);
  EXPECT_EQ(player.StartTimeUs(), clock.now);

  At(40);  // the note-off at 100 ms is due 60 ms early
  EXPECT_EQ(synth.sent.back().bytes, (std::vector<uint8_t>{0x80, 60, 0}));
  EXPECT_EQ(player.VSTiLastPutTime(), 40);
  EXPECT_EQ(synth.slices.size(), 40u);
  // A 25 ms gap renders one slice per millisecond; those at 50 and 60 ms are 360 bytes.
  synth.slices.clear();
  At(65);
  ASSERT_EQ(synth.slices.size(), 25u);
  EXPECT_EQ(std::count(synth.slices.begin(), synth.slices.end(), 360u), 2);
  EXPECT_EQ(player.NextWakeUs(), player.StartTimeUs() + 66 * 1000);
  // A jump of 100 ms or more is skipped, not rendered in a burst.
  synth.slices.clear();
  At(165);
  EXPECT_TRUE(synth.slices.empty());
  EXPECT_EQ(player.VSTiLastPutTime(), 165);
}

TEST_F(PlayerTest, StopRingsTheSynthesizerOutAndPlayEndsTheRingOut) {
  Load({{{0, 0x90, 60, 100}, {5000, 0x80, 60, 0}}});
  player.SetUseVSTi(true);
  synth.audioClock = false;
  player.Play();
  At(10);
  player.Stop();
  EXPECT_TRUE(player.MidiPlayerFadeout());
  EXPECT_EQ(player.RunState(), RunRingOutReady);
  synth.slices.clear();
  const int64_t ringStart = clock.now;
  for (int ms = 1; ms <= 3600; ms += 7) {
    clock.now = ringStart + ms * 1000;
    player.Tick();
  }
  EXPECT_EQ(player.RunState(), RunIdle);
  EXPECT_FALSE(player.MidiPlayerFadeout());
  EXPECT_NEAR(static_cast<double>(synth.slices.size()), 3500.0, 8.0);

  player.Play();
  clock.now += 1000;
  player.Stop();
  EXPECT_EQ(player.RunState(), RunRingOutReady);
  player.Play();  // a ring-out in progress ends at once
  EXPECT_FALSE(player.MidiPlayerFadeout());
  EXPECT_EQ(player.RunState(), RunReady);
}

TEST_F(PlayerTest, AnAudioDeviceThatNeverRunsDoesNotHoldThePlayerForEver) {
  SetCurrLanguage(TLanguage::Englisch);
  Load({{{0, 0x90, 60, 100}, {2000, 0x80, 60, 0}}});
  player.SetUseVSTi(true);
  player.Play();
  const int64_t asked = clock.now;
  EXPECT_EQ(player.NextWakeUs(), asked + 1000000);
  clock.now = asked + 999000;
  player.Tick();
  EXPECT_EQ(player.RunState(), RunIdle);
  clock.now = asked + 1000000;
  player.Tick();
  EXPECT_EQ(player.RunState(), RunReady);
  EXPECT_EQ(messages, (std::vector<std::string>{"The audio device does not run; the song plays on without sound."}));
  At(0);
  EXPECT_EQ(synth.sent.back().bytes, (std::vector<uint8_t>{0x90, 60, 100}));
}

TEST_F(PlayerTest, RenderingFailureIsReportedOnce) {
  Load({{{0, 0x90, 60, 100}, {500, 0x80, 60, 0}}});
  player.SetUseVSTi(true);
  synth.audioClock = false;
  synth.failRendering = true;
  player.Play();
  for (int ms = 1; ms < 50; ++ms) At(ms);
  EXPECT_EQ(messages, (std::vector<std::string>{"render failed"}));
  EXPECT_TRUE(player.Playing());
  // The failed milliseconds are dropped, so the thread sleeps instead of retrying at once.
  EXPECT_EQ(player.VSTiLastPutTime(), 49);
  EXPECT_EQ(player.NextWakeUs(), player.StartTimeUs() + 50 * 1000);
}

TEST(DeviceList, SortsPortsAndAddsTheSynthesizer) {
  std::string message;
  auto list = BuildDeviceList({"midi Through", "Alpha", "MIDI Through", "Alpha"}, "Synth", true, &message);
  ASSERT_EQ(list.size(), 5u);
  EXPECT_EQ(list[0].Name, "Alpha");
  EXPECT_EQ(list[0].DeviceID, 1);
  EXPECT_EQ(list[1].DeviceID, 3);
  EXPECT_EQ(list[2].DeviceID, 0);  // "midi Through" and "MIDI Through" compare equal: by index
  EXPECT_EQ(list[4].DeviceID, SynthDeviceID);
  EXPECT_TRUE(list[4].VSTi);
  EXPECT_TRUE(message.empty());
  EXPECT_EQ(SelectDeviceEntry(list, "Alpha"), 1);
  EXPECT_EQ(SelectDeviceEntry(list, "gone"), 0);
}

TEST(DeviceList, NoPortStillOffersTheSynthesizer) {
  SetCurrLanguage(TLanguage::Englisch);
  std::string message;
  auto list = BuildDeviceList({}, "Synth", true, &message);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_TRUE(message.empty());
  list = BuildDeviceList({}, "Synth", false, &message);
  EXPECT_TRUE(list.empty());
  EXPECT_EQ(message, "You have no midi interface!\r\nThere for no midi playback posible!");
  EXPECT_EQ(SelectDeviceEntry(list, "x"), -1);
  SetCurrLanguage(TLanguage::Deutsch);
  EXPECT_EQ(NoMidiPortMessage(), "Sie haben keine Midi-Schnittstelle in Ihrem Conputer!\r\nEs ist keine Midi-Ausgabe möglich!");
}

TEST(PlayerThread, PlaysOnTheRealClockInOrder) {
  SteadyPlayerClock clock;
  RecordingPort port(clock);
  TMidiPlayer player(clock);
  player.SetPort(&port);
  Song song;
  BuildSong(song, {{{0, 0x90, 60, 1}, {3, 0x90, 61, 1}}, {{2, 0x91, 62, 1}}});
  player.SetSong(&song);
  player.Play();
  for (int i = 0; i < 2000 && port.count < 3; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  player.Stop();
  ASSERT_GE(port.sent.size(), 3u);
  // Never early; how late depends on the machine's load, which the benchmark measures.
  for (int i = 0; i < 3; ++i) {
    const int note = port.sent[i].bytes[1];
    const int64_t dueMs = note == 60 ? 0 : note == 62 ? 2 : 3;
    EXPECT_GE(port.sent[i].us - player.StartTimeUs(), dueMs * 1000) << note;
  }
}

}  // namespace
