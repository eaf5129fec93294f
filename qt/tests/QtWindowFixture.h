#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "CueTones.h"
#include "QtWindow.h"
#include "RecordingToneDevice.h"
#include "SkriptZufall.h"
#include "SpielEdit.h"

namespace paarix::test {

using Cues = std::vector<int16_t>;

// The Qt window on a fresh settings folder (`ini` the file's content, unless empty),
// its cues on a recording device taking `cueTime` each, and a random source the test controls.
struct QtWindowFixture {
  explicit QtWindowFixture(const std::string& ini = {}, std::chrono::milliseconds cueTime = {})
      : device(new RecordingToneDevice(cueTime)), cuePlayer(std::unique_ptr<ToneDevice>(device)) {
    if (!ini.empty()) std::ofstream(iniPath, std::ios::binary) << ini;
    window = std::make_unique<QtWindow>(iniPath, cuePlayer, random);
    window->show();
    activate();
  }

  QWidget* control(Control c) const { return window->control(c); }
  SpielEdit* spielEdit() const { return static_cast<SpielEdit*>(control(Control::Spiel)); }
  QString fieldText() const { return spielEdit()->text(); }
  int caret() const { return spielEdit()->cursorPosition(); }
  QString focusName() {
    activate();
    return target()->objectName();
  }
  // The cues asked for so far, known by their tones.
  Cues cuesPlayed() const {
    Cues played;
    for (const auto& tones : device->calls()) {
      int16_t cue = 0;
      while (cue <= 24 && cueTones(cue) != tones) ++cue;
      played.push_back(cue);
    }
    return played;
  }
  // A new game whose cards are `loesung`.
  void deal(const std::u16string& loesung) {
    window->paarix().CmdNeu_Click();
    window->paarix().Zustand().Loesung = loesung;
  }
  void focusField(int caretPosition) {
    spielEdit()->setFocus();
    spielEdit()->setCursorPosition(caretPosition);
  }
  void key(Qt::Key k, Qt::KeyboardModifiers mods = {}) {
    activate();
    QTest::keyClick(target(), k, mods);
  }
  // The window hides and shows itself for its views; offscreen no window manager gives it the keyboard back.
  void activate() {
    if (window->isVisible() && !window->isActiveWindow()) QApplication::setActiveWindow(window.get());
  }

  QTemporaryDir dir;
  std::filesystem::path iniPath = dir.filePath(QStringLiteral("paarix.ini")).toStdString();
  RecordingToneDevice* device;
  CuePlayer cuePlayer;
  SkriptZufall random;
  std::unique_ptr<QtWindow> window;

 private:
  QWidget* target() const { return QApplication::focusWidget() ? QApplication::focusWidget() : window.get(); }
};

}  // namespace paarix::test
