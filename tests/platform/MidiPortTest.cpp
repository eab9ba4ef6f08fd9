#include <gtest/gtest.h>

#include <rtmidi/RtMidi.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "DeviceProbe.h"
#include "JackReceiver.h"
#include "PlayerFakes.h"
#include "platform/midiport/MidiOut.h"
#include "song/Language.h"
#include "playback/CV_MidiPlayer.h"

using namespace cv;
using Bytes = std::vector<std::vector<uint8_t>>;
using cvtest::JackReceiver;

namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EMidiOutputError& e) {
    return e.what();
  }
  return "(no error)";
}

TEST(MidiPort, RefusesWhatItCannotDo) {
  SetCurrLanguage(TLanguage::Englisch);
  TMidiOutput port(MidiSystem::Jack);
  EXPECT_EQ(port.State(), mosClosed);
  EXPECT_EQ(ErrorOf([&] { port.PutShort(0x90, 60, 100); }), "(Short Msg) Device not opened.");
  const uint8_t sysex[] = {0xF0, 0x7E, 0xF7};
  EXPECT_EQ(ErrorOf([&] { port.PutLong(sysex, 3); }), "(Long Msg) Device not opened.");
  EXPECT_EQ(ErrorOf([&] { port.SetDeviceID(port.DeviceCount()); }), "Invalid device ID");
  EXPECT_EQ(ErrorOf([&] { port.SetProductName("No Such Synth"); }), "MIDI output Device No Such Synth not installed");
  SetCurrLanguage(TLanguage::Deutsch);
  EXPECT_EQ(ErrorOf([&] { port.SetProductName("No Such Synth"); }), "MIDI-Ausgabegerät No Such Synth ist nicht installiert");
  SetCurrLanguage(TLanguage::Englisch);
  EXPECT_FALSE(port.Close());
  EXPECT_EQ(port.State(), mosClosed);
}

TEST(MidiPort, SendsBytesInOrderThroughARealJackPort) {
  if (!cvtest::JackServerRunning()) GTEST_SKIP() << cvtest::NoJackReason();
  JackReceiver receiver;
  receiver.OpenVirtual();
  TMidiOutput port(MidiSystem::Jack);
  EXPECT_EQ(port.ApiName(), "Jack");
  const auto names = port.DeviceNames();
  ASSERT_NE(std::find(names.begin(), names.end(), "cv-receiver:in"), names.end());
  port.SetProductName("cv-receiver:in");  // found by name: indices change when devices come and go
  EXPECT_EQ(port.ProductName(), "cv-receiver:in");
  ASSERT_TRUE(port.Open()) << port.Error();
  EXPECT_TRUE(port.Open());  // already open
  EXPECT_EQ(ErrorOf([&] { port.SetDeviceID(0); }), "Change to DeviceID while device was open");
  EXPECT_EQ(ErrorOf([&] { port.SetProductName("cv-receiver:in"); }), "Change to ProductName while device was open");
  port.NoteOn(1, 60, 100);
  port.ProgramChange(2, 5);  // two bytes on the wire
  const uint8_t sysex[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7};
  port.PutLong(sysex, sizeof sysex);
  port.ControllerChange(15, 123, 0);
  const Bytes got = receiver.WaitFor(4);
  EXPECT_EQ(got, (Bytes{{0x91, 60, 100}, {0xC2, 5}, {0xF0, 0x41, 0x10, 0x42, 0x12, 0xF7}, {0xBF, 123, 0}}));
  EXPECT_TRUE(port.Close());
  EXPECT_FALSE(port.Close());
}

TEST(MidiPort, FindsItsPortByNameWhenTheIndexMoved) {
  if (!cvtest::JackServerRunning()) GTEST_SKIP() << cvtest::NoJackReason();
  auto first = std::make_unique<JackReceiver>("cv-a-receiver");
  first->OpenVirtual();
  JackReceiver second("cv-b-receiver");
  second.OpenVirtual();
  TMidiOutput port(MidiSystem::Jack);
  port.SetProductName("cv-b-receiver:in");
  const uint32_t chosenIndex = port.DeviceID();
  ASSERT_GT(chosenIndex, 0u) << "JACK lists ports in the order they were made";
  first.reset();  // a device goes away: the ports after it move down
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_EQ(port.DeviceName(chosenIndex - 1), "cv-b-receiver:in");
  ASSERT_TRUE(port.Open()) << port.Error();
  port.NoteOn(3, 70, 1);
  EXPECT_EQ(second.WaitFor(1), (Bytes{{0x93, 70, 1}}));
}

TEST(MidiPort, OffersAVirtualPortNamedAfterTheProgram) {
  if (!cvtest::JackServerRunning()) GTEST_SKIP() << cvtest::NoJackReason();
  TMidiOutput port(MidiSystem::Jack);
  ASSERT_TRUE(port.HasVirtualPort());
  port.SetDeviceID(TMidiOutput::VirtualPortID);
  EXPECT_EQ(port.ProductName(), "Cantovex 3 (virtual port)");
  ASSERT_TRUE(port.Open()) << port.Error();
  JackReceiver receiver;
  ASSERT_TRUE(receiver.ConnectTo("Cantovex 3"));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // connection settles in JACK's graph
  port.NoteOn(0, 64, 1);
  EXPECT_EQ(receiver.WaitFor(1), (Bytes{{0x90, 64, 1}}));
}

TEST(MidiPort, AlsaSequencer) {
  if (!cvtest::AlsaSequencerPresent()) GTEST_SKIP() << "this machine has no ALSA sequencer (/dev/snd/seq)";
  TMidiOutput port(MidiSystem::Alsa);
  EXPECT_EQ(port.ApiName(), "ALSA");
  EXPECT_TRUE(port.HasVirtualPort());
  port.SetDeviceID(TMidiOutput::VirtualPortID);
  ASSERT_TRUE(port.Open()) << port.Error();
  port.NoteOn(0, 60, 1);
  EXPECT_TRUE(port.Close());
}

TEST(MidiPort, PlayerPlaysASongThroughTheRealPort) {
  if (!cvtest::JackServerRunning()) GTEST_SKIP() << cvtest::NoJackReason();
  JackReceiver receiver;
  receiver.OpenVirtual();
  TMidiOutput port(MidiSystem::Jack);
  port.SetProductName("cv-receiver:in");
  SteadyPlayerClock clock;
  TMidiPlayer player(clock);
  player.SetPort(&port);
  Song song;
  cvtest::BuildSong(song, {{{0, 0x90, 60, 100}, {20, 0x80, 60, 0}},
                           {{10, 0xC1, 7}, {10, 0xF0, 0, 0, std::string("\x7E\x7F\x09\x01\xF7", 5)}}});
  player.SetSong(&song);
  player.Play();
  const Bytes got = receiver.WaitFor(4);
  player.Stop();
  EXPECT_EQ(got, (Bytes{{0x90, 60, 100}, {0xC1, 7}, {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7}, {0x80, 60, 0}}));
  // Stop silences all 16 channels, then closes the port.
  EXPECT_EQ(receiver.WaitFor(36).size(), 36u);
  EXPECT_EQ(port.State(), mosClosed);
}

}  // namespace
