#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <csignal>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "DeviceProbe.h"
#include "JackReceiver.h"
#include "cli/CliRun.h"
#include "support/Corpus.h"
#include "support/PrivateJack.h"
#include "support/SmfBuilder.h"
#include "CliBinary.h"

using clitest::RunCliIn;

namespace {

// Playback on the real devices of the machine; the suite holds the JACK lock (tests/cli.cmake).

// One second of song at 120 bpm: a note with five syllables on it.
std::string ShortSong() {
  cvtest::SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120).Lyric(0, "Hel").NoteOn(0, 0, 60, 100).Lyric(192, "lo ").Lyric(384, "my ")
      .Lyric(576, "old ").Lyric(768, "friend").NoteOff(960, 0, 60);
  return smf.WriteTemp("short.mid");
}

// beats quarter notes at 120 bpm (half a second each).
std::string OneNotePerBeatSong(int beats) {
  cvtest::SmfBuilder smf(1, 480);
  cvtest::SmfTrack& t = smf.AddTrack().Bpm(0, 120);
  for (int i = 0; i < beats; ++i) t.NoteOn(i * 480, 0, 60, 100).NoteOff(i * 480 + 400, 0, 60);
  return smf.WriteTemp("beats.mid");
}

TEST(CliPlayback, RenderWritesTheSongAndItsRingOut) {
  const std::string song = ShortSong();
  const std::string wav = cvtest::TempDir() + "/short.wav";
  // 1000 ms of song (2000 ms at half speed) and 3500 ms of ring-out at 44.1 kHz, 16-bit stereo.
  struct Case { std::vector<std::string> options; size_t ms; };
  for (const Case& c : {Case{{}, 4500}, Case{{"--speed", "50", "--transpose", "3"}, 5500}}) {
    std::vector<std::string> args = {"render", song, "-o", wav};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const auto run = RunCliIn("en", args);
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(clitest::Has(run.out, "real time")) << run.out;
    EXPECT_EQ(cvtest::ReadFileBytes(wav).size(), 44u + c.ms * 441 / 10 * 4) << c.ms;
  }
}

TEST(CliPlayback, PlayShowsTheLyricsAndEndsByItself) {
  const auto run = RunCliIn("en", {"play", ShortSong(), "--synth"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_TRUE(clitest::Has(run.out, "Hello my old friend")) << run.out;
}

TEST(CliPlayback, WrongUseIsRefusedWithAReason) {
  const std::string song = ShortSong();
  const std::string wav = cvtest::TempDir() + "/o.wav";
  struct Case {
    std::vector<std::string> args;
    int code;
    std::string text;
  } cases[] = {
      {{"play", song, "--speed", "55"}, 2, "--speed"},
      {{"play", song, "--transpose", "12"}, 2, "--transpose"},
      {{"play", song, "--port", "x", "--synth"}, 2, "not both"},
      {{"render", song}, 2, "-o FILE.wav"},
      {{"render", "/no/such.mid", "-o", wav}, 1, "/no/such.mid"},
      {{"render", song, "-o", wav, "--soundfont", "/no/font.sf2"}, 1, "File not found: \"/no/font.sf2\""},
  };
  for (const Case& c : cases) {
    const auto run = RunCliIn("en", c.args);
    EXPECT_EQ(run.code, c.code) << c.args[0] << "\n" << run.err;
    EXPECT_TRUE(clitest::Has(run.err, c.text)) << c.args[0] << "\n" << run.err;
  }
}

// A port that is not there: the message lists the ports there are, in text and in JSON.
TEST(CliPlayback, AnUnknownPortListsThePorts) {
  const auto ports = nlohmann::json::parse(RunCliIn("en", {"--json", "ports"}).out)["midiOutputs"];
  const auto run = RunCliIn("en", {"play", ShortSong(), "--port", "No Such Port"});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(clitest::Has(run.err, "MIDI output Device No Such Port not installed.\n")) << run.err;
  if (ports.empty()) {
    EXPECT_TRUE(clitest::Has(run.err, "There are no MIDI outputs.")) << run.err;
  } else {
    for (const auto& name : ports) {
      if (name.get<std::string>().find("Cantovex") != std::string::npos) continue;  // our own virtual port
      EXPECT_TRUE(clitest::Has(run.err, "\n  " + name.get<std::string>())) << run.err;
    }
  }
  const auto json = RunCliIn("de", {"--json", "play", ShortSong(), "--port", "No Such Port"});
  EXPECT_EQ(json.code, 1);
  EXPECT_TRUE(clitest::Has(nlohmann::json::parse(json.err)["error"]["message"], "ist nicht installiert")) << json.err;
}

// Every signal that ends the program (Ctrl-C, kill, a closed terminal) silences the receiver the
// same way: all sound and notes off on every channel.
TEST(CliPlayback, EveryEndingSignalStopsWithAllNotesOffOnEveryChannel) {
  if (!cvtest::JackServerRunning()) GTEST_SKIP() << cvtest::NoJackReason();
  cvtest::JackReceiver receiver("cv-cli-receiver");
  receiver.OpenVirtual();
  const std::string song = cvtest::CorpusFile("kar/twinkle.kar");
  if (song.empty()) GTEST_SKIP() << cvtest::CorpusSkipReason("kar/twinkle.kar");
  cvtest::Bytes expected;
  for (uint8_t ch = 0; ch < 16; ++ch) {
    expected.push_back({static_cast<uint8_t>(0xB0 + ch), 120, 0});
    expected.push_back({static_cast<uint8_t>(0xB0 + ch), 123, 0});
  }
  size_t before = 0;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t pid = fork();
    if (pid == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execl(CANTOVEX_CLI, "cantovex-cli", "play", song.c_str(), "--port", "cv-cli-receiver:in", static_cast<char*>(nullptr));
      _exit(127);
    }
    ASSERT_GT(pid, 0);
    const size_t playing = receiver.WaitFor(before + 20).size();
    kill(pid, signal);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_GE(playing, before + 20) << "the song did not reach the port";
    EXPECT_TRUE(WIFEXITED(status)) << signal;
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    const cvtest::Bytes got = receiver.WaitFor(playing + 32);
    ASSERT_GE(got.size(), playing + 32) << signal;
    EXPECT_EQ(cvtest::Bytes(got.end() - 32, got.end()), expected) << signal;
    before = got.size();
  }
}

TEST(CliPlayback, PortsListsOutputsAndDevices) {
  const auto run = RunCliIn("en", {"--json", "ports"});
  ASSERT_EQ(run.code, 0) << run.err;
  const auto ports = nlohmann::json::parse(run.out);
  EXPECT_TRUE(ports["midiOutputs"].is_array()) << run.out;
  EXPECT_TRUE(ports["audioDevices"].is_array()) << run.out;
  EXPECT_TRUE(ports.contains("soundFont")) << run.out;
  // The text names the same outputs.
  const auto text = RunCliIn("en", {"ports"});
  for (const auto& name : ports["midiOutputs"]) EXPECT_TRUE(clitest::Has(text.out, "  " + name.get<std::string>() + "\n"));
}

}  // namespace

// The port's JACK server ends while the song plays: the player stops with a message and the
// command fails (it must neither hang nor play on into nothing).
TEST(CliPlayback, AServerThatEndsStopsPlaybackWithAMessage) {
  cvtest::PrivateJackServer jack;
  if (!jack.Running()) GTEST_SKIP() << jack.Reason();
  jack.StartClient({"jack_midi_dump"}, "midi-monitor:input");
  ASSERT_TRUE(jack.HasPort("midi-monitor:input"));
  const std::string song = OneNotePerBeatSong(40);
  const std::string dir = cvtest::TempDir();
  const pid_t pid = fork();
  if (pid == 0) {
    setenv("JACK_DEFAULT_SERVER", jack.Name().c_str(), 1);
    const int err = open((dir + "/lost.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(err, 2);
    execl(CANTOVEX_CLI, "cantovex-cli", "--lang", "en", "play", song.c_str(), "--port", "midi-monitor", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  usleep(1500000);
  jack.Kill();
  int status = 0;
  for (int i = 0; i < 100 && waitpid(pid, &status, WNOHANG) == 0; ++i) usleep(100000);
  if (waitpid(pid, &status, WNOHANG) == 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    FAIL() << "still playing 10 s after its server ended";
  }
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  const auto err = cvtest::ReadFileBytes(dir + "/lost.err");
  EXPECT_TRUE(clitest::Has(std::string(err.begin(), err.end()), "has gone away")) << std::string(err.begin(), err.end());
}
