#include <gtest/gtest.h>

#include "Tisch.h"

namespace paarix::test {
namespace {

enum class Situation { FirstCard, UnequalPair, GameOver, AfterGameOver };
enum class Restart { NeuesSpiel, SpielerzahlSetzen, BrlGroesseUebernehmen };

// 12 cards, three players, the deal abcdefabcdef. Player 1 finds "a" and misses,
// player 2 finds "b" and is to move in the given situation.
void Arrange(Tisch& t, Situation situation) {
  t.zufall.Skript(ValuesFor({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
  t.spiel.NeuesSpiel();
  for (int pos : {0, 6, 1, 2, 5, 1, 7}) t.Aktiviere(pos);
  switch (situation) {
    case Situation::FirstCard: t.Aktiviere(2); break;
    case Situation::UnequalPair: t.Aktiviere(2), t.Aktiviere(3); break;
    case Situation::GameOver:
    case Situation::AfterGameOver:
      for (int pos : {2, 8, 3, 9, 4, 10, 5, 11}) t.Aktiviere(pos);
      if (situation == Situation::AfterGameOver) t.Aktiviere(0);
      break;
  }
}

// Plays every pair of the current deal and returns the final field.
std::u16string PlayAllPairs(Tisch& t) {
  for (auto [a, b] : PairsOf(t.spiel.Loesung)) t.Aktiviere(a), t.Aktiviere(b);
  return t.fenster.feld;
}

// Every restart abandons the turn and shows a fresh field; only the new game
// clears the points and gives the turn to player 1; only the two dealing
// restarts deal anew; each list restart takes only its own list's value.
TEST(Neustart, WhatEachRestartClearsAndKeepsInEveryPhase) {
  const std::pair<Situation, int16_t> situations[] = {
      {Situation::FirstCard, 1}, {Situation::UnequalPair, 2}, {Situation::GameOver, 14}, {Situation::AfterGameOver, 15}};
  for (auto [situation, zug] : situations) {
    for (auto neustart : {Restart::NeuesSpiel, Restart::SpielerzahlSetzen, Restart::BrlGroesseUebernehmen}) {
      SCOPED_TRACE(testing::Message() << "phase " << zug << ", restart " << static_cast<int>(neustart));
      Tisch t(0, 2);
      Arrange(t, situation);
      ASSERT_EQ(t.spiel.Zug, zug);
      ASSERT_EQ(t.spiel.AktSpieler, 2);
      const auto punkte = t.spiel.Punkte;
      const auto punktZeichen = t.spiel.PunktZeichen;
      const auto loesung = t.spiel.Loesung;
      const int saaten = t.zufall.saaten;
      t.fenster.lstBrl = 1;     // 32 cards
      t.fenster.lstAnzahl = 0;  // one player
      t.fenster.fokus.clear();
      t.zufall.Skript(ValuesFor({12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1}, 12));

      int kartenzahl = 12, spieler = 3;
      switch (neustart) {
        case Restart::NeuesSpiel:
          t.spiel.NeuesSpiel();
          EXPECT_EQ(t.spiel.Loesung, U("fedcbafedcba"));
          EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{}));
          EXPECT_EQ(t.spiel.PunktZeichen, (std::array<std::u16string, 4>{}));
          EXPECT_EQ(t.spiel.AktSpieler, 1);
          EXPECT_EQ(t.fenster.fokus, "Spiel");
          break;
        case Restart::SpielerzahlSetzen:
          t.spiel.SpielerzahlSetzen();
          spieler = 1;
          EXPECT_EQ(t.spiel.Loesung, loesung);
          break;
        case Restart::BrlGroesseUebernehmen:
          t.spiel.BrlGroesseUebernehmen();
          kartenzahl = 32;
          EXPECT_TRUE(IsDeal(t.spiel.Loesung, 32));
          break;
      }
      const bool neu = neustart == Restart::NeuesSpiel;
      EXPECT_EQ(t.zufall.saaten, saaten + (neustart == Restart::SpielerzahlSetzen ? 0 : 1));
      EXPECT_EQ(t.spiel.Kartenzahl, kartenzahl);
      EXPECT_EQ(t.spiel.Spielerzahl, spieler);
      EXPECT_EQ(t.fenster.feld, std::u16string(kartenzahl, u'.') + u"  " + std::u16string(spieler, u'-'));
      EXPECT_EQ(t.spiel.Zug, 0);
      EXPECT_EQ(t.spiel.Karte1, u"");
      EXPECT_EQ(t.spiel.Pos1, 0);
      EXPECT_EQ(t.spiel.Karte2, u"");
      EXPECT_EQ(t.spiel.Pos2, 0);
      if (!neu) {
        EXPECT_EQ(t.spiel.Punkte, punkte);
        EXPECT_EQ(t.spiel.PunktZeichen, punktZeichen);
        EXPECT_EQ(t.spiel.AktSpieler, 2);
        EXPECT_EQ(t.fenster.fokus, "");
      }

      // The new round plays from phase 0 to the end; kept points carry on.
      const auto vorher = t.spiel.Punkte;
      const std::u16string ende = PlayAllPairs(t);
      auto erwartet = vorher;
      erwartet[t.spiel.AktSpieler - 1] = static_cast<int16_t>(erwartet[t.spiel.AktSpieler - 1] + kartenzahl / 2);
      EXPECT_EQ(t.spiel.Punkte, erwartet);
      EXPECT_EQ(ende, u"Spielschluss  " + ScoresFor(erwartet, spieler));
    }
  }
}

// The turn stays with a player beyond the new count until a miss, then goes to
// player 1; that player's pairs count but have no score cell.
TEST(Neustart, FewerPlayersThanTheOneToMove) {
  Tisch t(0, 3);
  t.zufall.Skript(ValuesFor({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
  t.spiel.NeuesSpiel();
  for (int pos : {0, 1, 0, 2, 3, 0, 3, 4, 0}) t.Aktiviere(pos);  // three misses
  ASSERT_EQ(t.spiel.AktSpieler, 4);
  t.fenster.lstAnzahl = 1;
  t.spiel.SpielerzahlSetzen();
  EXPECT_EQ(t.spiel.AktSpieler, 4);
  EXPECT_EQ(t.fenster.feld, U("............  --"));
  t.Aktiviere(0), t.Aktiviere(6);
  EXPECT_EQ(t.fenster.feld, U("-.....-.....  --"));
  EXPECT_EQ(t.spiel.Punkte[3], 1);
  EXPECT_EQ(t.spiel.AktSpieler, 4);
  t.Aktiviere(1), t.Aktiviere(2), t.Aktiviere(0);
  EXPECT_EQ(t.spiel.AktSpieler, 1);
}

// Without a selection the Braille-size list keeps the card count, and leaving it
// still deals anew.
TEST(Neustart, BrailleListWithoutSelection) {
  Tisch t(2, 0);
  t.spiel.NeuesSpiel();
  const int saaten = t.zufall.saaten;
  t.fenster.lstBrl = -1;
  t.spiel.BrlGroesseSetzen();
  EXPECT_EQ(t.spiel.Kartenzahl, 52);
  t.spiel.BrlGroesseUebernehmen();
  EXPECT_EQ(t.spiel.Kartenzahl, 52);
  EXPECT_EQ(t.zufall.saaten, saaten + 1);
  EXPECT_TRUE(IsDeal(t.spiel.Loesung, 52));
  EXPECT_EQ(t.fenster.feld, std::u16string(52, u'.') + u"  -");
}

}  // namespace
}  // namespace paarix::test
