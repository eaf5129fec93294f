#include <gtest/gtest.h>

#include "FakeFenster.h"
#include "Spielzustand.h"

namespace paarix::test {
namespace {

struct Tisch {
  FakeFenster fenster;
  FakeTongeber ton{fenster};
  SkriptZufall zufall;
  Spielzustand spiel{fenster, ton, zufall};

  // The window's start-up: card count and players, a fresh field, nothing dealt.
  Tisch(int16_t brl, int16_t anzahl) {
    fenster.lstBrl = brl;
    fenster.lstAnzahl = anzahl;
    spiel.Kartenzahl = KartenzahlFuerIndex(brl, 0);
    spiel.SpielerzahlSetzen();
    spiel.AktSpieler = 1;
    fenster.feld = spiel.FeldText();
  }
  void Aktiviere(int16_t caret) {
    fenster.caret = caret;
    spiel.KarteAktivieren();
  }
};

TEST(Beispiel, WorkedExampleTwelveCardsTwoPlayers) {
  Tisch t(0, 1);
  t.spiel.NeuesSpiel();
  t.spiel.Loesung = u"abcdefabcdef";
  EXPECT_EQ(t.fenster.feld, U("............  --"));

  t.Aktiviere(0);
  EXPECT_EQ(t.fenster.feld, U("a...........  --"));
  EXPECT_EQ(t.ton.cues.back(), 9);
  EXPECT_EQ(t.spiel.Zug, 1);

  t.Aktiviere(7);
  EXPECT_EQ(t.fenster.feld, U("a......b....  --"));
  EXPECT_EQ(t.ton.cues.back(), 16);
  EXPECT_EQ(t.spiel.Zug, 2);

  const size_t cuesVorher = t.ton.cues.size();
  t.Aktiviere(3);
  EXPECT_EQ(t.fenster.feld, U("............  --"));
  EXPECT_EQ(t.ton.cues.size(), cuesVorher);
  EXPECT_EQ(t.spiel.Zug, 0);
  EXPECT_EQ(t.spiel.AktSpieler, 2);

  t.Aktiviere(0);
  t.Aktiviere(6);
  EXPECT_EQ(t.ton.cues.back(), 11);
  EXPECT_EQ(t.ton.feldBeimTon.back(), U("a.....a.....  --")) << "both letters show while the pair cue plays";
  EXPECT_EQ(t.fenster.feld, U("-.....-.....  -a"));
  EXPECT_EQ(t.spiel.Zug, 0);
  EXPECT_EQ(t.spiel.AktSpieler, 2);

  t.Aktiviere(0);
  EXPECT_EQ(t.ton.cues.back(), 8);
  EXPECT_EQ(t.fenster.feld, U("-.....-.....  -a"));
  EXPECT_EQ(t.spiel.Zug, 0);
}

}  // namespace
}  // namespace paarix::test
