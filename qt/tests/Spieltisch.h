#pragma once

#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

#include "../../core/tests/FakeFenster.h"
#include "EventGate.h"
#include "Paarix.h"
#include "SpielFeld.h"
#include "Tonfolge.h"
#include "ToneDevice.h"

namespace paarix::test {

// The window on a fresh settings folder, with a tone device that records every
// cue (each taking `cueDauer`) and a random source the test controls.
class Spieltisch {
 public:
  // `inhalt`, unless empty, is written as the settings file first. Without a
  // `device` the cues go to a recording one.
  explicit Spieltisch(const QByteArray& inhalt = {}, std::chrono::milliseconds cueDauer = {},
                      std::unique_ptr<ToneDevice> device = {}) {
    ini = dir.filePath(QStringLiteral("paarix.ini"));
    QFile file(ini);
    if (!inhalt.isEmpty() && file.open(QIODevice::WriteOnly)) file.write(inhalt);
    file.close();
    if (!device) {
      device = std::make_unique<RecordingToneDevice>(cueDauer);
      geraet = static_cast<RecordingToneDevice*>(device.get());
    }
    fenster = std::make_unique<Paarix>(ini, std::move(device), &zufall);
    gespeichert = std::make_unique<QSignalSpy>(fenster.get(), &Paarix::Gespeichert);
    fenster->show();
    QApplication::setActiveWindow(fenster.get());
    [[maybe_unused]] const bool aktiv = QTest::qWaitForWindowActive(fenster.get());
  }

  template <class T = QWidget>
  T* Control(const char* name) const { return fenster->findChild<T*>(QString::fromLatin1(name)); }
  SpielFeld* Spiel() const { return Control<SpielFeld>("Spiel"); }
  QListWidget* LstBrl() const { return Control<QListWidget>("LstBrl"); }
  QListWidget* LstAnzahl() const { return Control<QListWidget>("LstAnzahl"); }
  QPushButton* Button(const char* name) const { return Control<QPushButton>(name); }
  Spielzustand& Z() const { return fenster->Zustand(); }
  Ansicht View() const { return fenster->AktuelleAnsicht(); }
  QString Feld() const { return Spiel()->text(); }
  int Caret() const { return Spiel()->cursorPosition(); }
  int Deals() const { return zufall.saaten; }
  QString FokusName() { return Aktivieren(), Ziel()->objectName(); }

  // Deals, then fixes the letters.
  void Geben(const std::u16string& loesung) {
    Button("CmdNeu")->click();
    Z().Loesung = loesung;
  }

  // The cues played so far, recognised by their tones.
  std::vector<int> Cues() const {
    std::vector<int> cues;
    for (const auto& tones : geraet->calls()) {
      int c = 0;
      while (c <= 24 && (c == 19 || Tonfolge(static_cast<int16_t>(c)) != tones)) ++c;
      cues.push_back(c <= 24 ? c : -1);
    }
    return cues;
  }

  // The focus into the field, the caret on cell `pos` (0-based).
  void FeldFokus(int pos = 0) {
    Spiel()->setFocus(Qt::OtherFocusReason);
    Spiel()->setCursorPosition(pos);
  }
  void Taste(Qt::Key key, Qt::KeyboardModifiers mods = {}) { Aktivieren(), QTest::keyClick(Ziel(), key, mods); }
  void Zeichen(char c) { Aktivieren(), QTest::keyClick(Ziel(), c); }
  // The window hides and shows itself for its views; a window manager would
  // give it the keyboard back. The offscreen platform has none.
  void Aktivieren() {
    if (fenster->isVisible() && !fenster->isActiveWindow()) QApplication::setActiveWindow(fenster.get());
  }

  // A point inside cell `pos` of the field, where a click puts the caret before that cell.
  QPoint Zelle(int pos) const {
    const int y = Spiel()->height() / 2;
    for (int x = 0; x < Spiel()->width(); ++x) {
      if (Spiel()->cursorPositionAt(QPoint(x, y)) == pos) return {x + 1, y};
    }
    return {Spiel()->width() - 2, y};
  }
  void Klick(int pos) { QTest::mouseClick(Spiel(), Qt::LeftButton, {}, Zelle(pos)); }

  // Runs `action` from the event loop once `cues` cues have been asked for,
  // that is while the last of them plays and its handler waits.
  void WaehrendCue(size_t cues, std::function<void()> action) {
    auto* timer = new QTimer(fenster.get());
    timer->setInterval(2);
    QObject::connect(timer, &QTimer::timeout, timer, [this, cues, timer, action = std::move(action)] {
      if (geraet->calls().size() < cues) return;
      timer->stop();
      timer->deleteLater();
      action();
    });
    timer->start();
  }

  QByteArray DateiInhalt() const {
    QFile file(ini);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
  }

  QTemporaryDir dir;
  QString ini;
  RecordingToneDevice* geraet = nullptr;
  SkriptZufall zufall;
  std::unique_ptr<Paarix> fenster;
  std::unique_ptr<QSignalSpy> gespeichert;

 private:
  QWidget* Ziel() const { return QApplication::focusWidget() ? QApplication::focusWidget() : fenster.get(); }
};

}  // namespace paarix::test
