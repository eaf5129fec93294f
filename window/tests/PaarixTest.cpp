#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "Harness.h"
#include "Spielstand.h"
#include "Texte.h"

namespace paarix::test {
namespace {

using Texts = std::vector<std::u16string>;

// The stored selections come back into the lists and the field, the window opens in the normal view on the help button.
// The end of the session writes the selections back at once, even while a cue plays (nothing runs after it); only the
// first cause of closing writes.
TEST(Start, FromTheSettingsFileToTheOneSave) {
  Harness h("2,3,7\r\n");
  EXPECT_EQ(h.tk.selectedIndex(Control::LstBrl), 2);
  EXPECT_EQ(h.tk.selectedIndex(Control::LstAnzahl), 3);
  EXPECT_EQ(h.field(), std::u16string(52, u'.') + u"  ----");
  EXPECT_EQ(h.paarix.Zustand().AktSpieler, 1);
  EXPECT_EQ(h.tk.focus, Control::CmdInfo);
  EXPECT_EQ(h.tk.visible, kNormal);
  EXPECT_EQ(h.tk.caption.substr(0, 26), u"Paarix Version 27.02.2012 ");
  EXPECT_EQ(h.tk.texts[FakeToolkit::I(Control::Info)], texte::HilfeText());
  h.tk.select(Control::LstBrl, 1);
  h.paarix.CmdNeu_Click();
  std::string fileDuringCue;
  h.tk.duringCue = [&] {
    h.paarix.SessionEnding();
    fileDuringCue = h.file();
  };
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(fileDuringCue, "1,3,7\r\n");
  std::ofstream(h.ini, std::ios::binary) << "x";
  h.paarix.CmdEnde_Click();
  EXPECT_TRUE(h.tk.closed);
  EXPECT_EQ(h.file(), "x");
}

// A two-player game by the space bar, clicks, routing keys and other keys, with spoken events on as the settings file
// keeps them: each card, pair with the scorer's pairs, miss, refusal, the turn passing and the result is said, the text
// before its cue. After the game ends in the full-field view, the next activation brings back the normal view and sends
// the focus to "Neues Spiel"; a double click leaves nothing selected. The same game with the spoken events off says
// nothing and plays the same cues.
TEST(Spiel, AWholeGameByEveryKindOfInput) {
  const auto play = [](Harness& h) {
    h.paarix.CmdNeu_Click();        // abcdefabcdef
    h.paarix.Spiel_KeyPress(u' ');  // the caret is on the first card
    for (int16_t position : {6, 0}) h.paarix.Spiel_Routing(position);
    h.paarix.handleInput([&h] { h.tk.caretPos = 1; });  // a caret key
    h.key(u' ');
    h.paarix.Spiel_Click();
    h.key(u'x');
    for (int16_t position : {14, 2, 5}) h.paarix.Spiel_Routing(position);
    h.key(u'v');
    for (int16_t karte = 1; karte < 6; ++karte) {
      h.paarix.Spiel_Routing(karte);
      h.paarix.Spiel_Routing(karte + 6);
    }
    h.paarix.Spiel_Routing(0);  // the game is over: the focus goes to the new-game button
    h.paarix.Spiel_Routing(0);
    h.paarix.runInputQueue();
  };
  Harness on("0,1,0,1\r\n");
  Texts saidDuringFirstCue;
  on.tk.duringCue = [&] { saidDuringFirstCue = on.tk.announced; };
  play(on);
  EXPECT_EQ(saidDuringFirstCue, Texts{u"a"});
  EXPECT_EQ(on.tk.announced,
            (Texts{u"a", u"a: Paar! Spieler 1 hat 1 Paar.", u"schon gefunden", u"b", u"b ist schon offen",
                   u"keine Karte", u"c: kein Paar.", u"Verdeckt. Spieler 2 ist dran.", u"b",
                   u"b: Paar! Spieler 2 hat 1 Paar.", u"c", u"c: Paar! Spieler 2 hat 2 Paare.", u"d",
                   u"d: Paar! Spieler 2 hat 3 Paare.", u"e", u"e: Paar! Spieler 2 hat 4 Paare.", u"f",
                   u"f: Paar! Spielschluss. Spieler 2 gewinnt, 1 : 5.", u"keine Karte"}));
  EXPECT_EQ(on.tk.status, u"Spielschluss · Spieler 2 gewinnt · 1 : 5");
  EXPECT_EQ(on.tk.visible, kNormal);
  EXPECT_EQ(on.tk.focus, Control::CmdNeu);
  const int cleared = on.tk.selectionsCleared;
  on.paarix.Spiel_DblClick();
  EXPECT_EQ(on.tk.selectionsCleared, cleared + 1);
  on.tk.select(Control::LstAnzahl, 2);
  on.paarix.LstAnzahl_Click();
  EXPECT_EQ(on.tk.status, u"Spieler 2 ist dran · 1 : 5 : 0 · noch 6 Paare");

  Harness off("0,1,0\r\n");
  play(off);
  EXPECT_EQ(off.tk.announced, Texts{});
  EXPECT_EQ(on.cues(), off.cues());
}

// Any key closes the help view; the focus goes to the Braille list once the window is shown again, and leaving that
// list as the views change deals nothing. The full-field view (v) shows the field alone without a caption, changed
// while the window is hidden and its pending events handled, the focus set and the window repainted once it is shown;
// Escape leaves it, and sounds in the normal view too. Neither view touches the field.
TEST(Ansichten, HelpViewAndFullFieldView) {
  Harness h;
  h.paarix.CmdInfo_Click();
  EXPECT_EQ(h.tk.visible, kHelp);
  EXPECT_EQ(h.tk.focus, Control::Info);
  h.tk.log.clear();
  h.paarix.Info_KeyPress(u'q');
  EXPECT_EQ(h.tk.visible, kNormal);
  EXPECT_EQ(h.tk.log, (std::vector<std::string>{"hide", "show", "focus:LstBrl"}));
  EXPECT_EQ(h.zufall.saaten, 0);

  h.paarix.CmdNeu_Click();
  EXPECT_EQ(h.tk.focus, Control::Spiel);
  h.paarix.Spiel_KeyPress(u' ');
  const std::u16string field = h.field();
  h.tk.log.clear();
  h.paarix.Spiel_KeyPress(u'V');
  EXPECT_EQ(h.tk.log, (std::vector<std::string>{"hide", "process", "show", "focus:Spiel", "repaint"}));
  EXPECT_EQ(h.tk.visible, kFullField);
  EXPECT_EQ(h.tk.caption, u"");
  h.paarix.Spiel_KeyPress(u'\x1b');
  h.paarix.Spiel_KeyPress(u'\x1b');
  EXPECT_EQ(h.tk.visible, kNormal);
  EXPECT_EQ(h.tk.caption, h.paarix.Titel());
  EXPECT_EQ(h.field(), field);
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, Cue::ErsteKarte, Cue::ErsteKarte, Cue::ErsteKarte}));
}

// A routing key never runs inside the screen reader's call: on the toolkit's next turn, and input that arrives before
// that turn waits behind it.
TEST(Eingabe, ARoutingKeyRunsOnTheToolkitsNextTurn) {
  Harness h;
  h.paarix.CmdNeu_Click();  // abcdefabcdef
  h.paarix.Spiel_Routing(3);
  EXPECT_EQ(h.tk.inputQueueRunsScheduled, 1);
  h.key(u' ');  // at the caret the routing key will have moved: the card is up
  EXPECT_EQ(h.cues(), Cues{});
  h.paarix.runInputQueue();
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, Cue::Abgelehnt}));
}

// A close during a cue waits its turn: the input before it runs in the order it came, also a list click that reaches
// its handler during the cue; the input after it goes with the window. The settings are written once, when the close
// runs. A file that cannot be written does not keep the window open.
TEST(Eingabe, ACloseWaitsItsTurnInTheQueue) {
  Harness h("0,0,5\r\n");
  h.paarix.CmdNeu_Click();  // abcdefabcdef
  std::string fileDuringCue;
  h.tk.duringCue = [&] {
    h.paarix.Spiel_Routing(6);
    h.paarix.LstAnzahl_Click();
    h.tk.select(Control::LstAnzahl, 1);  // the selection the click made, as the list shows it
    EXPECT_FALSE(h.paarix.Form_QueryUnload());
    h.paarix.Spiel_Routing(1);
    fileDuringCue = h.file();
  };
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(fileDuringCue, "0,0,5\r\n");
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, Cue::Paar}));
  EXPECT_EQ(h.field(), u"............  --") << "the list click after the pair, no routing key after the close";
  EXPECT_EQ(h.file(), "0,1,5\r\n");
  EXPECT_TRUE(h.tk.closed);

  Harness full;
  fs::remove(full.ini);
  fs::create_directory(full.ini);  // no file can be written in its place
  EXPECT_TRUE(full.paarix.Form_QueryUnload());
  EXPECT_EQ(full.paarix.Gespeichert(), std::optional(false));
}

// A handler the program raises (the focus leaves LstBrl while a cue plays) runs right after the handler that raised it,
// not inside the cue, and before the routing key that came before it: the deal of the list clears the first card's
// turn, then the routing key turns a first card again.
TEST(Eingabe, AHandlerTheProgramRaisesRunsRightAfterTheHandlerThatRaisedIt) {
  Harness h;
  h.paarix.CmdNeu_Click();
  h.tk.focus = Control::LstBrl;
  h.tk.duringCue = [&] {
    h.paarix.Spiel_Routing(3);
    h.tk.setFocus(Control::Spiel);
  };
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(h.zufall.saaten, 2);
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, Cue::ErsteKarte}));
}

// Whose turn it is, each player's pairs (those of a player the count no longer has left out), the pairs left with cards
// face up still in them, and the result: one winner, ties, one player.
TEST(Statuszeile, TellsTheTurnThePairsAndTheResult) {
  Harness h;
  Spielzustand& spiel = h.paarix.Zustand();  // 12 cards
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

// s switches spoken events and says which, i says the status line whether they are on or off; neither plays a cue, in
// the normal and in the full-field view. s pressed during a cue runs after it, in its turn, and the card turned before
// is not said afterwards. One player hears the pairs and the end without a winner. The close keeps the choice.
TEST(Ansagen, KeysSAndI) {
  Harness h;
  h.paarix.CmdNeu_Click();  // abcdefabcdef
  const std::u16string status = u"Spieler 1 ist dran · 0 · noch 6 Paare";
  h.paarix.Spiel_KeyPress(u'i');
  h.paarix.Spiel_KeyPress(u's');
  h.paarix.Spiel_KeyPress(u'v');
  h.paarix.Spiel_KeyPress(u'I');
  h.paarix.Spiel_KeyPress(u'S');
  EXPECT_EQ(h.tk.announced, (Texts{status, u"Ansagen an", status, u"Ansagen aus"}));
  EXPECT_EQ(h.cues(), Cues{Cue::ErsteKarte});  // the v key's
  h.tk.announced.clear();
  h.tk.duringCue = [&] {
    for (int i = 0; i < 3; ++i) h.key(u's');
  };
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(h.tk.announced, (Texts{u"Ansagen an", u"Ansagen aus", u"Ansagen an"}));
  h.paarix.Spiel_Routing(6);
  for (int16_t karte = 1; karte < 6; ++karte) {
    h.paarix.Spiel_Routing(karte);
    h.paarix.Spiel_Routing(karte + 6);
  }
  h.paarix.runInputQueue();
  EXPECT_EQ(h.tk.announced[3], u"a: Paar! 1 Paar.");
  EXPECT_EQ(h.tk.announced.back(), u"f: Paar! Spielschluss. 6 Paare.");
  EXPECT_TRUE(h.paarix.Form_QueryUnload());
  EXPECT_EQ(h.file(), "0,0,0,1\r\n");
}

}  // namespace
}  // namespace paarix::test
