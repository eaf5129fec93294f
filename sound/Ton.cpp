#include "Ton.h"

namespace paarix {

void Ton(int16_t cue, ToneDevice& device) {
  const std::vector<Tone> tones = Tonfolge(cue);
  if (tones.empty()) return;
  device.play(tones);
}

}  // namespace paarix
