// Raises the calling thread to the highest priority the system grants (best effort).
#pragma once

namespace cv {

void RaiseThreadPriority();

}  // namespace cv
