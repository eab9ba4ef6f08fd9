#include "output/InsertLyrics.h"

namespace cv {

void InsertLyrics(Song& song) { song.TextChanged = false; }

}  // namespace cv
