#include "ToneRender.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace paarix {

namespace {

double toneAmplitude() { return 32767.0 * std::pow(10.0, kToneLevelDb / 20.0); }

// Raised cosine from 0 (k = 0) up to 1 (k = length).
double fadeGain(int64_t k, int64_t length) {
  return 0.5 * (1.0 - std::cos(std::numbers::pi * static_cast<double>(k) / static_cast<double>(length)));
}

void renderSine(int32_t hz, int16_t* out, int64_t frames) {
  const double amplitude = toneAmplitude();
  const int64_t fade = std::min<int64_t>(int64_t{kFadeMs} * kFramesPerMs, frames / 2);
  for (int64_t n = 0; n < frames; ++n) {
    double gain = 1.0;
    if (n < fade) gain = fadeGain(n, fade);
    // The sample after the last one would be the first of the next tone: the fade out
    // reaches zero there.
    if (frames - n < fade) gain = std::min(gain, fadeGain(frames - n, fade));
    // The phase is reduced exactly in integers before it becomes a double.
    const int64_t cycleFrames = (int64_t{hz} * n) % kSampleRate;
    const double phase = 2.0 * std::numbers::pi * static_cast<double>(cycleFrames) / kSampleRate;
    out[n] = static_cast<int16_t>(std::lround(amplitude * gain * std::sin(phase)));
  }
}

}  // namespace

std::vector<int16_t> renderTones(const std::vector<Tone>& tones) {
  int64_t totalMs = 0;
  for (const Tone& tone : tones) totalMs += std::max<int32_t>(tone.ms, 0);
  std::vector<int16_t> samples(static_cast<size_t>(totalMs * kFramesPerMs), 0);

  int64_t elapsedMs = 0;
  for (const Tone& tone : tones) {
    if (tone.ms <= 0) continue;
    const int64_t first = elapsedMs * kFramesPerMs;
    elapsedMs += tone.ms;
    const int64_t end = elapsedMs * kFramesPerMs;
    if (tone.hz <= 0 || int64_t{tone.hz} * 2 >= kSampleRate) continue;
    renderSine(tone.hz, samples.data() + first, end - first);
  }
  return samples;
}

}  // namespace paarix
