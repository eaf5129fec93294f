#include "Ton.h"

namespace paarix {

void Ton(int16_t cue, ToneDevice& device) {
  const std::vector<Tone> tones = cueTones(cue);
  if (tones.empty()) return;
  device.play(tones);
}

}  // namespace paarix
