#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "Harness.h"
#include "Texte.h"

namespace paarix::test {
namespace {

// The stored entries come back, the nested selection event clears a turn, nothing is
// dealt, and the close writes the selections back.
TEST(Start, FromTheSettingsFileToTheFirstView) {
  const struct {
    std::optional<std::string> file;
    int16_t brailleIndex;
    int16_t playerIndex;
    std::u16string field;
    std::string afterStart;
    std::string afterClose;
  } cases[] = {
      {std::nullopt, 0, 0, u"............  -", "0,0,0\r\n", "0,0,0\r\n"},
      {"2,3,7\r\n", 2, 3, std::u16string(52, u'.') + u"  ----", "2,3,7\r\n", "2,3,7\r\n"},
      {"-1,-1,-1\r\n", 0, 0, u"............  -", "-1,-1,-1\r\n", "0,0,-1\r\n"},
      {"", 0, 0, u"............  -", "", "0,0,0\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.afterStart);
    Harness h(c.file, false);
    h.paarix.Zustand().Zug = Zugphase::ZweiteKarte;
    h.paarix.Form_Load();
    EXPECT_EQ(h.file(), c.afterStart);
    EXPECT_EQ(h.selected(Control::LstBrl), c.brailleIndex);
    EXPECT_EQ(h.selected(Control::LstAnzahl), c.playerIndex);
    EXPECT_EQ(h.tk.items[FakeToolkit::I(Control::LstBrl)][c.brailleIndex], texte::LstBrl[c.brailleIndex]);
    EXPECT_EQ(h.field(), c.field);
    EXPECT_EQ(h.tk.Count("text:Spiel"), 2);
    EXPECT_EQ(h.paarix.Zustand().Zug, Zugphase::ErsteKarte);
    EXPECT_EQ(h.paarix.Zustand().AktSpieler, 1);
    EXPECT_EQ(h.zufall.saaten, 0);
    EXPECT_EQ(h.tk.focus, Control::CmdInfo);
    EXPECT_EQ(h.visibility(), kNormal);
    EXPECT_EQ(h.tk.caption, h.paarix.Titel());
    EXPECT_EQ(h.tk.texts[FakeToolkit::I(Control::Info)], texte::HilfeText());
    EXPECT_TRUE(h.paarix.Form_QueryUnload());
    EXPECT_EQ(h.file(), c.afterClose);
  }
  EXPECT_EQ(Harness().paarix.Titel().substr(0, 26), u"Paarix Version 27.02.2012 ");
}

// Keys, routing keys and clicks reach the turn rules; other characters do nothing.
TEST(Spiel, HandlersReachTheTurnRules) {
  Harness h("0,1,0\r\n");
  h.dealInOrder();
  h.paarix.CmdNeu_Click();
  EXPECT_EQ(h.field(), u"............  --");
  EXPECT_EQ(h.tk.focus, Control::Spiel);
  EXPECT_EQ(h.zufall.saaten, 1);
  for (char16_t other : {u'x', u'1', u'\r', u'\b', u'-'}) h.paarix.Spiel_KeyPress(other);
  EXPECT_EQ(h.field(), u"............  --");
  EXPECT_EQ(h.cues(), Cues{});

  h.paarix.Spiel_KeyPress(u' ');  // caret 0: a
  h.paarix.Spiel_Routing(7);      // b: a miss
  h.paarix.runInputQueue();
  h.tk.caretPos = 15;
  h.paarix.Spiel_Click();  // anywhere: the two go face down, player 2
  h.paarix.Spiel_Routing(0);
  h.paarix.Spiel_Routing(6);  // a pair for player 2
  h.paarix.runInputQueue();
  h.paarix.Spiel_DblClick();
  h.paarix.Spiel_Routing(0);  // a matched card
  h.paarix.runInputQueue();
  EXPECT_EQ(h.field(), u"-.....-.....  -a");
  EXPECT_EQ(h.tk.caretPos, 0);
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, Cue::Ungleich, Cue::ErsteKarte, Cue::Paar, Cue::Abgelehnt}));
  EXPECT_EQ(h.tk.Count("clearSelection"), 5);
}

TEST(Ansichten, HelpViewAndFullFieldView) {
  Harness h;
  const std::u16string title = h.tk.caption;
  for (char16_t key : {u'\x1b', u'\r', u' ', u'q', u'5'}) {
    h.tk.log.clear();
    h.paarix.CmdInfo_Click();
    EXPECT_EQ(h.tk.log, (std::vector<std::string>{"hide", "-CmdInfo", "-LstBrl", "-LstAnzahl", "-Spiel", "-CmdNeu",
                                                  "-CmdEnde", "-Statuszeile", "+Info", "show", "focus:Info"}));
    EXPECT_EQ(h.paarix.AktuelleAnsicht(), Ansicht::Hilfe);
    EXPECT_EQ(h.visibility(), kHelp);
    EXPECT_EQ(h.tk.caption, title);
    h.paarix.Info_KeyPress(key);
    EXPECT_EQ(h.visibility(), kNormal);
    EXPECT_TRUE(h.tk.shown);
    EXPECT_EQ(h.tk.log.back(), "focus:LstBrl");  // after the window is shown
  }
  EXPECT_EQ(h.zufall.saaten, 0);
  EXPECT_EQ(h.cues(), Cues{});

  h.paarix.CmdNeu_Click();
  h.paarix.Spiel_KeyPress(u' ');
  const std::u16string field = h.field();
  const int16_t turn = h.paarix.Zustand().Zug;
  for (char16_t key : {u'v', u'V'}) {
    h.tk.log.clear();
    h.paarix.Spiel_KeyPress(key);
    EXPECT_EQ(h.tk.log, (std::vector<std::string>{"hide", "process", "caption:", "-CmdEnde", "-CmdInfo", "-CmdNeu",
                                                  "-LstBrl", "-LstAnzahl", "-Statuszeile", "+Spiel", "show",
                                                  "focus:Spiel", "repaint", "cue"}));
    EXPECT_EQ(h.visibility(), kFullField);
    EXPECT_EQ(h.tk.caption, u"");
    EXPECT_EQ(h.paarix.AktuelleAnsicht(), Ansicht::Vollbild);
  }
  for (int i = 0; i < 2; ++i) {  // Escape leaves the full-field view, and sounds in the normal view too
    h.paarix.Spiel_KeyPress(u'\x1b');
    EXPECT_EQ(h.visibility(), kNormal);
    EXPECT_EQ(h.tk.caption, title);
    EXPECT_EQ(h.tk.focus, Control::Spiel);
  }
  EXPECT_EQ(h.field(), field);
  EXPECT_EQ(h.tk.caretPos, 0);
  EXPECT_EQ(h.paarix.Zustand().Zug, turn);
  const int16_t view = Cue::ErsteKarte;
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, view, view, view, view}));

  // After the game ends in the full-field view, the next activation restores the normal view.
  const std::u16string l = h.paarix.Zustand().Loesung;
  h.paarix.Spiel_KeyPress(u'v');
  h.paarix.Spiel_Routing(static_cast<int16_t>(l.find(l[0], 1)));
  for (char16_t c = u'a'; c <= u'f'; ++c) {
    if (c == l[0]) continue;
    h.paarix.Spiel_Routing(static_cast<int16_t>(l.find(c)));
    h.paarix.Spiel_Routing(static_cast<int16_t>(l.rfind(c)));
  }
  h.paarix.runInputQueue();
  ASSERT_EQ(h.field(), u"Spielschluss  f");
  ASSERT_EQ(h.paarix.AktuelleAnsicht(), Ansicht::Vollbild);
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(h.visibility(), kNormal);
  EXPECT_EQ(h.tk.caption, title);
  EXPECT_EQ(h.tk.focus, Control::CmdNeu);
}

// Every cause of closing saves once: the close box, the quit button, the end of the
// session; a file that cannot be written is reported and the program goes on.
TEST(Schliessen, EveryCauseSavesOnce) {
  {
    Harness h("0,0,5\r\n");
    h.tk.select(Control::LstBrl, 1);
    h.tk.select(Control::LstAnzahl, 2);
    EXPECT_TRUE(h.paarix.Form_QueryUnload());
    EXPECT_EQ(h.file(), "1,2,5\r\n");
    EXPECT_EQ(h.paarix.Gespeichert(), std::optional(true));
    std::ofstream(h.ini, std::ios::binary) << "x";
    EXPECT_TRUE(h.paarix.Form_QueryUnload());
    h.paarix.SessionEnding();
    EXPECT_EQ(h.file(), "x");
  }
  {
    Harness h("0,0,5\r\n");
    h.tk.select(Control::LstAnzahl, 2);
    h.paarix.CmdEnde_Click();
    EXPECT_EQ(h.tk.Count("close"), 1);
    EXPECT_TRUE(h.tk.closed);
    EXPECT_EQ(h.file(), "0,2,5\r\n");
  }
  {
    Harness h("0,0,5\r\n");
    h.tk.select(Control::LstBrl, 2);
    h.paarix.CmdNeu_Click();
    std::string fileDuringCue;
    h.tk.duringCue = {[&] {
      h.paarix.SessionEnding();  // nothing runs after it: it does not wait for the cue
      fileDuringCue = h.file();
    }};
    h.paarix.Spiel_KeyPress(u' ');
    EXPECT_EQ(fileDuringCue, "2,0,5\r\n");
    std::ofstream(h.ini, std::ios::binary) << "x";
    EXPECT_TRUE(h.paarix.Form_QueryUnload());
    EXPECT_EQ(h.file(), "x");
  }
  Harness h;
  fs::remove(h.ini);
  fs::create_directory(h.ini);
  EXPECT_TRUE(h.paarix.Form_QueryUnload());
  EXPECT_EQ(h.paarix.Gespeichert(), std::optional(false));
  EXPECT_TRUE(fs::is_directory(h.ini));
}

// During the pair cue: a caret key, the space bar, then a routing key. They run
// afterwards in that order: the card under the moved caret turns first.
TEST(Eingabe, InputDuringACueRunsAfterItInTheOrderItArrived) {
  Harness h;
  h.dealInOrder();
  h.paarix.CmdNeu_Click();
  h.paarix.Spiel_KeyPress(u' ');  // a at 0
  std::u16string fieldDuringCue;
  h.tk.duringCue = {[&] {
    EXPECT_TRUE(h.paarix.busy());
    h.caretKey(4);
    h.key(u' ');
    h.paarix.Spiel_Routing(5);
    fieldDuringCue = h.field();
  }};
  h.paarix.Spiel_Routing(6);  // its partner: the pair cue
  h.paarix.runInputQueue();
  EXPECT_EQ(fieldDuringCue, u"a.....a.....  -");
  EXPECT_EQ(h.field(), u"-...ef-.....  a");
  EXPECT_EQ(h.paarix.Zustand().Pos1, 5) << "the routing key overtook the keys before it";
  EXPECT_EQ(h.tk.caretPos, 5);
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, Cue::Paar, Cue::ErsteKarte, Cue::Ungleich}));
  EXPECT_FALSE(h.paarix.busy());
  EXPECT_FALSE(h.paarix.inputWaits());
}

// A routing key never runs inside the screen reader's call: on the toolkit's next
// turn, and input that arrives before that turn waits behind it.
TEST(Eingabe, ARoutingKeyRunsOnTheToolkitsNextTurn) {
  Harness h;
  h.dealInOrder();
  h.paarix.CmdNeu_Click();
  h.paarix.Spiel_Routing(3);
  EXPECT_EQ(h.field(), u"............  -");
  EXPECT_EQ(h.tk.inputQueueRunsScheduled, 1);
  EXPECT_TRUE(h.paarix.inputWaits());
  h.key(u' ');  // at the caret the routing key will have moved
  EXPECT_EQ(h.cues(), Cues{});
  h.paarix.runInputQueue();
  EXPECT_EQ(h.field(), u"...d........  -");
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, Cue::Abgelehnt}));
}

// What arrives during the cue of input that waited waits behind the rest of the queue.
TEST(Eingabe, InputArrivingWhileTheQueueRunsWaitsItsTurn) {
  Harness h;
  h.dealInOrder();
  h.paarix.CmdNeu_Click();
  h.tk.duringCue = {[&] {
    h.paarix.Spiel_Routing(6);  // the pair: its cue brings the next arrival
    h.paarix.Spiel_Routing(2);
    h.tk.duringCue = {[&] { h.paarix.Spiel_Routing(1); }};
  }};
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(h.field(), u"-bc...-.....  a");
  EXPECT_EQ(h.paarix.Zustand().Pos1, 3) << "the latest arrival ran before the one that waited";
  EXPECT_EQ(h.cues(), (Cues{Cue::ErsteKarte, Cue::Paar, Cue::ErsteKarte, Cue::Ungleich}));
}

// A close during a cue waits its turn: input before it runs, input after it goes
// with the window; the settings are written once.
TEST(Eingabe, ACloseWaitsItsTurnInTheQueue) {
  Harness h("0,0,5\r\n");
  h.dealInOrder();
  h.paarix.CmdNeu_Click();
  std::string fileDuringCue;
  h.tk.duringCue = {[&] {
    h.paarix.LstAnzahl_Click();
    h.tk.select(Control::LstAnzahl, 1);  // the selection the click made, as the list shows it
    EXPECT_FALSE(h.paarix.Form_QueryUnload());
    h.paarix.Spiel_Routing(6);
    fileDuringCue = h.file();
  }};
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(fileDuringCue, "0,0,5\r\n");
  EXPECT_EQ(h.file(), "0,1,5\r\n");
  EXPECT_EQ(h.tk.Count("close"), 1);
  EXPECT_TRUE(h.tk.closed);
  EXPECT_EQ(h.field(), u"............  --") << "the list click ran, the routing key after the close did not";
}

// A handler that the program raises (LstBrl loses the focus because the new game
// moves it to the field) runs right after the handler that raised it, before the
// input that waits.
TEST(Eingabe, AHandlerTheProgramRaisesRunsBeforeTheInputThatWaits) {
  Harness h;
  h.paarix.CmdNeu_Click();
  h.tk.focus = Control::LstBrl;
  h.tk.duringCue = {[&] {
    h.paarix.CmdNeu_Click();  // its access key: the focus stays on LstBrl until the handler moves it
    h.paarix.Spiel_Routing(0);
  }};
  h.paarix.Spiel_Routing(3);
  h.paarix.runInputQueue();
  EXPECT_EQ(h.zufall.saaten, 3);
  EXPECT_NE(h.field()[0], u'.') << "the routing key ran before the deal of the list";
  EXPECT_EQ(h.tk.focus, Control::Spiel);
}

}  // namespace
}  // namespace paarix::test
