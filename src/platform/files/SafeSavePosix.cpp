// The safe save on POSIX systems: a temporary file in the target's folder, written, flushed and
// renamed over the target.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <filesystem>
#include <string>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "song/SafeFile.h"

namespace cv {

namespace {

namespace fs = std::filesystem;

FileFault FaultOf(int err) {
  switch (err) {
    case ENOSPC:
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return FileFault::DiskFull;
    case EACCES:
    case EPERM:
    case EROFS: return FileFault::FolderNotWritable;
    case ENOENT:
    case ENOTDIR: return FileFault::NoFolder;
    case EISDIR: return FileFault::IsFolder;
    case 0: return FileFault::None;
    default: return FileFault::Other;
  }
}

FileWriteResult Fail(SaveStep step, int err, size_t written = 0) { return {false, step, written, FaultOf(err)}; }

// After a failed or short write; a full disk is told apart from other faults.
FileWriteResult FailWrite(int err, size_t written) {
  return FaultOf(err) == FileFault::DiskFull ? Fail(SaveStep::ShortWrite, err, written) : Fail(SaveStep::WriteError, err);
}

// Writes everything; returns the bytes written and sets err (0 = all written).
size_t WriteAll(int fd, const uint8_t* bytes, size_t size, int& err) {
  size_t done = 0;
  err = 0;
  while (done < size) {
    ssize_t n = ::write(fd, bytes + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    if (n == 0) {
      err = ENOSPC;
      break;
    }
    done += static_cast<size_t>(n);
  }
  return done;
}

// "." NAME ".cvtmp-": a long NAME is cut (at a character's start) and a hash of the whole name
// added, so the temporary name stays within the file system's 255 bytes.
std::string TempPrefix(const fs::path& target) {
  std::string name = target.filename().string();
  constexpr size_t kKeep = 160;
  if (name.size() > kKeep + 40) {
    size_t cut = kKeep;
    while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
    const size_t hash = std::hash<std::string>{}(name);
    name = name.substr(0, cut) + "~" + std::to_string(hash);
  }
  return "." + name + ".cvtmp-";
}

std::string TempName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  fs::path dir = target.parent_path();
  std::string name = TempPrefix(target) + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1));
  return (dir.empty() ? fs::path(name) : dir / name).string();
}

// Temporary files of ours that a killed save left beside the target; those of running saves stay.
void RemoveStaleTemporaries(const fs::path& target) {
  const std::string prefix = TempPrefix(target);
  const fs::path dir = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    const std::string rest = name.substr(prefix.size());
    const size_t dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || rest.find_first_not_of("0123456789-") != std::string::npos) continue;
    const long pid = std::strtol(rest.substr(0, dash).c_str(), nullptr, 10);
    if (pid <= 0 || (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)) {
      std::error_code ignored;
      fs::remove(it->path(), ignored);
    }
  }
}

// Extended attributes (labels, tags, ACLs) go over to the new file where the system allows it.
void CopyExtendedAttributes(const std::string& from, int toFd) {
  const ssize_t size = ::listxattr(from.c_str(), nullptr, 0);
  if (size <= 0) return;
  std::string names(static_cast<size_t>(size), '\0');
  const ssize_t got = ::listxattr(from.c_str(), names.data(), names.size());
  if (got <= 0) return;
  for (size_t at = 0; at < static_cast<size_t>(got);) {
    const char* name = names.c_str() + at;
    at += std::char_traits<char>::length(name) + 1;
    const ssize_t length = ::getxattr(from.c_str(), name, nullptr, 0);
    if (length < 0) continue;
    std::string value(static_cast<size_t>(length), '\0');
    const ssize_t read = ::getxattr(from.c_str(), name, value.data(), value.size());
    if (read >= 0) (void)::fsetxattr(toFd, name, value.data(), static_cast<size_t>(read), 0);
  }
}

// The temporary files being written, readable from a signal handler: a slot is claimed, filled,
// then published; only published slots are unlinked.
struct UnfinishedSlot {
  std::atomic<int> state{0};  // 0 free, 1 being filled, 2 published
  char path[4096];
};
UnfinishedSlot unfinished[32];

int RegisterUnfinished(const std::string& path) {
  if (path.size() >= sizeof unfinished[0].path) return -1;
  for (int i = 0; i < static_cast<int>(std::size(unfinished)); ++i) {
    int expected = 0;
    if (!unfinished[i].state.compare_exchange_strong(expected, 1)) continue;
    std::memcpy(unfinished[i].path, path.c_str(), path.size() + 1);
    unfinished[i].state = 2;
    return i;
  }
  return -1;  // more saves at once than slots: that one is only not cleaned up after a signal
}

void UnregisterUnfinished(int& slot) {
  if (slot >= 0) unfinished[slot].state = 0;
  slot = -1;
}

// Makes a rename in the file's folder durable.
void SyncFolderOf(const std::string& file) {
  const fs::path dir = fs::path(file).parent_path();
  const int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
}

extern "C" void EndAfterRemovingUnfinished(int signal) {
  RemoveUnfinishedFiles();
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

void RemoveUnfinishedFiles() {
  for (UnfinishedSlot& slot : unfinished)
    if (slot.state.load() == 2) ::unlink(slot.path);
}

void RemoveUnfinishedFilesOnEndingSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction action {};
    action.sa_handler = EndAfterRemovingUnfinished;
    sigemptyset(&action.sa_mask);
    ::sigaction(signal, &action, nullptr);
  }
}

bool WritableByMode(const std::string& fileName) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) return true;  // a new file
  // The mode bits decide, for root as well: a write-protected file is the user's choice.
  if (::geteuid() == st.st_uid) return (st.st_mode & S_IWUSR) != 0;
  if (::geteuid() == 0) return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  return ::access(fileName.c_str(), W_OK) == 0;
}

SafeFile::~SafeFile() { Discard(); }

void SafeFile::Discard() {
  if (fd_ < 0) return;
  ::close(fd_);
  fd_ = -1;
  if (!inPlace_) ::unlink(temp_.c_str());
  UnregisterUnfinished(slot_);
}

FileWriteResult SafeFile::Begin(const std::string& fileName, const std::string& copyOf) {
  Discard();
  written_ = 0;
  inPlace_ = false;
  target_ = fileName;
  struct stat st {};
  if (!copyOf.empty()) {
    // A copy replaces only a regular file of its name, never what a link there points to.
    if (::lstat(fileName.c_str(), &st) == 0) {
      if (!S_ISREG(st.st_mode)) return {false, SaveStep::CannotBegin, 0, FileFault::NotRegularFile};
      if (!WritableByMode(fileName)) return Fail(SaveStep::ReadOnly, 0);
    }
    return CreateTemporary(false, st, copyOf);
  }
  const bool exists = ::stat(fileName.c_str(), &st) == 0;
  std::error_code linkEc;
  if (!exists && fs::is_symlink(fs::symlink_status(fileName, linkEc))) {
    // A link to a file not yet there: the file is made where the link points, the link stays.
    const fs::path link(fileName);
    const fs::path to = fs::read_symlink(link, linkEc);
    if (linkEc) return Fail(SaveStep::CannotBegin, linkEc.value());
    target_ = (to.is_absolute() ? to : link.parent_path() / to).string();
  }
  if (exists) {
    // A link stays a link: the file it points to is replaced.
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(fileName, ec))) {
      fs::path real = fs::canonical(fileName, ec);
      if (!ec) target_ = real.string();
    }
    if (S_ISDIR(st.st_mode)) return Fail(SaveStep::CannotBegin, EISDIR);
    if (!S_ISREG(st.st_mode)) {
      // Devices and pipes: written where they are. A pipe without a reader fails instead of blocking.
      fd_ = ::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      if (fd_ < 0) return Fail(SaveStep::CannotBegin, errno);
      const int flags = ::fcntl(fd_, F_GETFL);
      if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
      inPlace_ = true;
      return {};
    }
    if (!WritableByMode(fileName)) return Fail(SaveStep::ReadOnly, 0);
  }
  return CreateTemporary(exists, st, copyOf);
}

FileWriteResult SafeFile::CreateTemporary(bool exists, const struct stat& st, const std::string& copyOf) {
  RemoveStaleTemporaries(fs::path(target_));
  temp_ = TempName(fs::path(target_));
  fd_ = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd_ < 0) return Fail(SaveStep::CannotBegin, errno);
  slot_ = RegisterUnfinished(temp_);
  // The new file keeps the old one's permissions and, where allowed, its owner; a copy keeps its
  // original's, so a private file does not become readable for others.
  struct stat model {};
  const std::string& modelName = copyOf.empty() ? target_ : copyOf;
  if (copyOf.empty() ? exists : ::stat(copyOf.c_str(), &model) == 0) {
    if (copyOf.empty()) model = st;
    (void)::fchmod(fd_, model.st_mode & 07777);
    if (::geteuid() == 0) (void)!::fchown(fd_, model.st_uid, model.st_gid);
    CopyExtendedAttributes(modelName, fd_);
  }
  return {};
}

FileWriteResult SafeFile::Write(const void* data, size_t size) {
  if (fd_ < 0) return Fail(SaveStep::WriteError, EBADF);
  int err = 0;
  const size_t done = WriteAll(fd_, static_cast<const uint8_t*>(data), size, err);
  written_ += done;
  if (err == 0) return {};
  Discard();
  return FailWrite(err, written_);
}

FileWriteResult SafeFile::WriteAt(uint64_t offset, const void* data, size_t size) {
  if (fd_ < 0) return Fail(SaveStep::WriteError, EBADF);
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
    const int err = errno;
    Discard();
    return Fail(SaveStep::WriteError, err);
  }
  int err = 0;
  WriteAll(fd_, static_cast<const uint8_t*>(data), size, err);
  if (err == 0 && ::lseek(fd_, 0, SEEK_END) >= 0) return {};
  Discard();
  return FailWrite(err ? err : EIO, written_);
}

FileWriteResult SafeFile::WriteContentsOf(const std::string& source) {
  if (fd_ < 0) return Fail(SaveStep::WriteError, EBADF);
  const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    const int err = errno;
    Discard();
    return Fail(SaveStep::CannotBegin, err);
  }
  int err = 0;
#if defined(__linux__)
  // In the kernel, without passing the bytes through this process (or at all, on file systems
  // that share extents).
  for (;;) {
    const ssize_t n = ::copy_file_range(in, nullptr, fd_, nullptr, size_t{1} << 30, 0);
    if (n > 0) {
      written_ += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) err = errno;
    break;  // the end, a fault, or a copy the system cannot make: the rest goes through read below
  }
#endif
  uint8_t block[1 << 16];
  while (err == 0) {
    const ssize_t n = ::read(in, block, sizeof block);
    if (n == 0) break;
    if (n < 0) {
      if (errno != EINTR) err = errno;
      continue;
    }
    written_ += WriteAll(fd_, block, static_cast<size_t>(n), err);
  }
  ::close(in);
  if (err == 0) return {};
  Discard();
  return FailWrite(err, written_);
}

FileWriteResult SafeFile::Commit() {
  if (fd_ < 0) return Fail(SaveStep::WriteError, EBADF);
  const int fd = fd_;
  fd_ = -1;
  if (inPlace_) return ::close(fd) == 0 ? FileWriteResult{} : Fail(SaveStep::WriteError, errno);
  auto discard = [&](int err) {
    ::unlink(temp_.c_str());
    UnregisterUnfinished(slot_);
    return FaultOf(err) == FileFault::DiskFull ? Fail(SaveStep::ShortWrite, err, written_)
                                               : Fail(SaveStep::WriteError, err);
  };
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
    const int err = errno;
    ::close(fd);
    return discard(err);
  }
  if (::close(fd) != 0) return discard(errno);
  if (::rename(temp_.c_str(), target_.c_str()) != 0) return discard(errno);
  UnregisterUnfinished(slot_);
  SyncFolderOf(target_);
  return {};
}

FileWriteResult CopyFileSafely(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::lstat(to.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return {false, SaveStep::CannotBegin, 0, FileFault::NotRegularFile};
    if (!WritableByMode(to)) return Fail(SaveStep::ReadOnly, 0);
  }
  // The link is made under a temporary name and renamed over `to`, which replaces whatever stands
  // there by then instead of following it.
  const fs::path target(to);
  RemoveStaleTemporaries(target);
  const std::string temp = TempName(target);
  // A file that has other names already is copied: a change made in place through one of them
  // would otherwise change the backup too.
  struct stat source {};
  const bool onlyName = ::stat(from.c_str(), &source) == 0 && source.st_nlink == 1;
  if (onlyName && ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    int slot = RegisterUnfinished(temp);
    const bool renamed = ::rename(temp.c_str(), to.c_str()) == 0;
    const int err = errno;
    if (!renamed) ::unlink(temp.c_str());
    UnregisterUnfinished(slot);
    if (!renamed) return Fail(SaveStep::WriteError, err);
    SyncFolderOf(to);
    return {};
  }
  SafeFile file;
  FileWriteResult r = file.Begin(to, from);
  if (r.Ok) r = file.WriteContentsOf(from);
  if (r.Ok) r = file.Commit();
  return r;
}

SaveLock::~SaveLock() {
  if (fd_ >= 0) ::close(fd_);
}

bool SaveLock::Acquire(const std::string& fileName, int waitMs) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    // A save renames a new file over the old one, so the lock must be on the file the name still
    // means. A new file has nothing to lose and needs no lock.
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return true;
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return true;  // unreadable: the save itself says what is wrong
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      struct stat locked {}, now {};
      if (::fstat(fd, &locked) == 0 && ::stat(fileName.c_str(), &now) == 0 && locked.st_dev == now.st_dev &&
          locked.st_ino == now.st_ino) {
        fd_ = fd;
        return true;
      }
    } else if (errno != EWOULDBLOCK && errno != EINTR) {
      ::close(fd);
      return true;  // a file system without locks
    }
    ::close(fd);
    if (std::chrono::steady_clock::now() >= until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

FileWriteResult WriteFileSafely(const std::string& fileName, std::span<const uint8_t> bytes,
                                const std::string& copyOf) {
  SafeFile file;
  FileWriteResult r = file.Begin(fileName, copyOf);
  if (r.Ok) r = file.Write(bytes.data(), bytes.size());
  if (r.Ok) r = file.Commit();
  return r;
}

}  // namespace cv
