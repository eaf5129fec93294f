#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "SkriptZufall.h"
#include "Spielzustand.h"

namespace paarix::test {

// The game on a Fenster without a screen, with a Tongeber that records the cues and a
// scripted random source.
struct FakeFenster : Fenster, Tongeber {
  std::u16string field;
  std::u16string painted;  // the field as last painted
  int16_t caret = 0;
  int16_t lstBrl;
  int16_t lstAnzahl;
  std::string focus;
  std::vector<int16_t> cues;
  std::vector<std::u16string> fieldDuringCue;  // the field as last painted while each cue played
  SkriptZufall zufall;
  Spielzustand spiel{*this, *this, zufall};

  // The window's start-up: both lists read, player 1 to move, a fresh field, nothing dealt.
  FakeFenster(int16_t brl, int16_t anzahl, unsigned seed = 1) : lstBrl(brl), lstAnzahl(anzahl), zufall({}, seed) {
    spiel.Kartenzahl = KartenzahlFuerIndex(brl, 0);
    spiel.SpielerzahlSetzen();
    spiel.AktSpieler = 1;
    field = spiel.FeldText();
  }

  std::u16string SpielLesen() const override { return field; }
  void SpielSchreiben(const std::u16string& text) override { field = text; }
  void SpielZeichnen() override { painted = field; }
  int16_t CaretPos() const override { return caret; }
  void SelLaengeNull() override {}
  void FokusSpiel() override { focus = "Spiel"; }
  void FokusCmdNeu() override { focus = "CmdNeu"; }
  int16_t LstBrlIndex() const override { return lstBrl; }
  int16_t LstAnzahlIndex() const override { return lstAnzahl; }
  void Ton(int16_t cue) override {
    cues.push_back(cue);
    fieldDuringCue.push_back(painted);
  }

  void activate(int pos) {
    caret = static_cast<int16_t>(pos);
    spiel.KarteAktivieren();
  }

  // Turns the pair of every face-down card, one pair after the other.
  void playAllPairs() {
    const std::u16string& loesung = spiel.Loesung;
    for (size_t a = 0; a < loesung.size() && spiel.Zug < Zugphase::Spielschluss; ++a) {
      if (field[a] != u'.') continue;
      activate(static_cast<int>(a));
      activate(static_cast<int>(loesung.find(loesung[a], a + 1)));
    }
  }
};

// Random values that make a deal of k cards draw exactly these card values.
inline std::vector<float> drawValues(std::vector<float> values, int k) {
  for (float& v : values) v = static_cast<float>((v - 0.5) / k);
  return values;
}

// The score cells of the first n players.
inline std::u16string scoreCells(const std::array<int16_t, 4>& punkte, int n) {
  std::u16string text;
  for (int i = 0; i < n; ++i) text += PunktZeichenFuer(punkte[i]);
  return text;
}

// Karten(1..k) is a permutation of 1..k, every other slot 0; each card shows its value's letter.
inline void expectDealt(const Spielzustand& s, int k) {
  std::vector<int> values(s.Karten.begin() + 1, s.Karten.begin() + 1 + k);
  std::vector<int> sorted = values;
  std::sort(sorted.begin(), sorted.end());
  std::vector<int> all(k);
  std::iota(all.begin(), all.end(), 1);
  ASSERT_EQ(sorted, all);
  ASSERT_EQ(std::count(s.Karten.begin(), s.Karten.end(), 0), static_cast<int>(s.Karten.size()) - k);
  ASSERT_EQ(s.Loesung.size(), static_cast<size_t>(k));
  for (int i = 0; i < k; ++i) ASSERT_EQ(s.Loesung[i], u'a' + (values[i] - 1) % (k / 2)) << "card " << i + 1;
}

}  // namespace paarix::test
