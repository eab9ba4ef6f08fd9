// The song library's steps the window calls: read a file into the song, write it back.
#pragma once

#include <QString>
#include <functional>

#include "song/Song.h"

namespace cvapp {

// Reads, times and extracts the lyrics of a MIDI file into song (released by the caller
// first). Throws cv::EMidiError with the finished message.
void ReadSongFile(cv::Song& song, const QString& fileName);

// Writes the song as a Standard MIDI File of format 0 or 1. The writer's messages go to
// message(caption, text); false when the file was not written.
bool WriteSongFile(cv::Song& song, const QString& fileName, int format,
                   const std::function<void(const QString&, const QString&)>& message);

}  // namespace cvapp
