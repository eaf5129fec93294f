#include <gtest/gtest.h>

#include "Tisch.h"

namespace paarix::test {
namespace {

// 12 cards, two players, the deal abcdefabcdef; player 1 has found "a".
struct OnePairFound : Tisch {
  OnePairFound() : Tisch(0, 1) {
    zufall.Skript(ValuesFor({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
    spiel.NeuesSpiel();
    Aktiviere(0), Aktiviere(6);
  }
};

// Everything an activation could change, to compare before and after.
auto Snapshot(const Tisch& t) {
  const auto& s = t.spiel;
  return std::make_tuple(t.fenster.feld, t.fenster.schreibzugriffe, t.fenster.fokus, s.Zug, s.Karte1, s.Pos1, s.Karte2,
                         s.Pos2, s.AktSpieler, s.Punkte, s.PunktZeichen, s.Loesung, s.VerdecktText);
}

// A cell without a face-down card is refused with cue 8 and nothing else, before
// and after the first card of a turn: a matched card, the face-up first card, a
// blank, a score cell, the end of the text and beyond, a negative caret.
TEST(Zugregeln, RefusedActivationsChangeNothing) {
  for (bool ersteKarte : {false, true}) {
    std::vector<int> positionen{0, 6, 12, 13, 14, 15, 16, 17, 200, 32767, -1, -32768};
    if (ersteKarte) positionen.push_back(1);
    for (int pos : positionen) {
      SCOPED_TRACE(testing::Message() << "phase " << ersteKarte << ", position " << pos);
      OnePairFound t;
      if (ersteKarte) t.Aktiviere(1);  // "-b....-.....  a-"
      const auto vorher = Snapshot(t);
      const size_t cues = t.ton.cues.size();
      t.Aktiviere(pos);
      EXPECT_EQ(Snapshot(t), vorher);
      ASSERT_EQ(t.ton.cues.size(), cues + 1);
      EXPECT_EQ(t.ton.cues.back(), 8);
    }
  }
}

// With an unequal pair showing, any position turns both back and passes the
// turn; the cell under the caret is not looked at.
TEST(Zugregeln, UnequalPairTurnsBackWhereverTheCaretStands) {
  for (int pos : {0, 1, 3, 12, 14, 16, 99, -1}) {
    SCOPED_TRACE(pos);
    OnePairFound t;
    t.Aktiviere(1), t.Aktiviere(2);
    ASSERT_EQ(t.fenster.feld, U("-bc...-.....  a-"));
    const size_t cues = t.ton.cues.size();
    t.Aktiviere(pos);
    EXPECT_EQ(t.fenster.feld, U("-.....-.....  a-"));
    EXPECT_EQ(t.ton.cues.size(), cues);
    EXPECT_EQ(t.spiel.Zug, 0);
    EXPECT_EQ(t.spiel.AktSpieler, 2);
    EXPECT_EQ(t.spiel.Karte1, u"");
    EXPECT_EQ(t.spiel.Karte2, u"");
    EXPECT_EQ(t.spiel.Pos1, 0);
    EXPECT_EQ(t.spiel.Pos2, 0);
  }
}

// After the last pair the first activation sends the focus to the new-game
// button; later ones only count, up to the limit of the counter.
TEST(Zugregeln, AfterTheGameIsOver) {
  OnePairFound t;
  for (int pos : {1, 7, 2, 8, 3, 9, 4, 10, 5, 11}) t.Aktiviere(pos);
  ASSERT_EQ(t.fenster.feld, U("Spielschluss  f-"));
  ASSERT_EQ(t.spiel.Zug, 14);
  const auto ende = Snapshot(t);
  const size_t cues = t.ton.cues.size();
  t.fenster.fokus = "Spiel";
  t.Aktiviere(3);
  EXPECT_EQ(t.fenster.fokus, "CmdNeu");
  EXPECT_EQ(t.spiel.Zug, 15);
  t.fenster.fokus = "Spiel";
  t.Aktiviere(0), t.Aktiviere(-1);
  EXPECT_EQ(t.spiel.Zug, 17);
  t.spiel.Zug = 32766;
  t.Aktiviere(0), t.Aktiviere(0), t.Aktiviere(0);
  EXPECT_EQ(t.spiel.Zug, 32767);
  t.spiel.Zug = 14;
  EXPECT_EQ(Snapshot(t), ende) << "nothing but the counter changed";
  EXPECT_EQ(t.fenster.fokus, "Spiel");
  EXPECT_EQ(t.ton.cues.size(), cues);
}

TEST(Zugregeln, ScoreCharacters) {
  const std::pair<int16_t, char16_t> tabelle[] = {
      {0, u'-'},          {-5, u'-'},         {1, u'a'},          {26, u'z'},           {27, u'{'},
      {158, u'\u00FE'}, {159, u'\u00FF'}, {160, u'\u00FF'}, {32767, u'\u00FF'},
  };
  for (auto [punkte, zeichen] : tabelle) EXPECT_EQ(PunktZeichenFuer(punkte), zeichen) << punkte;
}

// 26 points from a game alone on 52 cards carry over a new deal through the
// Braille-size list: the 27th pair shows "{". Near the limit the points stop and
// the score keeps its one cell.
TEST(Zugregeln, PointsPastTwentySixAndAtTheLimit) {
  Tisch t(2, 1);
  t.spiel.NeuesSpiel();
  for (auto [a, b] : PairsOf(t.spiel.Loesung)) t.Aktiviere(a), t.Aktiviere(b);
  ASSERT_EQ(t.fenster.feld, U("Spielschluss  z-"));
  t.spiel.BrlGroesseUebernehmen();
  const auto pairs = PairsOf(t.spiel.Loesung);
  t.Aktiviere(pairs[0].first), t.Aktiviere(pairs[0].second);
  EXPECT_EQ(t.fenster.feld.substr(52), U("  {-"));
  t.spiel.Punkte[0] = 32766;
  for (int i : {1, 2}) t.Aktiviere(pairs[i].first), t.Aktiviere(pairs[i].second);
  EXPECT_EQ(t.spiel.Punkte[0], 32767);
  EXPECT_EQ(t.fenster.feld.substr(52), u"  \u00FF-");
}

// Card cells for which the deal gave no letter (here: a card count it cannot
// use) show "?", so the field keeps its layout; an empty letter never makes a
// pair and no mismatch cue sounds for it.
TEST(Zugregeln, CardsWithoutLetters) {
  Tisch t(0, 1);
  t.spiel.Kartenzahl = 54;
  t.spiel.NeuesSpiel();
  ASSERT_EQ(t.spiel.Loesung, u"");
  const std::u16string frisch = t.fenster.feld;
  t.Aktiviere(0);
  EXPECT_EQ(t.ton.cues, std::vector<int16_t>{9});
  t.Aktiviere(1);
  EXPECT_EQ(t.fenster.feld, u"??" + frisch.substr(2));
  EXPECT_EQ(t.ton.cues.size(), 1u);
  EXPECT_EQ(t.spiel.Zug, 2);
  t.Aktiviere(0);
  EXPECT_EQ(t.fenster.feld, frisch);
  EXPECT_EQ(t.spiel.AktSpieler, 2);
  EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{}));
}

// A card activated before anything was dealt deals first with the card count in
// force; the game then runs to its end.
TEST(Zugregeln, ActivationBeforeTheFirstDealDealsFirst) {
  for (int16_t brl : {0, 1, 2}) {
    Tisch t(brl, 1);
    const int k = t.spiel.Kartenzahl;
    SCOPED_TRACE(k);
    t.Aktiviere(k);  // a blank: refused, but dealt
    EXPECT_EQ(t.zufall.saaten, 1);
    EXPECT_TRUE(IsDeal(t.spiel.Loesung, k));
    EXPECT_EQ(t.ton.cues.back(), 8);
    EXPECT_EQ(t.fenster.feld, std::u16string(k, u'.') + u"  --");
    const std::u16string loesung = t.spiel.Loesung;
    t.Aktiviere(3);
    EXPECT_EQ(t.fenster.feld[3], loesung[3]);
    EXPECT_EQ(t.ton.cues.back(), 9);
    const auto partner = loesung.find(loesung[3]) == 3 ? loesung.find(loesung[3], 4) : loesung.find(loesung[3]);
    t.Aktiviere(static_cast<int>(partner));
    EXPECT_EQ(t.ton.cues.back(), 11);
    for (auto [a, b] : PairsOf(loesung)) {
      if (t.fenster.feld[a] == u'.') t.Aktiviere(a), t.Aktiviere(b);
    }
    EXPECT_EQ(t.fenster.feld, u"Spielschluss  " + ScoresFor({static_cast<int16_t>(k / 2)}, 2));
    EXPECT_EQ(t.zufall.saaten, 1) << "dealt once";
    EXPECT_EQ(t.spiel.Loesung, loesung);
  }
}

}  // namespace
}  // namespace paarix::test
