// The messages of the file steps of both writers, and the backup made before a song file is first
// replaced. The steps themselves are those of song/SafeFile.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "song/ByteBuffer.h"
#include "song/MessageSink.h"
#include "song/SafeFile.h"

namespace cv {

// Other: a file that is not a song (lyric text, LRC, WAV).
enum class SaveTexts { Song, Other };

// The finished message of a failed save (name = the target as given): what happened and what to
// do.
std::string SaveMessage(SaveTexts texts, const FileWriteResult& result, const std::string& name);
// Ahead of the writers' allocation failure: the song was not saved, what to do.
std::string NoMemoryToSave();
// "Achtung" / "Warning".
std::string SaveCaption();


class ImageDrain;
// A song file encoded straight into its safe save: encode gets a small block and the drain that
// takes it whenever it fills (none for a device or pipe, written in place: the whole image then
// stays in the block and is written at the end). File-step failures go to the sink (and give
// false); what encode throws propagates, and the old file stays as it was.
bool SaveImageSafely(const std::string& fileName, MessageSink& sink,
                     const std::function<void(ByteBuffer&, ImageDrain*)>& encode);

// Keeps an existing regular file as "NAME~" beside it before it is replaced: a second name for the
// same file where the file system allows (the save then puts a new file at NAME, so NAME~ keeps
// the old one), else a copy through the safe save. An existing NAME~ is kept (it holds the oldest version, so the original survives a
// chain of edits) unless replaceOld. Ok when there was nothing to copy (no file, or one the save
// will not replace), the old copy stays or the copy is complete; otherwise the message says why
// and what to do, and the caller does not replace the file, except in a write-protected folder
// (FolderNotWritable), where the save itself fails and says so. A NAME~ that is not a regular
// file (a link, a folder, a device) is left alone and stops the save.
FileWriteResult MakeBackupCopy(const std::string& fileName, bool replaceOld, std::string& message);

// What comes before a save over a file: its lock, held until the guard ends, then its backup.
class SaveGuard {
 public:
  // False, with the message, when another program keeps writing the file or the backup could not
  // be made; nothing may then be written.
  bool Begin(const std::string& fileName, bool backup, bool replaceOldBackup, std::string& message);

 private:
  SaveLock lock_;
};

// The message when another writer held the file's lock for the whole wait.
std::string BeingWritten(const std::string& fileName);

}  // namespace cv
