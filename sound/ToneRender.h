#pragma once

#include <cstdint>
#include <vector>

#include "CueTones.h"

namespace paarix {

// Sample format of the rendered cues: 16-bit signed, mono, 48 kHz.
inline constexpr int32_t kSampleRate = 48000;
inline constexpr int32_t kFramesPerMs = kSampleRate / 1000;
// Peak level of a tone, about -12 dBFS.
inline constexpr double kToneLevelDb = -12.0;
// Length of the raised-cosine fade at each end of a tone.
inline constexpr int32_t kFadeMs = 3;

// Renders a whole cue into one buffer of exactly durationMs(tones) * kFramesPerMs frames
// (tones with no positive duration take no frames). Each tone is a sine that fades in and
// out; its edges sit at whole milliseconds counted from the start of the cue, so timing
// never drifts. Tones at or above half the sample rate (the pause tones) and tones of no
// positive frequency are silence of the same length.
std::vector<int16_t> renderTones(const std::vector<Tone>& tones);

}  // namespace paarix
