#pragma once

#ifdef _WIN32

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// mmsystem.h needs the types of windows.h before it.
#include <mmsystem.h>

#include <chrono>
#include <memory>
#include <vector>

#include "ToneDevice.h"

namespace paarix {

// The winmm calls WaveOutToneDevice makes; tests put failing ones in their place.
struct WaveOutFunctions {
  decltype(&::waveOutOpen) open = &::waveOutOpen;
  decltype(&::waveOutPrepareHeader) prepare = &::waveOutPrepareHeader;
  decltype(&::waveOutWrite) write = &::waveOutWrite;
  decltype(&::waveOutUnprepareHeader) unprepare = &::waveOutUnprepareHeader;
  decltype(&::waveOutReset) reset = &::waveOutReset;
  decltype(&::waveOutClose) close = &::waveOutClose;
};

// Plays cues through winmm's waveOut (Windows), the same samples as the ALSA device:
// each cue is rendered into one buffer, written as one header and waited for. The wave
// mapper stays open between cues, and a cue always lasts at least its nominal duration.
// When the device fails in the middle of a cue (the write is refused, or the buffer is
// not played back in time), the cue keeps its duration in silence, the loss is reported
// once on stderr, and later cues try to open the device again (at most every few seconds).
class WaveOutToneDevice final : public ToneDevice {
 public:
  // Opens the wave mapper for 16-bit mono at 48 kHz. Returns nullptr when it cannot.
  static std::unique_ptr<WaveOutToneDevice> open(const WaveOutFunctions& winmm = {});

  ~WaveOutToneDevice() override;
  WaveOutToneDevice(const WaveOutToneDevice&) = delete;
  WaveOutToneDevice& operator=(const WaveOutToneDevice&) = delete;

  void play(const std::vector<Tone>& tones) override;

  // False while cues play silently because the device was lost.
  bool isOpen() const { return wave_ != nullptr; }

  // How long after a failed attempt to open the device again the next attempt waits.
  static constexpr std::chrono::seconds kReopenInterval{5};
  // How long past a cue's nominal end the device may take to hand its buffer back.
  static constexpr std::chrono::seconds kDoneGrace{2};

 private:
  explicit WaveOutToneDevice(const WaveOutFunctions& winmm);
  bool openWave();
  bool writeAndWait(std::vector<int16_t>& samples, std::chrono::steady_clock::time_point nominalEnd);
  void closeAfterFailure();

  const WaveOutFunctions winmm_;
  HANDLE done_;  // set by winmm whenever a buffer has been played (CALLBACK_EVENT)
  HWAVEOUT wave_ = nullptr;
  std::chrono::steady_clock::time_point nextReopen_{};
  bool lossReported_ = false;
};

}  // namespace paarix

#endif
