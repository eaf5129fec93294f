#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "FakeFenster.h"
#include "Spielzustand.h"

namespace paarix::test {

// The game as the main window holds it, on a fake window.
struct Tisch {
  FakeFenster fenster;
  FakeTongeber ton{fenster};
  SkriptZufall zufall;
  Spielzustand spiel{fenster, ton, zufall};

  // The window's start-up: card count and players from the two lists, player 1
  // to move, a fresh field, nothing dealt.
  Tisch(int16_t brl, int16_t anzahl, unsigned seed = 1) : zufall({}, seed) {
    fenster.lstBrl = brl;
    fenster.lstAnzahl = anzahl;
    spiel.Kartenzahl = KartenzahlFuerIndex(brl, 0);
    spiel.SpielerzahlSetzen();
    spiel.AktSpieler = 1;
    fenster.feld = spiel.FeldText();
  }

  void Aktiviere(int pos) {
    fenster.caret = static_cast<int16_t>(pos);
    spiel.KarteAktivieren();
  }
};

// Random values that make the deal draw exactly `values` as candidates.
inline std::vector<float> ValuesFor(const std::vector<int>& values, int kartenzahl) {
  std::vector<float> r;
  for (int v : values) r.push_back(static_cast<float>((v - 0.5) / kartenzahl));
  return r;
}

// 0-based positions of the two cards of every letter, in letter order.
inline std::vector<std::pair<int, int>> PairsOf(const std::u16string& loesung) {
  std::vector<std::pair<int, int>> pairs;
  for (char16_t letter = u'a'; letter <= u'z'; ++letter) {
    const auto first = loesung.find(letter);
    if (first == std::u16string::npos) break;
    pairs.emplace_back(static_cast<int>(first), static_cast<int>(loesung.find(letter, first + 1)));
  }
  return pairs;
}

// A proper deal: `kartenzahl` letters, each of the first kartenzahl/2 letters
// from "a" exactly twice.
inline testing::AssertionResult IsDeal(const std::u16string& loesung, int kartenzahl) {
  if (static_cast<int>(loesung.size()) != kartenzahl)
    return testing::AssertionFailure() << "length " << loesung.size() << ", expected " << kartenzahl;
  for (int i = 0; i < kartenzahl / 2; ++i) {
    const auto letter = static_cast<char16_t>(u'a' + i);
    const auto n = std::count(loesung.begin(), loesung.end(), letter);
    if (n != 2) return testing::AssertionFailure() << "letter " << char('a' + i) << " occurs " << n << " times";
  }
  return testing::AssertionSuccess();
}

// The score cells of the first `spielerzahl` players, for points up to 159.
inline std::u16string ScoresFor(const std::array<int16_t, 4>& punkte, int spielerzahl) {
  std::u16string scores;
  for (int p = 0; p < spielerzahl; ++p) scores += punkte[p] == 0 ? u'-' : static_cast<char16_t>(96 + punkte[p]);
  return scores;
}

}  // namespace paarix::test
