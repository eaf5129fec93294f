#pragma once

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "CueTones.h"
#include "FakeToolkit.h"
#include "Paarix.h"
#include "RecordingToneDevice.h"
#include "SkriptZufall.h"

namespace paarix::test {

namespace fs = std::filesystem;
using Cues = std::vector<int16_t>;

// The window logic on a fresh settings folder, with cues that take no time.
struct Harness {
  fs::path dir = fs::temp_directory_path() / ("paarix-window-" + std::to_string(std::random_device{}()));
  fs::path ini = dir / "paarix.ini";
  FakeToolkit tk;
  RecordingToneDevice* device = new RecordingToneDevice;
  CuePlayer cuePlayer{std::unique_ptr<ToneDevice>(device)};
  SkriptZufall zufall;
  Paarix paarix{tk, ini, cuePlayer, zufall};

  explicit Harness(std::optional<std::string> content = std::nullopt, bool load = true) {
    fs::create_directories(dir);
    if (content) std::ofstream(ini, std::ios::binary) << *content;
    tk.onLstBrlLostFocus = [this] { paarix.LstBrl_LostFocus(); };
    tk.onClose = [this] { return paarix.Form_QueryUnload(); };
    if (load) paarix.Form_Load();
  }
  ~Harness() {
    std::error_code ignored;
    fs::remove_all(dir, ignored);
  }
  std::string file() const {
    std::stringstream s;
    s << std::ifstream(ini, std::ios::binary).rdbuf();
    return s.str();
  }
  const std::u16string& field() const { return tk.texts[FakeToolkit::I(Control::Spiel)]; }
  int16_t selected(Control list) const { return tk.selection[FakeToolkit::I(list)]; }
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
  // The next deal of 12 cards gives abcdefabcdef.
  void dealInOrder() {
    std::vector<float> values;
    for (int v = 1; v <= 12; ++v) values.push_back((v - 0.5f) / 12);
    zufall.Skript(values);
  }
  // The seven controls in tab order, then the status line.
  std::vector<bool> visibility() const {
    std::vector<bool> shown(tk.visible.begin(), tk.visible.end());
    shown.push_back(tk.statusVisible);
    return shown;
  }
  // A key that reaches the field when its turn comes, as a front end hands it over.
  void key(char16_t code) {
    paarix.handleInput([this, code] { paarix.Spiel_KeyPress(code); });
  }
  // A caret key: the toolkit moves the caret when its turn comes.
  void caretKey(int16_t position) {
    paarix.handleInput([this, position] { tk.caretPos = position; });
  }
};

inline const std::vector<bool> kNormal = {true, true, true, true, true, true, false, true};
inline const std::vector<bool> kHelp = {false, false, false, false, false, false, true, false};
inline const std::vector<bool> kFullField = {false, false, false, true, false, false, false, false};

}  // namespace paarix::test
