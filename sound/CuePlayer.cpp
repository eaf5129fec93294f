#include "CuePlayer.h"

#include <algorithm>

#include "CueTones.h"
#include "WaitUntil.h"

namespace paarix {

struct CuePlayer::Completion::State {
  mutable std::mutex mutex;
  std::condition_variable ended;
  bool done = false;
  std::vector<std::function<void()>> callbacks;
  std::chrono::milliseconds duration{0};

  // The first call ends the cue; later ones (the device returning after its time) do nothing.
  void finish() {
    std::vector<std::function<void()>> toRun;
    {
      const std::lock_guard lock(mutex);
      if (done) return;
      done = true;
      toRun.swap(callbacks);
    }
    ended.notify_all();
    for (auto& callback : toRun) {
      try {
        callback();
      } catch (...) {
        // A failing callback must not take the audio thread down with it.
      }
    }
  }
};

CuePlayer::Completion::Completion(std::shared_ptr<State> state) : state_(std::move(state)) {}

bool CuePlayer::Completion::done() const {
  const std::lock_guard lock(state_->mutex);
  return state_->done;
}

void CuePlayer::Completion::wait() {
  std::unique_lock lock(state_->mutex);
  state_->ended.wait(lock, [this] { return state_->done; });
}

void CuePlayer::Completion::onDone(std::function<void()> callback) {
  {
    const std::lock_guard lock(state_->mutex);
    if (!state_->done) {
      state_->callbacks.push_back(std::move(callback));
      return;
    }
  }
  callback();
}

CuePlayer::CuePlayer(std::function<std::unique_ptr<ToneDevice>()> openDevice)
    : openDevice_(std::move(openDevice)), thread_([this] { run(); }), watchdog_([this] { watch(); }) {}

CuePlayer::CuePlayer(std::unique_ptr<ToneDevice> device)
    : device_(std::move(device)), thread_([this] { run(); }), watchdog_([this] { watch(); }) {}

CuePlayer::~CuePlayer() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  watchWake_.notify_all();
  thread_.join();
  watchdog_.join();
}

CuePlayer::Completion CuePlayer::start(int16_t cue) {
  std::vector<Tone> tones = cueTones(cue);
  auto state = std::make_shared<Completion::State>();
  state->duration = std::chrono::milliseconds(std::max<int32_t>(0, durationMs(tones)));
  {
    const std::lock_guard lock(mutex_);
    if (tones.empty() || stopping_) {
      state->done = true;
      return Completion(std::move(state));
    }
    if (unfinished_.empty()) turnSince_ = std::chrono::steady_clock::now();
    unfinished_.push_back(state);
    queue_.push_back(Job{std::move(tones), state});
  }
  wake_.notify_one();
  watchWake_.notify_one();
  return Completion(std::move(state));
}

void CuePlayer::run() {
  if (openDevice_) {
    try {
      device_ = openDevice_();
    } catch (...) {
      // Handled below, like a factory that found nothing.
    }
  }
  if (!device_) device_ = std::make_unique<SilentToneDevice>();
  for (;;) {
    Job job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) break;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    if (Completion(job.state).done()) continue;  // its time passed while the device hung
    const auto start = std::chrono::steady_clock::now();
    try {
      device_->play(job.tones);
    } catch (...) {
      // A device never fails towards the game; should one throw all the same, the
      // cue goes on in silence for the rest of its time.
      waitUntil(start + job.state->duration);
    }
    finish(job.state);
  }
  // Shutting down: what is still queued is not played, but nobody may wait for it forever.
  std::deque<Job> left;
  {
    const std::lock_guard lock(mutex_);
    left.swap(queue_);
  }
  for (Job& job : left) finish(job.state);
  device_.reset();  // closed on the audio thread too, where it was used
}

void CuePlayer::finish(const std::shared_ptr<Completion::State>& state) {
  {
    const std::lock_guard lock(mutex_);
    if (!unfinished_.empty() && unfinished_.front() == state) {
      unfinished_.pop_front();
      turnSince_ = std::chrono::steady_clock::now();
    }
  }
  watchWake_.notify_one();
  state->finish();
}

void CuePlayer::watch() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (unfinished_.empty()) {
      watchWake_.wait(lock);
      continue;
    }
    const std::shared_ptr<Completion::State> first = unfinished_.front();
    const auto limit = turnSince_ + first->duration + kLateLimit;
    if (std::chrono::steady_clock::now() < limit) {
      watchWake_.wait_until(lock, limit);
      continue;
    }
    lock.unlock();
    finish(first);
    lock.lock();
  }
}

}  // namespace paarix
