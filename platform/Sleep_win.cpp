#include <windows.h>

#include "platform/Sleep.h"

namespace rt {

void SleepMs(std::uint32_t ms) {
  ::Sleep(ms);
}

}  // namespace rt
