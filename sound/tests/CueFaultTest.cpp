// Devices that fail towards the audio thread. A device is not meant to throw, but
// one that does (a failed allocation while rendering, say) must not cut the cue
// short: the game relies on a cue blocking for its whole duration.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>

#include "CuePlayer.h"
#include "Tonfolge.h"

namespace paarix {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Plays for `before` and then throws.
class ThrowingDevice final : public ToneDevice {
 public:
  explicit ThrowingDevice(std::chrono::milliseconds before) : before_(before) {}
  void play(const std::vector<Tone>&) override {
    ++plays;
    std::this_thread::sleep_for(before_);
    throw std::runtime_error("device gone");
  }
  std::atomic<int> plays{0};

 private:
  std::chrono::milliseconds before_;
};

long elapsedMs(Clock::time_point start) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(CueFault, AThrowingDeviceStillTakesTheCuesWholeDuration) {
  for (auto before : {0ms, 100ms}) {
    auto device = std::make_unique<ThrowingDevice>(before);
    ThrowingDevice* geraet = device.get();
    CuePlayer player(std::move(device));
    for (int16_t cue : {int16_t{17}, int16_t{9}}) {
      const auto start = Clock::now();
      player.Ton(cue);
      EXPECT_GE(elapsedMs(start), Dauer(Tonfolge(cue))) << "cue " << cue << " after " << before.count() << " ms";
    }
    EXPECT_EQ(geraet->plays, 2) << "the audio thread survives the throw and plays the next cue";
  }
}

}  // namespace
}  // namespace paarix
