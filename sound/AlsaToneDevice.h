#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "ToneDevice.h"

typedef struct _snd_pcm snd_pcm_t;

namespace paarix {

// Plays cues through an ALSA PCM (Linux). The PCM stays open between cues. Each cue is
// rendered into one buffer, written and drained; a cue always lasts at least its nominal
// duration, also on devices that swallow samples instantly. When the device fails in the
// middle of a cue, the cue keeps its duration in silence, the loss is reported once on
// stderr, and later cues try to open the device again (at most every few seconds).
class AlsaToneDevice final : public ToneDevice {
 public:
  // Opens the PCM `name` ("default" is the system's sound output). Returns nullptr when it
  // cannot be opened for 16-bit mono at 48 kHz. Never blocks on a busy device.
  static std::unique_ptr<AlsaToneDevice> open(const std::string& name = "default");

  ~AlsaToneDevice() override;
  AlsaToneDevice(const AlsaToneDevice&) = delete;
  AlsaToneDevice& operator=(const AlsaToneDevice&) = delete;

  void play(const std::vector<Tone>& tones) override;

  // False while cues play silently because the device was lost.
  bool isOpen() const { return pcm_ != nullptr; }

  // How long after a failed attempt to open the device again the next attempt waits.
  static constexpr std::chrono::seconds kReopenInterval{5};

 private:
  AlsaToneDevice(std::string name, snd_pcm_t* pcm);
  void closeAfterFailure();

  const std::string name_;
  snd_pcm_t* pcm_;
  std::chrono::steady_clock::time_point nextReopen_{};
  bool lossReported_ = false;
};

}  // namespace paarix
