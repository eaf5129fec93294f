#include <gtest/gtest.h>

#include <map>
#include <random>

#include "Tisch.h"

namespace paarix::test {
namespace {

// A player who sees only the field. The forgetful one turns random face-down
// cards; the remembering one keeps every letter it has seen and plays known
// pairs. Both now and then activate any position, valid or not.
class Player {
 public:
  Player(bool remembers, unsigned seed) : remembers_(remembers), rng_(seed) {}

  void Look(const std::u16string& feld, int kartenzahl) {
    for (int i = 0; i < kartenzahl && i < static_cast<int>(feld.size()); ++i) {
      if (feld[i] == u'-') seen_.erase(i);
      else if (feld[i] != u'.') seen_[i] = feld[i];
    }
  }

  int Choose(const std::u16string& feld, int kartenzahl, int16_t zug) {
    if (zug >= 2 || Roll(10) == 0) return Roll(static_cast<int>(feld.size()) + 3) - 1;
    std::vector<int> down, unknown;
    for (int i = 0; i < kartenzahl; ++i) {
      if (feld[i] != u'.') continue;
      down.push_back(i);
      if (!seen_.count(i)) unknown.push_back(i);
    }
    if (remembers_) {
      // A known card whose partner shows or is known too.
      for (int i : down) {
        if (!seen_.count(i)) continue;
        for (int j = 0; j < kartenzahl; ++j) {
          const bool partner = zug == 1 ? feld[j] == seen_[i] : j != i && feld[j] == u'.' && seen_.count(j) && seen_[j] == seen_[i];
          if (partner) return i;
        }
      }
    }
    const auto& from = unknown.empty() ? down : unknown;
    return from[Roll(static_cast<int>(from.size()))];
  }

 private:
  int Roll(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool remembers_;
  std::mt19937 rng_;
  std::map<int, char16_t> seen_;
};

struct Game {
  int16_t brl;
  int16_t anzahl;
  bool remembers;
};

// Plays a whole game from a fresh field and checks every activation against the
// rules: the whole field text, the cue and what was painted while it sounded,
// the phase, whose turn it is, the points. The game must end exactly with the
// last pair.
void PlayAndCheck(const Game& g) {
  const unsigned seed = 1000u + g.brl * 100u + g.anzahl * 10u + (g.remembers ? 1u : 0u);
  Tisch t(g.brl, g.anzahl, seed);
  Player player(g.remembers, seed);
  t.spiel.NeuesSpiel();
  const int k = t.spiel.Kartenzahl;
  const int n = g.anzahl + 1;
  const std::u16string loesung = t.spiel.Loesung;
  ASSERT_TRUE(IsDeal(loesung, k));
  ASSERT_EQ(t.fenster.feld, std::u16string(k, u'.') + u"  " + std::u16string(n, u'-'));

  std::array<int16_t, 4> punkte{};
  int spieler = 1, pairs = 0, activations = 0, zug = 0;
  while (zug < 14) {
    ASSERT_LT(++activations, 100000) << "the game does not end";
    const std::u16string vorher = t.fenster.feld;
    const int pos = player.Choose(vorher, k, t.spiel.Zug);
    const size_t cues = t.ton.cues.size();
    const int selNull = t.fenster.selLaengeNull;
    t.Aktiviere(pos);

    const bool karte = pos >= 0 && pos < static_cast<int>(vorher.size()) && vorher[pos] == u'.';
    std::u16string erwartet = vorher;
    std::u16string gedreht;  // the field with the card turned, painted before its cue
    int cue = 0;
    if (zug == 2) {
      for (int i = 0; i < k; ++i) {
        if (erwartet[i] != u'-') erwartet[i] = u'.';
      }
      spieler = spieler % n + 1;
      zug = 0;
    } else if (!karte) {
      cue = 8;
    } else if (zug == 0) {
      erwartet[pos] = loesung[pos];
      gedreht = erwartet;
      cue = 9;
      zug = 1;
    } else {
      erwartet[pos] = loesung[pos];
      gedreht = erwartet;
      const auto erste = vorher.find_first_not_of(u".-");
      ASSERT_LT(erste, static_cast<size_t>(k));
      if (loesung[erste] == loesung[pos]) {
        cue = 11;
        erwartet[erste] = erwartet[pos] = u'-';
        ++punkte[spieler - 1];
        erwartet.replace(k + 2, n, ScoresFor(punkte, n));
        zug = ++pairs == k / 2 ? 14 : 0;
        if (zug == 14) erwartet = u"Spielschluss  " + ScoresFor(punkte, n);
      } else {
        cue = 16;
        zug = 2;
      }
    }

    SCOPED_TRACE(testing::Message() << "activation " << activations << " at " << pos);
    ASSERT_EQ(t.fenster.feld, erwartet);
    ASSERT_EQ(t.ton.cues.size(), cues + (cue ? 1 : 0));
    if (cue) {
      ASSERT_EQ(t.ton.cues.back(), cue);
    }
    if (!gedreht.empty()) {
      ASSERT_EQ(t.ton.angezeigtBeimTon.back(), gedreht) << "the turned card is painted before its cue";
    }
    ASSERT_EQ(t.fenster.selLaengeNull, selNull + (gedreht.empty() ? 0 : 1));
    ASSERT_EQ(t.spiel.Zug, zug);
    ASSERT_EQ(t.spiel.AktSpieler, spieler);
    ASSERT_EQ(t.spiel.Punkte, punkte);
    ASSERT_EQ(t.spiel.Loesung, loesung);
    player.Look(t.fenster.feld, k);
  }
}

TEST(GanzeSpiele, EveryCardCountAndPlayerCountWithForgetfulAndRememberingPlayers) {
  for (int16_t brl = 0; brl <= 2; ++brl) {
    for (int16_t anzahl = 0; anzahl <= 3; ++anzahl) {
      for (bool remembers : {false, true}) {
        SCOPED_TRACE(testing::Message() << "brl " << brl << ", players " << anzahl + 1 << ", remembers " << remembers);
        PlayAndCheck({brl, anzahl, remembers});
        if (HasFatalFailure()) return;
      }
    }
  }
}

}  // namespace
}  // namespace paarix::test
