#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "DeviceProbe.h"
#include "JackReceiver.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

namespace {

struct CliRun {
  int code;
  std::string out;  // stdout and stderr
};

CliRun Cli(const std::string& args) {
  const std::string command = std::string(CANTOVEX_CLI) + " --lang en " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  CliRun run{-1, {}};
  if (!pipe) return run;
  std::array<char, 4096> buffer;
  size_t n;
  while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// One second of song at 120 bpm: a note with five syllables on it.
std::string ShortSong() {
  cvtest::SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120).Lyric(0, "Hel").NoteOn(0, 0, 60, 100).Lyric(192, "lo ").Lyric(384, "my ")
      .Lyric(576, "old ").Lyric(768, "friend").NoteOff(960, 0, 60);
  return smf.WriteTemp("short.mid");
}

TEST(PlaybackCli, RenderWritesTheSongAndItsRingOut) {
  const std::string song = ShortSong();
  const std::string wav = cvtest::TempDir() + "/short.wav";
  // 1000 ms of song (2000 ms at half speed) and 3500 ms of ring-out at 44.1 kHz, 16-bit stereo.
  struct Case { std::string options; size_t ms; };
  for (const Case& c : {Case{"", 4500}, Case{" --speed 50 --transpose 3", 5500}}) {
    const CliRun run = Cli("render " + song + " -o " + wav + c.options);
    ASSERT_EQ(run.code, 0) << run.out;
    EXPECT_NE(run.out.find("real time"), std::string::npos) << run.out;
    EXPECT_EQ(cvtest::ReadFileBytes(wav).size(), 44u + c.ms * 441 / 10 * 4) << c.options;
  }
}

TEST(PlaybackCli, PlayShowsTheLyricsAndEndsByItself) {
  const CliRun run = Cli("play " + ShortSong() + " --synth");
  ASSERT_EQ(run.code, 0) << run.out;
  EXPECT_NE(run.out.find("Hello my old friend"), std::string::npos) << run.out;
}

TEST(PlaybackCli, WrongUseIsRefusedWithAReason) {
  const std::string song = ShortSong();
  struct Case { std::string args; int code; std::string text; };
  for (const Case& c : {Case{"play " + song + " --port \"No Such Port\"", 1, "MIDI output Device No Such Port not installed"},
                        Case{"play " + song + " --speed 55", 2, "--speed"},
                        Case{"play " + song + " --transpose 12", 2, "--transpose"},
                        Case{"play " + song + " --port x --synth", 2, "not both"},
                        Case{"render " + song, 2, "-o FILE.wav"},
                        Case{"render /no/such.mid -o /tmp/x.wav", 1, "/no/such.mid"},
                        Case{"render " + song + " -o " + cvtest::TempDir() + "/o.wav --soundfont /no/font.sf2", 1,
                             "File not found: \"/no/font.sf2\""}}) {
    const CliRun run = Cli(c.args);
    EXPECT_EQ(run.code, c.code) << c.args << "\n" << run.out;
    EXPECT_NE(run.out.find(c.text), std::string::npos) << c.args << "\n" << run.out;
  }
}

TEST(PlaybackCli, CtrlCStopsWithAllNotesOffOnEveryChannel) {
  if (!cvtest::JackServerRunning()) GTEST_SKIP() << cvtest::NoJackReason();
  cvtest::JackReceiver receiver("cv-cli-receiver");
  receiver.OpenVirtual();
  const std::string song = cvtest::CorpusFile("kar/twinkle.kar");
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    dup2(null, 2);
    execl(CANTOVEX_CLI, "cantovex-cli", "play", song.c_str(), "--port", "cv-cli-receiver:in", static_cast<char*>(nullptr));
    _exit(127);
  }
  ASSERT_GT(pid, 0);
  const size_t playing = receiver.WaitFor(20).size();
  kill(pid, SIGINT);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_GE(playing, 20u) << "the song did not reach the port";
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  const cvtest::Bytes got = receiver.WaitFor(playing + 32);
  ASSERT_GE(got.size(), 32u);
  cvtest::Bytes expected;
  for (uint8_t ch = 0; ch < 16; ++ch) {
    expected.push_back({static_cast<uint8_t>(0xB0 + ch), 120, 0});
    expected.push_back({static_cast<uint8_t>(0xB0 + ch), 123, 0});
  }
  EXPECT_EQ(cvtest::Bytes(got.end() - 32, got.end()), expected);
}

TEST(PlaybackCli, PortsListsOutputsAndDevices) {
  const CliRun run = Cli("--json ports");
  ASSERT_EQ(run.code, 0) << run.out;
  for (const char* key : {"\"midiOutputs\"", "\"audioDevices\"", "\"soundFont\""})
    EXPECT_NE(run.out.find(key), std::string::npos) << run.out;
}

}  // namespace
