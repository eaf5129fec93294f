#include "Tonausgabe.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>

#include "ToneDevice.h"

namespace paarix {

Tonausgabe::Tonausgabe(std::unique_ptr<ToneDevice> device, QObject* parent)
    : QObject(parent), player_(std::make_unique<CuePlayer>(std::move(device))) {
  player_->setWaitHook([this](CuePlayer::Completion& completion) { wait(completion); });
}

Tonausgabe::~Tonausgabe() {
  // The audio thread must be gone before this object, which its callbacks post to.
  player_.reset();
}

void Tonausgabe::Ton(int16_t cue) { player_->Ton(cue); }

void Tonausgabe::wait(CuePlayer::Completion& completion) {
  QEventLoop loop;
  // Each cue quits the loop that waits for it. A cue requested from inside this
  // loop waits in a loop of its own; the end of this cue must not quit that one
  // instead, or this loop would turn on for ever.
  QPointer<QEventLoop> eigene(&loop);
  completion.onDone([this, eigene] {
    QMetaObject::invokeMethod(
        this, [eigene] { if (eigene) eigene->quit(); }, Qt::QueuedConnection);
  });
  while (!completion.done()) loop.exec(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace paarix
