#pragma once

#include <QObject>
#include <memory>

#include "CuePlayer.h"
#include "Fenster.h"

namespace paarix {

class ToneDevice;

// The game's cues, played on the audio thread. While a cue plays, the UI thread
// keeps turning its event loop for paint, timers and accessibility queries, but
// takes no user input: a screen reader can read the field during the long pair
// cue, and keys pressed meanwhile wait until the cue has ended.
class Tonausgabe : public QObject, public Tongeber {
  Q_OBJECT

 public:
  explicit Tonausgabe(std::unique_ptr<ToneDevice> device, QObject* parent = nullptr);
  ~Tonausgabe() override;

  void Ton(int16_t cue) override;

 private:
  void wait(CuePlayer::Completion& completion);

  std::unique_ptr<CuePlayer> player_;
};

}  // namespace paarix
