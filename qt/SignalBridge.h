#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace paarix {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the UI thread, so that they
// close the window in the same orderly way as its close box does.
class SignalBridge : public QObject {
  Q_OBJECT

 public:
  explicit SignalBridge(std::function<void()> onSignal, QObject* parent = nullptr);
  ~SignalBridge() override;

 private:
  std::function<void()> onSignal_;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace paarix
