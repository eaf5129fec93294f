#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <stdexcept>

#include "CuePlayer.h"

namespace paarix {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A device whose plays block until the test opens the gate. It records what it played, on
// which thread, and how many plays ever ran at once.
struct Gate {
  std::mutex mutex;
  std::condition_variable changed;
  bool open = false;
  int running = 0, mostAtOnce = 0, finished = 0;
  std::vector<std::vector<Tone>> played;
  std::vector<std::thread::id> threads;

  void oeffnen() { const std::lock_guard lock(mutex); open = true, changed.notify_all(); }
  int fertig() { const std::lock_guard lock(mutex); return finished; }
  void warteAuf(int started) {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, 10s, [&] { return std::ssize(played) >= started; }));
  }
};

struct GatedDevice final : ToneDevice {
  explicit GatedDevice(std::shared_ptr<Gate> g) : gate(std::move(g)) {}
  std::shared_ptr<Gate> gate;
  void play(const std::vector<Tone>& tones) override {
    std::unique_lock lock(gate->mutex);
    gate->mostAtOnce = std::max(gate->mostAtOnce, ++gate->running);
    gate->played.push_back(tones), gate->threads.push_back(std::this_thread::get_id());
    gate->changed.notify_all();
    gate->changed.wait(lock, [&] { return gate->open; });
    lock.unlock();
    std::this_thread::sleep_for(2ms);  // room for an overlapping play or an early return to show
    lock.lock();
    --gate->running, ++gate->finished;
  }
};

struct CuePlayerTest : testing::Test {
  std::shared_ptr<Gate> gate = std::make_shared<Gate>();
  std::unique_ptr<CuePlayer> player = std::make_unique<CuePlayer>(std::make_unique<GatedDevice>(gate));
};

// Ton plays on the audio thread while the caller waits in the hook, and returns only when
// its cue has ended, even if the hook returns earlier. Cues without tones return at once,
// without the hook, also while another cue plays. A window that waits in a local event
// loop may handle another event that asks for a cue: it plays after the first. Cues from
// several threads never overlap either.
TEST_F(CuePlayerTest, TonWaitsInTheHookForItsCue) {
  int hooks = 0, fertigInnen = -1;
  player->setWaitHook([&](CuePlayer::Completion& c) {
    if (++hooks > 1) return;  // the inner call's hook returns at once
    gate->warteAuf(1);
    EXPECT_FALSE(c.done());
    for (int16_t cue : {19, 25, -1, -32768, 32767}) {
      player->Ton(cue);  // the gate is shut: a cue that waited would hang here
      EXPECT_TRUE(player->start(cue).done());
    }
    gate->oeffnen(), player->Ton(16), fertigInnen = gate->fertig();
  });
  player->Ton(11);
  EXPECT_EQ(std::tuple(hooks, fertigInnen, gate->fertig(), gate->played), std::tuple(2, 2, 2, std::vector{Tonfolge(11), Tonfolge(16)}));
  EXPECT_NE(gate->threads[0], std::this_thread::get_id());
  std::vector<std::thread> threads;  // cues from several threads
  for (int16_t i = 0; i < 4; ++i) threads.emplace_back([this, i] { for (int k = 0; k < 5; ++k) player->Ton(8 + i); });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(std::pair(gate->fertig(), gate->mostAtOnce), std::pair(22, 1));
}

// Shutting down lets the running cue finish and releases whoever waits for a queued one.
// onDone runs on the audio thread when the cue ends, or at once when it has ended.
TEST_F(CuePlayerTest, ShutdownAndOnDone) {
  CuePlayer::Completion erste = player->start(9), zweite = player->start(16);
  std::promise<std::thread::id> lief;
  erste.onDone([&] { lief.set_value(std::this_thread::get_id()); });
  gate->warteAuf(1);
  std::thread oeffner([&] { std::this_thread::sleep_for(20ms), gate->oeffnen(); });
  player.reset();
  oeffner.join();
  EXPECT_EQ(lief.get_future().get(), gate->threads[0]);
  EXPECT_TRUE(erste.done() && zweite.done());
  EXPECT_EQ(std::pair(gate->fertig(), gate->played.size()), std::pair(1, size_t{1}));
  bool sofort = false;
  erste.onDone([&] { sofort = true; });
  EXPECT_TRUE(sofort);
}

// A device that throws (it should not) or plays silently still takes each cue's whole time.
TEST(CuePlayerDevices, EveryCueKeepsItsDuration) {
  struct Werfer final : ToneDevice { void play(const std::vector<Tone>&) override { throw std::runtime_error("device gone"); } };
  CuePlayer werfer(std::make_unique<Werfer>()), still(std::make_unique<SilentToneDevice>());
  for (CuePlayer* player : {&werfer, &still}) {
    for (int16_t cue : {17, 9, 21}) {
      const auto start = Clock::now();
      player->Ton(cue);
      EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(Dauer(Tonfolge(cue)))) << cue;
    }
  }
}

}  // namespace
}  // namespace paarix
