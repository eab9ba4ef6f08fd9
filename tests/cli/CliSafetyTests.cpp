// No write of cantovex-cli destroys an old file: backups, a full disk, a killed save.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include "CliBinary.h"
#include "cli/CliRun.h"
#include "support/SmfBuilder.h"

using clitest::Has;
using clitest::RunCliIn;
namespace fs = std::filesystem;

extern char** environ;

namespace {

// A melody of n notes with a syllable on each.
std::string LyricSong(int notes, const std::string& name) {
  cvtest::SmfBuilder smf(1, 480);
  auto& t = smf.AddTrack().Bpm(0, 120).Lyric(0, "Song\r").Lyric(0, "Artist\r");
  for (int i = 0; i < notes; ++i)
    t.Lyric(120 * i + 1, i % 8 == 7 ? "la\r" : "la ").NoteOn(120 * i + 1, 0, 60, 100).NoteOff(120 * i + 100, 0, 60);
  return smf.WriteTemp(name);
}

void Put(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<std::string> Entries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A 64 KiB file system that fills up at once; unmounted at the end.
struct SmallDisk {
  std::string dir = cvtest::TempDir();
  bool mounted = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=64k") == 0;
  std::string reason = mounted ? "" : "a 64 KiB tmpfs cannot be mounted here (" + std::string(strerror(errno)) + ")";
  ~SmallDisk() {
    if (mounted) ::umount(dir.c_str());
  }
};

}  // namespace

// Replacing a song keeps it as it was in "NAME~"; a chain of edits keeps the original there
// unless --backup=new asks for the newest; --no-backup does without.
TEST(CliSafety, ReplacingASongKeepsItsBackupUnlessAskedNot) {
  const std::string song = LyricSong(8, "backup.mid");
  const std::vector<uint8_t> original = cvtest::ReadFileBytes(song);
  for (const char* step : {"2", "3"}) {
    const auto run = RunCliIn("en", {"edit", song, "--transpose", step, "-o", song});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(cvtest::ReadFileBytes(song + "~"), original);
  }
  const std::vector<uint8_t> edited = cvtest::ReadFileBytes(song);
  auto run = RunCliIn("en", {"convert", song, song, "--format", "0", "--backup=new"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(cvtest::ReadFileBytes(song + "~"), edited);
  fs::remove(song + "~");
  run = RunCliIn("en", {"convert", song, song, "--format", "1", "--no-backup"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_FALSE(fs::exists(song + "~"));
  EXPECT_NE(cvtest::ReadFileBytes(song), edited);
}

// A link planted at NAME~ is never written through: the file it points to keeps its bytes, the
// song is not replaced, and the message says why.
TEST(CliSafety, ABackupNeverGoesThroughALink) {
  const std::string dir = cvtest::TempDir();
  fs::create_directory(dir + "/d");
  const std::string song = dir + "/d/x.mid", outside = dir + "/v.txt";
  fs::copy_file(LyricSong(8, "link.mid"), song);
  const std::vector<uint8_t> original = cvtest::ReadFileBytes(song);
  Put(outside, "precious\n");
  fs::create_symlink("../v.txt", song + "~");
  const std::vector<std::vector<std::string>> commands = {
      {"convert", "--batch", dir + "/d", "--format", "1", "--in-place"},
      {"convert", song, song, "--format", "0"},
      {"edit", song, "--transpose", "1", "-o", song},
  };
  for (const auto& args : commands) {
    const auto run = RunCliIn("en", args);
    EXPECT_EQ(run.code, 1) << args[1] << "\n" << run.err;
    EXPECT_TRUE(Has(run.err, "holds no ordinary file")) << run.err;
    EXPECT_EQ(cvtest::ReadFileBytes(outside), std::vector<uint8_t>({'p', 'r', 'e', 'c', 'i', 'o', 'u', 's', '\n'}));
    EXPECT_EQ(cvtest::ReadFileBytes(song), original);
    EXPECT_TRUE(fs::is_symlink(song + "~"));
  }
}

// Two converts onto the same file at once take turns: both succeed and NAME~ keeps the original.
TEST(CliSafety, TwoWritersAtOnceKeepTheOriginal) {
  const std::string song = LyricSong(20000, "race.mid");
  const std::vector<uint8_t> original = cvtest::ReadFileBytes(song);
  const std::string cli = CANTOVEX_CLI;
  for (int round = 0; round < 3; ++round) {
    fs::remove(song + "~");
    std::vector<pid_t> pids;
    for (const char* format : {"0", "1"}) {
      std::vector<std::string> args = {cli, "convert", song, song, "--format", format};
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      pid_t pid = 0;
      ASSERT_EQ(posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
      pids.push_back(pid);
    }
    for (pid_t pid : pids) {
      int status = 0;
      waitpid(pid, &status, 0);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << round;
    }
    EXPECT_EQ(cvtest::ReadFileBytes(song + "~"), original) << round;
    // The song is whole: it opens.
    EXPECT_EQ(RunCliIn("en", {"info", song}).code, 0);
    Put(song, std::string(original.begin(), original.end()));
  }
}

// A full disk: every kind of file the tool writes fails with a plain message, and the old file,
// its backup and the folder stay as they were, without a temporary file.
TEST(CliSafety, AFullDiskLeavesTheOldFilesWhole) {
  SmallDisk disk;
  if (!disk.mounted) GTEST_SKIP() << disk.reason;
  const std::string big = LyricSong(6000, "big.mid");  // larger than the disk, as song and as LRC
  const std::string mid = disk.dir + "/old.mid", wav = disk.dir + "/old.wav", lrc = disk.dir + "/old.lrc";
  Put(mid, "old song");
  Put(wav, "old wave");
  Put(lrc, "old lyrics");
  struct Case {
    std::vector<std::string> args;
    std::string target, old;
  } cases[] = {
      {{"convert", big, mid, "--format", "1"}, mid, "old song"},
      {{"export", "--lrc", big, "-o", lrc}, lrc, "old lyrics"},
      {{"render", LyricSong(40, "short.mid"), "-o", wav}, wav, "old wave"},
  };
  for (const Case& c : cases) {
    for (const char* language : {"en", "de"}) {
      const auto run = RunCliIn(language, c.args);
      EXPECT_EQ(run.code, 1) << c.args[0] << "\n" << run.err;
      EXPECT_TRUE(Has(run.err, language == std::string("en") ? "The disk is full: free some space, or save to another disk."
                                                            : "Der Datenträger ist voll"))
          << run.err;
      EXPECT_FALSE(Has(run.err, "\r")) << run.err;
      const std::vector<uint8_t> now = cvtest::ReadFileBytes(c.target);
      EXPECT_EQ(std::string(now.begin(), now.end()), c.old) << c.args[0];
    }
  }
  // The backups of the song and the LRC file were made (they fit) before their saves failed.
  EXPECT_EQ(Entries(disk.dir), (std::vector<std::string>{"old.lrc", "old.lrc~", "old.mid", "old.mid~", "old.wav"}));
}

// A save killed while it writes leaves the old file whole; the next save there removes the
// killed one's temporary file.
TEST(CliSafety, AKilledSaveLeavesTheOldFileAndTheNextSaveCleansUp) {
  cvtest::SmfBuilder smf(0, 480);
  auto& t = smf.AddTrack();
  const std::string block(1 << 20, 'A');
  for (int i = 0; i < 48; ++i) t.Sysex(i, block + "\xF7");
  t.NoteOn(100, 0, 60, 100).NoteOff(200, 0, 60);
  const std::string big = smf.WriteTemp("big.mid");
  const std::string dir = cvtest::TempDir();
  const std::string target = dir + "/old.mid";
  Put(target, "old song");

  const std::string cli = CANTOVEX_CLI;
  std::vector<std::string> args = {cli, "convert", big, target, "--format", "0", "--no-backup"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
  bool killed = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!killed && std::chrono::steady_clock::now() < until) {
    for (const std::string& name : Entries(dir))
      if (name.rfind(".old.mid.cvtmp-", 0) == 0 && fs::file_size(dir + "/" + name) > 0) {
        ::kill(pid, SIGKILL);
        killed = true;
      }
    if (int status = 0; !killed && waitpid(pid, &status, WNOHANG) == pid) break;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  if (killed) waitpid(pid, nullptr, 0);
  fs::remove(big);
  ASSERT_TRUE(killed) << "the save ended before its temporary file was seen";
  const std::vector<uint8_t> old = cvtest::ReadFileBytes(target);
  EXPECT_EQ(std::string(old.begin(), old.end()), "old song");
  ASSERT_EQ(Entries(dir).size(), 2u);  // the old file and the killed save's temporary file

  const auto run = RunCliIn("en", {"convert", LyricSong(8, "small.mid"), target, "--format", "0", "--no-backup"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"old.mid"});
}

// A render that cannot end well is refused before a byte is written: a song longer than a WAV
// file holds (two huge pauses), more than an hour without --force, more than the disk takes.
TEST(CliSafety, RenderRefusesWhatItCannotFinishBeforeWriting) {
  cvtest::SmfBuilder huge(0, 32767);  // two pauses of the longest delta time: 10 hours
  huge.AddTrack().Tempo(0, 2200000).NoteOn(0x0FFFFFFF, 0, 60, 100).NoteOff(2 * 0x0FFFFFFF, 0, 60);
  cvtest::SmfBuilder hour(0, 480);  // 70 minutes at 120 bpm
  hour.AddTrack().Bpm(0, 120).NoteOn(0, 0, 60, 100).NoteOff(70 * 60 * 960, 0, 60);
  const std::string hugeSong = huge.WriteTemp("huge.mid"), hourSong = hour.WriteTemp("hour.mid");
  SmallDisk disk;
  const std::string dir = disk.mounted ? disk.dir : cvtest::TempDir();
  struct Case {
    std::vector<std::string> args;
    std::string text;
    bool needsSmallDisk;
  } cases[] = {
      {{"render", hugeSong, "-o", dir + "/out.wav"}, "A WAV file holds at most 4 GB", false},
      {{"render", hugeSong, "-o", dir + "/out.wav", "--force"}, "A WAV file holds at most 4 GB", false},
      {{"render", hourSong, "-o", dir + "/out.wav"}, "Confirm it (--force on the command line)", false},
      {{"render", hourSong, "-o", dir + "/out.wav", "--force"}, "are free on the disk of", true},
  };
  for (const Case& c : cases) {
    if (c.needsSmallDisk && !disk.mounted) continue;  // the reason is printed below
    const auto run = RunCliIn("en", c.args);
    EXPECT_EQ(run.code, 1) << run.err;
    EXPECT_TRUE(Has(run.err, c.text)) << run.err;
    EXPECT_TRUE(Has(run.err, "nothing was written")) << run.err;
    EXPECT_TRUE(fs::is_empty(dir));
  }
  if (!disk.mounted) GTEST_SKIP() << "the full-disk case: " << disk.reason;
}

// Ctrl-C, kill or a closed terminal during a render: the old WAV file stays, the unfinished one
// is removed.
TEST(CliSafety, AnInterruptedRenderRemovesItsTemporaryFile) {
  cvtest::SmfBuilder smf(0, 480);  // 20 minutes of notes
  auto& t = smf.AddTrack().Bpm(0, 120);
  for (int i = 0; i < 2400; ++i) t.NoteOn(i * 480, 0, 60, 100).NoteOff(i * 480 + 400, 0, 60);
  const std::string song = smf.WriteTemp("long.mid");
  const std::string dir = cvtest::TempDir();
  const std::string target = dir + "/old.wav";
  const std::string cli = CANTOVEX_CLI;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    Put(target, "old wave");
    std::vector<std::string> args = {cli, "render", song, "-o", target};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, cli.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    bool sent = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!sent && std::chrono::steady_clock::now() < until) {
      for (const std::string& name : Entries(dir))
        if (name.rfind(".old.wav.cvtmp-", 0) == 0 && fs::file_size(dir + "/" + name) > (1 << 20)) {
          ::kill(pid, signal);
          sent = true;
        }
      if (int status = 0; !sent && waitpid(pid, &status, WNOHANG) == pid) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    int status = 0;
    if (sent) waitpid(pid, &status, 0);
    ASSERT_TRUE(sent) << "the render ended before its temporary file was seen";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
    EXPECT_EQ(Entries(dir), std::vector<std::string>{"old.wav"}) << signal;
    const std::vector<uint8_t> old = cvtest::ReadFileBytes(target);
    EXPECT_EQ(std::string(old.begin(), old.end()), "old wave");
  }
}

// Exporting a song without lyrics writes nothing over an LRC file; replacing one keeps its backup.
TEST(CliSafety, AnLrcExportNeverEmptiesTheOldFile) {
  cvtest::SmfBuilder smf(0, 480);
  smf.AddTrack().NoteOn(0, 0, 60, 100).NoteOff(400, 0, 60);
  const std::string dir = cvtest::TempDir();
  const std::string lrc = dir + "/keep.lrc";
  Put(lrc, "old lyrics");
  auto run = RunCliIn("en", {"export", "--lrc", smf.WriteTemp("plain.mid"), "-o", lrc});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(Has(run.err, "The song has no lyrics, so there is nothing to export")) << run.err;
  EXPECT_EQ(Entries(dir), std::vector<std::string>{"keep.lrc"});
  run = RunCliIn("en", {"export", "--lrc", LyricSong(8, "lyrics.mid"), "-o", lrc});
  ASSERT_EQ(run.code, 0) << run.err;
  const std::vector<uint8_t> kept = cvtest::ReadFileBytes(lrc + "~");
  EXPECT_EQ(std::string(kept.begin(), kept.end()), "old lyrics");
  const std::vector<uint8_t> written = cvtest::ReadFileBytes(lrc);
  EXPECT_TRUE(Has(std::string(written.begin(), written.end()), "la"));
}

// A result lost to a full device is a failure with a message, not a success.
TEST(CliSafety, OutputLostToAFullDeviceFails) {
  const std::string song = LyricSong(8, "full.mid");
  const std::string err = cvtest::TempDir() + "/err";
  for (const char* command : {"info", "lyrics"}) {
    const std::string cmd = "env LANG=C '" + std::string(CANTOVEX_CLI) + "' --lang en " + command + " '" + song +
                            "' >/dev/full 2>'" + err + "'";
    const int status = std::system(cmd.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << command;
    const std::vector<uint8_t> text = cvtest::ReadFileBytes(err);
    EXPECT_TRUE(Has(std::string(text.begin(), text.end()), "The output could not be written")) << command;
  }
}
