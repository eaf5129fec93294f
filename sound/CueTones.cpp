#include "CueTones.h"

#include <algorithm>
#include <limits>

namespace paarix {

std::vector<Tone> cueTones(int16_t cue) {
  switch (cue) {
    case 0:
    case 1:
    case 2:
    case 3: return {{2000, 40}};
    case 4:
    case 5:
    case 6:
    case 7: return {{5000, 40}};
    case 8: return {{120, 80}};
    case 9: return {{4500, 30}};
    case 10: return {{400, 20}};
    case 11: {
      // The pair-found fanfare: three passes, each ending in its pause.
      std::vector<Tone> tones;
      for (int pass = 0; pass <= 2; ++pass) {
        tones.push_back({2500, 200});
        tones.push_back({4000, 700});
        tones.push_back({kPauseHz, 300});
      }
      return tones;
    }
    case 12:
      // The middle tone is a real 20 kHz tone, not a pause.
      return {{300, 60}, {20000, 40}, {350, 60}};
    case 13: return {{700, 100}};
    case 14: {
      // A rising row: 2000 Hz up to 3000 Hz in steps of 200, each tone followed by a pause.
      std::vector<Tone> tones;
      for (int32_t hz = 2000; hz <= 3000; hz += 200) {
        tones.push_back({hz, 30});
        tones.push_back({kPauseHz, 300});
      }
      return tones;
    }
    case 15: return {{3500, 50}, {3200, 200}};
    case 16: return {{4800, 30}};
    case 17: return {{1500, 200}, {kPauseHz, 80}, {1500, 200}, {kPauseHz, 80}, {1000, 200}};
    case 18: return {{1000, 40}, {1200, 40}, {1000, 40}, {900, 200}};
    case 20: return {{4000, 20}, {kPauseHz, 100}, {4000, 20}};
    case 21: return {{100, 80}, {kPauseHz, 50}, {130, 80}, {kPauseHz, 50}, {80, 50}};
    case 22: return {{1000, 60}, {1100, 60}};
    case 23: return {{1500, 60}, {1600, 60}};
    case 24: {
      // Cue 22, a short pause, then cue 23.
      std::vector<Tone> tones = cueTones(22);
      tones.push_back({kPauseHz, 50});
      const std::vector<Tone> second = cueTones(23);
      tones.insert(tones.end(), second.begin(), second.end());
      return tones;
    }
    default:  // 19 and every number outside the palette
      return {};
  }
}

int32_t durationMs(const std::vector<Tone>& tones) {
  int64_t sum = 0;
  for (const Tone& tone : tones) sum += tone.ms;
  return static_cast<int32_t>(
      std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

}  // namespace paarix
