// Bank-select LSB (controller 32) insertion and removal, the options of opening a song.
#pragma once

#include "song/Song.h"

namespace cv {

void InsertController32(Song& song);
void DeleteController32(Song& song);

}  // namespace cv
