#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <sstream>

#include "CueTones.h"
#include "ListBox.h"
#include "QtWindow.h"
#include "RecordingToneDevice.h"
#include "SkriptZufall.h"
#include "SpielEdit.h"

namespace paarix::test {

using Cues = std::vector<int>;

// The window on a fresh settings folder (`ini` the file's content, unless empty),
// its cues on a recording device taking `cue` each, and a random source the test controls.
struct Tisch {
  explicit Tisch(const std::string& ini = {}, std::chrono::milliseconds cue = {})
      : geraet(new RecordingToneDevice(cue)), cues(std::unique_ptr<ToneDevice>(geraet)) {
    if (!ini.empty()) std::ofstream(datei, std::ios::binary) << ini;
    w = std::make_unique<QtWindow>(datei, cues, zufall);
    w->show();
    Aktivieren();
  }

  QWidget* c(Control x) const { return w->control(x); }
  SpielEdit* spiel() const { return static_cast<SpielEdit*>(c(Control::Spiel)); }
  ListBox* liste(Control x) const { return static_cast<ListBox*>(c(x)); }
  Spielzustand& z() const { return w->paarix().Zustand(); }
  Ansicht ansicht() const { return w->paarix().AktuelleAnsicht(); }
  QString Feld() const { return spiel()->text(); }
  int Caret() const { return spiel()->cursorPosition(); }
  QString FokusName() { return Aktivieren(), Ziel()->objectName(); }
  std::string Datei() const { return (std::ostringstream() << std::ifstream(datei, std::ios::binary).rdbuf()).str(); }
  Cues Gespielt() const {  // the cues asked for so far, known by their tones
    Cues r;
    for (const auto& tones : geraet->calls())
      for (r.push_back(0); r.back() <= 24 && cueTones(int16_t(r.back())) != tones;) ++r.back();
    return r;
  }
  void Geben(const std::u16string& loesung) { w->paarix().CmdNeu_Click(), z().Loesung = loesung; }
  void FeldFokus(int pos) { spiel()->setFocus(), spiel()->setCursorPosition(pos); }
  // A key as the platform delivers it, with `text` where QTest would attach another.
  void Taste(Qt::Key key, Qt::KeyboardModifiers mods = {}, const char* text = nullptr) {
    Aktivieren();
    if (text)
      QTest::sendKeyEvent(QTest::Click, Ziel(), key, QString::fromLatin1(text), mods);
    else
      QTest::keyClick(Ziel(), key, mods);
  }
  // A point in cell `pos` of the field where a click puts the caret before that cell.
  QPoint Zelle(int pos) const {
    const QRect r = spiel()->cellRect(pos);
    return r.isNull() ? QPoint(spiel()->width() - 2, spiel()->height() / 2) : QPoint(r.left() + 1, r.center().y());
  }
  // The window hides and shows itself for its views; offscreen no window manager gives it the keyboard back.
  void Aktivieren() {
    if (w->isVisible() && !w->isActiveWindow()) QApplication::setActiveWindow(w.get());
  }
  // Runs `action` once `n` cues have been asked for: while the last plays and its handler waits.
  void WaehrendCue(size_t n, std::function<void()> action) {
    auto* timer = new QTimer(w.get());
    QObject::connect(timer, &QTimer::timeout, timer, [this, n, timer, action = std::move(action)] {
      if (geraet->calls().size() >= n) timer->deleteLater(), timer->stop(), action();
    });
    timer->start(2);
  }

  QTemporaryDir dir;
  std::filesystem::path datei = dir.filePath(QStringLiteral("paarix.ini")).toStdString();
  RecordingToneDevice* geraet;
  CuePlayer cues;
  SkriptZufall zufall;
  std::unique_ptr<QtWindow> w;

 private:
  QWidget* Ziel() const { return QApplication::focusWidget() ? QApplication::focusWidget() : w.get(); }
};

}  // namespace paarix::test
