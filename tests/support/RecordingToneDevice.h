#pragma once

#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "ToneDevice.h"

namespace paarix::test {

// Records the tone list of every play() call, for tests of the code that requests cues.
// Takes no time unless a fixed delay per call is given. Safe to read from any thread.
class RecordingToneDevice final : public ToneDevice {
 public:
  explicit RecordingToneDevice(std::chrono::milliseconds delayPerPlay = std::chrono::milliseconds{0})
      : delay_(delayPerPlay) {}

  void play(const std::vector<Tone>& tones) override {
    {
      const std::lock_guard lock(mutex_);
      calls_.push_back(tones);
    }
    if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
  }

  // One entry per play() call, in call order.
  std::vector<std::vector<Tone>> calls() const {
    const std::lock_guard lock(mutex_);
    return calls_;
  }

 private:
  const std::chrono::milliseconds delay_;
  mutable std::mutex mutex_;
  std::vector<std::vector<Tone>> calls_;
};

}  // namespace paarix::test
