#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "SkriptZufall.h"
#include "Spielzustand.h"

namespace paarix::test {
namespace {

// The game on a Fenster without a screen, with a Tongeber that records the cues and a scripted random source.
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
  FakeFenster(int16_t brl, int16_t anzahl) : lstBrl(brl), lstAnzahl(anzahl) {
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
std::vector<float> drawValues(std::vector<float> values, int k) {
  for (float& v : values) v = static_cast<float>((v - 0.5) / k);
  return values;
}

// A deal of k cards: each of the first k/2 letters lies twice.
void expectDealt(const Spielzustand& s, int k) {
  ASSERT_EQ(s.Loesung.size(), static_cast<size_t>(k));
  for (char16_t c = u'a'; c < u'a' + k / 2; ++c) ASSERT_EQ(std::count(s.Loesung.begin(), s.Loesung.end(), c), 2);
}

// The ends of the random range; 12 does not block 1 or 2; repeats and broken values are drawn again; every deal starts
// afresh, re-seeded, with the card count of the moment (kept when the Braille list has no selection); a count the deal
// cannot use only clears.
TEST(Mischen, SuccessiveDeals) {
  const float highest = unitFromBits(0xFFFFFFFFu);
  EXPECT_EQ(highest, 1.0f - 1.0f / 16777216.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    std::vector<float> script;
    std::vector<int16_t> firstDrawn;  // the first cards drawn
  } cases[] = {{drawValues({12, 1, 12, 2, 10, 1, 11, 2, 12, 3}, 12), {12, 1, 2, 10, 11, 3}},
               {{highest, 0.0f, 1.0f, 1.5f, -0.01f, nan, inf, -inf, 0.5f}, {12, 1, 7}}};
  FakeFenster t(0, 0);
  int seedings = 0;
  for (const auto& f : cases) {
    t.zufall.Skript(f.script);
    t.spiel.KartenMischen();
    const std::vector<int16_t> drawn(&t.spiel.Karten[1], &t.spiel.Karten[1 + f.firstDrawn.size()]);
    EXPECT_EQ(drawn, f.firstDrawn);
    EXPECT_EQ(t.zufall.saaten, ++seedings);
    expectDealt(t.spiel, 12);
  }
  const std::pair<int16_t, int16_t> sizes[] = {{2, 52}, {0, 12}, {-1, 12}, {1, 32}};
  for (const auto& [brl, k] : sizes) {
    t.lstBrl = brl;
    t.spiel.BrlGroesseUebernehmen();
    expectDealt(t.spiel, k);
    EXPECT_EQ(t.zufall.saaten, ++seedings);
  }
  for (int16_t k : {0, 13, 54, -2}) {
    t.spiel.Kartenzahl = k;
    t.spiel.KartenMischen();
    EXPECT_EQ(t.zufall.saaten, ++seedings);
    EXPECT_EQ(t.spiel.Loesung, u"");
    EXPECT_EQ(t.spiel.Karten, (std::array<int16_t, 53>{}));
  }
}

// One activation of the worked example and what follows it.
struct Step {
  int pos;
  std::vector<int16_t> cues;  // the cues it plays
  int16_t zug;
  const char16_t* field;
};

// 12 cards dealt as abcdefabcdef, two players: a miss, pairs, refusals, a miss of player 2 that gives the turn back to
// player 1, who takes the last two pairs.
const Step kExample[] = {
    {0, {Cue::ErsteKarte}, Zugphase::ZweiteKarte, u"a...........  --"},
    {7, {Cue::Ungleich}, Zugphase::UngleichesPaar, u"a......b....  --"},
    {3, {}, Zugphase::ErsteKarte, u"............  --"},  // turned back wherever the caret stands
    {0, {Cue::ErsteKarte}, Zugphase::ZweiteKarte, u"a...........  --"},
    {6, {Cue::Paar}, Zugphase::ErsteKarte, u"-.....-.....  -a"},
    {0, {Cue::Abgelehnt}, Zugphase::ErsteKarte, u"-.....-.....  -a"},
    {-1, {Cue::Abgelehnt}, Zugphase::ErsteKarte, u"-.....-.....  -a"},  // no cell before the field
    {16, {Cue::Abgelehnt}, Zugphase::ErsteKarte, u"-.....-.....  -a"},  // none behind it
    {1, {Cue::ErsteKarte}, Zugphase::ZweiteKarte, u"-b....-.....  -a"},
    {7, {Cue::Paar}, Zugphase::ErsteKarte, u"--....--....  -b"},
    {2, {Cue::ErsteKarte}, Zugphase::ZweiteKarte, u"--c...--....  -b"},
    {8, {Cue::Paar}, Zugphase::ErsteKarte, u"---...---...  -c"},
    {3, {Cue::ErsteKarte}, Zugphase::ZweiteKarte, u"---d..---...  -c"},
    {9, {Cue::Paar}, Zugphase::ErsteKarte, u"----..----..  -d"},
    {4, {Cue::ErsteKarte}, Zugphase::ZweiteKarte, u"----e.----..  -d"},
    {11, {Cue::Ungleich}, Zugphase::UngleichesPaar, u"----e.----.f  -d"},
    {15, {}, Zugphase::ErsteKarte, u"----..----..  -d"},
    {4, {Cue::ErsteKarte}, Zugphase::ZweiteKarte, u"----e.----..  -d"},
    {4, {Cue::Abgelehnt}, Zugphase::ZweiteKarte, u"----e.----..  -d"},  // the card is face up
    {10, {Cue::Paar}, Zugphase::ErsteKarte, u"-----.-----.  ad"},
    {5, {Cue::ErsteKarte}, Zugphase::ZweiteKarte, u"-----f-----.  ad"},
    {11, {Cue::Paar}, Zugphase::Spielschluss, u"Spielschluss  bd"},
};

// Plays the first `steps` steps of the example on a fresh game.
void playExample(FakeFenster& t, size_t steps) {
  t.zufall.Skript(drawValues({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
  t.spiel.NeuesSpiel();
  for (size_t i = 0; i < steps; ++i) {
    const Step& step = kExample[i];
    t.cues.clear();
    t.activate(step.pos);
    ASSERT_EQ(t.field, step.field) << "step " << i;
    ASSERT_EQ(t.spiel.Zug, step.zug) << "step " << i;
    ASSERT_EQ(t.cues, step.cues) << "step " << i;
  }
}

// While a pair's cue plays, the field shows both cards; after the end the next activation sends the focus to "Neues
// Spiel" and changes nothing else.
TEST(Spiel, WorkedExample) {
  FakeFenster t(0, 1);
  ASSERT_NO_FATAL_FAILURE(playExample(t, std::size(kExample)));
  EXPECT_EQ(t.fieldDuringCue[3], u"a.....a.....  --");
  t.cues.clear();
  t.activate(0);
  EXPECT_EQ(t.focus, "CmdNeu");
  EXPECT_EQ(t.field, u"Spielschluss  bd");
  EXPECT_EQ(t.cues, std::vector<int16_t>{});
}

enum class Restart { NeuesSpiel, Spielerzahl, BrlGroesse };

// How many steps of the example come before a restart: a first card is up, an unequal pair is up, the game has ended,
// one activation after the end.
constexpr size_t kRestartAfter[] = {9, 16, 22, 23};

void restartWith(Spielzustand& spiel, Restart restart) {
  switch (restart) {
    case Restart::NeuesSpiel: spiel.NeuesSpiel(); break;
    case Restart::Spielerzahl: spiel.SpielerzahlSetzen(); break;
    case Restart::BrlGroesse: spiel.BrlGroesseUebernehmen(); break;
  }
}

// Every restart in each phase of the example: a fresh field and turn; only "Neues Spiel" clears the points and gives
// player 1 the turn and the focus; only the two dealing restarts deal; each list restart takes only its own list's
// value. The new round plays out to the score of the points kept and player on turn taking every pair.
TEST(Spiel, WhatEachRestartClearsAndKeeps) {
  for (const Restart restart : {Restart::NeuesSpiel, Restart::Spielerzahl, Restart::BrlGroesse}) {
    for (const size_t steps : kRestartAfter) {
      SCOPED_TRACE(testing::Message() << "restart " << static_cast<int>(restart) << " after " << steps);
      const bool fresh = restart == Restart::NeuesSpiel;
      const int k = restart == Restart::BrlGroesse ? 32 : 12;
      const int n = restart == Restart::Spielerzahl ? 4 : 2;
      FakeFenster t(0, 1);
      ASSERT_NO_FATAL_FAILURE(playExample(t, std::min(steps, std::size(kExample))));
      if (steps > std::size(kExample)) t.activate(0);
      const std::array<int16_t, 4> punkte = t.spiel.Punkte;
      const int16_t aktSpieler = t.spiel.AktSpieler;
      const int seedings = t.zufall.saaten;
      t.lstBrl = 1;
      t.lstAnzahl = 3;
      t.focus.clear();
      restartWith(t.spiel, restart);
      EXPECT_EQ(t.field, std::u16string(k, u'.') + u"  " + std::u16string(n, u'-'));
      EXPECT_EQ(t.spiel.Zug, Zugphase::ErsteKarte);
      EXPECT_EQ(t.zufall.saaten, restart == Restart::Spielerzahl ? seedings : seedings + 1);
      EXPECT_EQ(t.spiel.Punkte, fresh ? (std::array<int16_t, 4>{}) : punkte);
      EXPECT_EQ(t.spiel.AktSpieler, fresh ? 1 : aktSpieler);
      EXPECT_EQ(t.focus, fresh ? "Spiel" : "");
      std::array<int16_t, 4> target = t.spiel.Punkte;
      target[t.spiel.AktSpieler - 1] = static_cast<int16_t>(target[t.spiel.AktSpieler - 1] + k / 2);
      std::u16string end = u"Spielschluss  ";
      for (int i = 0; i < n; ++i) end += PunktZeichenFuer(target[i]);
      t.playAllPairs();
      EXPECT_EQ(t.field, end);
    }
  }
}

// The phase counter and the points stop at their limits; points carried into a new deal go on past "z", and each score
// keeps one printable cell.
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

  t.spiel.Punkte[0] = highest - 1;
  t.spiel.BrlGroesseUebernehmen();
  t.playAllPairs();
  EXPECT_EQ(t.spiel.Punkte[0], highest);
  EXPECT_EQ(t.field, u"Spielschluss  \u00FF-");

  const std::pair<int16_t, char16_t> characters[] = {{-5, u'-'},      {27, u'{'},       {30, u'~'},
                                                     {31, u'\u00A1'}, {125, u'\u00FF'}, {126, u'\u00FF'}};
  for (const auto& [punkte, c] : characters) EXPECT_EQ(PunktZeichenFuer(punkte), c) << punkte;
}

}  // namespace
}  // namespace paarix::test
