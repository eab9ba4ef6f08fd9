// The safe save on POSIX systems: a temporary file in the target's folder, written, flushed and
// renamed over the target.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <filesystem>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "output/SaveFile.h"

namespace cv {

namespace {

namespace fs = std::filesystem;

bool IsDiskFull(int err) {
  return err == ENOSPC || err == EFBIG
#ifdef EDQUOT
         || err == EDQUOT
#endif
      ;
}

// Writes everything; returns the bytes written and sets err (0 = all written).
size_t WriteAll(int fd, const std::vector<uint8_t>& bytes, int& err) {
  size_t done = 0;
  err = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
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

std::string TempName(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  fs::path dir = target.parent_path();
  std::string name = "." + target.filename().string() + ".cvtmp-" + std::to_string(::getpid()) + "-" +
                     std::to_string(counter.fetch_add(1));
  return (dir.empty() ? fs::path(name) : dir / name).string();
}

// Temporary files of ours that a killed save left beside the target; those of running saves stay.
void RemoveStaleTemporaries(const fs::path& target) {
  const std::string prefix = "." + target.filename().string() + ".cvtmp-";
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

FileWriteResult Fail(SaveStep step, size_t written = 0) { return {false, step, written}; }

// After a failed or short write; the message depends on what went wrong.
FileWriteResult FailWrite(int err, size_t written) {
  return IsDiskFull(err) ? Fail(SaveStep::ShortWrite, written) : Fail(SaveStep::WriteError);
}

// Devices and pipes: written where they are. A pipe without a reader fails instead of blocking.
FileWriteResult WriteInPlace(const std::string& path, const std::vector<uint8_t>& bytes) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(SaveStep::CannotBegin);
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  int err = 0;
  size_t written = WriteAll(fd, bytes, err);
  if (err != 0) {
    ::close(fd);
    return FailWrite(err, written);
  }
  if (::close(fd) != 0) return Fail(SaveStep::WriteError);
  return {};
}

}  // namespace

bool WritableByMode(const std::string& fileName) {
  struct stat st {};
  if (::stat(fileName.c_str(), &st) != 0) return true;  // a new file
  // The mode bits decide, for root as well: a write-protected file is the user's choice.
  if (::geteuid() == st.st_uid) return (st.st_mode & S_IWUSR) != 0;
  if (::geteuid() == 0) return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  return ::access(fileName.c_str(), W_OK) == 0;
}

FileWriteResult WriteFileSafely(const std::string& fileName, const std::vector<uint8_t>& bytes) {
  std::string target = fileName;
  struct stat st {};
  const bool exists = ::stat(fileName.c_str(), &st) == 0;
  std::error_code linkEc;
  if (!exists && fs::is_symlink(fs::symlink_status(fileName, linkEc))) {
    // A link to a file not yet there: the file is made where the link points, the link stays.
    const fs::path link(fileName);
    const fs::path to = fs::read_symlink(link, linkEc);
    if (linkEc) return Fail(SaveStep::CannotBegin);
    target = (to.is_absolute() ? to : link.parent_path() / to).string();
  }
  if (exists) {
    // A link stays a link: the file it points to is replaced.
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(fileName, ec))) {
      fs::path real = fs::canonical(fileName, ec);
      if (!ec) target = real.string();
    }
    if (S_ISDIR(st.st_mode)) return Fail(SaveStep::CannotBegin);
    if (!S_ISREG(st.st_mode)) return WriteInPlace(target, bytes);
    if (!WritableByMode(fileName)) return Fail(SaveStep::ReadOnly);
  }

  RemoveStaleTemporaries(fs::path(target));
  const std::string temp = TempName(fs::path(target));
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return Fail(SaveStep::CannotBegin);
  if (exists) {
    // The new file keeps the old one's permissions and, where allowed, its owner.
    (void)::fchmod(fd, st.st_mode & 07777);
    if (::geteuid() == 0) (void)!::fchown(fd, st.st_uid, st.st_gid);
    CopyExtendedAttributes(target, fd);
  }
  auto discard = [&](int closeFd) {
    if (closeFd >= 0) ::close(closeFd);
    ::unlink(temp.c_str());
  };
  int err = 0;
  size_t written = WriteAll(fd, bytes, err);
  if (err != 0) {
    discard(fd);
    return FailWrite(err, written);
  }
  if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
    discard(fd);
    return Fail(SaveStep::WriteError);
  }
  if (::close(fd) != 0) {
    discard(-1);
    return Fail(SaveStep::WriteError);
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    discard(-1);
    return Fail(SaveStep::WriteError);
  }
  // Make the rename itself durable.
  fs::path dir = fs::path(target).parent_path();
  int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    (void)::fsync(dfd);
    ::close(dfd);
  }
  return {};
}

}  // namespace cv
