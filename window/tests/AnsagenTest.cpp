#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "Harness.h"
#include "Spielstand.h"

namespace paarix::test {
namespace {

using Texts = std::vector<std::u16string>;

// Whose turn it is, each player's pairs (those of a player the count no longer has left out), the pairs
// left with cards face up still in them, and the result: one winner, ties, one player.
TEST(Statuszeile, TellsTheTurnThePairsAndTheResult) {
  Harness h;
  Spielzustand& spiel = h.paarix.Zustand();
  ASSERT_EQ(spiel.Kartenzahl, 12);
  const struct {
    int16_t spielerzahl;
    int16_t aktSpieler;
    std::array<int16_t, 4> punkte;
    std::u16string feld;
    std::u16string status;
  } cases[] = {
      {2, 2, {1, 1, 0, 0}, u"--.a..--....  aa", u"Spieler 2 ist dran · 1 : 1 · noch 4 Paare"},
      {1, 1, {5, 0, 0, 0}, u"-----.-----.  e", u"Spieler 1 ist dran · 5 · noch 1 Paar"},
      {1, 0, {0, 0, 0, 0}, u"............  -", u"Spieler 1 ist dran · 0 · noch 6 Paare"},
      {2, 1, {2, 4, 0, 0}, u"Spielschluss  bd", u"Spielschluss · Spieler 2 gewinnt · 2 : 4"},
      {2, 2, {7, 4, 9, 0}, u"Spielschluss  gd", u"Spielschluss · Spieler 1 gewinnt · 7 : 4"},
      {3, 2, {3, 1, 3, 0}, u"Spielschluss  cac", u"Spielschluss · Spieler 1 und 3 gewinnen · 3 : 1 : 3"},
      {4, 1, {2, 2, 0, 2}, u"Spielschluss  bb-b", u"Spielschluss · Spieler 1, 2 und 4 gewinnen · 2 : 2 : 0 : 2"},
      {1, 1, {6, 0, 0, 0}, u"Spielschluss  f", u"Spielschluss · 6 Paare"},
  };
  for (const auto& c : cases) {
    spiel.Spielerzahl = c.spielerzahl;
    spiel.AktSpieler = c.aktSpieler;
    spiel.Punkte = c.punkte;
    EXPECT_EQ(StatuszeilenText(spiel, c.feld), c.status);
  }
}

// The status line follows the game as it is played: through a change of the player count, which keeps
// the points and the player to move, to the result, and to a new player count after the end.
TEST(Statuszeile, FollowsTheGame) {
  Harness h("0,1,0\r\n");
  EXPECT_EQ(h.tk.status, u"Spieler 1 ist dran · 0 : 0 · noch 6 Paare");
  h.dealInOrder();  // abcdefabcdef
  h.paarix.CmdNeu_Click();
  h.paarix.Spiel_Routing(0);
  h.paarix.Spiel_Routing(6);  // a pair
  h.paarix.Spiel_Routing(1);
  h.paarix.Spiel_Routing(2);  // a miss
  h.paarix.Spiel_Routing(0);  // face down again
  h.paarix.runInputQueue();
  EXPECT_EQ(h.tk.status, u"Spieler 2 ist dran · 1 : 0 · noch 5 Paare");

  h.tk.select(Control::LstAnzahl, 2);
  h.paarix.LstAnzahl_Click();
  EXPECT_EQ(h.tk.status, u"Spieler 2 ist dran · 1 : 0 : 0 · noch 6 Paare");
  for (int16_t karte = 0; karte < 6; ++karte) {
    h.paarix.Spiel_Routing(karte);
    h.paarix.Spiel_Routing(karte + 6);
  }
  h.paarix.runInputQueue();
  EXPECT_EQ(h.tk.status, u"Spielschluss · Spieler 2 gewinnt · 1 : 6 : 0");

  h.tk.select(Control::LstAnzahl, 1);
  h.paarix.LstAnzahl_Click();
  EXPECT_EQ(h.tk.status, u"Spieler 2 ist dran · 1 : 6 · noch 6 Paare");
}

// With spoken events on (as the settings file keeps them) a two-player game says each card, each pair
// with the scorer's pairs, each miss, each refusal, the turn passing and the result, each before its cue
// starts. With them off it says nothing, and both games play the same cues.
TEST(Ansagen, AGameSaysWhatEachActivationDid) {
  const auto play = [](Harness& h) {
    h.dealInOrder();  // abcdefabcdef
    h.paarix.CmdNeu_Click();
    for (int16_t position : {0, 6, 0, 1, 1, 14, 2, 5}) h.paarix.Spiel_Routing(position);
    for (int16_t karte = 1; karte < 6; ++karte) {
      h.paarix.Spiel_Routing(karte);
      h.paarix.Spiel_Routing(karte + 6);
    }
    h.paarix.Spiel_Routing(0);  // the game is over: the focus goes to the new-game button
    h.paarix.Spiel_Routing(0);  // back in the field
    h.paarix.runInputQueue();
  };
  Harness on("0,1,0,1\r\n");
  Harness off("0,1,0\r\n");
  play(on);
  play(off);
  EXPECT_EQ(on.tk.announced,
            (Texts{u"a", u"a: Paar! Spieler 1 hat 1 Paar.", u"schon gefunden", u"b", u"b ist schon offen",
                   u"keine Karte", u"c: kein Paar.", u"Verdeckt. Spieler 2 ist dran.", u"b",
                   u"b: Paar! Spieler 2 hat 1 Paar.", u"c", u"c: Paar! Spieler 2 hat 2 Paare.", u"d",
                   u"d: Paar! Spieler 2 hat 3 Paare.", u"e", u"e: Paar! Spieler 2 hat 4 Paare.", u"f",
                   u"f: Paar! Spielschluss. Spieler 2 gewinnt, 1 : 5.", u"keine Karte"}));
  std::vector<std::string> order;  // "announce" and "cue" in the order they came
  for (const std::string& entry : on.tk.log) {
    if (entry == "announce" || entry == "cue") order.push_back(entry);
  }
  for (size_t i = 1; i < order.size(); ++i) {
    if (order[i] == "cue") {
      EXPECT_EQ(order[i - 1], "announce") << i;
    }
  }
  EXPECT_EQ(off.tk.announced, Texts{});
  EXPECT_EQ(on.cues(), off.cues());
}

// s switches spoken events and says which, i says the status line whether they are on or off; neither
// plays a cue or touches the field, in the normal and in the full-field view. The close keeps the choice.
TEST(Ansagen, KeysSAndI) {
  Harness h;
  h.paarix.CmdNeu_Click();
  const std::u16string status = u"Spieler 1 ist dran · 0 · noch 6 Paare";
  h.paarix.Spiel_KeyPress(u'i');
  h.paarix.Spiel_KeyPress(u's');
  h.paarix.Spiel_KeyPress(u'I');
  h.paarix.Spiel_KeyPress(u'v');
  h.paarix.Spiel_KeyPress(u'S');
  h.paarix.Spiel_KeyPress(u'i');
  h.paarix.Spiel_KeyPress(u's');
  EXPECT_EQ(h.tk.announced, (Texts{status, u"Ansagen an", status, u"Ansagen aus", status, u"Ansagen an"}));
  EXPECT_EQ(h.visibility(), kFullField);
  EXPECT_EQ(h.cues(), Cues{Cue::ErsteKarte});  // the v key's
  EXPECT_EQ(h.field(), u"............  -");
  EXPECT_TRUE(h.paarix.Form_QueryUnload());
  EXPECT_EQ(h.file(), "0,0,0,1\r\n");
}

// s held down during a cue: each press runs after the cue, in its turn, and says which; the card turned
// before is not said afterwards. One player then hears the pairs and the end without a winner.
TEST(Ansagen, SwitchedDuringACue) {
  Harness h;
  h.dealInOrder();  // abcdefabcdef
  h.paarix.CmdNeu_Click();
  h.tk.duringCue = {[&] {
    for (int i = 0; i < 21; ++i) h.key(u's');
  }};
  h.paarix.Spiel_KeyPress(u' ');
  ASSERT_EQ(h.tk.announced.size(), 21u);
  EXPECT_EQ(h.tk.announced.front(), u"Ansagen an");
  EXPECT_EQ(h.tk.announced[1], u"Ansagen aus");
  EXPECT_EQ(h.tk.announced.back(), u"Ansagen an");
  EXPECT_EQ(h.cues(), Cues{Cue::ErsteKarte});
  h.paarix.Spiel_Routing(6);
  h.paarix.runInputQueue();
  EXPECT_EQ(h.tk.announced.back(), u"a: Paar! 1 Paar.");
  for (int16_t karte = 1; karte < 6; ++karte) {
    h.paarix.Spiel_Routing(karte);
    h.paarix.Spiel_Routing(karte + 6);
  }
  h.paarix.runInputQueue();
  EXPECT_EQ(h.tk.announced.back(), u"f: Paar! Spielschluss. 6 Paare.");
  EXPECT_EQ(h.tk.status, u"Spielschluss · 6 Paare");
}

}  // namespace
}  // namespace paarix::test
