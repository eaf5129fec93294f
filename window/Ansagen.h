#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Spielzustand.h"

namespace paarix {

// The spoken game events: the texts the player's screen reader says, while the
// player has them switched on, for what an activation of a card did. Each is
// read from the game state and the field text at the moment it is said.

// The event an activation's cue stands for, said as the cue is requested, before
// it plays: the card under the caret as the field shows it, and for a pair the
// pairs of the player who scored it (the game counts the point after the cue).
//   Cue::ErsteKarte  "b"
//   Cue::Paar        "b: Paar! Spieler 1 hat 3 Paare." (one player "b: Paar! 3 Paare.");
//                    the last pair "b: Paar! Spielschluss. Spieler 2 gewinnt, 2 : 4."
//   Cue::Ungleich    "c: kein Paar."
//   Cue::Abgelehnt   AnsageAbgelehnt
// Empty for any other cue.
std::u16string AnsageZumTon(int16_t cue, const Spielzustand& spiel, std::u16string_view feld);

// Why the card under the caret does not turn: "schon gefunden" on a found card,
// "b ist schon offen" on a card face up, "keine Karte" anywhere else (a blank, a
// score cell, a field that shows the end of the game, or a game that is over).
std::u16string AnsageAbgelehnt(const Spielzustand& spiel, std::u16string_view feld);

// After the activation that turns two unequal cards face down: "Verdeckt.
// Spieler 2 ist dran."
std::u16string AnsageVerdeckt(const Spielzustand& spiel);

}  // namespace paarix
