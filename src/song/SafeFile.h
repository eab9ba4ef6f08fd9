// Putting a file on disk without ever destroying the old one before the new one is complete: a
// temporary file in the same folder is written, flushed and renamed over the target. The platform
// layer defines these (src/platform/files); the core only says what it needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct stat;

namespace cv {

enum class SaveStep { ReadOnly, CannotBegin, WriteError, ShortWrite };

// Why a step failed, in the terms a message to the user needs.
// NotRegularFile: a backup's name is taken by a link, folder or device, which a copy never
// replaces or writes through.
enum class FileFault { None, DiskFull, FolderNotWritable, NoFolder, IsFolder, NotRegularFile, Other };

struct FileWriteResult {
  bool Ok = true;
  SaveStep FailedStep = SaveStep::WriteError;
  size_t Written = 0;  // bytes written before a short write
  FileFault Fault = FileFault::None;
};

// One file written in pieces (a WAV file while it renders) and put in place only by Commit. An
// uncommitted file is discarded, also by the destructor, so the old file stays as it was.
class SafeFile {
 public:
  SafeFile() = default;
  ~SafeFile();
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  // Checks the target (a write-protected file is never replaced, even for root; a link stays a
  // link) and creates the temporary file beside it, with the old file's mode, owner (where
  // allowed) and extended attributes, or those of copyOf (a backup's original) when given. Our
  // stale temporary files beside it, left by killed saves, are removed. Devices and pipes are
  // written in place, since renaming would replace them.
  // A copy (copyOf given) is put at the name itself: never through a link and never into a
  // device; a name taken by anything but a regular file fails with NotRegularFile.
  FileWriteResult Begin(const std::string& fileName, const std::string& copyOf = {});
  FileWriteResult Write(const void* data, size_t size);
  // Overwrites bytes already written (a header completed at the end); not for devices and pipes.
  FileWriteResult WriteAt(uint64_t offset, const void* data, size_t size);
  // Appends the whole content of the file `source`, copied by the system where it can.
  FileWriteResult WriteContentsOf(const std::string& source);
  // Flushes the file to the disk and renames it over the target.
  FileWriteResult Commit();
  void Discard();
  bool IsOpen() const { return fd_ >= 0; }
  // A device or pipe, written where it is: no WriteAt.
  bool InPlace() const { return inPlace_; }

 private:
  // The temporary file beside target_, with the mode and owner of the old file (st, when it
  // exists) or of copyOf.
  FileWriteResult CreateTemporary(bool exists, const struct stat& st, const std::string& copyOf);

  int fd_ = -1;
  int slot_ = -1;  // among the files a signal removes
  bool inPlace_ = false;
  std::string temp_;
  std::string target_;
  size_t written_ = 0;
};

// The whole file in one go through SafeFile.
FileWriteResult WriteFileSafely(const std::string& fileName, std::span<const uint8_t> bytes,
                                const std::string& copyOf = {});
// Puts a copy of the regular file `from` at `to`, which is never followed or written through: what
// stands there must be a regular file (else NotRegularFile) that may be written (else ReadOnly). A
// second name for the same file (a hard link) copies nothing; where the file system has none (another
// disk, no links) the bytes are copied by the system into a safe save with `from`'s mode and owner.
FileWriteResult CopyFileSafely(const std::string& from, const std::string& to);
// False when the file exists and its mode bits forbid writing for this user (root included).
bool WritableByMode(const std::string& fileName);

// Removes the temporary files of the saves under way (for a signal that ends the program: it
// only unlinks, which is safe inside a signal handler).
void RemoveUnfinishedFiles();
// Handles SIGINT, SIGTERM and SIGHUP by removing the unfinished files, then ending as the signal
// would have. Handlers installed later (playback's) take over while they are in place.
void RemoveUnfinishedFilesOnEndingSignals();

// An advisory lock held for a whole save (the backup included), so that two programs writing the
// same file take turns instead of mixing their backups and files. Other programs may ignore it.
class SaveLock {
 public:
  SaveLock() = default;
  ~SaveLock();
  SaveLock(const SaveLock&) = delete;
  SaveLock& operator=(const SaveLock&) = delete;
  // Waits up to waitMs for the lock on the existing file fileName; false when another writer
  // still holds it. A new file, a device or an unreadable file needs no lock (true).
  bool Acquire(const std::string& fileName, int waitMs = 5000);

 private:
  int fd_ = -1;
};

}  // namespace cv
