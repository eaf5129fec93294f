#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <random>
#include <sstream>

#include "CueTones.h"
#include "FakeToolkit.h"
#include "Paarix.h"
#include "RecordingToneDevice.h"
#include "SkriptZufall.h"
#include "Texte.h"
#include "Version.h"

namespace paarix::test {
namespace {

namespace fs = std::filesystem;

// The window logic on a fresh settings folder, with cues that take no time.
struct Harness {
  fs::path dir = fs::temp_directory_path() / ("paarix-window-" + std::to_string(std::random_device{}()));
  fs::path ini = dir / "paarix.ini";
  FakeToolkit tk;
  RecordingToneDevice* device = new RecordingToneDevice;
  CuePlayer cues{std::unique_ptr<ToneDevice>(device)};
  SkriptZufall zufall;
  Paarix paarix{tk, ini, cues, zufall};

  explicit Harness(std::optional<std::string> inhalt = std::nullopt, bool laden = true) {
    fs::create_directories(dir);
    if (inhalt) std::ofstream(ini, std::ios::binary) << *inhalt;
    tk.onLstBrlLostFocus = [this] { paarix.LstBrl_LostFocus(); };
    if (laden) paarix.Form_Load();
  }
  ~Harness() {
    std::error_code ignoriert;
    fs::remove_all(dir, ignoriert);
  }
  std::string Datei() const {
    std::stringstream s;
    s << std::ifstream(ini, std::ios::binary).rdbuf();
    return s.str();
  }
  const std::u16string& Feld() const { return tk.texts[FakeToolkit::I(Control::Spiel)]; }
  // The cue number of every cue played so far.
  std::vector<int> Cues() const {
    std::vector<int> nummern;
    for (const auto& tones : device->calls()) {
      int cue = 0;
      while (cue < 25 && cueTones(static_cast<int16_t>(cue)) != tones) ++cue;
      nummern.push_back(cue);
    }
    return nummern;
  }
  // Deals abcdefabcdef for the next deal of 12 cards.
  void Beispiel() {
    std::vector<float> werte;
    for (int v = 1; v <= 12; ++v) werte.push_back((v - 0.5f) / 12);
    zufall.Skript(werte);
  }
  std::vector<bool> Sichtbar() const { return std::vector<bool>(tk.visible.begin(), tk.visible.end()); }
};

const std::vector<bool> kNormal = {true, true, true, true, true, true, false};
const std::vector<bool> kHilfe = {false, false, false, false, false, false, true};
const std::vector<bool> kVollbild = {false, false, false, true, false, false, false};

// The stored entries come back, the nested selection event clears a turn, nothing is
// dealt, and the close writes the selections back.
TEST(Start, FromTheSettingsFileToTheFirstView) {
  const struct {
    std::optional<std::string> datei;
    int16_t brl, anzahl;
    size_t karten;
    std::string nachStart, nachSchluss;
  } faelle[] = {{std::nullopt, 0, 0, 12, "0,0,0\r\n", "0,0,0\r\n"},
                {"2,3,7\r\n", 2, 3, 52, "2,3,7\r\n", "2,3,7\r\n"},
                {"-1,-1,-1\r\n", 0, 0, 12, "-1,-1,-1\r\n", "0,0,-1\r\n"},
                {"", 0, 0, 12, "", "0,0,0\r\n"}};
  for (const auto& f : faelle) {
    SCOPED_TRACE(f.nachStart);
    Harness h(f.datei, false);
    h.paarix.Zustand().Zug = Zugphase::ZweiteKarte;
    h.paarix.Form_Load();
    EXPECT_EQ(h.Datei(), f.nachStart);
    EXPECT_EQ(std::tuple(h.tk.selection[1], h.tk.selection[2], h.tk.items[1].size(), h.tk.items[2].size()),
              std::tuple(f.brl, f.anzahl, size_t{3}, size_t{4}));
    EXPECT_EQ(h.tk.items[1][f.brl], texte::LstBrl[f.brl]);
    EXPECT_EQ(h.Feld(), std::u16string(f.karten, u'.') + u"  " + std::u16string(f.anzahl + 1, u'-'));
    EXPECT_EQ(
        std::tuple(h.paarix.Zustand().Zug, h.paarix.Zustand().AktSpieler, h.zufall.saaten, h.tk.Count("text:Spiel")),
        std::tuple(int16_t{0}, int16_t{1}, 0, 2));
    EXPECT_EQ(std::tuple(h.tk.focus, h.Sichtbar(), h.tk.caption),
              std::tuple(Control::CmdInfo, kNormal, h.paarix.Titel()));
    EXPECT_EQ(std::count(h.tk.texts[6].begin(), h.tk.texts[6].end(), u'\n'), 20);
    EXPECT_TRUE(h.paarix.Form_QueryUnload());
    EXPECT_EQ(h.Datei(), f.nachSchluss);
  }
  EXPECT_EQ(Harness().paarix.Titel().substr(0, 26), u"Paarix Version 27.02.2012 ");
  // Tab leads through the controls in the order the help text explains them.
  EXPECT_EQ(kTabOrder, (std::array{Control::CmdInfo, Control::LstBrl, Control::LstAnzahl, Control::Spiel,
                                   Control::CmdNeu, Control::CmdEnde, Control::Info}));
}

// Keys, routing keys and clicks reach the turn rules; other characters do nothing.
TEST(Spiel, HandlersPlayAWholeGame) {
  Harness h("0,1,0\r\n");
  h.Beispiel();
  h.paarix.CmdNeu_Click();
  EXPECT_EQ(std::tuple(h.Feld(), h.tk.focus, h.zufall.saaten), std::tuple(u"............  --", Control::Spiel, 1));
  for (char16_t taste : {u'x', u'1', u'\r', u'\b', u'-'}) h.paarix.Spiel_KeyPress(taste);
  EXPECT_EQ(std::tuple(h.Feld(), h.Cues().size()), std::tuple(u"............  --", size_t{0}));
  h.paarix.Spiel_KeyPress(u' ');                         // caret 0: a
  h.paarix.Spiel_Routing(7);                             // b: a miss
  h.tk.caretPos = 15, h.paarix.Spiel_Click();            // anywhere: face down, player 2
  h.paarix.Spiel_Routing(0), h.paarix.Spiel_Routing(6);  // a pair for player 2
  h.paarix.Spiel_DblClick();
  h.paarix.Spiel_Routing(0);  // a matched card
  EXPECT_EQ(std::tuple(h.Feld(), h.tk.caretPos, h.Cues(), h.tk.Count("clearSelection")),
            std::tuple(u"-.....-.....  -a", int16_t{0}, std::vector{9, 16, 9, 11, 8}, 5));
  for (int16_t pos = 1; pos < 6; ++pos) h.paarix.Spiel_Routing(pos), h.paarix.Spiel_Routing(pos + 6);
  EXPECT_EQ(std::tuple(h.Feld(), h.paarix.Zustand().Zug), std::tuple(u"Spielschluss  -f", Zugphase::Spielschluss));
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(h.tk.focus, Control::CmdNeu);
}

TEST(Ansichten, HelpViewAndFullFieldView) {
  Harness h;
  const std::u16string titel = h.tk.caption;
  for (char16_t taste : {u'\x1b', u'\r', u' ', u'q', u'5'}) {
    h.tk.log.clear();
    h.paarix.CmdInfo_Click();
    EXPECT_EQ(h.tk.log, (std::vector<std::string>{"hide", "-CmdInfo", "-LstBrl", "-LstAnzahl", "-Spiel", "-CmdNeu",
                                                  "-CmdEnde", "+Info", "show", "focus:Info"}));
    EXPECT_EQ(std::tuple(h.paarix.AktuelleAnsicht(), h.Sichtbar(), h.tk.caption),
              std::tuple(Ansicht::Hilfe, kHilfe, titel));
    h.paarix.Info_KeyPress(taste);
    EXPECT_EQ(std::tuple(h.Sichtbar(), h.tk.focus, h.tk.shown, h.tk.log.back()),
              std::tuple(kNormal, Control::LstBrl, true, std::string("focus:LstBrl")));
  }
  EXPECT_EQ(std::tuple(h.zufall.saaten, h.Cues().size()), std::tuple(0, size_t{0}));

  h.paarix.CmdNeu_Click();
  h.paarix.Spiel_KeyPress(u' ');
  const auto feld = std::tuple(h.Feld(), h.tk.caretPos, h.paarix.Zustand().Zug);
  for (char16_t taste : {u'v', u'V'}) {
    h.tk.log.clear();
    h.paarix.Spiel_KeyPress(taste);
    EXPECT_EQ(h.tk.log,
              (std::vector<std::string>{"hide", "process", "caption:", "-CmdEnde", "-CmdInfo", "-CmdNeu", "-LstBrl",
                                        "-LstAnzahl", "+Spiel", "show", "focus:Spiel", "repaint"}));
    EXPECT_EQ(std::tuple(h.Sichtbar(), h.tk.caption, h.paarix.AktuelleAnsicht()),
              std::tuple(kVollbild, u"", Ansicht::Vollbild));
  }
  for (int i = 0; i < 2; ++i) {  // Escape leaves the full-field view, and sounds in the normal view too
    h.paarix.Spiel_KeyPress(u'\x1b');
    EXPECT_EQ(std::tuple(h.Sichtbar(), h.tk.caption, h.tk.focus), std::tuple(kNormal, titel, Control::Spiel));
  }
  EXPECT_EQ(std::tuple(h.Feld(), h.tk.caretPos, h.paarix.Zustand().Zug), feld);
  EXPECT_EQ(h.Cues(), (std::vector{9, 9, 9, 9, 9}));

  // After the game ends in the full-field view, the next activation restores the normal view.
  const std::u16string l = h.paarix.Zustand().Loesung;
  h.paarix.Spiel_KeyPress(u'v');
  h.paarix.Spiel_Routing(static_cast<int16_t>(l.find(l[0], 1)));
  for (char16_t c = u'a'; c <= u'f'; ++c) {
    if (c != l[0])
      h.paarix.Spiel_Routing(static_cast<int16_t>(l.find(c))), h.paarix.Spiel_Routing(static_cast<int16_t>(l.rfind(c)));
  }
  ASSERT_EQ(std::tuple(h.Feld(), h.paarix.AktuelleAnsicht()), std::tuple(u"Spielschluss  f", Ansicht::Vollbild));
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(std::tuple(h.Sichtbar(), h.tk.caption, h.tk.focus), std::tuple(kNormal, titel, Control::CmdNeu));
}

// Every cause of closing saves once; a close during a cue waits for the handler; logging
// off saves at once; an unwritable file is reported and the program goes on.
TEST(Schliessen, EveryCauseSavesOnce) {
  for (int weg = 0; weg < 4; ++weg) {
    SCOPED_TRACE(weg);
    Harness h("0,0,5\r\n");
    h.tk.select(Control::LstBrl, 1), h.tk.select(Control::LstAnzahl, 2);
    if (weg == 0) {
      EXPECT_TRUE(h.paarix.Form_QueryUnload());
    } else if (weg == 1) {
      h.paarix.SessionEnding();
    }
    if (weg >= 2) {  // the quit button, or a close while the first card's cue plays
      h.paarix.CmdNeu_Click();
      h.tk.duringCue = {[&] { EXPECT_FALSE(h.paarix.Form_QueryUnload()); },
                        [&] {
                          if (weg == 3) h.paarix.SessionEnding();
                        }};
      if (weg == 2) h.paarix.CmdEnde_Click();
      h.paarix.Spiel_KeyPress(u' ');
      EXPECT_EQ(h.Datei(), weg == 3 ? "1,2,5\r\n" : "0,0,5\r\n");
      EXPECT_EQ(h.tk.Count("close"), weg == 2 ? 2 : 1);
      EXPECT_EQ(h.tk.log.back(), "close");
      EXPECT_TRUE(h.paarix.Form_QueryUnload());
    }
    EXPECT_EQ(std::tuple(h.Datei(), h.paarix.Gespeichert()), std::tuple("1,2,5\r\n", std::optional(true)));
    std::ofstream(h.ini, std::ios::binary) << "x";
    EXPECT_TRUE(h.paarix.Form_QueryUnload());
    h.paarix.SessionEnding();
    EXPECT_EQ(h.Datei(), "x");
  }
  Harness h;
  fs::remove(h.ini), fs::create_directory(h.ini);
  EXPECT_TRUE(h.paarix.Form_QueryUnload());
  EXPECT_EQ(std::tuple(h.paarix.Gespeichert(), fs::is_directory(h.ini)), std::tuple(std::optional(false), true));
}

// Handlers arriving during a cue run afterwards, in order, each alone.
TEST(Eingabe, WhatArrivesDuringACueRunsAfterwardsInOrder) {
  Harness h;
  h.Beispiel();
  h.paarix.CmdNeu_Click();
  std::vector<std::u16string> felder;
  h.tk.duringCue = {[&] {
    EXPECT_TRUE(h.paarix.busy());
    h.paarix.Spiel_Routing(6);  // the pair: its cue brings the next arrival
    h.paarix.Spiel_KeyPress(u'v');
    h.paarix.CmdInfo_Click();
    felder.push_back(h.Feld());
  }};
  h.paarix.Spiel_KeyPress(u' ');
  EXPECT_EQ(felder, std::vector<std::u16string>{u"a...........  -"});
  EXPECT_EQ(std::tuple(h.Cues(), h.Feld(), h.paarix.AktuelleAnsicht(), h.tk.handlersDoneCalls),
            std::tuple(std::vector{9, 11, 9}, u"-.....-.....  a", Ansicht::Hilfe, 2));
  EXPECT_FALSE(h.paarix.busy());

  h.paarix.Info_KeyPress(u'x');
  h.tk.duringCue = {[&] {
    h.paarix.Spiel_Routing(2);
    h.tk.duringCue = {[&] { h.paarix.Spiel_Routing(3); }};  // arrives during the cue of the handler that waited
  }};
  h.paarix.Spiel_Routing(7);
  EXPECT_EQ(std::tuple(h.Cues(), h.Feld(), h.paarix.Zustand().Zug),
            std::tuple(std::vector{9, 11, 9, 9, 16}, u"-.....-.....  a", Zugphase::ErsteKarte));
}

}  // namespace
}  // namespace paarix::test
