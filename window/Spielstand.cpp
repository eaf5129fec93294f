#include "Spielstand.h"

#include <algorithm>
#include <vector>

namespace paarix {

namespace {

constexpr std::u16string_view kTrenner = u" · ";

std::u16string Zahl(int zahl) {
  const std::string ziffern = std::to_string(zahl);
  return std::u16string(ziffern.begin(), ziffern.end());
}

// The players the game has now, 1..4.
size_t Anzahl(int16_t spielerzahl) { return static_cast<size_t>(std::clamp<int16_t>(spielerzahl, 1, 4)); }

}  // namespace

int16_t SpielerAmZug(const Spielzustand& spiel) {
  return spiel.AktSpieler >= 1 && spiel.AktSpieler <= 4 ? spiel.AktSpieler : int16_t{1};
}

int16_t PaareUebrig(const Spielzustand& spiel, std::u16string_view feld) {
  if (feld.starts_with(SpielschlussText)) return 0;
  const size_t zellen = std::min(feld.size(), static_cast<size_t>(std::max<int16_t>(spiel.Kartenzahl, 0)));
  const auto karten = std::count_if(feld.begin(), feld.begin() + static_cast<std::ptrdiff_t>(zellen),
                                    [](char16_t zeichen) { return zeichen != u'-'; });
  return static_cast<int16_t>(karten / 2);
}

bool SpielIstAus(std::u16string_view feld) { return feld.starts_with(SpielschlussText); }

std::u16string SpielerText(int16_t nummer) { return u"Spieler " + Zahl(nummer); }

std::u16string PaareText(int16_t paare) { return Zahl(paare) + (paare == 1 ? u" Paar" : u" Paare"); }

std::u16string Punktstand(const std::array<int16_t, 4>& punkte, int16_t spielerzahl) {
  std::u16string text;
  for (size_t i = 0; i < Anzahl(spielerzahl); ++i) {
    if (i > 0) text += u" : ";
    text += Zahl(punkte[i]);
  }
  return text;
}

std::u16string Gewinner(const std::array<int16_t, 4>& punkte, int16_t spielerzahl) {
  const auto ende = punkte.begin() + static_cast<std::ptrdiff_t>(Anzahl(spielerzahl));
  const int16_t meiste = *std::max_element(punkte.begin(), ende);
  std::vector<std::u16string> gewinner;
  for (auto p = punkte.begin(); p != ende; ++p) {
    if (*p == meiste) gewinner.push_back(Zahl(static_cast<int>(p - punkte.begin()) + 1));
  }
  if (gewinner.size() == 1) return u"Spieler " + gewinner.front() + u" gewinnt";
  std::u16string text = u"Spieler ";
  for (size_t i = 0; i + 1 < gewinner.size(); ++i) text += (i > 0 ? u", " : u"") + gewinner[i];
  return text + u" und " + gewinner.back() + u" gewinnen";
}

std::u16string StatuszeilenText(const Spielzustand& spiel, std::u16string_view feld) {
  const bool einSpieler = Anzahl(spiel.Spielerzahl) == 1;
  if (SpielIstAus(feld)) {
    std::u16string text = u"Spielschluss";
    text += kTrenner;
    if (einSpieler) return text + PaareText(spiel.Punkte[0]);
    return text + Gewinner(spiel.Punkte, spiel.Spielerzahl) + std::u16string(kTrenner) +
           Punktstand(spiel.Punkte, spiel.Spielerzahl);
  }
  std::u16string text = SpielerText(SpielerAmZug(spiel)) + u" ist dran";
  text += kTrenner;
  text += Punktstand(spiel.Punkte, spiel.Spielerzahl);
  text += kTrenner;
  return text + u"noch " + PaareText(PaareUebrig(spiel, feld));
}

}  // namespace paarix
