#include <errno.h>
#include <time.h>

#include "platform/Sleep.h"

namespace rt {

void SleepMs(std::uint32_t ms) {
  struct timespec ts;
  ts.tv_sec = ms / 1000;
  ts.tv_nsec = static_cast<long>(ms % 1000) * 1000000L;
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace rt
