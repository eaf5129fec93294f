#include <gtest/gtest.h>

#include "Tisch.h"

namespace paarix::test {
namespace {

// 12 cards, two players, the deal abcdefabcdef: a miss, a pair, a refusal, and
// play on to the last pair with 2 points against 4.
TEST(Beispiel, TwelveCardsTwoPlayersFromFirstCardToGameOver) {
  Tisch t(0, 1);
  t.zufall.Skript(ValuesFor({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
  t.spiel.NeuesSpiel();
  ASSERT_EQ(t.spiel.Loesung, U("abcdefabcdef"));
  EXPECT_EQ(t.fenster.feld, U("............  --"));

  struct Schritt {
    int caret;
    std::string feld;
    int cue;  // 0: no cue
    int zug;
    int spieler;
  };
  const Schritt schritte[] = {
      {0, "a...........  --", 9, 1, 1},  {7, "a......b....  --", 16, 2, 1}, {3, "............  --", 0, 0, 2},
      {0, "a...........  --", 9, 1, 2},  {6, "-.....-.....  -a", 11, 0, 2}, {0, "-.....-.....  -a", 8, 0, 2},
      // Player 2 goes on: b, c and d, then a miss passes the turn.
      {1, "-b....-.....  -a", 9, 1, 2},  {7, "--....--....  -b", 11, 0, 2}, {2, "--c...--....  -b", 9, 1, 2},
      {8, "---...---...  -c", 11, 0, 2}, {3, "---d..---...  -c", 9, 1, 2},  {9, "----..----..  -d", 11, 0, 2},
      {4, "----e.----..  -d", 9, 1, 2},  {11, "----e.----.f  -d", 16, 2, 2}, {15, "----..----..  -d", 0, 0, 1},
      // Player 1 finds e and then the last pair.
      {10, "----..----e.  -d", 9, 1, 1}, {4, "-----.-----.  ad", 11, 0, 1}, {5, "-----f-----.  ad", 9, 1, 1},
      {11, "Spielschluss  bd", 11, 14, 1},
  };
  for (const auto& s : schritte) {
    SCOPED_TRACE(s.feld);
    const size_t cues = t.ton.cues.size();
    t.Aktiviere(s.caret);
    EXPECT_EQ(t.fenster.feld, U(s.feld));
    ASSERT_EQ(t.ton.cues.size(), cues + (s.cue != 0 ? 1 : 0));
    if (s.cue != 0) {
      EXPECT_EQ(t.ton.cues.back(), s.cue);
    }
    EXPECT_EQ(t.spiel.Zug, s.zug);
    EXPECT_EQ(t.spiel.AktSpieler, s.spieler);
  }
  // While the pair cue plays both letters show; the last one too.
  EXPECT_EQ(t.ton.feldBeimTon[3], U("a.....a.....  --"));
  EXPECT_EQ(t.ton.feldBeimTon.back(), U("-----f-----f  ad"));
  EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{2, 4, 0, 0}));
}

}  // namespace
}  // namespace paarix::test
