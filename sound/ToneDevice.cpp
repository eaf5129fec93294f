#include "ToneDevice.h"

#include <algorithm>
#include <iostream>

#include "WaitUntil.h"

#if defined(_WIN32)
#include "BeepToneDevice.h"
#include "WaveOutToneDevice.h"
#elif defined(PAARIX_SOUND_ALSA)
#include "AlsaToneDevice.h"
#endif

namespace paarix {

std::unique_ptr<ToneDevice> openToneDevice() {
#if defined(_WIN32)
  if (auto waveOut = WaveOutToneDevice::open()) return waveOut;
  // Beep cannot be asked whether a speaker is there; without one, each tone still takes
  // its time.
  return std::make_unique<BeepToneDevice>();
#else
#if defined(PAARIX_SOUND_ALSA)
  if (auto alsa = AlsaToneDevice::open()) return alsa;
#endif
  std::cerr << "paarix: Kein Tonausgabegerät gefunden, die Töne bleiben stumm.\n";
  return std::make_unique<SilentToneDevice>();
#endif
}

void reportDeviceLost(bool& reported) {
  if (reported) return;
  reported = true;
  std::cerr << "paarix: Das Tonausgabegerät ist ausgefallen, die Töne bleiben stumm.\n";
}

void SilentToneDevice::play(const std::vector<Tone>& tones) {
  const int32_t ms = std::max<int32_t>(0, durationMs(tones));
  waitUntil(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
}

}  // namespace paarix
