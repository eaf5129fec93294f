#include <cmath>
#include <limits>
#include <map>

#include "FakeFenster.h"

namespace paarix::test {
namespace {

// The ends of the random range; 12 does not block 1 or 2; repeats and broken values are drawn
// again; every deal starts afresh, re-seeded, with the card count of the moment (kept when
// the Braille list has no selection); a count the deal cannot use only clears.
TEST(Mischen, SuccessiveDeals) {
  const float highest = unitFromBits(0xFFFFFFFFu);
  EXPECT_EQ(highest, 1.0f - 1.0f / 16777216.0f);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    int16_t k;
    std::vector<float> script;
    std::vector<int16_t> firstDrawn;  // the first cards drawn
  } cases[] = {{12, {highest, 0.0f}, {12, 1}},
               {32, {highest, 0.0f}, {32, 1}},
               {52, {highest, 0.0f}, {52, 1}},
               {12, drawValues({12, 1, 12, 2, 10, 1, 11, 2, 12, 3}, 12), {12, 1, 2, 10, 11, 3}},
               {12, {1.0f, 1.5f, -0.01f, nan, inf, -inf, 0.5f}, {7}}};
  FakeFenster t(0, 0);
  int seedings = 0;
  for (const auto& f : cases) {
    t.spiel.Kartenzahl = f.k;
    t.zufall.Skript(f.script);
    t.spiel.KartenMischen();
    const std::vector<int16_t> drawn(&t.spiel.Karten[1], &t.spiel.Karten[1 + f.firstDrawn.size()]);
    EXPECT_EQ(drawn, f.firstDrawn) << f.k;
    EXPECT_EQ(t.zufall.saaten, ++seedings);
    expectDealt(t.spiel, f.k);
  }
  for (int16_t brl : {2, 0, -1, 1, 2, 0}) {
    const int16_t k = KartenzahlFuerIndex(brl, t.spiel.Kartenzahl);
    t.lstBrl = brl;
    t.spiel.BrlGroesseUebernehmen();
    EXPECT_EQ(t.zufall.saaten, ++seedings);
    EXPECT_EQ(t.spiel.Kartenzahl, k);
    expectDealt(t.spiel, k);
  }
  for (int16_t k : {0, 1, 13, 54, -2}) {
    t.spiel.Kartenzahl = k;
    t.spiel.KartenMischen();
    EXPECT_EQ(t.zufall.saaten, ++seedings);
    EXPECT_EQ(t.spiel.Loesung, u"");
    EXPECT_EQ(t.spiel.Karten, (std::array<int16_t, 53>{}));
  }
  UhrZufall clock;
  clock.NeuSaeen();
  for (int i = 0; i < 100000; ++i) ASSERT_LT(clock.Naechste(), 1.0f);
}

// All 24 orders of four cards are equally likely: chi-square (23 degrees of freedom) below
// its mean + 6 standard deviations, with a fixed seed.
TEST(Mischen, DealsAreUniform) {
  FakeFenster t(0, 0, 20120227);
  t.spiel.Kartenzahl = 4;
  std::map<std::array<int16_t, 3>, int> seen;
  for (int i = 0; i < 24000; ++i) {
    t.spiel.KartenMischen();
    ++seen[{t.spiel.Karten[1], t.spiel.Karten[2], t.spiel.Karten[3]}];
  }
  double chi = (24.0 - static_cast<double>(seen.size())) * 1000;
  for (const auto& [order, n] : seen) chi += (n - 1000.0) * (n - 1000.0) / 1000;
  EXPECT_LT(chi, 23 + 6 * std::sqrt(46.0));
}

}  // namespace
}  // namespace paarix::test
