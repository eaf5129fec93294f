// Plays cues on the tone device chosen at start-up, through the audio thread as the game
// does, and prints the wall time from starting each cue to its end against the cue's
// nominal duration.
//   cue_bench [runs per cue, default 3] [all | CUE...]
// Without a cue list it plays cues 9, 11 and 14; "all" plays the whole palette, 0 to 24.
// Lines starting with "RESULT" are for scripts.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <utility>
#include <vector>

#include "CuePlayer.h"
#include "CueTones.h"
#include "ToneDevice.h"
#if defined(__linux__)
#include "AlsaToneDevice.h"
#endif
#if defined(_WIN32)
#include "WaveOutToneDevice.h"
#endif

namespace {

const char* deviceName(const paarix::ToneDevice& device) {
  if (dynamic_cast<const paarix::SilentToneDevice*>(&device) != nullptr) return "silent";
#if defined(__linux__)
  if (dynamic_cast<const paarix::AlsaToneDevice*>(&device) != nullptr) return "ALSA";
#endif
#if defined(_WIN32)
  if (dynamic_cast<const paarix::WaveOutToneDevice*>(&device) != nullptr) return "waveOut";
  return "Beep";
#else
  return "other";
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::vector<int16_t> cues;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "all") == 0) {
      for (int16_t cue = 0; cue <= 24; ++cue) cues.push_back(cue);
    } else {
      cues.push_back(static_cast<int16_t>(std::atoi(argv[i])));
    }
  }
  if (cues.empty()) cues = {9, 11, 14};
  // The device opens on the audio thread, as in the game.
  std::promise<std::pair<const char*, double>> opened;
  paarix::CuePlayer player([&opened] {
    const auto start = std::chrono::steady_clock::now();
    auto device = paarix::openToneDevice();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    opened.set_value({deviceName(*device), took.count()});
    return device;
  });
  const auto [name, openMs] = opened.get_future().get();
  std::printf("device: %s, opened in %.1f ms, %d runs per cue\n", name, openMs, runs);

  std::printf("%4s %9s %9s %9s %9s %10s\n", "cue", "nominal", "min", "mean", "max", "max over");
  for (const int16_t cue : cues) {
    const double nominal = paarix::durationMs(paarix::cueTones(cue));
    std::vector<double> wall;
    for (int run = 0; run < runs; ++run) {
      const auto start = std::chrono::steady_clock::now();
      player.start(cue).wait();
      wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    const auto [least, most] = std::minmax_element(wall.begin(), wall.end());
    double sum = 0;
    for (double ms : wall) sum += ms;
    std::printf("%4d %7.0fms %7.2fms %7.2fms %7.2fms %+8.2fms\n", cue, nominal, *least, sum / runs, *most,
                *most - nominal);
    std::printf("RESULT %s cue %d nominal_ms %.0f mean_ms %.2f max_ms %.2f\n", name, cue, nominal, sum / runs, *most);
  }
  return 0;
}
