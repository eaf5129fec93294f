#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "Fenster.h"
#include "Spielzustand.h"
#include "Zufall.h"

class QPushButton;

namespace paarix {

class Auswahlliste;
class EventGate;
class HilfeFeld;
class SpielFeld;
class Tonausgabe;
class ToneDevice;

enum class Ansicht { Normal, Hilfe, Vollbild };

// The main window `Paarix`: seven controls, the game state, and the wiring
// between them.
class Paarix : public QWidget, public Fenster {
  Q_OBJECT

 public:
  // `iniDatei` is the settings file; `zufall` may be left out for the clock-seeded source.
  Paarix(const QString& iniDatei, std::unique_ptr<ToneDevice> device, Zufallsquelle* zufall = nullptr,
         QWidget* parent = nullptr);
  ~Paarix() override;

  Spielzustand& Zustand() { return spiel_; }
  const Spielzustand& Zustand() const { return spiel_; }
  // The current view, read off the controls' visibility.
  Ansicht AktuelleAnsicht() const;
  EventGate& Gate() { return *gate_; }
  SpielFeld& Feld() { return *spielFeld_; }

  // A caret placement at `pos` through the accessibility interface (a Braille
  // routing key): one activation of that cell, like a click.
  void Routing(int pos);

  // Fenster
  std::u16string SpielLesen() const override;
  void SpielSchreiben(const std::u16string& text) override;
  int16_t CaretPos() const override;
  void SelLaengeNull() override;
  void SpielZeichnen() override;
  void FokusSpiel() override;
  void FokusCmdNeu() override;
  int16_t LstBrlIndex() const override;
  int16_t LstAnzahlIndex() const override;

 signals:
  // The settings were written on closing (true when the file was written).
  void Gespeichert(bool ok);

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void ControlsAnlegen();
  void FormLoad();
  void Verdrahten();

  void SpielKeyPress(char16_t code);
  void HilfeAn();
  void HilfeAus();
  void VollbildAn();
  void VollbildAus();

  QString iniDatei_;
  QString titel_;
  std::unique_ptr<Zufallsquelle> eigenerZufall_;
  Tonausgabe* ton_;
  EventGate* gate_;
  Spielzustand spiel_;

  QPushButton* cmdInfo_;
  Auswahlliste* lstBrl_;
  Auswahlliste* lstAnzahl_;
  SpielFeld* spielFeld_;
  QPushButton* cmdNeu_;
  QPushButton* cmdEnde_;
  HilfeFeld* info_;

  bool ansichtWechselt_ = false;
  bool gespeichert_ = false;
  bool schliessenWartet_ = false;
};

}  // namespace paarix
