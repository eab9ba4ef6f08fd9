// The file steps of both writers: a finished file image is put on disk without ever destroying
// the old file before the new one is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "song/MessageSink.h"

namespace cv {

// The writers word their messages slightly differently; each set is kept as the user knows it.
enum class SaveTexts { Format0, Format1FromFormat1, Format1FromOther };

enum class SaveStep { ReadOnly, CannotBegin, WriteError, ShortWrite };

// The finished message of one failed step (name = the target as given).
std::string SaveMessage(SaveTexts texts, SaveStep step, const std::string& name, size_t written = 0,
                        size_t total = 0);
// "Achtung" / "Warning".
std::string SaveCaption();

struct FileWriteResult {
  bool Ok = true;
  SaveStep FailedStep = SaveStep::WriteError;
  size_t Written = 0;  // bytes written before a short write
};

// Writes the bytes to fileName: a temporary file in the same folder is written, flushed and
// renamed over the target, with the old file's mode, owner (where allowed) and extended
// attributes. A target its mode bits protect from writing is not replaced (ReadOnly), even for
// root. Stale temporary files of killed saves beside it are removed. Devices and pipes are written in place, since renaming would replace them. On failure the
// temporary file is removed. The platform layer defines it (src/platform/files): the core only
// says what it needs.
FileWriteResult WriteFileSafely(const std::string& fileName, const std::vector<uint8_t>& bytes);
// False when the file exists and its mode bits forbid writing for this user (root included).
bool WritableByMode(const std::string& fileName);

// WriteFileSafely with the failed step's message to the sink; false on failure.
bool SaveFileSafely(const std::string& fileName, const std::vector<uint8_t>& bytes, SaveTexts texts,
                    MessageSink& sink);

}  // namespace cv
