#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "Fenster.h"
#include "Tongeber.h"
#include "Zufall.h"

namespace paarix {

// Card count for a Braille-size index (0, 1, 2 give 12, 32, 52); any other index
// keeps `bisher`.
int16_t KartenzahlFuerIndex(int16_t index, int16_t bisher);

// The turn phase `Zug`. Every value from Spielschluss on means the game is over;
// the phase counts on by one per activation after that.
namespace Zugphase {
inline constexpr int16_t ErsteKarte = 0;      // no card of the turn is face up
inline constexpr int16_t ZweiteKarte = 1;     // the first card is face up
inline constexpr int16_t UngleichesPaar = 2;  // two unequal cards are face up
inline constexpr int16_t Spielschluss = 14;   // the game is over; the next activation goes to CmdNeu
}  // namespace Zugphase

// The field text at the end of a game, before the score characters.
inline constexpr std::u16string_view SpielschlussText = u"Spielschluss  ";

// Score character for a player with `punkte` points: "-" for none, otherwise
// code 96 + points: "a" for one point up to "z" for 26, then "{", "|", "}", "~"
// for 27 to 30. From 31 points on (reachable only when points are carried across
// restarts through the lists) the codes 127 to 160 would be control characters or
// a blank that no Braille display shows: the scores go on with the printable
// Latin-1 characters instead, "¡" (U+00A1) for 31 points up to "ÿ" (U+00FF) for
// 125, and every higher score stays "ÿ", so each player keeps one visible cell.
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
