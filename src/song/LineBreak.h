// A line break among the syllables: an element holding only a carriage return.
#pragma once

#include "song/CV_Data.h"

namespace cv {

inline bool IsLineBreak(const THyphens& h) { return h.Text == u"\r"; }

}  // namespace cv
