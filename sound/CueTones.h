#pragma once

#include <cstdint>
#include <vector>

namespace paarix {

// One tone of a cue: a frequency in hertz and a duration in milliseconds.
struct Tone {
  int32_t hz;
  int32_t ms;

  bool operator==(const Tone&) const = default;
};

// The pause tone: far above hearing, it keeps a cue's timing and is heard as silence.
inline constexpr int32_t kPauseHz = 25000;

// The tones of a cue, in the order they are played. Empty for cue 19 and for every
// number outside 0..24.
std::vector<Tone> cueTones(int16_t cue);

// Sum of the durations in milliseconds.
int32_t durationMs(const std::vector<Tone>& tones);

}  // namespace paarix
