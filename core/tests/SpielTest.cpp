#include "Tisch.h"

namespace paarix::test {
namespace {

// The rules, one activation at a time: field, cues, what shows during a card's cue, phase,
// player and points; the deal (made by the first activation if none was) never changes.
struct Regeln {
  Tisch& t;
  const int k = t.spiel.Kartenzahl, n = t.lstAnzahl + 1;
  int spieler = 1, zug = 0, paare = 0, erste = 0;
  std::u16string loesung = t.spiel.Loesung;
  std::array<int16_t, 4> punkte{};

  void Aktiviere(int pos) {
    const std::u16string vorher = t.feld;
    auto cues = t.cues;
    t.Aktiviere(pos);
    if (loesung.empty()) ErwarteAusgeteilt(t.spiel, k), loesung = t.spiel.Loesung;
    std::u16string erwartet = vorher, gedreht;
    if (zug == 2) {  // the unequal pair turns back wherever the caret stands
      std::replace_if(
          erwartet.begin(), erwartet.begin() + k, [](char16_t c) { return c != u'-'; }, u'.');
      spieler = spieler % n + 1, zug = 0;
    } else if (pos < 0 || pos >= static_cast<int>(vorher.size()) || vorher[pos] != u'.') {
      cues.push_back(8);
    } else if (gedreht = erwartet.replace(pos, 1, 1, loesung[pos]); zug == 0) {
      cues.push_back(9), zug = 1, erste = pos;
    } else if (loesung[erste] != loesung[pos]) {
      cues.push_back(16), zug = 2;
    } else {
      erwartet[erste] = erwartet[pos] = u'-';
      ++punkte[spieler - 1];
      cues.push_back(11), zug = ++paare == k / 2 ? 14 : 0;
      erwartet =
          zug == 14 ? u"Spielschluss  " + Punktzeichen(punkte, n) : erwartet.replace(k + 2, n, Punktzeichen(punkte, n));
    }
    ASSERT_EQ(std::tuple(t.feld, t.cues, t.spiel.Zug, t.spiel.AktSpieler, t.spiel.Punkte, t.spiel.Loesung),
              std::tuple(erwartet, cues, zug, spieler, punkte, loesung))
        << "at " << pos;
    ASSERT_TRUE(gedreht.empty() || t.beimTon.back() == gedreht) << "the card shows before its cue";
  }
};

// 12 cards, two players, abcdefabcdef: misses, pairs, a refusal, player 2 takes the last pairs.
constexpr int kBeispiel[] = {0, 7, 3, 0, 6, 0, 1, 7, 2, 8, 3, 9, 4, 11, 15, 10, 5, 0, 4, 10, 5, 11};
void SpieleBeispiel(Tisch& t, size_t schritte) {
  t.zufall.Skript(Werte({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 12));
  t.spiel.NeuesSpiel();
  ASSERT_EQ(t.feld, u"............  --");
  Regeln regeln{t};
  for (size_t i = 0; i < schritte; ++i) ASSERT_NO_FATAL_FAILURE(regeln.Aktiviere(kBeispiel[i])) << "step " << i;
}

// Random games of every size for one to four players, with refusals; after the end the next
// activation sends the focus to "Neues Spiel" and changes nothing else.
TEST(Spiel, WholeGamesKeepTheRulesAtEveryActivation) {
  for (int fall = 0; fall < 36; ++fall) {
    const int16_t brl = fall % 3, anzahl = fall / 3 % 4;
    const unsigned glueck =
        std::array{0u, 2u, 6u}[fall / 12];  // in how many of 8 second cards the player knows the pair
    SCOPED_TRACE(testing::Message() << "brl " << brl << ", players " << anzahl + 1 << ", luck " << glueck);
    Tisch t(brl, anzahl, 1u + brl * 100u + anzahl * 10u + glueck);
    Regeln r{t};
    for (int schritt = 0; r.zug != 14; ++schritt) {
      ASSERT_LT(schritt, 20000) << "the game does not end";
      int pos = static_cast<int>(t.rng() % (t.feld.size() + 3)) - 1;  // any cell or none
      if (r.zug < 2 && t.rng() % 8 != 0) do
          pos = static_cast<int>(t.rng() % r.k);
        while (t.feld[pos] != u'.');
      if (r.zug == 1 && t.rng() % 8 < glueck)
        for (pos = 0; pos == r.erste || r.loesung[pos] != r.loesung[r.erste];) ++pos;
      ASSERT_NO_FATAL_FAILURE(r.Aktiviere(pos)) << "activation " << schritt;
    }
    const auto ende = std::tuple(t.feld, t.cues, std::string("CmdNeu"), int16_t{15}, 1);
    t.Aktiviere(static_cast<int>(t.rng() % 20));
    EXPECT_EQ(std::tuple(t.feld, t.cues, t.fokus, t.spiel.Zug, t.zufall.saaten), ende);
  }
}

// Every restart in each phase of the example: a fresh field; only "Neues Spiel" clears the
// points and gives player 1 the turn; only the two dealing restarts deal; each list restart
// takes only its own list's value. The new round plays out.
TEST(Spiel, WorkedExampleAndWhatEachRestartClearsAndKeeps) {
  for (int fall = 0; fall < 12; ++fall) {
    const int lage = fall / 3, neustart = fall % 3, k = neustart == 2 ? 32 : 12, n = neustart == 1 ? 1 : 2;
    const bool neu = neustart == 0;
    SCOPED_TRACE(testing::Message() << "situation " << lage << ", restart " << neustart);
    Tisch t(0, 1);
    SpieleBeispiel(t, std::array<size_t, 4>{7, 14, 22, 22}[lage]);
    if (lage == 2) {  // while the pair cue plays both letters show, the last pair's too
      EXPECT_EQ(t.cues, (std::vector<int16_t>{9, 16, 9, 11, 8, 9, 11, 9, 11, 9, 11, 9, 16, 9, 16, 9, 11, 9, 11}));
      EXPECT_EQ(std::tuple(t.feld, t.beimTon[3], t.beimTon.back()),
                std::tuple(u"Spielschluss  -f", u"a.....a.....  --", u"-----f-----f  -e"));
      EXPECT_EQ(t.spiel.Punkte, (std::array<int16_t, 4>{0, 6, 0, 0}));
    }
    if (lage == 3) t.Aktiviere(0);  // after the end
    const auto punkte = std::tuple(t.spiel.Punkte, t.spiel.PunktZeichen);
    const auto [loesung, saaten] = std::pair(t.spiel.Loesung, t.zufall.saaten);
    t.lstBrl = 1, t.lstAnzahl = 0, t.fokus.clear();
    (t.spiel.*std::array{&Spielzustand::NeuesSpiel, &Spielzustand::SpielerzahlSetzen,
                         &Spielzustand::BrlGroesseUebernehmen}[neustart])();
    EXPECT_EQ(t.feld, std::u16string(k, u'.') + u"  " + std::u16string(n, u'-'));
    EXPECT_TRUE(t.spiel.Zug == 0 && t.spiel.Pos1 == 0 && t.spiel.Pos2 == 0 && t.spiel.Karte1 + t.spiel.Karte2 == u"");
    EXPECT_EQ(std::tuple(t.spiel.Kartenzahl, t.spiel.Spielerzahl, t.zufall.saaten),
              std::tuple(k, n, saaten + (neustart != 1)));
    ErwarteAusgeteilt(t.spiel, k);
    EXPECT_EQ(t.spiel.Loesung == loesung, neustart == 1);
    EXPECT_EQ(std::tuple(t.spiel.Punkte, t.spiel.PunktZeichen), neu ? decltype(punkte){} : punkte);
    EXPECT_EQ(std::tuple(t.spiel.AktSpieler, t.fokus), std::tuple(neu ? 1 : 2, std::string(neu ? "Spiel" : "")));
    auto ziel = t.spiel.Punkte;
    ziel[t.spiel.AktSpieler - 1] = static_cast<int16_t>(ziel[t.spiel.AktSpieler - 1] + k / 2);
    t.SpieleAllePaare();
    EXPECT_EQ(t.feld, u"Spielschluss  " + Punktzeichen(ziel, n));
  }
}

// The phase counter and the points stop at their limits; points carried across a new deal
// go on past "z"; the score keeps its one cell.
TEST(Spiel, CountersAtTheirLimits) {
  Tisch t(2, 1);
  t.spiel.NeuesSpiel(), t.SpieleAllePaare();
  ASSERT_EQ(t.feld, u"Spielschluss  z-");
  t.spiel.Zug = 32766;
  for (int pos : {0, -1, 99}) t.Aktiviere(pos);
  EXPECT_EQ(t.spiel.Zug, 32767);
  t.spiel.BrlGroesseUebernehmen();
  const std::u16string l = t.spiel.Loesung;
  const auto paar = [&](char16_t c) {
    return t.Aktiviere(int(l.find(c))), t.Aktiviere(int(l.rfind(c))), t.feld.substr(52);
  };
  EXPECT_EQ(paar(u'a'), u"  {-");
  t.spiel.Punkte[0] = 32766, paar(u'b');
  EXPECT_EQ(paar(u'c'), u"  \u00FF-");
  EXPECT_EQ(t.spiel.Punkte[0], 32767);
  const std::pair<int16_t, char16_t> zeichen[] = {{-5, u'-'},      {0, u'-'},        {1, u'a'},
                                                  {26, u'z'},      {27, u'{'},       {30, u'~'},
                                                  {31, u'\u00A1'}, {125, u'\u00FF'}, {126, u'\u00FF'}};
  for (auto [punkte, z] : zeichen) EXPECT_EQ(PunktZeichenFuer(punkte), z) << punkte;
  // Every score a display must show: one printable character, never a control character or a blank.
  for (int p = 1; p <= 32767; ++p)
    ASSERT_TRUE(PunktZeichenFuer(int16_t(p)) < 127 || PunktZeichenFuer(int16_t(p)) > 160) << p;
}

}  // namespace
}  // namespace paarix::test
