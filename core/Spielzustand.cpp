#include "Spielzustand.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "SaturatingAdd.h"

namespace paarix {

namespace {

bool DarfMischen(int16_t kartenzahl) { return kartenzahl >= 2 && kartenzahl <= 52 && kartenzahl % 2 == 0; }

// Overwrites characters from the 0-based position `ab` on, never past the end of
// `text`.
void Ueberschreiben(std::u16string& text, size_t ab, const std::u16string& neu) {
  for (size_t i = 0; i < neu.size() && ab + i < text.size(); ++i) text[ab + i] = neu[i];
}

void ZeichenSetzen(std::u16string& text, int16_t pos1, char16_t zeichen) {
  if (pos1 >= 1 && static_cast<size_t>(pos1) <= text.size()) text[pos1 - 1] = zeichen;
}

}  // namespace

int16_t KartenzahlFuerIndex(int16_t index, int16_t bisher) {
  switch (index) {
    case 0: return 12;
    case 1: return 32;
    case 2: return 52;
    default: return bisher;
  }
}

char16_t PunktZeichenFuer(int16_t punkte) {
  if (punkte < 1) return u'-';
  if (punkte <= 30) return static_cast<char16_t>(96 + punkte);
  if (punkte <= 125) return static_cast<char16_t>(130 + punkte);
  return u'\u00FF';
}

Spielzustand::Spielzustand(Fenster& fenster, Tongeber& tongeber, Zufallsquelle& zufall)
    : fenster_(fenster), tongeber_(tongeber), zufall_(zufall) {}

std::u16string Spielzustand::FeldText() const {
  std::u16string text(static_cast<size_t>(std::max<int16_t>(Kartenzahl, 0)), u'.');
  text += u"  ";
  text.append(static_cast<size_t>(std::max<int16_t>(Spielerzahl, 0)), u'-');
  return text;
}

void Spielzustand::ZugLeeren() {
  Zug = Zugphase::ErsteKarte;
  Karte1.clear();
  Pos1 = 0;
  Karte2.clear();
  Pos2 = 0;
}

void Spielzustand::NeuesSpiel() {
  ZugLeeren();
  Punkte.fill(0);
  for (auto& zeichen : PunktZeichen) zeichen.clear();
  AktSpieler = 1;
  KartenMischen();
  fenster_.SpielSchreiben(FeldText());
  fenster_.FokusSpiel();
}

void Spielzustand::SpielerzahlSetzen() {
  const int16_t index = fenster_.LstAnzahlIndex();
  // The list has exactly four entries; with none selected the count stays.
  if (index >= 0 && index <= 3) Spielerzahl = saturatingAdd(index, 1);
  fenster_.SpielSchreiben(FeldText());
  ZugLeeren();
}

void Spielzustand::BrlGroesseSetzen() { Kartenzahl = KartenzahlFuerIndex(fenster_.LstBrlIndex(), Kartenzahl); }

void Spielzustand::BrlGroesseUebernehmen() {
  BrlGroesseSetzen();
  KartenMischen();
  fenster_.SpielSchreiben(FeldText());
  ZugLeeren();
}

void Spielzustand::KartenMischen() {
  // Clear.
  Karten.fill(0);
  zufall_.NeuSaeen();
  Loesung.clear();
  std::string gezogen;  // the record of drawn values, each as " <digits> "
  int16_t s = 1;
  if (!DarfMischen(Kartenzahl)) return;

  // Draw until every value 1..Kartenzahl has been taken once.
  while (s != Kartenzahl + 1) {
    const float r = zufall_.Naechste();
    const double kandidat = std::floor(static_cast<double>(Kartenzahl) * static_cast<double>(r) + 1.0);
    // Only a broken source could leave the range; such a value is drawn again.
    if (!(kandidat >= 1.0 && kandidat <= Kartenzahl)) continue;
    const auto v = static_cast<int16_t>(kandidat);
    const std::string marke = " " + std::to_string(v) + " ";
    if (gezogen.find(marke) != std::string::npos) continue;
    gezogen += marke;
    Karten[s] = v;
    s = saturatingAdd(s, 1);
  }

  // Letters: v and v + Kartenzahl/2 give the same letter.
  const int16_t haelfte = Kartenzahl / 2;
  for (int16_t i = 1; i <= Kartenzahl; ++i) {
    const int16_t v = Karten[i];
    const int code = (v < static_cast<double>(Kartenzahl) / 2.0 + 1.0) ? v + 96 : v - haelfte + 96;
    Loesung += static_cast<char16_t>(code);
  }
}

std::u16string Spielzustand::BuchstabeAn(int16_t pos0) const {
  if (pos0 < 0 || static_cast<size_t>(pos0) >= Loesung.size()) return {};
  return Loesung.substr(static_cast<size_t>(pos0), 1);
}

std::u16string Spielzustand::PunktText() const {
  std::u16string text;
  for (const auto& zeichen : PunktZeichen) text += zeichen;
  return text.substr(0, static_cast<size_t>(std::clamp<int16_t>(Spielerzahl, 0, 4)));
}

void Spielzustand::PunktErhoehen() {
  if (AktSpieler < 1 || AktSpieler > 4) AktSpieler = 1;
  auto& punkte = Punkte[static_cast<size_t>(AktSpieler - 1)];
  punkte = saturatingAdd(punkte, 1);
  PunktZeichen[static_cast<size_t>(AktSpieler - 1)] = std::u16string(1, PunktZeichenFuer(punkte));
  for (auto& zeichen : PunktZeichen) {
    if (zeichen.empty()) zeichen = u"-";
  }
}

void Spielzustand::KarteAktivieren() {
  CursorPos = fenster_.CaretPos();
  KarteWaehlen();
}

void Spielzustand::KarteWaehlen() {
  // A card activated before anything was dealt would never find its pair, and the
  // game could never end: deal first with the current card count.
  if (Loesung.size() != static_cast<size_t>(std::max<int16_t>(Kartenzahl, 0)) && DarfMischen(Kartenzahl)) {
    KartenMischen();
  }

  SpielText = fenster_.SpielLesen();
  if (Zug == Zugphase::Spielschluss) fenster_.FokusCmdNeu();

  if (Zug < Zugphase::UngleichesPaar) {
    const std::u16string feld = fenster_.SpielLesen();
    const bool imFeld = CursorPos >= 0 && static_cast<size_t>(CursorPos) < feld.size();
    const char16_t c = imFeld ? feld[static_cast<size_t>(CursorPos)] : u'\0';
    // A matched card, a face-up card, a blank, a score cell or no cell at all.
    if (c != u'.') {
      tongeber_.Ton(Cue::Abgelehnt);
      return;
    }
    std::u16string buchstabe = BuchstabeAn(CursorPos);
    if (buchstabe.empty()) buchstabe = u"?";  // nothing dealt for this cell
    std::u16string gedreht = feld;
    gedreht.replace(static_cast<size_t>(CursorPos), 1, buchstabe);
    fenster_.SpielSchreiben(gedreht);
    fenster_.SelLaengeNull();
    fenster_.SpielZeichnen();
  }

  if (Zug == Zugphase::ErsteKarte) {
    Karte1 = BuchstabeAn(CursorPos);
    Pos1 = saturatingAdd(CursorPos, 1);
    tongeber_.Ton(Cue::ErsteKarte);
    Zug = Zugphase::ZweiteKarte;
  } else if (Zug == Zugphase::ZweiteKarte) {
    Karte2 = BuchstabeAn(CursorPos);
    Pos2 = saturatingAdd(CursorPos, 1);
    VerdecktText = SpielText;
    ZeichenSetzen(VerdecktText, Pos1, u'.');
    ZeichenSetzen(VerdecktText, Pos2, u'.');
    const bool paar = !Karte1.empty() && Karte2 == Karte1 && !Karte2.empty();
    if (paar) {
      tongeber_.Ton(Cue::Paar);
      ZeichenSetzen(SpielText, Pos1, u'-');
      ZeichenSetzen(SpielText, Pos2, u'-');
      PunktErhoehen();
      const std::u16string punktText = PunktText();
      Ueberschreiben(SpielText, static_cast<size_t>(Kartenzahl) + 2, punktText);
      fenster_.SpielSchreiben(SpielText);
      const auto karten = static_cast<size_t>(std::max<int16_t>(Kartenzahl, 0));
      const bool alleGefunden = SpielText.size() >= karten &&
                                std::all_of(SpielText.begin(), SpielText.begin() + static_cast<std::ptrdiff_t>(karten),
                                            [](char16_t z) { return z == u'-'; });
      if (alleGefunden) {
        SpielText = std::u16string(SpielschlussText) + punktText;
        fenster_.SpielSchreiben(SpielText);
        Zug = Zugphase::Spielschluss;
      } else {
        Zug = Zugphase::ErsteKarte;
      }
    } else {
      if (!Karte1.empty()) tongeber_.Ton(Cue::Ungleich);
      Zug = Zugphase::UngleichesPaar;
    }
  } else if (Zug == Zugphase::UngleichesPaar) {
    SpielText = VerdecktText;
    ZugLeeren();
    AktSpieler = saturatingAdd(AktSpieler, 1);
    if (AktSpieler > Spielerzahl) AktSpieler = 1;
    fenster_.SpielSchreiben(SpielText);
  } else if (Zug >= Zugphase::Spielschluss) {
    Zug = saturatingAdd(Zug, 1);
  }
}

}  // namespace paarix
