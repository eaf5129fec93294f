#pragma once

#include <chrono>
#include <thread>

namespace paarix {

// Sleeps until `deadline` has passed. Some thread libraries (mingw-w64's) round a
// sleep down to whole milliseconds and wake early; a cue must never end before
// its nominal time, so the sleep is repeated until the clock says so.
inline void waitUntil(std::chrono::steady_clock::time_point deadline) {
  while (std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

}  // namespace paarix
