#include "output/Controller32.h"

namespace cv {

void InsertController32(Song&) {}
void DeleteController32(Song&) {}
void DeleteDrumBankSelect(Song&) {}

}  // namespace cv
