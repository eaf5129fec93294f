#pragma once

#ifdef _WIN32

#include "ToneDevice.h"

namespace paarix {

// The Windows tone generator: one call of kernel32's Beep per tone.
class BeepToneDevice final : public ToneDevice {
 public:
  void play(const std::vector<Tone>& tones) override;
};

}  // namespace paarix

#endif
