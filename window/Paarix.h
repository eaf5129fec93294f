#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "CuePlayer.h"
#include "Fenster.h"
#include "Spielzustand.h"
#include "Tongeber.h"
#include "Toolkit.h"
#include "Zufall.h"

namespace paarix {

enum class Ansicht { Normal, Hilfe, Vollbild };

// The main window `Paarix` without its toolkit: the game state, start-up, the
// handlers of the seven controls, the three views, the status line, the spoken
// game events and the close that saves once.
//
// The status line follows the field: it is written anew with every field text
// and shown in the normal view only. The spoken game events (`Ansagen`, switched
// with the key s in the field, kept in the settings file) are said through the
// screen reader as an activation requests its cue, before the cue plays, and
// after the activation that turns two unequal cards face down; the key i says
// the status line. Neither key plays a cue, and the cues are the same with the
// spoken events on or off.
//
// A front end creates the controls, calls Form_Load once before it first shows the
// window, and then calls the handlers below for its toolkit's events.
//
// One handler runs at a time, to completion, and the player's input runs in the
// order it arrived. A piece of input (a key, a click, a routing key, a close; a
// front end hands over a toolkit event to replay as a callable) runs at once only
// when no handler runs and no input waits; otherwise it waits in the input queue
// and runs when the handlers before it have ended. The handlers below are such
// input; called while a replayed event runs, they run at once, as part of it (a
// replayed mouse release clicks). A handler that the program itself raises while
// another runs (LstBrl losing the focus because a handler moved it) finishes that
// handler's work: it runs right after it, before the input that waits.
class Paarix final : private Fenster, private Tongeber {
 public:
  Paarix(Toolkit& toolkit, std::filesystem::path iniDatei, CuePlayer& cues, Zufallsquelle& zufall);

  // Start-up: the settings file, the texts, the lists and a fresh field. Deals
  // nothing. Leaves the focus on CmdInfo.
  void Form_Load();
  // The window is about to close, whatever the cause. The first call writes the
  // settings. Returns whether the window may close now: while a handler runs or
  // input waits, the close waits in the input queue, and the window logic asks for
  // it again (Toolkit::requestClose) when its turn comes. Input behind the close
  // is dropped with the window.
  bool Form_QueryUnload();
  // The session ends (logging off, shutting down): the settings are written now if
  // they were not yet, even in the middle of a handler, since nothing runs after.
  void SessionEnding();

  void CmdInfo_Click();
  void CmdNeu_Click();
  void CmdEnde_Click();
  // A selection change of LstAnzahl by the player.
  void LstAnzahl_Click();
  // The focus moved from LstBrl to another control of this window. A move caused
  // by a view switch (controls hidden and shown) does not count.
  void LstBrl_LostFocus();
  // A click in Spiel; the toolkit has placed the caret on the clicked cell.
  void Spiel_Click();
  // A Braille routing key on cell `position`: the caret goes there, then Spiel_Click.
  // It never runs inside the screen reader's call: it always waits in the input
  // queue, and when nothing runs the toolkit is asked to run the queue on its next
  // turn (Toolkit::scheduleInputQueue).
  void Spiel_Routing(int16_t position);
  void Spiel_DblClick();
  // A character key in Spiel or Info (Escape 27, the space bar 32, a letter its code).
  void Spiel_KeyPress(char16_t code);
  void Info_KeyPress(char16_t code);

  // The input queue. `input` is a piece of the player's input that has just
  // arrived: it runs now when no handler runs and no input waits or runs, else it
  // waits its turn. A front end hands over its toolkit's event to replay; while
  // inputWaits(), it holds its events that way.
  void handleInput(std::function<void()> input);
  bool inputWaits() const { return busy_ || (!inputQueue_.empty() && !inputRunning_); }
  // Runs the input that waits, unless a handler or input runs already (which
  // run it when they end). The toolkit calls it when scheduleInputQueue asked.
  void runInputQueue();

  // Whether a handler is running (or waiting for its cue).
  bool busy() const { return busy_; }
  Ansicht AktuelleAnsicht() const;
  const std::u16string& Titel() const { return titel_; }
  Spielzustand& Zustand() { return spiel_; }
  const Spielzustand& Zustand() const { return spiel_; }
  // Whether the settings were written at the close: empty before the close.
  std::optional<bool> Gespeichert() const { return gespeichert_; }

 private:
  // Fenster: the game's view of the controls.
  std::u16string SpielLesen() const override;
  void SpielSchreiben(const std::u16string& text) override;
  int16_t CaretPos() const override;
  void SelLaengeNull() override;
  void SpielZeichnen() override;
  void FokusSpiel() override;
  void FokusCmdNeu() override;
  int16_t LstBrlIndex() const override;
  int16_t LstAnzahlIndex() const override;
  // Tongeber: the cues of an activation, each with its spoken event.
  void Ton(int16_t cue) override;
  // Plays `cue` and returns when it has ended.
  void Abspielen(int16_t cue);
  // One activation of the card under the caret, with the spoken event of an
  // activation that requests no cue.
  void Aktivieren();
  // Says `text` when the spoken game events are on.
  void Sagen(const std::u16string& text);
  // The status line for the field text `feld`.
  void StatuszeileSchreiben(const std::u16string& feld);

  // Runs `handler` now, or right after the running one when that raised it.
  void runHandler(std::function<void()> handler);
  // Runs `input` now when it is part of the input that runs (the click of a
  // replayed mouse event), else as input that has just arrived.
  void asInput(std::function<void()> input);
  // A handler of the player's input: it runs as input, in its turn, then alone.
  void runInputHandler(std::function<void()> handler);
  void Speichern();

  void HilfeAn();
  void HilfeAus();
  void VollbildAn();
  void VollbildAus();

  Toolkit& toolkit_;
  const std::filesystem::path iniDatei_;
  CuePlayer& cues_;
  Spielzustand spiel_;
  std::u16string titel_;

  bool busy_ = false;
  std::deque<std::function<void()>> raisedHandlers_;
  bool inputRunning_ = false;
  std::deque<std::function<void()>> inputQueue_;
  bool ansichtWechselt_ = false;
  bool ansagen_ = false;
  std::u16string statuszeile_;
  std::optional<bool> gespeichert_;
};

}  // namespace paarix
