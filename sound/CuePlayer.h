#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ToneDevice.h"

namespace paarix {

// Plays cues on an audio thread of its own, one after the other; cues never overlap.
//
// start() queues a cue and returns at once; the caller decides how to wait for its
// Completion. A window that must keep serving its accessibility while a cue plays waits
// in a local event loop that quits from onDone(); a cue requested from inside that loop
// queues behind the one being waited for.
//
// Nobody waits for a hanging sound device: a cue is done at the latest kLateLimit after
// its nominal end, counted from when the cue before it was done, whether the device has
// returned or not. A cue whose time has passed that way is not played any more.
class CuePlayer {
 public:
  // The end of one queued cue. Copies refer to the same cue.
  class Completion {
   public:
    bool done() const;
    // Blocks until the cue has ended.
    void wait();
    // Runs `callback` on a thread of the player's when the cue ends, or at once on the
    // calling thread if it has already ended. The callback should be short and must not throw.
    void onDone(std::function<void()> callback);

   private:
    friend class CuePlayer;
    struct State;
    explicit Completion(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
  };

  // Opening a sound device can take a while; nothing on the way to the first window needs
  // it. `openDevice` runs as the first thing on the audio thread, and the first cue waits
  // for it if it must. A factory that returns nothing or throws leaves the cues silent,
  // each keeping its duration.
  explicit CuePlayer(std::function<std::unique_ptr<ToneDevice>()> openDevice);
  // Plays on a device that is open already.
  explicit CuePlayer(std::unique_ptr<ToneDevice> device);
  // Lets the running cue finish and joins the audio thread. Cues still queued are not
  // played; their completions are done.
  ~CuePlayer();
  CuePlayer(const CuePlayer&) = delete;
  CuePlayer& operator=(const CuePlayer&) = delete;

  // Queues the cue and returns at once. A cue without tones is done at once.
  Completion start(int16_t cue);

  // How long past its nominal end a cue may take before it is done all the same.
  static constexpr std::chrono::seconds kLateLimit{2};

 private:
  struct Job {
    std::vector<Tone> tones;
    std::shared_ptr<Completion::State> state;
  };

  void run();
  // Ends the cues that the device keeps past their time.
  void watch();
  // The cue is done; the next one's time starts now.
  void finish(const std::shared_ptr<Completion::State>& state);

  std::function<std::unique_ptr<ToneDevice>()> openDevice_;
  std::unique_ptr<ToneDevice> device_;  // used on the audio thread only, once it runs
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  // The cues queued or playing that are not done yet, in the order they play, and since
  // when the first of them has had its turn.
  std::deque<std::shared_ptr<Completion::State>> unfinished_;
  std::chrono::steady_clock::time_point turnSince_;
  std::condition_variable watchWake_;
  bool stopping_ = false;
  std::thread thread_;  // last: start after everything they use
  std::thread watchdog_;
};

}  // namespace paarix
