#include "Tisch.h"

namespace paarix::test {
namespace {

// 12 cards, two players, the deal abcdefabcdef: a miss, a pair, a refusal, player 2 plays
// on until a miss, and player 1 takes the last pair: 2 points against 4.
TEST(Spiel, WorkedExample) {
  Tisch t(0, 1);
  t.zufall.Skript(Werte({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
  t.spiel.NeuesSpiel();
  ASSERT_EQ(t.feld, u"............  --");
  const struct { int caret; std::u16string feld; int16_t cue, zug, spieler; } schritte[] = {
      {0, u"a...........  --", 9, 1, 1},  {7, u"a......b....  --", 16, 2, 1}, {3, u"............  --", 0, 0, 2},
      {0, u"a...........  --", 9, 1, 2},  {6, u"-.....-.....  -a", 11, 0, 2}, {0, u"-.....-.....  -a", 8, 0, 2},
      {1, u"-b....-.....  -a", 9, 1, 2},  {7, u"--....--....  -b", 11, 0, 2}, {2, u"--c...--....  -b", 9, 1, 2},
      {8, u"---...---...  -c", 11, 0, 2}, {3, u"---d..---...  -c", 9, 1, 2},  {9, u"----..----..  -d", 11, 0, 2},
      {4, u"----e.----..  -d", 9, 1, 2},  {11, u"----e.----.f  -d", 16, 2, 2}, {15, u"----..----..  -d", 0, 0, 1},
      {10, u"----..----e.  -d", 9, 1, 1}, {4, u"-----.-----.  ad", 11, 0, 1}, {5, u"-----f-----.  ad", 9, 1, 1},
      {11, u"Spielschluss  bd", 11, 14, 1}};
  for (const auto& s : schritte) {
    auto cues = t.cues;
    if (s.cue != 0) cues.push_back(s.cue);
    t.Aktiviere(s.caret);
    EXPECT_EQ(t.feld, s.feld);
    EXPECT_EQ(t.cues, cues) << "at " << s.caret;
    EXPECT_EQ(std::tuple(t.spiel.Zug, t.spiel.AktSpieler), std::tuple(s.zug, s.spieler)) << "at " << s.caret;
  }
  // While the pair cue plays both letters show, the last pair's too.
  EXPECT_EQ(t.beimTon[3], u"a.....a.....  --");
  EXPECT_EQ(t.beimTon.back(), u"-----f-----f  ad");
  EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{2, 4, 0, 0}));
}

// Whole random games of every size for one to four players, from the window's start-up
// where the first activation deals. The player turns random cards, takes a pair it knows
// now and then, and also activates cells without a face-down card (refused with cue 8,
// nothing changes). After every activation the field, the cue, what was painted while it
// played, the phase, the player to move and the points follow the rules: the turn passes
// only after a miss, the game ends exactly with the last pair, the deal never changes.
TEST(Spiel, WholeGamesKeepTheRulesAtEveryActivation) {
  for (int16_t brl : {0, 1, 2}) {
    for (int16_t anzahl : {0, 1, 2, 3}) {
      for (unsigned glueck : {0u, 2u, 6u}) {  // in how many of 8 second cards the player knows the pair
        SCOPED_TRACE(testing::Message() << "brl " << brl << ", players " << anzahl + 1 << ", luck " << glueck);
        Tisch t(brl, anzahl, 1u + brl * 100u + anzahl * 10u + glueck);
        const int k = t.spiel.Kartenzahl, n = anzahl + 1;
        std::u16string loesung;
        std::array<int16_t, 4> punkte{};
        int spieler = 1, zug = 0, paare = 0, erste = 0;
        for (int schritt = 0; zug != 14; ++schritt) {
          ASSERT_LT(schritt, 20000) << "the game does not end";
          const std::u16string vorher = t.feld;
          int pos = static_cast<int>(t.rng() % (vorher.size() + 3)) - 1;  // any cell or none
          if (zug < 2 && t.rng() % 8 != 0) {  // mostly a face-down card
            do pos = static_cast<int>(t.rng() % k); while (vorher[pos] != u'.');
          }
          if (zug == 1 && t.rng() % 8 < glueck) {  // the partner of the first card
            for (pos = 0; pos == erste || loesung[pos] != loesung[erste];) ++pos;
          }
          const size_t cues = t.cues.size();
          t.Aktiviere(pos);
          if (schritt == 0) ErwarteAusgeteilt(t.spiel, k), loesung = t.spiel.Loesung;
          std::u16string erwartet = vorher, gedreht;
          int16_t cue = 0;
          if (zug == 2) {  // the unequal pair turns back wherever the caret stands
            std::replace_if(erwartet.begin(), erwartet.begin() + k, [](char16_t c) { return c != u'-'; }, u'.');
            spieler = spieler % n + 1, zug = 0;
          } else if (pos < 0 || pos >= static_cast<int>(vorher.size()) || vorher[pos] != u'.') {
            cue = 8;
          } else {
            gedreht = erwartet.replace(pos, 1, 1, loesung[pos]);
            if (zug == 0) {
              cue = 9, zug = 1, erste = pos;
            } else if (loesung[erste] == loesung[pos]) {
              erwartet[erste] = erwartet[pos] = u'-';
              ++punkte[spieler - 1];
              erwartet.replace(k + 2, n, Punktzeichen(punkte, n));
              cue = 11, zug = ++paare == k / 2 ? 14 : 0;
              if (zug == 14) erwartet = u"Spielschluss  " + Punktzeichen(punkte, n);
            } else {
              cue = 16, zug = 2;
            }
          }
          SCOPED_TRACE(testing::Message() << "activation " << schritt << " at " << pos);
          ASSERT_EQ(t.feld, erwartet);
          ASSERT_EQ(t.cues.size(), cues + (cue != 0));
          ASSERT_TRUE(cue == 0 || t.cues.back() == cue) << t.cues.back();
          ASSERT_TRUE(gedreht.empty() || t.beimTon.back() == gedreht) << "the card shows before its cue";
          ASSERT_EQ(std::tuple(t.spiel.Zug, t.spiel.AktSpieler, t.spiel.Punkte), std::tuple(zug, spieler, punkte));
          ASSERT_EQ(t.spiel.Loesung, loesung);
        }
        // The next activation sends the focus to "Neues Spiel" and changes nothing else.
        const auto ende = std::tuple(t.feld, t.cues, std::string("CmdNeu"), int16_t{15}, 1);
        t.Aktiviere(static_cast<int>(t.rng() % 20));
        EXPECT_EQ(std::tuple(t.feld, t.cues, t.fokus, t.spiel.Zug, t.zufall.saaten), ende);
      }
    }
  }
}

// Every restart abandons the turn and shows a fresh field: during a turn, with an unequal
// pair showing, at the end of the game and after it. Only "Neues Spiel" clears the points
// and gives the turn to player 1; only the two dealing restarts deal anew; each list
// restart takes only its own list's value. The new round then plays to its end.
TEST(Spiel, WhatEachRestartClearsAndKeeps) {
  const std::vector<int> danach[] = {{2}, {2, 3}, {2, 8, 3, 9, 4, 10, 5, 11}, {2, 8, 3, 9, 4, 10, 5, 11, 0}};
  for (int lage = 0; lage < 4; ++lage) {
    for (int neustart = 0; neustart < 3; ++neustart) {
      SCOPED_TRACE(testing::Message() << "situation " << lage << ", restart " << neustart);
      Tisch t(0, 2);
      t.zufall.Skript(Werte({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
      t.spiel.NeuesSpiel();
      for (int pos : {0, 6, 1, 2, 5, 1, 7}) t.Aktiviere(pos);  // player 1: "a", a miss; player 2: "b"
      for (int pos : danach[lage]) t.Aktiviere(pos);
      ASSERT_EQ(t.spiel.Zug, (std::array{1, 2, 14, 15}[lage]));
      const auto punkte = t.spiel.Punkte;
      const auto zeichen = t.spiel.PunktZeichen;
      const auto loesung = t.spiel.Loesung;
      const int saaten = t.zufall.saaten;
      t.lstBrl = 1, t.lstAnzahl = 0, t.fokus.clear();
      if (neustart == 0) t.spiel.NeuesSpiel();
      if (neustart == 1) t.spiel.SpielerzahlSetzen();
      if (neustart == 2) t.spiel.BrlGroesseUebernehmen();
      const int k = neustart == 2 ? 32 : 12, n = neustart == 1 ? 1 : 3;
      const bool neu = neustart == 0;
      EXPECT_EQ(t.feld, std::u16string(k, u'.') + u"  " + std::u16string(n, u'-'));
      EXPECT_TRUE(t.spiel.Zug == 0 && t.spiel.Pos1 == 0 && t.spiel.Pos2 == 0 && t.spiel.Karte1 + t.spiel.Karte2 == u"");
      EXPECT_EQ(std::tuple(t.spiel.Kartenzahl, t.spiel.Spielerzahl, t.zufall.saaten), std::tuple(k, n, saaten + (neustart != 1)));
      ErwarteAusgeteilt(t.spiel, k);
      EXPECT_EQ(t.spiel.Loesung == loesung, neustart == 1);
      EXPECT_EQ(t.spiel.Punkte, neu ? decltype(punkte){} : punkte);
      EXPECT_EQ(t.spiel.PunktZeichen, neu ? decltype(zeichen){} : zeichen);
      EXPECT_EQ(std::tuple(t.spiel.AktSpieler, t.fokus), std::tuple(neu ? 1 : 2, std::string(neu ? "Spiel" : "")));
      auto ziel = t.spiel.Punkte;
      ziel[t.spiel.AktSpieler - 1] = static_cast<int16_t>(ziel[t.spiel.AktSpieler - 1] + k / 2);
      t.SpieleAllePaare();
      EXPECT_EQ(t.feld, u"Spielschluss  " + Punktzeichen(ziel, n));
    }
  }
}

// The turn counter after the game stops at its limit. Points carry over a new deal
// through the Braille-size list: the 27th pair shows "{"; at the limit the points stop
// and the score keeps its one cell.
TEST(Spiel, CountersAtTheirLimits) {
  Tisch t(2, 1);
  t.spiel.NeuesSpiel();
  t.SpieleAllePaare();
  ASSERT_EQ(t.feld, u"Spielschluss  z-");
  t.spiel.Zug = 32766;
  for (int pos : {0, -1, 99}) t.Aktiviere(pos);
  EXPECT_EQ(t.spiel.Zug, 32767);
  t.spiel.BrlGroesseUebernehmen();
  const std::u16string l = t.spiel.Loesung;
  const auto paar = [&](char16_t c) { t.Aktiviere(int(l.find(c))), t.Aktiviere(int(l.rfind(c))); };
  paar(u'a');
  EXPECT_EQ(t.feld.substr(52), u"  {-");
  t.spiel.Punkte[0] = 32766;
  paar(u'b'), paar(u'c');
  EXPECT_EQ(t.spiel.Punkte[0], 32767);
  EXPECT_EQ(t.feld.substr(52), u"  \u00FF-");
  const std::pair<int16_t, char16_t> zeichen[] = {{-5, u'-'}, {0, u'-'}, {1, u'a'}, {26, u'z'}, {27, u'{'},
                                                   {158, u'\u00FE'}, {159, u'\u00FF'}, {160, u'\u00FF'}};
  for (auto [punkte, z] : zeichen) EXPECT_EQ(PunktZeichenFuer(punkte), z) << punkte;
}

}  // namespace
}  // namespace paarix::test
