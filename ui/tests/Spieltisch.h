#pragma once

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <chrono>
#include <memory>

#include "../../core/tests/FakeFenster.h"
#include "Paarix.h"
#include "SpielFeld.h"
#include "Tonfolge.h"
#include "ToneDevice.h"

namespace paarix::test {

// A window on a fresh settings folder, with a tone device that records every
// cue and a random source the test controls.
class Spieltisch {
 public:
  // `inhalt` is written as the settings file first unless it is empty.
  explicit Spieltisch(const QByteArray& inhalt = {}, std::chrono::milliseconds cueDauer = {}) {
    ini = dir.filePath(QStringLiteral("paarix.ini"));
    if (!inhalt.isEmpty()) {
      QFile file(ini);
      file.open(QIODevice::WriteOnly);
      file.write(inhalt);
    }
    auto device = std::make_unique<RecordingToneDevice>(cueDauer);
    geraet = device.get();
    fenster = std::make_unique<Paarix>(ini, std::move(device), &zufall);
    gespeichert = std::make_unique<QSignalSpy>(fenster.get(), &Paarix::Gespeichert);
    fenster->show();
    fenster->activateWindow();
    QApplication::setActiveWindow(fenster.get());
    [[maybe_unused]] const bool aktiv = QTest::qWaitForWindowActive(fenster.get());
  }

  template <class T>
  T* Control(const char* name) const {
    return fenster->findChild<T*>(QString::fromLatin1(name));
  }
  SpielFeld* Spiel() const { return Control<SpielFeld>("Spiel"); }
  QListWidget* LstBrl() const { return Control<QListWidget>("LstBrl"); }
  QListWidget* LstAnzahl() const { return Control<QListWidget>("LstAnzahl"); }
  QPushButton* Button(const char* name) const { return Control<QPushButton>(name); }
  QWidget* Fokus() {
    Aktivieren();
    return QApplication::focusWidget();
  }
  QString FokusName() { return Fokus() ? Fokus()->objectName() : QString(); }
  QString Feld() const { return Spiel()->text(); }
  int Deals() const { return zufall.saaten; }

  // The cue numbers played so far, recognised by their tones.
  std::vector<int> Cues() const {
    std::vector<int> cues;
    for (const auto& tones : geraet->calls()) {
      int cue = -1;
      for (int c = 0; c <= 24 && cue < 0; ++c) {
        if (c != 19 && Tonfolge(static_cast<int16_t>(c)) == tones) cue = c;
      }
      cues.push_back(cue);
    }
    return cues;
  }
  int LetzterCue() const {
    const auto cues = Cues();
    return cues.empty() ? -1 : cues.back();
  }

  // Puts the focus into the field with the caret on cell `pos` (0-based).
  void FeldFokus(int pos = 0) {
    Spiel()->setFocus(Qt::OtherFocusReason);
    Spiel()->setCursorPosition(pos);
  }
  void Taste(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    Aktivieren();
    QTest::keyClick(Fokus() ? Fokus() : fenster.get(), key, mods);
  }
  void Zeichen(char c) {
    Aktivieren();
    QTest::keyClick(Fokus() ? Fokus() : fenster.get(), c);
  }
  // The window hides and shows itself for its views; a window manager would
  // then give it the keyboard again. The offscreen platform has none.
  void Aktivieren() {
    if (fenster->isVisible() && !fenster->isActiveWindow()) QApplication::setActiveWindow(fenster.get());
  }

  // A point inside cell `pos` of the field, where a click puts the caret before that cell.
  QPoint Zelle(int pos) const {
    const int mitte = Spiel()->height() / 2;
    for (int x = 0; x < Spiel()->width(); ++x) {
      if (Spiel()->cursorPositionAt(QPoint(x, mitte)) == pos) return {x + 1, mitte};
    }
    return {Spiel()->width() - 2, mitte};
  }

  QByteArray DateiInhalt() const {
    QFile file(ini);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
  }

  QTemporaryDir dir;
  QString ini;
  RecordingToneDevice* geraet = nullptr;
  SkriptZufall zufall;
  std::unique_ptr<Paarix> fenster;
  std::unique_ptr<QSignalSpy> gespeichert;
};

}  // namespace paarix::test
