#pragma once

#include <QObject>
#include <deque>
#include <functional>

namespace paarix {

// Runs the window's handlers one at a time, each to completion. While a handler
// runs (above all while it waits for a sound cue, with the event loop turning
// for paint and accessibility), user input for the guarded window is held back
// and so are further handlers; afterwards they run in the order they arrived.
class EventGate : public QObject {
  Q_OBJECT

 public:
  explicit EventGate(QWidget* window);
  ~EventGate() override;

  // Runs `handler` now, or after the running handler and what waits before it.
  void run(std::function<void()> handler);
  bool busy() const { return busy_; }
  size_t waiting() const { return pending_.size(); }

 signals:
  // The running handler and everything that waited for it have finished.
  void idle();

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override;

 private:
  void runAlone(const std::function<void()>& handler);
  void drain();

  QWidget* window_;
  bool busy_ = false;
  bool draining_ = false;
  std::deque<std::function<void()>> pending_;
};

}  // namespace paarix
