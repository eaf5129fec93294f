// Plays cues 9, 11 and 14 on the tone device chosen at start-up, through the audio thread
// as the game does, and prints the wall time of each Ton() call against the cue's nominal
// duration.
//   cue_bench [runs per cue, default 3]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "CuePlayer.h"
#include "ToneDevice.h"
#include "Tonfolge.h"
#if defined(__linux__)
#include "AlsaToneDevice.h"
#endif

namespace {

const char* deviceName(const paarix::ToneDevice& device) {
  if (dynamic_cast<const paarix::SilentToneDevice*>(&device) != nullptr) return "silent";
#if defined(__linux__)
  if (dynamic_cast<const paarix::AlsaToneDevice*>(&device) != nullptr) return "ALSA";
#endif
#if defined(_WIN32)
  return "Beep";
#else
  return "other";
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  auto device = paarix::openToneDevice();
  std::printf("device: %s, %d runs per cue\n", deviceName(*device), runs);
  paarix::CuePlayer player(std::move(device));

  std::printf("%4s %9s %9s %9s %9s %10s\n", "cue", "nominal", "min", "mean", "max", "max over");
  for (const int16_t cue : {int16_t{9}, int16_t{11}, int16_t{14}}) {
    const double nominal = paarix::Dauer(paarix::Tonfolge(cue));
    std::vector<double> wall;
    for (int run = 0; run < runs; ++run) {
      const auto start = std::chrono::steady_clock::now();
      player.Ton(cue);
      wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    const auto [least, most] = std::minmax_element(wall.begin(), wall.end());
    double sum = 0;
    for (double ms : wall) sum += ms;
    std::printf("%4d %7.0fms %7.2fms %7.2fms %7.2fms %+8.2fms\n", cue, nominal, *least, sum / runs, *most,
                *most - nominal);
  }
  return 0;
}
