#include "Ansagen.h"

#include "SaturatingAdd.h"
#include "Spielstand.h"
#include "Tongeber.h"

namespace paarix {

namespace {

// The cell under the caret, empty when the caret is on no cell.
std::u16string ZeichenAmCaret(const Spielzustand& spiel, std::u16string_view feld) {
  if (spiel.CursorPos < 0 || static_cast<size_t>(spiel.CursorPos) >= feld.size()) return {};
  return std::u16string(1, feld[static_cast<size_t>(spiel.CursorPos)]);
}

std::u16string AnsagePaar(const Spielzustand& spiel, std::u16string_view feld) {
  const int16_t spieler = SpielerAmZug(spiel);
  std::array<int16_t, 4> punkte = spiel.Punkte;
  auto& neu = punkte[static_cast<size_t>(spieler - 1)];
  neu = saturatingAdd(neu, 1);
  const bool einSpieler = spiel.Spielerzahl <= 1;
  std::u16string text = ZeichenAmCaret(spiel, feld) + u": Paar! ";
  // The two cards of this pair are still face up: it is the last when no other is left.
  if (PaareUebrig(spiel, feld) <= 1) {
    text += u"Spielschluss. ";
    if (einSpieler) return text + PaareText(neu) + u".";
    return text + Gewinner(punkte, spiel.Spielerzahl) + u", " + Punktstand(punkte, spiel.Spielerzahl) + u".";
  }
  if (einSpieler) return text + PaareText(neu) + u".";
  return text + SpielerText(spieler) + u" hat " + PaareText(neu) + u".";
}

}  // namespace

std::u16string AnsageZumTon(int16_t cue, const Spielzustand& spiel, std::u16string_view feld) {
  switch (cue) {
    case Cue::ErsteKarte: return ZeichenAmCaret(spiel, feld);
    case Cue::Paar: return AnsagePaar(spiel, feld);
    case Cue::Ungleich: return ZeichenAmCaret(spiel, feld) + u": kein Paar.";
    case Cue::Abgelehnt: return AnsageAbgelehnt(spiel, feld);
    default: return {};
  }
}

std::u16string AnsageAbgelehnt(const Spielzustand& spiel, std::u16string_view feld) {
  const bool aufKarte =
      spiel.CursorPos >= 0 && spiel.CursorPos < spiel.Kartenzahl && static_cast<size_t>(spiel.CursorPos) < feld.size();
  if (!aufKarte || spiel.Zug >= Zugphase::Spielschluss || feld.starts_with(SpielschlussText)) return u"keine Karte";
  const char16_t karte = feld[static_cast<size_t>(spiel.CursorPos)];
  if (karte == u'-') return u"schon gefunden";
  return std::u16string(1, karte) + u" ist schon offen";
}

std::u16string AnsageVerdeckt(const Spielzustand& spiel) {
  return u"Verdeckt. " + SpielerText(SpielerAmZug(spiel)) + u" ist dran.";
}

}  // namespace paarix
