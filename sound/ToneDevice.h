#pragma once

#include <memory>
#include <vector>

#include "CueTones.h"

namespace paarix {

// Something that sounds tones. A device is used by one thread at a time.
class ToneDevice {
 public:
  virtual ~ToneDevice() = default;
  // Plays the tones one after the other and returns when the last has ended, never
  // earlier than the nominal total. Never fails towards the caller.
  virtual void play(const std::vector<Tone>& tones) = 0;
};

// The device for this platform: ALSA on Linux, waveOut on Windows or else the system
// beep, and a silent device when no sound output opens on Linux. Falling back to
// silence is reported once on stderr. Opening may take a while: CuePlayer runs this on
// its audio thread.
std::unique_ptr<ToneDevice> openToneDevice();

// Says once on stderr (the first time for `reported`) that the sound output failed and the
// cues go on in silence; the devices call it when they lose their output.
void reportDeviceLost(bool& reported);

// Plays nothing but keeps every cue's duration.
class SilentToneDevice final : public ToneDevice {
 public:
  void play(const std::vector<Tone>& tones) override;
};

}  // namespace paarix
