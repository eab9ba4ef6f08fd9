// Bank-select LSB (controller 32) insertion and removal, and the drum bank-select clean-up.
#pragma once

#include "song/Song.h"

namespace cv {

void InsertController32(Song& song);
void DeleteController32(Song& song);
void DeleteDrumBankSelect(Song& song);

}  // namespace cv
