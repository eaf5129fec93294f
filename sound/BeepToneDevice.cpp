#ifdef _WIN32

#include "BeepToneDevice.h"
#include "WaitUntil.h"

#include <algorithm>
#include <chrono>
#include <thread>

// kernel32's tone generator: frequency in hertz, duration in milliseconds; blocks until the
// tone has ended.
extern "C" __declspec(dllimport) int __stdcall Beep(unsigned long frequency, unsigned long duration);

namespace paarix {

void BeepToneDevice::play(const std::vector<Tone>& tones) {
  auto toneEnd = std::chrono::steady_clock::now();
  for (const Tone& tone : tones) {
    toneEnd += std::chrono::milliseconds(std::max<int32_t>(0, tone.ms));
    Beep(static_cast<unsigned long>(tone.hz), static_cast<unsigned long>(std::max<int32_t>(0, tone.ms)));
    // Without a speaker Beep fails at once; the tone still takes its time.
    waitUntil(toneEnd);
  }
}

}  // namespace paarix

#endif
