#pragma once

#include <cstdint>
#include <string>

#include "CuePlayer.h"
#include "Layout.h"

namespace paarix {

// What the window logic needs of a window toolkit: the one window, its seven
// controls, the status line and the screen reader's voice. A front end (Qt,
// Win32) implements it and turns its toolkit's events into calls of the handlers
// of `Paarix`. Every call comes on the UI thread.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // The window.
  virtual void setCaption(const std::u16string& caption) = 0;
  virtual void hideWindow() = 0;
  // Shows the window and gives it the keyboard again (activates it).
  virtual void showWindow() = 0;
  virtual void repaintWindow() = 0;
  // Handles the window events that are already queued. The player's input among
  // them goes to Paarix::handleInput, where it waits for the running handler.
  virtual void processPendingEvents() = 0;
  // Closes the window now, as its close box does: the front end calls
  // Paarix::Form_QueryUnload before this returns, and the window goes when that allows.
  virtual void requestClose() = 0;
  // Calls Paarix::runInputQueue on the toolkit's next turn, after the call that is
  // running now (a screen reader's request) has returned.
  virtual void scheduleInputQueue() = 0;

  // The controls.
  virtual void setVisible(Control control, bool visible) = 0;
  virtual bool isVisible(Control control) const = 0;
  virtual void setFocus(Control control) = 0;
  // LstBrl, LstAnzahl: append an entry; the selected index (-1 for none); select
  // an entry. Selecting by the program raises no event here: the window logic
  // runs what the selection event runs itself.
  virtual void addItem(Control list, const std::u16string& entry) = 0;
  virtual int16_t selectedIndex(Control list) const = 0;
  virtual void select(Control list, int16_t index) = 0;
  // Spiel, Info: the whole text. Replacing the text of Spiel leaves the caret on
  // the cell it stood on, or at the end of a shorter text.
  virtual std::u16string text(Control box) const = 0;
  virtual void setText(Control box, const std::u16string& text) = 0;
  // Spiel: the caret position, 0-based (the number of characters before it).
  virtual int16_t caret() const = 0;
  virtual void setCaret(int16_t position) = 0;
  // Spiel: the selection length becomes 0, the caret stays.
  virtual void clearSelection() = 0;
  virtual void repaint(Control control) = 0;

  // The status line at the bottom of the window: whose turn it is, the pairs of
  // each player, the pairs left, the result. It is none of the seven controls: no
  // tab stop, never the focus, never part of what the Braille line shows of the field.
  virtual void setStatus(const std::u16string& text) = 0;
  virtual void setStatusVisible(bool visible) = 0;
  // Says `text` once through the player's own screen reader (Linux: an accessible
  // notification; Windows: a live region), without moving the focus or changing the
  // field; returns at once, and costs nothing when no screen reader listens.
  virtual void announce(const std::u16string& text) = 0;

  // Waits until `cue` has ended; returns at once when it has. Meanwhile the window
  // keeps painting and answering screen readers, and hands the player's input to
  // Paarix::handleInput as it arrives, where it waits for the handler to end.
  virtual void waitForCue(CuePlayer::Completion& cue) = 0;
};

}  // namespace paarix
