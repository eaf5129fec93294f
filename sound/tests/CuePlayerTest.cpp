#include <gtest/gtest.h>

#include <future>
#include <stdexcept>

#include "CuePlayer.h"
#include "RecordingToneDevice.h"
#include "SignalCheck.h"
#include "Tongeber.h"

namespace paarix {
namespace {

using namespace std::chrono_literals;

constexpr int16_t kCueWithoutTones = 19;
constexpr int16_t kCueWithPauses = 21;

// Plays on `to`, a device that outlives the player that owns this one.
struct Forwarding final : ToneDevice {
  explicit Forwarding(ToneDevice& device) : to(device) {}
  void play(const std::vector<Tone>& tones) override { to.play(tones); }
  ToneDevice& to;
};

// The device opens on the audio thread, the first cue waits for it; cues play there in order,
// without tones they are done at once; onDone runs there, or at once when done. Shutting down
// lets the running cue finish and releases whoever waits for a queued one.
TEST(CuePlayer, OpensTheDeviceOnTheAudioThreadPlaysInOrderAndShutsDown) {
  test::RecordingToneDevice device(100ms);  // long enough to shut down while one plays
  std::promise<void> mayOpen;
  std::promise<std::thread::id> ranOn;
  auto player = std::make_unique<CuePlayer>([&device, opening = mayOpen.get_future().share()] {
    EXPECT_EQ(opening.wait_for(10s), std::future_status::ready) << "the constructor waited for the device";
    return std::make_unique<Forwarding>(device);
  });
  CuePlayer::Completion first = player->start(Cue::Paar);
  CuePlayer::Completion second = player->start(Cue::Ungleich);
  CuePlayer::Completion third = player->start(Cue::ErsteKarte);
  first.onDone([&] { ranOn.set_value(std::this_thread::get_id()); });
  for (int16_t cue : {kCueWithoutTones, int16_t{25}, int16_t{-1}, int16_t{-32768}, int16_t{32767}}) {
    EXPECT_TRUE(player->start(cue).done()) << cue;
  }
  EXPECT_FALSE(first.done());
  mayOpen.set_value();
  third.wait();
  EXPECT_TRUE(second.done());
  EXPECT_NE(ranOn.get_future().get(), std::this_thread::get_id());
  const std::vector<std::vector<Tone>> inOrder = {cueTones(Cue::Paar), cueTones(Cue::Ungleich),
                                                  cueTones(Cue::ErsteKarte)};
  EXPECT_EQ(device.calls(), inOrder);
  bool atOnce = false;
  first.onDone([&] { atOnce = true; });
  EXPECT_TRUE(atOnce);

  CuePlayer::Completion running = player->start(Cue::ErsteKarte);
  CuePlayer::Completion queued = player->start(Cue::Ungleich);
  while (device.calls().size() < 4) std::this_thread::yield();
  player.reset();
  EXPECT_TRUE(running.done());
  EXPECT_TRUE(queued.done());
  EXPECT_EQ(device.calls().size(), 4u) << "the queued cue was played";
}

// A device that throws (it should not), a factory that throws or finds no device, and the
// silent device: each cue still takes its whole time.
TEST(CuePlayer, EveryCueKeepsItsDuration) {
  struct Thrower final : ToneDevice {
    void play(const std::vector<Tone>&) override { throw std::runtime_error("gone"); }
  };
  CuePlayer thrower(std::make_unique<Thrower>());
  CuePlayer silent(std::make_unique<SilentToneDevice>());
  CuePlayer noDevice([] { return std::unique_ptr<ToneDevice>(); });
  CuePlayer failingFactory([]() -> std::unique_ptr<ToneDevice> { throw std::runtime_error("no sound"); });
  for (CuePlayer* player : {&thrower, &silent, &noDevice, &failingFactory}) {
    for (int16_t cue : {kCueWithPauses, Cue::ErsteKarte}) test::playCue(cue, [&] { player->start(cue).wait(); });
  }
}

// A device that hangs in a cue: that cue and the one queued behind it are done all the same,
// each no earlier than its nominal end plus the late limit; the one whose time passed is not
// played when the device returns, the next cue is.
TEST(CuePlayer, NobodyWaitsForAHangingDevice) {
  struct Hanging final : ToneDevice {
    Hanging(ToneDevice& recorder, std::shared_future<void> released) : recorder(recorder), released(released) {}
    void play(const std::vector<Tone>& tones) override {
      recorder.play(tones);
      released.wait();
    }
    ToneDevice& recorder;
    std::shared_future<void> released;
  };
  test::RecordingToneDevice device;
  std::promise<void> release;
  std::promise<void> hungDone;
  std::promise<void> behindDone;
  auto player = std::make_unique<CuePlayer>(std::make_unique<Hanging>(device, release.get_future().share()));
  const auto start = std::chrono::steady_clock::now();
  CuePlayer::Completion hung = player->start(Cue::ErsteKarte);
  CuePlayer::Completion behind = player->start(Cue::Ungleich);
  hung.onDone([&] { hungDone.set_value(); });
  behind.onDone([&] { behindDone.set_value(); });
  const auto hungLimit = std::chrono::milliseconds(durationMs(cueTones(Cue::ErsteKarte))) + CuePlayer::kLateLimit;
  const auto behindLimit = std::chrono::milliseconds(durationMs(cueTones(Cue::Ungleich))) + CuePlayer::kLateLimit;

  EXPECT_EQ(hungDone.get_future().wait_for(hungLimit + 5s), std::future_status::ready);
  EXPECT_GE(std::chrono::steady_clock::now() - start, hungLimit);
  EXPECT_EQ(behindDone.get_future().wait_for(behindLimit + 5s), std::future_status::ready);
  EXPECT_GE(std::chrono::steady_clock::now() - start, hungLimit + behindLimit);
  EXPECT_EQ(device.calls().size(), 1u);

  release.set_value();
  player->start(Cue::ErsteKarte).wait();
  player.reset();
  const std::vector<std::vector<Tone>> played = {cueTones(Cue::ErsteKarte), cueTones(Cue::ErsteKarte)};
  EXPECT_EQ(device.calls(), played);
}

}  // namespace
}  // namespace paarix
