#include "EventGate.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <memory>

namespace paarix {

namespace {

bool isUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::ContextMenu:
      return true;
    default:
      return false;
  }
}

}  // namespace

EventGate::EventGate(QWidget* window) : QObject(window), window_(window) { qApp->installEventFilter(this); }

EventGate::~EventGate() { qApp->removeEventFilter(this); }

void EventGate::run(std::function<void()> handler) {
  if (busy_) {
    // When its turn comes the handler runs alone as well: what arrives while it
    // waits for a cue of its own waits in turn.
    pending_.push_back([this, handler = std::move(handler)] { runAlone(handler); });
    return;
  }
  runAlone(handler);
  drain();
}

void EventGate::runAlone(const std::function<void()>& handler) {
  busy_ = true;
  handler();
  busy_ = false;
}

void EventGate::drain() {
  if (draining_) return;  // the outer drain goes on with the rest
  draining_ = true;
  while (!busy_ && !pending_.empty()) {
    auto next = std::move(pending_.front());
    pending_.pop_front();
    next();
  }
  draining_ = false;
  if (!busy_ && pending_.empty()) emit idle();
}

bool EventGate::eventFilter(QObject* receiver, QEvent* event) {
  if (!busy_) return false;
  if (event->type() == QEvent::ShortcutOverride) {
    // Keep shortcuts (the buttons' access keys) from firing in the middle of a
    // handler: the key press itself waits below and reaches its widget later.
    if (receiver->isWidgetType() && static_cast<QWidget*>(receiver)->window() == window_) {
      event->accept();
      return true;
    }
    return false;
  }
  if (!isUserInput(event->type())) return false;
  const bool ours = (receiver->isWidgetType() && static_cast<QWidget*>(receiver)->window() == window_) ||
                    (receiver->isWindowType() && static_cast<QWindow*>(receiver) == window_->windowHandle());
  if (!ours) return false;
  if (event->type() == QEvent::MouseMove) return true;  // a later move carries the position anew
  std::shared_ptr<QEvent> copy(event->clone());
  QPointer<QObject> target(receiver);
  pending_.push_back([target, copy] {
    if (target) QCoreApplication::sendEvent(target, copy.get());
  });
  return true;
}

}  // namespace paarix
