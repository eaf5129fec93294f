#include <limits>

#include "FakeFenster.h"

namespace paarix::test {
namespace {

constexpr int16_t kKeinTon = -1;

// One activation of the worked example and what follows it.
struct Schritt {
  int pos;
  int16_t cue;  // the cue it plays, or kKeinTon
  int16_t zug;
  const char16_t* feld;
};

// 12 cards dealt as abcdefabcdef, two players: a miss, pairs, refusals, misses on both sides,
// player 2 takes every pair.
constexpr Schritt kBeispiel[] = {
    {0, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"a...........  --"},
    {7, Cue::Ungleich, Zugphase::UngleichesPaar, u"a......b....  --"},
    {3, kKeinTon, Zugphase::ErsteKarte, u"............  --"},  // turned back wherever the caret stands
    {0, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"a...........  --"},
    {6, Cue::Paar, Zugphase::ErsteKarte, u"-.....-.....  -a"},
    {0, Cue::Abgelehnt, Zugphase::ErsteKarte, u"-.....-.....  -a"},
    {-1, Cue::Abgelehnt, Zugphase::ErsteKarte, u"-.....-.....  -a"},  // no cell before the field
    {16, Cue::Abgelehnt, Zugphase::ErsteKarte, u"-.....-.....  -a"},  // none behind it
    {1, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"-b....-.....  -a"},
    {7, Cue::Paar, Zugphase::ErsteKarte, u"--....--....  -b"},
    {2, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"--c...--....  -b"},
    {8, Cue::Paar, Zugphase::ErsteKarte, u"---...---...  -c"},
    {3, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"---d..---...  -c"},
    {9, Cue::Paar, Zugphase::ErsteKarte, u"----..----..  -d"},
    {4, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"----e.----..  -d"},
    {11, Cue::Ungleich, Zugphase::UngleichesPaar, u"----e.----.f  -d"},
    {15, kKeinTon, Zugphase::ErsteKarte, u"----..----..  -d"},
    {10, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"----..----e.  -d"},
    {5, Cue::Ungleich, Zugphase::UngleichesPaar, u"----.f----e.  -d"},
    {0, kKeinTon, Zugphase::ErsteKarte, u"----..----..  -d"},
    {4, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"----e.----..  -d"},
    {10, Cue::Paar, Zugphase::ErsteKarte, u"-----.-----.  -e"},
    {5, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"-----f-----.  -e"},
    {11, Cue::Paar, Zugphase::Spielschluss, u"Spielschluss  -f"},
};

// Plays the first `schritte` steps of the example on a fresh game.
void SpieleBeispiel(FakeFenster& t, size_t schritte) {
  t.zufall.Skript(Werte({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
  t.spiel.NeuesSpiel();
  ASSERT_EQ(t.feld, u"............  --");
  for (size_t i = 0; i < schritte; ++i) {
    const Schritt& schritt = kBeispiel[i];
    const size_t cues = t.cues.size();
    t.Aktiviere(schritt.pos);
    ASSERT_EQ(t.feld, schritt.feld) << "step " << i;
    ASSERT_EQ(t.spiel.Zug, schritt.zug) << "step " << i;
    if (schritt.cue == kKeinTon) {
      ASSERT_EQ(t.cues.size(), cues) << "step " << i;
    } else {
      ASSERT_EQ(t.cues.size(), cues + 1) << "step " << i;
      ASSERT_EQ(t.cues.back(), schritt.cue) << "step " << i;
    }
  }
}

// While a card's cue plays, the field shows the card, a pair's both cards; after the end the
// next activation sends the focus to "Neues Spiel" and changes nothing else.
TEST(Spiel, WorkedExample) {
  FakeFenster t(0, 1);
  ASSERT_NO_FATAL_FAILURE(SpieleBeispiel(t, std::size(kBeispiel)));
  EXPECT_EQ(t.spiel.Loesung, u"abcdefabcdef");
  EXPECT_EQ(t.beimTon[0], u"a...........  --");
  EXPECT_EQ(t.beimTon[3], u"a.....a.....  --");
  EXPECT_EQ(t.beimTon.back(), u"-----f-----f  -e");
  EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{0, 6, 0, 0}));
  const std::vector<int16_t> cues = t.cues;
  t.fokus.clear();
  t.Aktiviere(0);
  EXPECT_EQ(t.fokus, "CmdNeu");
  EXPECT_EQ(t.feld, u"Spielschluss  -f");
  EXPECT_EQ(t.cues, cues);
  EXPECT_EQ(t.spiel.Zug, Zugphase::Spielschluss + 1);
  EXPECT_EQ(t.zufall.saaten, 1);
}

// Every size for one to four players: player 1 finds every pair, the others keep their blank score.
TEST(Spiel, EverySizeAndPlayerCount) {
  for (int16_t brl = 0; brl <= 2; ++brl) {
    for (int16_t anzahl = 0; anzahl <= 3; ++anzahl) {
      FakeFenster t(brl, anzahl);
      t.spiel.NeuesSpiel();
      t.SpieleAllePaare();
      std::u16string ende = u"Spielschluss  ";
      ende += PunktZeichenFuer(t.spiel.Kartenzahl / 2);
      ende.append(anzahl, u'-');
      EXPECT_EQ(t.feld, ende) << "brl " << brl << ", players " << anzahl + 1;
    }
  }
}

enum class Neustart { NeuesSpiel, Spielerzahl, BrlGroesse };

// How many steps of the example come before a restart: a first card is up, an unequal pair is up,
// the game has ended, one activation after the end.
constexpr size_t kNeustartNach[] = {9, 16, 24, 25};

void Neustarten(Spielzustand& spiel, Neustart neustart) {
  switch (neustart) {
    case Neustart::NeuesSpiel: spiel.NeuesSpiel(); break;
    case Neustart::Spielerzahl: spiel.SpielerzahlSetzen(); break;
    case Neustart::BrlGroesse: spiel.BrlGroesseUebernehmen(); break;
  }
}

// Every restart in each phase of the example (a card face up, an unequal pair face up, the end,
// after the end): a fresh field and turn; only "Neues Spiel" clears the points and gives player 1
// the turn and the focus; only the two dealing restarts deal; each list restart takes only its
// own list's value. The new round plays out.
TEST(Spiel, WhatEachRestartClearsAndKeeps) {
  for (const Neustart neustart : {Neustart::NeuesSpiel, Neustart::Spielerzahl, Neustart::BrlGroesse}) {
    for (const size_t schritte : kNeustartNach) {
      SCOPED_TRACE(testing::Message() << "restart " << static_cast<int>(neustart) << " after " << schritte);
      const bool neu = neustart == Neustart::NeuesSpiel;
      const int k = neustart == Neustart::BrlGroesse ? 32 : 12;
      const int n = neustart == Neustart::Spielerzahl ? 1 : 2;
      FakeFenster t(0, 1);
      ASSERT_NO_FATAL_FAILURE(SpieleBeispiel(t, std::min(schritte, std::size(kBeispiel))));
      if (schritte > std::size(kBeispiel)) t.Aktiviere(0);
      const std::array<int16_t, 4> punkte = t.spiel.Punkte;
      const std::array<std::u16string, 4> punktZeichen = t.spiel.PunktZeichen;
      const std::u16string loesung = t.spiel.Loesung;
      const int saaten = t.zufall.saaten;
      t.lstBrl = 1;
      t.lstAnzahl = 0;
      t.fokus.clear();
      Neustarten(t.spiel, neustart);
      EXPECT_EQ(t.feld, std::u16string(k, u'.') + u"  " + std::u16string(n, u'-'));
      EXPECT_EQ(t.spiel.Zug, Zugphase::ErsteKarte);
      EXPECT_EQ(t.spiel.Kartenzahl, k);
      EXPECT_EQ(t.spiel.Spielerzahl, n);
      ErwarteAusgeteilt(t.spiel, k);
      if (neustart == Neustart::Spielerzahl) {
        EXPECT_EQ(t.zufall.saaten, saaten);
        EXPECT_EQ(t.spiel.Loesung, loesung);
      } else {
        EXPECT_EQ(t.zufall.saaten, saaten + 1);
        EXPECT_NE(t.spiel.Loesung, loesung);
      }
      if (neu) {
        EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{}));
        EXPECT_EQ(t.spiel.PunktZeichen, (std::array<std::u16string, 4>{}));
        EXPECT_EQ(t.spiel.AktSpieler, 1);
        EXPECT_EQ(t.fokus, "Spiel");
      } else {
        EXPECT_EQ(t.spiel.Punkte, punkte);
        EXPECT_EQ(t.spiel.PunktZeichen, punktZeichen);
        EXPECT_EQ(t.spiel.AktSpieler, 2);
        EXPECT_EQ(t.fokus, "");
      }
      std::array<int16_t, 4> ziel = t.spiel.Punkte;
      ziel[t.spiel.AktSpieler - 1] = static_cast<int16_t>(ziel[t.spiel.AktSpieler - 1] + k / 2);
      t.SpieleAllePaare();
      EXPECT_EQ(t.feld, u"Spielschluss  " + Punktzeichen(ziel, n));
    }
  }
}

// The phase counter and the points stop at their limits; points carried across a new deal go
// on past "z"; the score keeps its one cell.
TEST(Spiel, CountersAtTheirLimits) {
  FakeFenster t(2, 1);
  t.spiel.NeuesSpiel();
  t.SpieleAllePaare();
  ASSERT_EQ(t.feld, u"Spielschluss  z-");
  const int16_t hoechster = std::numeric_limits<int16_t>::max();
  t.spiel.Zug = hoechster - 1;
  t.Aktiviere(0);
  t.Aktiviere(99);
  EXPECT_EQ(t.spiel.Zug, hoechster);

  t.spiel.BrlGroesseUebernehmen();
  const std::u16string l = t.spiel.Loesung;
  const auto paar = [&](char16_t c) {
    t.Aktiviere(static_cast<int>(l.find(c)));
    t.Aktiviere(static_cast<int>(l.rfind(c)));
    return t.feld.substr(static_cast<size_t>(t.spiel.Kartenzahl));
  };
  EXPECT_EQ(paar(u'a'), u"  {-");
  t.spiel.Punkte[0] = hoechster - 1;
  EXPECT_EQ(paar(u'b'), u"  \u00FF-");
  EXPECT_EQ(paar(u'c'), u"  \u00FF-");
  EXPECT_EQ(t.spiel.Punkte[0], hoechster);

  const std::pair<int16_t, char16_t> zeichen[] = {{-5, u'-'},      {0, u'-'},        {1, u'a'},
                                                  {26, u'z'},      {27, u'{'},       {30, u'~'},
                                                  {31, u'\u00A1'}, {125, u'\u00FF'}, {126, u'\u00FF'}};
  for (const auto& [punkte, z] : zeichen) EXPECT_EQ(PunktZeichenFuer(punkte), z) << punkte;
  // Every score a display must show: one printable character, never a control character or a blank.
  for (int p = 1; p <= hoechster; ++p) {
    const char16_t z = PunktZeichenFuer(static_cast<int16_t>(p));
    ASSERT_TRUE(z < 127 || z > 160) << p;
  }
}

}  // namespace
}  // namespace paarix::test
