#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <oleacc.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>

#include "Paarix.h"
#include "Toolkit.h"

namespace paarix {

// The window `Paarix` made of the standard USER32 controls: three buttons, two
// list boxes, the one-line field `Spiel` and the help text `Info`, both read-only
// edits; below them the status line. Turns the messages of these controls into
// calls of the handlers of `Paarix` and gives the window logic the operations it
// needs.
//
// The player's input keeps its order through the window logic's input queue.
// While input waits (a handler waits for its cue), keys, clicks, the characters
// TranslateMessage makes and posted BM_CLICKs are taken off the Windows queue as
// they arrive and handed to that queue, to be dispatched when their turn comes.
// What a screen reader does arrives as messages sent from its own process: a
// Braille routing key is an EM_SETSEL onto a cell, a default action a BM_CLICK or
// a WM_COMMAND. The input already queued goes to the window logic before them.
class Win32Window final : public Toolkit {
 public:
  // Creates the window and its controls, all hidden but the controls of the
  // normal view; the window appears in run().
  explicit Win32Window(HINSTANCE instance);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  // The window logic that receives the events; set before the first message.
  void attach(Paarix& paarix) { paarix_ = &paarix; }
  // Shows the window and runs the message loop until the window is destroyed.
  int run(int showCommand);

  // Toolkit
  void setCaption(const std::u16string& caption) override;
  void hideWindow() override;
  void showWindow() override;
  void repaintWindow() override;
  void processPendingEvents() override;
  void requestClose() override;
  void scheduleInputQueue() override;
  void setVisible(Control control, bool visible) override;
  bool isVisible(Control control) const override;
  void setFocus(Control control) override;
  void addItem(Control list, const std::u16string& entry) override;
  int16_t selectedIndex(Control list) const override;
  void select(Control list, int16_t index) override;
  std::u16string text(Control box) const override;
  void setText(Control box, const std::u16string& text) override;
  int16_t caret() const override;
  void setCaret(int16_t position) override;
  void clearSelection() override;
  void repaint(Control control) override;
  void waitForCue(CuePlayer::Completion& cue) override;

  // The status line: the common-controls status bar at the bottom of the window,
  // below the seven controls. No tab stop; it never takes the focus.
  void setStatus(const std::u16string& text) override;
  void setStatusVisible(bool visible) override;
  // A live region: the text becomes the name of a control that shows nothing,
  // and screen readers are told that it changed. NVDA speaks the name of the
  // control the event names; Narrator speaks it as the control's live setting
  // (assertive) asks.
  void announce(const std::u16string& text) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
  LRESULT onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onControlMessage(Control control, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void onCommand(Control control, WORD code);

  void createControls(HINSTANCE instance);
  // The live setting of the live region and the field's description, through
  // Direct Annotation.
  void annotate();
  // Fonts, places and the window size for `dpi` dots per inch.
  void applyDpi(UINT dpi);
  HWND hwnd(Control control) const { return controls_[static_cast<size_t>(control)]; }

  // The Windows queue while input waits: the player's input to the window logic,
  // everything else dispatched now. Returns false when nothing was queued.
  bool takeMessage();
  // A WM_QUIT that takeMessage took goes back into the queue.
  void repostQuit();
  // The player's input that is already queued, to the window logic: it came before
  // the message from another program that is being handled now.
  void takeInput();
  // The message being handled was sent by another program (another thread), not
  // by this program's own EM_SETSEL or BM_CLICK.
  bool sentByAnotherProgram() const;
  // A message another program sent (a routing key, a click): answered at once, its
  // input after what waits in the Windows queue. While a cue plays it waits until
  // the Windows queue is empty (giveSentInput), since the call that handles it may
  // not show the keys that came before it.
  void fromAnotherProgram(std::function<void()> input);
  void giveSentInput();
  // One piece of the player's input to the window logic's queue.
  void handOver(const MSG& msg);
  // Dispatches a piece of input now: a key to the control that has the focus now,
  // a click to the control under the pointer, and the character a key makes in the
  // same step.
  void dispatchInput(MSG msg);
  void dispatch(MSG& msg);

  HWND window_ = nullptr;
  std::array<HWND, 7> controls_{};
  HWND statusBar_ = nullptr;
  HWND liveRegion_ = nullptr;
  // The Direct Annotation of the live region and the field, held while the window lives.
  IAccPropServices* annotations_ = nullptr;
  HFONT windowFont_ = nullptr;
  HFONT infoFont_ = nullptr;
  UINT dpi_ = 96;
  Paarix* paarix_ = nullptr;
  HWND focusAtDeactivation_ = nullptr;
  bool clickStarted_ = false;
  // Above 0 while the program sends its own EM_SETSEL or BM_CLICK: no screen reader's.
  int ownMessages_ = 0;
  // Above 0 while the Windows queue is being emptied during a cue.
  int taking_ = 0;
  std::deque<std::function<void()>> sentInput_;
  bool quitTaken_ = false;
  int quitCode_ = 0;
};

}  // namespace paarix
