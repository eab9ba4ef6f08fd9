#include "playback/ThreadPriority.h"

#if defined(_WIN32)
#include <windows.h>
#elif defined(__unix__) || defined(__APPLE__)
#include <pthread.h>
#include <sched.h>
#endif

namespace cv {

void RaiseThreadPriority() {
#if defined(_WIN32)
  SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
#elif defined(__unix__) || defined(__APPLE__)
  // Real-time scheduling needs a privilege; without it the thread keeps its normal priority.
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO) / 2;
  pthread_setschedparam(pthread_self(), SCHED_FIFO, &param);
#endif
}

}  // namespace cv
