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

// Replacing a song keeps it as it was in "NAME~" (once per run); --no-backup does without.
TEST(CliSafety, ReplacingASongKeepsItsBackupUnlessAskedNot) {
  const std::string song = LyricSong(8, "backup.mid");
  const std::vector<uint8_t> original = cvtest::ReadFileBytes(song);
  auto run = RunCliIn("en", {"edit", song, "--transpose", "2", "-o", song});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(cvtest::ReadFileBytes(song + "~"), original);
  const std::vector<uint8_t> edited = cvtest::ReadFileBytes(song);
  fs::remove(song + "~");
  run = RunCliIn("en", {"convert", song, song, "--format", "0", "--no-backup"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_FALSE(fs::exists(song + "~"));
  EXPECT_NE(cvtest::ReadFileBytes(song), edited);
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
  // The song's backup was made (it fits) before its save failed.
  EXPECT_EQ(Entries(disk.dir), (std::vector<std::string>{"old.lrc", "old.mid", "old.mid~", "old.wav"}));
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
