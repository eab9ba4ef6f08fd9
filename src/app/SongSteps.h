// Writing the song from the window: the format 0 and format 1 writers behind one call.
#pragma once

#include <QString>
#include <functional>

#include "song/Song.h"

namespace cvapp {

// Writes the song as a Standard MIDI File of format 0 or 1. The writer's messages go to
// message(caption, text); false when the file was not written.
bool WriteSongFile(cv::Song& song, const QString& fileName, int format,
                   const std::function<void(const QString&, const QString&)>& message);

}  // namespace cvapp
