#pragma once

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
// Ton() blocks its caller until the cue has ended, like a tone generator that blocks,
// but the caller waits inside a replaceable wait hook. A window replaces the default hook
// (a plain wait) by one that keeps serving its accessibility while it waits, e.g. a local
// event loop that quits from the completion's onDone callback. Events handled inside that
// loop may call Ton() again: such a cue queues behind the one being waited for, and the
// inner call returns when its own cue has ended.
class CuePlayer {
 public:
  // The end of one queued cue. Copies refer to the same cue.
  class Completion {
   public:
    bool done() const;
    // Blocks until the cue has ended.
    void wait();
    // Runs `callback` on the audio thread when the cue ends, or at once on the calling
    // thread if it has already ended. The callback should be short and must not throw.
    void onDone(std::function<void()> callback);

   private:
    friend class CuePlayer;
    struct State;
    explicit Completion(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
  };

  // Must return only once completion.done() is true; Ton() waits for the cue itself
  // should a hook return earlier.
  using WaitHook = std::function<void(Completion&)>;

  explicit CuePlayer(std::unique_ptr<ToneDevice> device);
  // Lets the running cue finish and joins the audio thread. Cues still queued are not
  // played; their completions are done.
  ~CuePlayer();
  CuePlayer(const CuePlayer&) = delete;
  CuePlayer& operator=(const CuePlayer&) = delete;

  // Plays the cue and returns when it has ended; the calling thread waits inside the wait
  // hook meanwhile. A cue without tones returns at once without calling the hook.
  void Ton(int16_t cue);

  // Queues the cue and returns at once. A cue without tones is done at once.
  Completion start(int16_t cue);

  // An empty hook restores the default, completion.wait().
  void setWaitHook(WaitHook hook);

 private:
  struct Job {
    std::vector<Tone> tones;
    std::shared_ptr<Completion::State> state;
  };

  Completion enqueue(std::vector<Tone> tones);
  void run();

  std::unique_ptr<ToneDevice> device_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool stopping_ = false;
  WaitHook hook_;
  std::thread thread_;  // last: starts after everything it uses
};

}  // namespace paarix
