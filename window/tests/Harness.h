#pragma once

#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "CueTones.h"
#include "Paarix.h"
#include "RecordingToneDevice.h"
#include "SkriptZufall.h"

namespace paarix::test {

namespace fs = std::filesystem;
using Cues = std::vector<int16_t>;

// The window and its controls as plain data, with a log of what a view change does to the window ("hide", "process"
// (pending events handled), "show", "repaint") and of each focus the program sets ("focus:Spiel").
struct FakeToolkit : Toolkit {
  std::u16string caption;
  // The seven controls in tab order, then the status line.
  std::array<bool, 8> visible{true, true, true, true, true, true, false, false};
  Control focus = Control::CmdInfo;
  std::array<int16_t, 7> selection{-1, -1, -1, -1, -1, -1, -1};
  std::array<std::u16string, 7> texts;
  int16_t caretPos = 0;
  std::u16string status;
  std::vector<std::u16string> announced;
  std::vector<std::string> log;
  int selectionsCleared = 0;
  // Runs inside the next wait for a cue: what arrives while a cue plays.
  std::function<void()> duringCue;
  // The window logic, told of the focus leaving LstBrl and asked at a close as a front end does.
  Paarix* paarix = nullptr;
  bool closed = false;
  int inputQueueRunsScheduled = 0;

  static size_t I(Control c) { return static_cast<size_t>(c); }

  void setCaption(const std::u16string& text) override { caption = text; }
  void hideWindow() override { log.push_back("hide"); }
  void showWindow() override { log.push_back("show"); }
  void repaintWindow() override { log.push_back("repaint"); }
  void processPendingEvents() override { log.push_back("process"); }
  void requestClose() override { closed = paarix->Form_QueryUnload(); }
  void scheduleInputQueue() override { ++inputQueueRunsScheduled; }

  void setVisible(Control c, bool v) override {
    visible[I(c)] = v;
    if (v || focus != c) return;
    // A hidden control passes the focus on to the next visible one, as a toolkit does.
    size_t next = (I(c) + 1) % kTabOrder.size();
    while (next != I(c) && !visible[next]) next = (next + 1) % kTabOrder.size();
    focus = static_cast<Control>(next);
    if (c == Control::LstBrl) paarix->LstBrl_LostFocus();
  }
  bool isVisible(Control c) const override { return visible[I(c)]; }
  void setFocus(Control c) override {
    const bool leavesLstBrl = focus == Control::LstBrl && c != Control::LstBrl;
    focus = c;
    log.push_back("focus:" + std::string(ControlName(c)));
    if (leavesLstBrl) paarix->LstBrl_LostFocus();
  }
  void addItem(Control, const std::u16string&) override {}
  int16_t selectedIndex(Control list) const override { return selection[I(list)]; }
  void select(Control list, int16_t index) override { selection[I(list)] = index; }
  std::u16string text(Control box) const override { return texts[I(box)]; }
  void setText(Control box, const std::u16string& t) override { texts[I(box)] = t; }
  int16_t caret() const override { return caretPos; }
  void setCaret(int16_t position) override { caretPos = position; }
  void clearSelection() override { ++selectionsCleared; }
  void repaint(Control) override {}
  void setStatus(const std::u16string& t) override { status = t; }
  void setStatusVisible(bool v) override { visible[kTabOrder.size()] = v; }
  void announce(const std::u16string& t) override { announced.push_back(t); }
  void waitForCue(CuePlayer::Completion& cue) override {
    if (const auto event = std::exchange(duringCue, nullptr)) event();
    cue.wait();
  }
};

// The window logic started on a fresh settings folder (holding `content` as its settings file unless it is empty), with
// cues that take no time.
struct Harness {
  fs::path dir = fs::temp_directory_path() / ("paarix-window-" + std::to_string(std::random_device{}()));
  fs::path ini = dir / "paarix.ini";
  FakeToolkit tk;
  RecordingToneDevice* device = new RecordingToneDevice;
  CuePlayer cuePlayer{std::unique_ptr<ToneDevice>(device)};
  // The first deal of 12 cards draws the cards in order: abcdefabcdef.
  SkriptZufall zufall{{0.5f / 12, 1.5f / 12, 2.5f / 12, 3.5f / 12, 4.5f / 12, 5.5f / 12, 6.5f / 12, 7.5f / 12,
                       8.5f / 12, 9.5f / 12, 10.5f / 12, 11.5f / 12}};
  Paarix paarix{tk, ini, cuePlayer, zufall};

  explicit Harness(const std::string& content = {}) {
    fs::create_directories(dir);
    if (!content.empty()) std::ofstream(ini, std::ios::binary) << content;
    tk.paarix = &paarix;
    paarix.Form_Load();
  }
  ~Harness() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string file() const { return (std::ostringstream() << std::ifstream(ini, std::ios::binary).rdbuf()).str(); }
  const std::u16string& field() const { return tk.texts[FakeToolkit::I(Control::Spiel)]; }
  // Every cue played so far, known by its tones.
  Cues cues() const {
    Cues played;
    for (const auto& tones : device->calls()) {
      int16_t cue = 0;
      while (cue < 25 && cueTones(cue) != tones) ++cue;
      played.push_back(cue);
    }
    return played;
  }
  // A key that reaches the field when its turn comes, as a front end hands it over.
  void key(char16_t code) {
    paarix.handleInput([this, code] { paarix.Spiel_KeyPress(code); });
  }
};

inline constexpr std::array<bool, 8> kNormal = {true, true, true, true, true, true, false, true};
inline constexpr std::array<bool, 8> kHelp = {false, false, false, false, false, false, true, false};
inline constexpr std::array<bool, 8> kFullField = {false, false, false, true, false, false, false, false};

}  // namespace paarix::test
