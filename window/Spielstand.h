#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "Spielzustand.h"

namespace paarix {

// The state of play as the status line tells it and the spoken game events
// repeat it, read from the game state and the field text as the field shows it.
// The player's pairs are the points the game keeps (`Punkte`), also those that
// a new player count or Braille size carried over.

// The player whose turn it is, and who scores the next pair: a player number
// outside 1..4 counts as player 1, as in the game's scoring.
int16_t SpielerAmZug(const Spielzustand& spiel);

// The pairs still in the field: its card cells that are not "-", halved (cards
// face up are still in it). None once the field shows the end of the game.
int16_t PaareUebrig(const Spielzustand& spiel, std::u16string_view feld);

// Whether the field shows a game that is over.
bool SpielIstAus(std::u16string_view feld);

// "Spieler 2".
std::u16string SpielerText(int16_t nummer);

// "1 Paar", "3 Paare".
std::u16string PaareText(int16_t paare);

// The pairs of the `spielerzahl` players in their order, "3 : 1"; one player "3".
std::u16string Punktstand(const std::array<int16_t, 4>& punkte, int16_t spielerzahl);

// The players with the most pairs: "Spieler 2 gewinnt", "Spieler 1 und 3
// gewinnen", "Spieler 1, 2 und 4 gewinnen".
std::u16string Gewinner(const std::array<int16_t, 4>& punkte, int16_t spielerzahl);

// The status line. In play: "Spieler 2 ist dran · 3 : 1 · noch 4 Paare", one
// player "Spieler 1 ist dran · 3 · noch 4 Paare". After the game:
// "Spielschluss · Spieler 2 gewinnt · 2 : 4", one player "Spielschluss · 6 Paare".
std::u16string StatuszeilenText(const Spielzustand& spiel, std::u16string_view feld);

}  // namespace paarix
