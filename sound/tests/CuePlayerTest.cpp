#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "CuePlayer.h"
#include "Tonfolge.h"

namespace paarix {
namespace {

using namespace std::chrono_literals;

// A device whose plays block until the test opens the gate. It records what it played,
// on which thread, and whether two plays ever overlapped.
class GatedDevice final : public ToneDevice {
 public:
  struct Log {
    std::mutex mutex;
    std::condition_variable changed;
    bool open = false;
    int running = 0;
    int mostAtOnce = 0;
    int started = 0;
    int finished = 0;
    std::vector<std::vector<Tone>> played;
    std::vector<std::thread::id> threads;
  };

  explicit GatedDevice(std::shared_ptr<Log> log) : log_(std::move(log)) {}

  void play(const std::vector<Tone>& tones) override {
    std::unique_lock lock(log_->mutex);
    ++log_->started;
    ++log_->running;
    log_->mostAtOnce = std::max(log_->mostAtOnce, log_->running);
    log_->played.push_back(tones);
    log_->threads.push_back(std::this_thread::get_id());
    log_->changed.notify_all();
    log_->changed.wait(lock, [this] { return log_->open; });
    lock.unlock();
    std::this_thread::sleep_for(2ms);  // room for an overlapping play to show up
    lock.lock();
    --log_->running;
    ++log_->finished;
    log_->changed.notify_all();
  }

 private:
  std::shared_ptr<Log> log_;
};

class CuePlayerTest : public testing::Test {
 protected:
  CuePlayerTest() : log(std::make_shared<GatedDevice::Log>()), player(std::make_unique<GatedDevice>(log)) {}

  void openGate() {
    const std::lock_guard lock(log->mutex);
    log->open = true;
    log->changed.notify_all();
  }

  void waitUntilStarted(int n) {
    std::unique_lock lock(log->mutex);
    ASSERT_TRUE(log->changed.wait_for(lock, 10s, [&] { return log->started >= n; }));
  }

  int finished() {
    const std::lock_guard lock(log->mutex);
    return log->finished;
  }

  std::shared_ptr<GatedDevice::Log> log;
  CuePlayer player;
};

TEST_F(CuePlayerTest, TonPlaysOnTheAudioThreadWhileTheCallerWaitsInTheHook) {
  int hookCalls = 0;
  player.setWaitHook([&](CuePlayer::Completion& completion) {
    ++hookCalls;
    waitUntilStarted(1);
    EXPECT_FALSE(completion.done());
    openGate();
    completion.wait();
    EXPECT_TRUE(completion.done());
  });
  player.Ton(11);
  EXPECT_EQ(hookCalls, 1);
  EXPECT_EQ(finished(), 1);
  ASSERT_EQ(log->played.size(), 1u);
  EXPECT_EQ(log->played[0], Tonfolge(11));
  EXPECT_NE(log->threads[0], std::this_thread::get_id());
}

TEST_F(CuePlayerTest, CuesWithoutTonesReturnAtOnceEvenWhileAnotherCuePlays) {
  bool hookCalled = false;
  player.setWaitHook([&](CuePlayer::Completion& completion) {
    hookCalled = true;
    completion.wait();
  });
  CuePlayer::Completion running = player.start(9);
  waitUntilStarted(1);
  for (int16_t cue : {int16_t{19}, int16_t{25}, int16_t{-1}, int16_t{-32768}, int16_t{32767}}) {
    player.Ton(cue);  // the gate is shut: blocking here would hang the test
    EXPECT_TRUE(player.start(cue).done());
  }
  EXPECT_FALSE(hookCalled);
  EXPECT_FALSE(running.done());
  openGate();
  running.wait();
  EXPECT_EQ(log->played.size(), 1u);
}

// A window that waits in a local event loop may handle another event that asks for a cue.
// That cue plays after the first, and the inner call returns only when its own cue is over.
TEST_F(CuePlayerTest, TonCalledInsideTheHookQueuesBehindTheRunningCue) {
  int depth = 0;
  int finishedWhenInnerReturned = -1;
  player.setWaitHook([&](CuePlayer::Completion& completion) {
    if (++depth == 1) {
      waitUntilStarted(1);
      openGate();
      player.Ton(16);
      finishedWhenInnerReturned = finished();
    }
    completion.wait();
    --depth;
  });
  player.Ton(9);
  EXPECT_EQ(finishedWhenInnerReturned, 2);
  ASSERT_EQ(log->played.size(), 2u);
  EXPECT_EQ(log->played[0], Tonfolge(9));
  EXPECT_EQ(log->played[1], Tonfolge(16));
  EXPECT_EQ(log->mostAtOnce, 1);
}

TEST_F(CuePlayerTest, CuesFromSeveralThreadsNeverOverlap) {
  openGate();
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i)
    threads.emplace_back([this, i] {
      for (int k = 0; k < 5; ++k) player.Ton(static_cast<int16_t>(8 + i));
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(finished(), 20);
  EXPECT_EQ(log->mostAtOnce, 1);
}

TEST_F(CuePlayerTest, OnDoneRunsOnTheAudioThreadWhenTheCueEndsOrAtOnceAfterwards) {
  CuePlayer::Completion completion = player.start(8);
  std::promise<std::thread::id> ranOn;
  completion.onDone([&] { ranOn.set_value(std::this_thread::get_id()); });
  waitUntilStarted(1);
  auto result = ranOn.get_future();
  EXPECT_EQ(result.wait_for(20ms), std::future_status::timeout);
  openGate();
  ASSERT_EQ(result.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(result.get(), log->threads[0]);
  EXPECT_TRUE(completion.done());

  bool ranAtOnce = false;
  completion.onDone([&] { ranAtOnce = true; });
  EXPECT_TRUE(ranAtOnce);
}

TEST_F(CuePlayerTest, AHookThatReturnsEarlyDoesNotLetTonReturnBeforeTheCueEnds) {
  player.setWaitHook([](CuePlayer::Completion&) {});
  std::thread opener([this] {
    waitUntilStarted(1);
    std::this_thread::sleep_for(20ms);
    openGate();
  });
  player.Ton(13);
  EXPECT_EQ(finished(), 1);
  opener.join();
}

TEST(CuePlayerShutdown, FinishesTheRunningCueAndReleasesEveryWaiter) {
  auto log = std::make_shared<GatedDevice::Log>();
  auto player = std::make_unique<CuePlayer>(std::make_unique<GatedDevice>(log));
  CuePlayer::Completion first = player->start(9);
  CuePlayer::Completion second = player->start(16);
  {
    std::unique_lock lock(log->mutex);
    ASSERT_TRUE(log->changed.wait_for(lock, 10s, [&] { return log->started == 1; }));
  }
  std::thread opener([&] {
    std::this_thread::sleep_for(50ms);
    const std::lock_guard lock(log->mutex);
    log->open = true;
    log->changed.notify_all();
  });
  player.reset();
  opener.join();
  EXPECT_TRUE(first.done());
  EXPECT_TRUE(second.done());
  EXPECT_EQ(log->finished, log->started);  // nothing cut off in the middle
  EXPECT_EQ(log->mostAtOnce, 1);
}

}  // namespace
}  // namespace paarix
