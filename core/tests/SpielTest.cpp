#include <limits>

#include "FakeFenster.h"

namespace paarix::test {
namespace {

constexpr int16_t kNoCue = -1;

// One activation of the worked example and what follows it.
struct Step {
  int pos;
  int16_t cue;  // the cue it plays, or kNoCue
  int16_t zug;
  const char16_t* field;
};

// 12 cards dealt as abcdefabcdef, two players: a miss, pairs, refusals, misses on both sides,
// player 2 takes every pair.
constexpr Step kExample[] = {
    {0, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"a...........  --"},
    {7, Cue::Ungleich, Zugphase::UngleichesPaar, u"a......b....  --"},
    {3, kNoCue, Zugphase::ErsteKarte, u"............  --"},  // turned back wherever the caret stands
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
    {15, kNoCue, Zugphase::ErsteKarte, u"----..----..  -d"},
    {10, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"----..----e.  -d"},
    {5, Cue::Ungleich, Zugphase::UngleichesPaar, u"----.f----e.  -d"},
    {0, kNoCue, Zugphase::ErsteKarte, u"----..----..  -d"},
    {4, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"----e.----..  -d"},
    {10, Cue::Paar, Zugphase::ErsteKarte, u"-----.-----.  -e"},
    {5, Cue::ErsteKarte, Zugphase::ZweiteKarte, u"-----f-----.  -e"},
    {11, Cue::Paar, Zugphase::Spielschluss, u"Spielschluss  -f"},
};

// Plays the first `steps` steps of the example on a fresh game.
void playExample(FakeFenster& t, size_t steps) {
  t.zufall.Skript(drawValues({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
  t.spiel.NeuesSpiel();
  ASSERT_EQ(t.field, u"............  --");
  for (size_t i = 0; i < steps; ++i) {
    const Step& step = kExample[i];
    const size_t cues = t.cues.size();
    t.activate(step.pos);
    ASSERT_EQ(t.field, step.field) << "step " << i;
    ASSERT_EQ(t.spiel.Zug, step.zug) << "step " << i;
    if (step.cue == kNoCue) {
      ASSERT_EQ(t.cues.size(), cues) << "step " << i;
    } else {
      ASSERT_EQ(t.cues.size(), cues + 1) << "step " << i;
      ASSERT_EQ(t.cues.back(), step.cue) << "step " << i;
    }
  }
}

// While a card's cue plays, the field shows the card, a pair's both cards; after the end the
// next activation sends the focus to "Neues Spiel" and changes nothing else.
TEST(Spiel, WorkedExample) {
  FakeFenster t(0, 1);
  ASSERT_NO_FATAL_FAILURE(playExample(t, std::size(kExample)));
  EXPECT_EQ(t.spiel.Loesung, u"abcdefabcdef");
  EXPECT_EQ(t.fieldDuringCue[0], u"a...........  --");
  EXPECT_EQ(t.fieldDuringCue[3], u"a.....a.....  --");
  EXPECT_EQ(t.fieldDuringCue.back(), u"-----f-----f  -e");
  EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{0, 6, 0, 0}));
  const std::vector<int16_t> cues = t.cues;
  t.focus.clear();
  t.activate(0);
  EXPECT_EQ(t.focus, "CmdNeu");
  EXPECT_EQ(t.field, u"Spielschluss  -f");
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
      t.playAllPairs();
      std::u16string end = u"Spielschluss  ";
      end += PunktZeichenFuer(t.spiel.Kartenzahl / 2);
      end.append(anzahl, u'-');
      EXPECT_EQ(t.field, end) << "brl " << brl << ", players " << anzahl + 1;
    }
  }
}

enum class Restart { NeuesSpiel, Spielerzahl, BrlGroesse };

// How many steps of the example come before a restart: a first card is up, an unequal pair is up,
// the game has ended, one activation after the end.
constexpr size_t kRestartAfter[] = {9, 16, 24, 25};

void restartWith(Spielzustand& spiel, Restart restart) {
  switch (restart) {
    case Restart::NeuesSpiel: spiel.NeuesSpiel(); break;
    case Restart::Spielerzahl: spiel.SpielerzahlSetzen(); break;
    case Restart::BrlGroesse: spiel.BrlGroesseUebernehmen(); break;
  }
}

// Every restart in each phase of the example (a card face up, an unequal pair face up, the end,
// after the end): a fresh field and turn; only "Neues Spiel" clears the points and gives player 1
// the turn and the focus; only the two dealing restarts deal; each list restart takes only its
// own list's value. The new round plays out.
TEST(Spiel, WhatEachRestartClearsAndKeeps) {
  for (const Restart restart : {Restart::NeuesSpiel, Restart::Spielerzahl, Restart::BrlGroesse}) {
    for (const size_t steps : kRestartAfter) {
      SCOPED_TRACE(testing::Message() << "restart " << static_cast<int>(restart) << " after " << steps);
      const bool fresh = restart == Restart::NeuesSpiel;
      const int k = restart == Restart::BrlGroesse ? 32 : 12;
      const int n = restart == Restart::Spielerzahl ? 1 : 2;
      FakeFenster t(0, 1);
      ASSERT_NO_FATAL_FAILURE(playExample(t, std::min(steps, std::size(kExample))));
      if (steps > std::size(kExample)) t.activate(0);
      const std::array<int16_t, 4> punkte = t.spiel.Punkte;
      const std::array<std::u16string, 4> scoreCharacters = t.spiel.PunktZeichen;
      const std::u16string loesung = t.spiel.Loesung;
      const int seedings = t.zufall.saaten;
      t.lstBrl = 1;
      t.lstAnzahl = 0;
      t.focus.clear();
      restartWith(t.spiel, restart);
      EXPECT_EQ(t.field, std::u16string(k, u'.') + u"  " + std::u16string(n, u'-'));
      EXPECT_EQ(t.spiel.Zug, Zugphase::ErsteKarte);
      EXPECT_EQ(t.spiel.Kartenzahl, k);
      EXPECT_EQ(t.spiel.Spielerzahl, n);
      expectDealt(t.spiel, k);
      if (restart == Restart::Spielerzahl) {
        EXPECT_EQ(t.zufall.saaten, seedings);
        EXPECT_EQ(t.spiel.Loesung, loesung);
      } else {
        EXPECT_EQ(t.zufall.saaten, seedings + 1);
        EXPECT_NE(t.spiel.Loesung, loesung);
      }
      if (fresh) {
        EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{}));
        EXPECT_EQ(t.spiel.PunktZeichen, (std::array<std::u16string, 4>{}));
        EXPECT_EQ(t.spiel.AktSpieler, 1);
        EXPECT_EQ(t.focus, "Spiel");
      } else {
        EXPECT_EQ(t.spiel.Punkte, punkte);
        EXPECT_EQ(t.spiel.PunktZeichen, scoreCharacters);
        EXPECT_EQ(t.spiel.AktSpieler, 2);
        EXPECT_EQ(t.focus, "");
      }
      std::array<int16_t, 4> target = t.spiel.Punkte;
      target[t.spiel.AktSpieler - 1] = static_cast<int16_t>(target[t.spiel.AktSpieler - 1] + k / 2);
      t.playAllPairs();
      EXPECT_EQ(t.field, u"Spielschluss  " + scoreCells(target, n));
    }
  }
}

// The phase counter and the points stop at their limits; points carried across a new deal go
// on past "z"; the score keeps its one cell.
TEST(Spiel, CountersAtTheirLimits) {
  FakeFenster t(2, 1);
  t.spiel.NeuesSpiel();
  t.playAllPairs();
  ASSERT_EQ(t.field, u"Spielschluss  z-");
  const int16_t highest = std::numeric_limits<int16_t>::max();
  t.spiel.Zug = highest - 1;
  t.activate(0);
  t.activate(99);
  EXPECT_EQ(t.spiel.Zug, highest);

  t.spiel.BrlGroesseUebernehmen();
  const std::u16string l = t.spiel.Loesung;
  const auto turnPair = [&](char16_t c) {
    t.activate(static_cast<int>(l.find(c)));
    t.activate(static_cast<int>(l.rfind(c)));
    return t.field.substr(static_cast<size_t>(t.spiel.Kartenzahl));
  };
  EXPECT_EQ(turnPair(u'a'), u"  {-");
  t.spiel.Punkte[0] = highest - 1;
  EXPECT_EQ(turnPair(u'b'), u"  \u00FF-");
  EXPECT_EQ(turnPair(u'c'), u"  \u00FF-");
  EXPECT_EQ(t.spiel.Punkte[0], highest);

  const std::pair<int16_t, char16_t> characters[] = {{-5, u'-'},      {0, u'-'},        {1, u'a'},
                                                     {26, u'z'},      {27, u'{'},       {30, u'~'},
                                                     {31, u'\u00A1'}, {125, u'\u00FF'}, {126, u'\u00FF'}};
  for (const auto& [punkte, c] : characters) EXPECT_EQ(PunktZeichenFuer(punkte), c) << punkte;
  // Every score a display must show: one printable character, never a control character or a blank.
  for (int p = 1; p <= highest; ++p) {
    const char16_t c = PunktZeichenFuer(static_cast<int16_t>(p));
    ASSERT_TRUE(c < 127 || c > 160) << p;
  }
}

}  // namespace
}  // namespace paarix::test
