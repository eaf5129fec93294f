#pragma once

#include <algorithm>
#include <array>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "Toolkit.h"

namespace paarix::test {

// The window and its controls as plain data, with a log of every change asked for:
// "hide", "show", "caption:…", "-CmdInfo" (hidden), "+Info" (shown), "focus:Spiel",
// "-Statuszeile", "announce" (a text said), "cue" (a wait for a cue begins), ….
struct FakeToolkit : Toolkit {
  std::u16string caption;
  bool shown = false;
  std::array<bool, 7> visible{true, true, true, true, true, true, false};
  Control focus = Control::CmdInfo;
  std::array<std::vector<std::u16string>, 7> items;
  std::array<int16_t, 7> selection{-1, -1, -1, -1, -1, -1, -1};
  std::array<std::u16string, 7> texts;
  int16_t caretPos = 0;
  std::u16string status;
  bool statusVisible = false;
  std::vector<std::u16string> announced;
  std::vector<std::string> log;
  // Runs inside the next wait for a cue: what arrives while a cue plays.
  std::vector<std::function<void()>> duringCue;
  // Called when the focus leaves LstBrl for another control, as a front end reports it.
  std::function<void()> onLstBrlLostFocus;
  // The window's close: asks the window logic, returns whether the window may go.
  std::function<bool()> onClose;
  bool closed = false;
  int inputQueueRunsScheduled = 0;

  static size_t I(Control c) { return static_cast<size_t>(c); }
  void Log(std::string what) { log.push_back(std::move(what)); }
  static std::string Name(Control c) { return std::string(ControlName(c)); }
  int Count(const std::string& entry) const { return static_cast<int>(std::count(log.begin(), log.end(), entry)); }

  void setCaption(const std::u16string& text) override {
    caption = text;
    Log("caption:" + std::string(text.begin(), text.end()));
  }
  void hideWindow() override {
    shown = false;
    Log("hide");
  }
  void showWindow() override {
    shown = true;
    Log("show");
  }
  void repaintWindow() override { Log("repaint"); }
  void processPendingEvents() override { Log("process"); }
  void requestClose() override {
    Log("close");
    if (onClose && onClose()) closed = true;
  }
  void scheduleInputQueue() override { ++inputQueueRunsScheduled; }

  void setVisible(Control c, bool v) override {
    visible[I(c)] = v;
    Log((v ? "+" : "-") + Name(c));
    if (v || focus != c) return;
    // A hidden control gives the focus to the next visible one, as a toolkit does.
    size_t next = (I(c) + 1) % visible.size();
    while (next != I(c) && !visible[next]) next = (next + 1) % visible.size();
    focus = static_cast<Control>(next);
    if (c == Control::LstBrl && onLstBrlLostFocus) onLstBrlLostFocus();
  }
  bool isVisible(Control c) const override { return visible[I(c)]; }
  void setFocus(Control c) override {
    const bool leavesLstBrl = focus == Control::LstBrl && c != Control::LstBrl;
    focus = c;
    Log("focus:" + Name(c));
    if (leavesLstBrl && onLstBrlLostFocus) onLstBrlLostFocus();
  }
  void addItem(Control list, const std::u16string& entry) override { items[I(list)].push_back(entry); }
  int16_t selectedIndex(Control list) const override { return selection[I(list)]; }
  void select(Control list, int16_t index) override {
    const bool exists = index >= 0 && index < static_cast<int>(items[I(list)].size());
    selection[I(list)] = exists ? index : int16_t{-1};
  }
  std::u16string text(Control box) const override { return texts[I(box)]; }
  void setText(Control box, const std::u16string& t) override {
    texts[I(box)] = t;
    Log("text:" + Name(box));
    if (box == Control::Spiel) caretPos = std::min<int16_t>(caretPos, static_cast<int16_t>(t.size()));
  }
  int16_t caret() const override { return caretPos; }
  void setCaret(int16_t position) override { caretPos = position; }
  void clearSelection() override { Log("clearSelection"); }
  void repaint(Control c) override { Log("repaint:" + Name(c)); }
  void setStatus(const std::u16string& t) override { status = t; }
  void setStatusVisible(bool v) override {
    statusVisible = v;
    Log(v ? "+Statuszeile" : "-Statuszeile");
  }
  void announce(const std::u16string& t) override {
    announced.push_back(t);
    Log("announce");
  }
  void waitForCue(CuePlayer::Completion& cue) override {
    Log("cue");
    const auto events = std::exchange(duringCue, {});
    for (const auto& event : events) event();
    cue.wait();
  }
};

}  // namespace paarix::test
