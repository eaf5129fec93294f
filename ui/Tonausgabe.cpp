#include "Tonausgabe.h"

#include <QEventLoop>
#include <QMetaObject>

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

void Tonausgabe::Ton(int16_t cue) {
  spielt_ = true;
  player_->Ton(cue);
  spielt_ = false;
}

void Tonausgabe::wait(CuePlayer::Completion& completion) {
  QEventLoop loop;
  loop_ = &loop;
  completion.onDone([this] {
    QMetaObject::invokeMethod(
        this, [this] { if (loop_ != nullptr) loop_->quit(); }, Qt::QueuedConnection);
  });
  // A quit meant for an earlier cue may arrive first: wait until this cue has ended.
  while (!completion.done()) loop.exec(QEventLoop::ExcludeUserInputEvents);
  loop_ = nullptr;
}

}  // namespace paarix
