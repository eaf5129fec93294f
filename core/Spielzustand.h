#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "Fenster.h"
#include "Zufall.h"

namespace paarix {

// Card count for a Braille-size index (0, 1, 2 give 12, 32, 52); any other index
// keeps `bisher`.
int16_t KartenzahlFuerIndex(int16_t index, int16_t bisher);

// Score character for a player with `punkte` points: "-" for none, otherwise
// code 96 + points ("a" for one point, "z" for 26, "{" for 27). Above 159 points
// the code would leave the single-byte range; the character then stays at code
// 255 (U+00FF), so the score still takes one cell.
char16_t PunktZeichenFuer(int16_t punkte);

// The game state of one run and the operations on it. Like the members of the
// main window it stands for, the variables are public: start-up sets several of
// them directly, and tests read them.
class Spielzustand {
 public:
  Spielzustand(Fenster& fenster, Tongeber& tongeber, Zufallsquelle& zufall);

  std::u16string FeldText() const;
  void NeuesSpiel();
  void SpielerzahlSetzen();
  void BrlGroesseSetzen();
  void BrlGroesseUebernehmen();
  void KartenMischen();
  void KarteWaehlen();

  // One activation of the card under the caret: a click, a routing key or the
  // space bar in the field.
  void KarteAktivieren();

  int16_t Kartenzahl = 0;
  int16_t Spielerzahl = 0;
  int16_t AktSpieler = 0;
  std::array<int16_t, 4> Punkte{};
  std::array<std::u16string, 4> PunktZeichen{};
  int16_t Zug = 0;
  std::u16string Karte1;
  int16_t Pos1 = 0;
  std::u16string Karte2;
  int16_t Pos2 = 0;
  int16_t CursorPos = 0;
  std::u16string SpielText;
  std::u16string VerdecktText;
  std::u16string Loesung;
  std::array<int16_t, 53> Karten{};
  int16_t BrlModus = 0;
  int16_t IniReserve = 0;

 private:
  void ZugLeeren();
  std::u16string BuchstabeAn(int16_t pos0) const;
  std::u16string PunktText() const;
  void PunktErhoehen();

  Fenster& fenster_;
  Tongeber& tongeber_;
  Zufallsquelle& zufall_;
};

}  // namespace paarix
