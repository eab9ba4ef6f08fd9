#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "HandSong.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "output/SaveFile.h"
#include "song/Language.h"
#include "support/SmfBuilder.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

struct RecordingSink : cv::MessageSink {
  std::vector<std::string> messages;
  void ShowMessage(const std::string& caption, const std::string& text) override {
    messages.push_back(caption + "|" + text);
  }
};

cv::Song& SmallSong(cvtest::HandSong& h) {
  h.Channel(0, 0, 0x90, 60, 100).Channel(0, 100, 0x80, 60, 0);
  return h.song();
}

const Bytes kOld = {'o', 'l', 'd'};

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> FolderEntries(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Runs fn in a child process (optionally as an unprivileged user) and returns what it returned;
// "SKIP: ..." when the child could not drop its privileges.
std::string InChild(bool unprivileged, const std::function<std::string()>& fn) {
  int fds[2];
  if (pipe(fds) != 0) return "SKIP: no pipe";
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    std::string result;
    if (unprivileged && (setgid(65534) != 0 || setuid(65534) != 0))
      result = "SKIP: cannot switch to an unprivileged user";
    else
      result = fn();
    (void)!write(fds[1], result.data(), result.size());
    _exit(0);
  }
  close(fds[1]);
  std::string out;
  char buf[512];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return out;
}

// A folder the unprivileged user of InChild may enter and write.
std::string SharedTempDir() {
  std::string dir = cvtest::TempDir();
  fs::permissions(dir, fs::perms::all);
  return dir;
}

// A write-protected file stays as it is, for root too; the message says why and what to do.
TEST(SaveFile, AWriteProtectedFileIsNotReplaced) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  cvtest::HandSong h(0, 1, 100);
  const std::string dir = cvtest::TempDir();
  const std::string target = dir + "/song.mid";
  WriteFile(target, kOld);
  chmod(target.c_str(), 0444);
  RecordingSink sink;
  EXPECT_FALSE(cv::SaveToFileFormat0(SmallSong(h), target, sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_NE(sink.messages[0].find("is write-protected and was not replaced"), std::string::npos) << sink.messages[0];
  EXPECT_EQ(sink.messages[0].find("Error removing"), std::string::npos) << sink.messages[0];
  EXPECT_EQ(cvtest::ReadFileBytes(target), kOld);
  struct stat st {};
  stat(target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0444u);
  EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"song.mid"});
}

// The new file keeps the old one's mode and extended attributes; temporary files that killed
// saves left are removed, those of a running process stay; a link to a missing file stays a link.
TEST(SaveFile, KeepsModeAndAttributesAndCleansUpAfterKilledSaves) {
  cvtest::HandSong h(0, 1, 100);
  SmallSong(h);
  const std::string dir = cvtest::TempDir();
  const std::string target = dir + "/song.mid";
  WriteFile(target, kOld);
  chmod(target.c_str(), 0640);
  const bool xattrs = setxattr(target.c_str(), "user.cantovex", "x", 1, 0) == 0;
  // A process id that is not running: the kernel's maximum is far above any live one.
  const std::string stale = dir + "/.song.mid.cvtmp-2147483646-0";
  const std::string live = dir + "/.song.mid.cvtmp-" + std::to_string(getpid()) + "-99";
  WriteFile(stale, kOld);
  WriteFile(live, kOld);
  RecordingSink sink;
  ASSERT_TRUE(cv::SaveToFileFormat0(h.song(), target, sink));
  struct stat st {};
  stat(target.c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (xattrs) {
    char value[4] = {};
    EXPECT_EQ(getxattr(target.c_str(), "user.cantovex", value, sizeof value), 1);
  }
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(live));
  fs::remove(live);

  const std::string link = dir + "/link.mid";
  fs::create_symlink("made.mid", link);
  ASSERT_TRUE(cv::SaveToFileFormat0(h.song(), link, sink));
  EXPECT_TRUE(fs::is_symlink(fs::symlink_status(link)));
  const Bytes made = cvtest::ReadFileBytes(dir + "/made.mid");
  EXPECT_EQ(std::string(made.begin(), made.begin() + std::min<size_t>(4, made.size())), "MThd");
  if (!xattrs) GTEST_SKIP() << "extended attributes are not supported in " << dir;
}

TEST(SaveFile, ReadOnlyFolderKeepsTheOriginal) {
  for (cv::TLanguage language : {cv::TLanguage::Deutsch, cv::TLanguage::Englisch}) {
    cv::SetCurrLanguage(language);
    cvtest::HandSong h(0, 1, 100);
    SmallSong(h);
    const std::string dir = SharedTempDir();
    const std::string target = dir + "/song.mid";
    WriteFile(target, kOld);
    chmod(target.c_str(), 0666);
    chmod(dir.c_str(), 0555);
    // Permission bits do not stop root: the save then runs as an unprivileged user.
    std::string got = InChild(geteuid() == 0, [&] {
      RecordingSink sink;
      bool ok = cv::SaveToFileFormat0(h.song(), target, sink);
      return (ok ? "saved" : "failed") + std::string("|") + (sink.messages.empty() ? "" : sink.messages[0]);
    });
    chmod(dir.c_str(), 0755);
    if (got.rfind("SKIP", 0) == 0) GTEST_SKIP() << got;
    const std::string expected =
        language == cv::TLanguage::Deutsch
            ? "failed|Achtung|Der Song wurde nicht gespeichert; eine vorhandene Datei dieses Namens ist unverändert. "
              "Der Ordner \"" + dir + "\" ist schreibgeschützt: Speichern Sie in einem anderen Ordner."
            : "failed|Warning|The song was not saved; an existing file of that name is unchanged. The folder \"" +
                  dir + "\" is write-protected: save into another folder.";
    EXPECT_EQ(got, expected);
    EXPECT_EQ(cvtest::ReadFileBytes(target), kOld);
    EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"song.mid"});
  }
}

TEST(SaveFile, FullDiskKeepsTheOriginalAndReportsTheShortWrite) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  cvtest::HandSong h(0, 1, 100);
  for (int i = 0; i < 100; ++i) h.Channel(0, i, 0x90, 60, 100);
  const std::string dir = cvtest::TempDir();
  const std::string target = dir + "/song.mid";
  WriteFile(target, kOld);
  // A file size limit of 64 bytes stands in for a full device.
  std::string got = InChild(false, [&] {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    RecordingSink sink;
    bool ok = cv::SaveToFileFormat0(h.song(), target, sink);
    return (ok ? "saved" : "failed") + std::string("|") + (sink.messages.empty() ? "" : sink.messages[0]);
  });
  EXPECT_EQ(got, "failed|Warning|The song was not saved; an existing file of that name is unchanged. The disk is "
                 "full: free some space, or save to another disk.");
  EXPECT_EQ(cvtest::ReadFileBytes(target), kOld);
  EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"song.mid"});
}

TEST(SaveFile, DevicesAreWrittenInPlace) {
  cv::SetCurrLanguage(cv::TLanguage::Deutsch);
  cvtest::HandSong h(0, 1, 100);
  SmallSong(h);
  RecordingSink sink;
  EXPECT_FALSE(cv::SaveToFileFormat1(h.song(), "/dev/full", sink));
  ASSERT_EQ(sink.messages.size(), 1u);
  EXPECT_TRUE(sink.messages[0].ends_with("Der Datenträger ist voll: Schaffen Sie Platz oder speichern Sie auf einem "
                                         "anderen."))
      << sink.messages[0];
  RecordingSink quiet;
  EXPECT_TRUE(cv::SaveToFileFormat0(h.song(), "/dev/null", quiet));
  EXPECT_TRUE(quiet.messages.empty());
  // A pipe nobody reads fails at once instead of blocking.
  const std::string fifo = cvtest::TempDir() + "/pipe.mid";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  RecordingSink pipeSink;
  EXPECT_FALSE(cv::SaveToFileFormat0(h.song(), fifo, pipeSink));
  EXPECT_EQ(pipeSink.messages.size(), 1u);
  EXPECT_TRUE(fs::is_fifo(fifo));
}

// Each message says what happened and what to do, without the old programs' raw lines ("Error
// removing read only flag", "There were only 0 from N Bytes saved").
TEST(SaveFile, MessagesOfTheWriters) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  using cv::FileFault;
  using cv::SaveStep;
  using cv::SaveTexts;
  struct Case {
    SaveStep step;
    FileFault fault;
    std::string text;
  } cases[] = {
      {SaveStep::ReadOnly, FileFault::FolderNotWritable,
       "The file \"d/f\" is write-protected and was not replaced. Save the song under another name, or allow writing "
       "to it first."},
      {SaveStep::CannotBegin, FileFault::NoFolder,
       "The song was not saved; an existing file of that name is unchanged. The folder \"d\" does not exist: choose an "
       "existing folder."},
      {SaveStep::CannotBegin, FileFault::IsFolder,
       "The song was not saved; an existing file of that name is unchanged. \"d/f\" is a folder: choose a file name."},
      {SaveStep::WriteError, FileFault::Other,
       "The song was not saved; an existing file of that name is unchanged. The system reported an error while "
       "writing: try again, or save to another place."},
      {SaveStep::ShortWrite, FileFault::DiskFull,
       "The song was not saved; an existing file of that name is unchanged. The disk is full: free some space, or "
       "save to another disk."},
  };
  for (const Case& c : cases) EXPECT_EQ(cv::SaveMessage(SaveTexts::Song, {false, c.step, 1, c.fault}, "d/f"), c.text);
  // A file that is not a song has no text of its own: the sentence alone.
  EXPECT_EQ(cv::SaveMessage(SaveTexts::Other, {false, SaveStep::ShortWrite, 1, FileFault::DiskFull}, "d/t.txt"),
            "The file \"d/t.txt\" was not saved; an existing file of that name is unchanged. The disk is full: free "
            "some space, or save to another disk.");
}

// The backup holds the file as it was, also once the file is saved over; an older copy stays unless
// replacing it is asked for; a write-protected backup or an unreadable folder stops the save with
// the reason, a write-protected folder is left to the save.
TEST(SaveFile, BackupCopyBesideTheFile) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  const std::string dir = SharedTempDir();
  const std::string target = dir + "/song.mid";
  std::string message;
  EXPECT_TRUE(cv::MakeBackupCopy(target, true, message).Ok);  // nothing to copy
  EXPECT_FALSE(fs::exists(target + "~"));
  WriteFile(target, kOld);
  chmod(target.c_str(), 0600);
  WriteFile(target + "~", {'x'});
  chmod((target + "~").c_str(), 0644);
  ASSERT_TRUE(cv::MakeBackupCopy(target, false, message).Ok);
  EXPECT_EQ(cvtest::ReadFileBytes(target + "~"), std::vector<uint8_t>{'x'});  // the oldest copy stays
  ASSERT_TRUE(cv::MakeBackupCopy(target, true, message).Ok);
  EXPECT_EQ(cvtest::ReadFileBytes(target + "~"), kOld);
  struct stat st {};
  stat((target + "~").c_str(), &st);
  EXPECT_EQ(st.st_mode & 07777, 0600u);  // a private song stays private in its copy
  EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"song.mid", "song.mid~"}));
  ASSERT_TRUE(cv::WriteFileSafely(target, Bytes{'n', 'e', 'w'}).Ok);
  EXPECT_EQ(cvtest::ReadFileBytes(target + "~"), kOld);
  // A song with a second name: its backup is a copy, so a change in place through that name
  // leaves the backup alone.
  const std::string alias = dir + "/alias.mid";
  ASSERT_EQ(link(target.c_str(), alias.c_str()), 0);
  ASSERT_TRUE(cv::MakeBackupCopy(target, true, message).Ok);
  {
    std::ofstream inPlace(alias, std::ios::binary | std::ios::in | std::ios::out);
    inPlace << "NEW";
  }
  EXPECT_EQ(cvtest::ReadFileBytes(target + "~"), (Bytes{'n', 'e', 'w'}));
  fs::remove(alias);
  // On another disk the backup is a copy of the bytes, with the original's permissions.
  const std::string other = "/dev/shm/cantovex-backup-" + std::to_string(getpid()) + ".mid";
  struct stat shm {}, here {};
  if (stat("/dev/shm", &shm) == 0 && stat(dir.c_str(), &here) == 0 && shm.st_dev != here.st_dev) {
    WriteFile(other, kOld);
    chmod(other.c_str(), 0640);
    ASSERT_TRUE(cv::CopyFileSafely(other, target + "~").Ok);
    fs::remove(other);
    EXPECT_EQ(cvtest::ReadFileBytes(target + "~"), kOld);
    stat((target + "~").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"song.mid", "song.mid~"}));
  }
  WriteFile(target, kOld);

  chmod((target + "~").c_str(), 0444);
  const cv::FileWriteResult protectedBackup = cv::MakeBackupCopy(target, true, message);
  EXPECT_FALSE(protectedBackup.Ok);
  EXPECT_TRUE(message.starts_with("The backup \"" + target + "~\" could not be made, so nothing was saved; "
                                  "the file is unchanged. It is write-protected"))
      << message;
  EXPECT_TRUE(message.ends_with("\nThe backup can be turned off in the options (--no-backup on the command line)."));
  fs::remove(target + "~");

  chmod(target.c_str(), 0666);
  chmod(dir.c_str(), 0555);
  const std::string got = InChild(geteuid() == 0, [&] {
    std::string text;
    const cv::FileWriteResult r = cv::MakeBackupCopy(target, true, text);
    return std::string(r.Ok ? "ok" : r.Fault == cv::FileFault::FolderNotWritable ? "folder" : "other");
  });
  chmod(dir.c_str(), 0755);
  if (got.rfind("SKIP", 0) == 0) GTEST_SKIP() << got;
  EXPECT_EQ(got, "folder");
  EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"song.mid"});
}

// A link, folder or pipe at NAME~ is never written through or replaced, whether the old copy is
// kept or replaced: the file it points to stays, and the message says what to do.
TEST(SaveFile, BackupNeverGoesThroughWhatStandsAtItsName) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  const std::string dir = SharedTempDir();
  const std::string target = dir + "/song.mid", outside = dir + "/precious.txt";
  WriteFile(target, kOld);
  WriteFile(outside, {'p'});
  const std::function<void()> plant[] = {
      [&] { fs::create_symlink(outside, target + "~"); },
      [&] { fs::create_symlink(dir + "/missing", target + "~"); },
      [&] { fs::create_directory(target + "~"); },
      [&] { mkfifo((target + "~").c_str(), 0644); },
  };
  for (const auto& put : plant) {
    for (bool replace : {false, true}) {
      put();
      const fs::file_type before = fs::symlink_status(target + "~").type();
      std::string message;
      const cv::FileWriteResult r = cv::MakeBackupCopy(target, replace, message);
      EXPECT_FALSE(r.Ok);
      EXPECT_EQ(r.Fault, cv::FileFault::NotRegularFile);
      EXPECT_TRUE(message.find("holds no ordinary file") != std::string::npos) << message;
      EXPECT_EQ(fs::symlink_status(target + "~").type(), before);
      fs::remove(target + "~");
    }
  }
  EXPECT_EQ(cvtest::ReadFileBytes(outside), std::vector<uint8_t>{'p'});
  EXPECT_FALSE(fs::exists(dir + "/missing"));
  // The copy written by the safe save itself never follows a link planted late.
  fs::create_symlink(outside, target + "~");
  EXPECT_EQ(cv::WriteFileSafely(target + "~", kOld, target).Fault, cv::FileFault::NotRegularFile);
  EXPECT_EQ(cvtest::ReadFileBytes(outside), std::vector<uint8_t>{'p'});
}

// Names up to the file system's 255 bytes save: the temporary name beside them is shortened.
TEST(SaveFile, LongestNamesSave) {
  const std::string dir = SharedTempDir();
  for (size_t length : {241u, 255u}) {
    std::string name(length - 4, 'a');
    name.replace(159, 2, "\xc3\xa4");  // a character across the cut keeps the name valid
    const std::string target = dir + "/" + name + ".mid";
    ASSERT_EQ(fs::path(target).filename().string().size(), length);
    const cv::FileWriteResult r = cv::WriteFileSafely(target, kOld);
    EXPECT_TRUE(r.Ok) << length;
    EXPECT_EQ(cvtest::ReadFileBytes(target), kOld);
    fs::remove(target);
  }
  EXPECT_TRUE(FolderEntries(dir).empty());
}

// A second writer waits while the first holds the lock, and gets it once it is free; a writer
// still holding it after the wait is reported.
TEST(SaveFile, SaveLockMakesWritersTakeTurns) {
  const std::string dir = SharedTempDir();
  const std::string target = dir + "/song.mid";
  WriteFile(target, kOld);
  auto first = std::make_unique<cv::SaveLock>();
  ASSERT_TRUE(first->Acquire(target));
  cv::SaveLock second;
  EXPECT_FALSE(second.Acquire(target, 50));
  // The first writer's new file replaces the locked one: the lock follows the name.
  WriteFile(dir + "/new", {'n'});
  fs::rename(dir + "/new", target);
  cv::SaveLock third;
  EXPECT_TRUE(third.Acquire(target, 50));
  first.reset();
  cv::SaveLock fourth;
  EXPECT_FALSE(fourth.Acquire(target, 50));
  EXPECT_TRUE(cv::SaveLock().Acquire(dir + "/not-there.mid", 0));  // a new file has nothing to lose
}

}  // namespace
