#pragma once

#include <cstdint>

namespace rt {

// Suspends the calling thread for the given milliseconds.
void SleepMs(std::uint32_t ms);

}  // namespace rt
