// The generic failures of song arithmetic: a value outside its field, a number beyond 32 bits.
#pragma once

#include "song/CV_Data.h"

namespace cv {

// A value that does not fit its field, or a read beyond the data.
EMidiError RangeError();
// A count or position that no longer fits a signed 32-bit integer.
EMidiError OverflowError();
// An event record (or other song memory) could not be allocated.
EMidiError AllocationError();

}  // namespace cv
