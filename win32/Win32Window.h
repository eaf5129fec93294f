#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <array>
#include <cstdint>
#include <deque>

#include "Paarix.h"
#include "Toolkit.h"

namespace paarix {

// The window `Paarix` made of the standard USER32 controls: three buttons, two
// list boxes, the one-line field `Spiel` and the help text `Info`, both read-only
// edits. Turns the messages of these controls into calls of the handlers of
// `Paarix` and gives the window logic the operations it needs.
//
// What a screen reader does to the field arrives as messages sent from its own
// process: a Braille routing key is an EM_SETSEL onto a cell. Such a routing
// waits in line with the player's keys and clicks and runs from the message loop,
// so the screen reader is never kept waiting for a card's cue.
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

 private:
  struct Routing {
    DWORD time;  // GetTickCount() when it arrived, comparable with MSG::time
    int16_t position;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ControlProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
  LRESULT onWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT onControlMessage(Control control, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void onCommand(Control control, WORD code);

  void createControls(HINSTANCE instance);
  // Fonts, places and the window size for `dpi` dots per inch.
  void applyDpi(UINT dpi);
  HWND hwnd(Control control) const { return controls_[static_cast<size_t>(control)]; }
  bool runNextRouting();

  HWND window_ = nullptr;
  std::array<HWND, 7> controls_{};
  HFONT windowFont_ = nullptr;
  HFONT infoFont_ = nullptr;
  UINT dpi_ = 96;
  Paarix* paarix_ = nullptr;
  HWND focusAtDeactivation_ = nullptr;
  bool clickStarted_ = false;
  std::deque<Routing> routings_;
};

}  // namespace paarix
