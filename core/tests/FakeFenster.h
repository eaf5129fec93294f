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
  std::u16string feld;
  std::u16string gezeichnet;  // the field as last painted
  int16_t caret = 0;
  int16_t lstBrl;
  int16_t lstAnzahl;
  std::string fokus;
  std::vector<int16_t> cues;
  std::vector<std::u16string> beimTon;  // the field as last painted while each cue played
  SkriptZufall zufall;
  Spielzustand spiel{*this, *this, zufall};

  // The window's start-up: both lists read, player 1 to move, a fresh field, nothing dealt.
  FakeFenster(int16_t brl, int16_t anzahl, unsigned seed = 1) : lstBrl(brl), lstAnzahl(anzahl), zufall({}, seed) {
    spiel.Kartenzahl = KartenzahlFuerIndex(brl, 0);
    spiel.SpielerzahlSetzen();
    spiel.AktSpieler = 1;
    feld = spiel.FeldText();
  }

  std::u16string SpielLesen() const override { return feld; }
  void SpielSchreiben(const std::u16string& text) override { feld = text; }
  void SpielZeichnen() override { gezeichnet = feld; }
  int16_t CaretPos() const override { return caret; }
  void SelLaengeNull() override {}
  void FokusSpiel() override { fokus = "Spiel"; }
  void FokusCmdNeu() override { fokus = "CmdNeu"; }
  int16_t LstBrlIndex() const override { return lstBrl; }
  int16_t LstAnzahlIndex() const override { return lstAnzahl; }
  void Ton(int16_t cue) override {
    cues.push_back(cue);
    beimTon.push_back(gezeichnet);
  }

  void Aktiviere(int pos) {
    caret = static_cast<int16_t>(pos);
    spiel.KarteAktivieren();
  }

  // Turns the pair of every face-down card, one pair after the other.
  void SpieleAllePaare() {
    const std::u16string& loesung = spiel.Loesung;
    for (size_t a = 0; a < loesung.size() && spiel.Zug < Zugphase::Spielschluss; ++a) {
      if (feld[a] != u'.') continue;
      Aktiviere(static_cast<int>(a));
      Aktiviere(static_cast<int>(loesung.find(loesung[a], a + 1)));
    }
  }
};

// Random values that make a deal of k cards draw exactly these card values.
inline std::vector<float> Werte(std::vector<float> werte, int k) {
  for (float& v : werte) v = static_cast<float>((v - 0.5) / k);
  return werte;
}

// The score cells of the first n players.
inline std::u16string Punktzeichen(const std::array<int16_t, 4>& punkte, int n) {
  std::u16string text;
  for (int i = 0; i < n; ++i) text += PunktZeichenFuer(punkte[i]);
  return text;
}

// Karten(1..k) is a permutation of 1..k, every other slot 0; each card shows its value's letter.
inline void ErwarteAusgeteilt(const Spielzustand& s, int k) {
  std::vector<int> werte(s.Karten.begin() + 1, s.Karten.begin() + 1 + k);
  std::vector<int> sortiert = werte;
  std::sort(sortiert.begin(), sortiert.end());
  std::vector<int> alle(k);
  std::iota(alle.begin(), alle.end(), 1);
  ASSERT_EQ(sortiert, alle);
  ASSERT_EQ(std::count(s.Karten.begin(), s.Karten.end(), 0), static_cast<int>(s.Karten.size()) - k);
  ASSERT_EQ(s.Loesung.size(), static_cast<size_t>(k));
  for (int i = 0; i < k; ++i) ASSERT_EQ(s.Loesung[i], u'a' + (werte[i] - 1) % (k / 2)) << "card " << i + 1;
}

}  // namespace paarix::test
