// The messages of the file steps of both writers, and the backup made before a song file is first
// replaced. The steps themselves are those of song/SafeFile.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "song/MessageSink.h"
#include "song/SafeFile.h"

namespace cv {

// The writers word their messages slightly differently; each set is kept as the user knows it.
// Other: a file that is not a song (lyric text, LRC, WAV), which has no text of its own.
enum class SaveTexts { Format0, Format1FromFormat1, Format1FromOther, Other };

// The finished message of a failed save (name = the target as given): what is wrong and what to
// do, then the writer's own text as the last line.
std::string SaveMessage(SaveTexts texts, const FileWriteResult& result, const std::string& name, size_t total = 0);
// Ahead of the writers' allocation failure: the song was not saved, what to do.
std::string NoMemoryToSave();
// "Achtung" / "Warning".
std::string SaveCaption();

// WriteFileSafely with the failed step's message to the sink; false on failure.
bool SaveFileSafely(const std::string& fileName, const std::vector<uint8_t>& bytes, SaveTexts texts,
                    MessageSink& sink);

// Copies an existing regular file to "NAME~" beside it, through the safe save, before it is
// replaced. Ok when there was nothing to copy (no file, or one the save will not replace) or the
// copy is complete; otherwise the message says why and what to do, and the caller does not
// replace the file, except in a write-protected folder (FolderNotWritable), where the save itself
// fails and says so.
FileWriteResult MakeBackupCopy(const std::string& fileName, std::string& message);

}  // namespace cv
