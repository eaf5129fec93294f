#pragma once

#include <array>
#include <string>
#include <string_view>

#include "Layout.h"
#include "Version.h"

namespace paarix::texte {

// Every fixed text the window shows. The player hears and reads them exactly so.

inline std::u16string Titel() {
  std::u16string titel = u"Paarix Version ";
  for (const char c : std::string_view(kVersionDatum)) titel += static_cast<char16_t>(c);
  return titel + u" von den Paarix-Entwicklern";
}

// The captions of the buttons; "&" marks the access key.
constexpr std::u16string_view Caption(Control button) {
  switch (button) {
    case Control::CmdInfo: return u"Drücke Enter für die Anleitung";
    case Control::CmdNeu: return u"&Neues Spiel";
    case Control::CmdEnde: return u"Programm&ende";
    default: return {};
  }
}

// How to play by ear, for a player who hears the screen reader and has no Braille
// display: the accessible description the front ends give the status line or the field.
inline constexpr std::u16string_view SpielBeschreibung =
    u"Leertaste deckt auf. s schaltet Ansagen ein und aus, i sagt den Spielstand.";

// What the key s in the field says after switching the spoken game events.
inline constexpr std::u16string_view AnsagenAn = u"Ansagen an";
inline constexpr std::u16string_view AnsagenAus = u"Ansagen aus";

inline constexpr std::array<std::u16string_view, 3> LstBrl = {
    u"20er Braillezeile! 6 Karten für Einsteiger!",
    u"40er Braillezeile! 16 Karten Standardgröße!",
    u"70er Braillezeile! 26 Karten nur für Profis!",
};

inline constexpr std::array<std::u16string_view, 4> LstAnzahl = {u"Ein Spieler", u"Zwei Spieler", u"Drei Spieler",
                                                                 u"Vier Spieler"};

inline constexpr std::array<std::u16string_view, 21> HilfeZeilen = {
    u"Bedienung von Paarix:",
    u"Mit ESCAPE verlässt Du diesen Text.",
    u"Tab = Wähle mit den Pfeiltasten Deine Braillezeile aus!",
    u"Tab = Wähle mit den PFEILTASTEN die Anzahl der Mitspieler aus.",
    u"Tab = Du stehst im Spielfeld. Die Karten sind verdeckt.",
    u"Du findest für jede verdeckte Karte einen Punkt vor!",
    u"Einmal Routingtaste = Zeigt das Bild der verdeckten Karte.",
    u"Alternativ kannst Du mit Pfeillinks -rechts und Leertaste arbeiten!",
    u"Suche die zwei gleichen Karten. Du hast immer 2 Versuche!",
    u"Hast Du Glück, so darfst Du weiterspielen.",
    u"Anderenfalls ist jetzt Dein Mitspieler an der Reihe!",
    u"Merke Dir also unbedingt die Position der Karten!",
    u"Rechts findest Du die Punkte der Mitspieler.",
    u"Es sind die Buchstaben a - z, die für 1 bis 26 Punkte stehen!",
    u"Die erkannten Karten werden durch einen Strich gekennzeichnet!",
    u"Tab und Enter, = Ein neues Spiel beginnt.",
    u"Tab und Enter = Paarix wird beendet!",
    u"Arbeitest du mit NVDA, kann es sein, dass die Braillezeile ganz",
    u"rechts das Spielfeld anzeigt. Drück in diesem Fall den Buchstaben v,",
    u"um die Darstellung unter NVDA zu optimieren.",
    u"Zur Aufhebung der vollbild-Darstellung drücke ESCAPE!",
};

// The help text as the help box receives it: the lines joined by CR LF.
inline std::u16string HilfeText() {
  std::u16string text;
  for (const auto zeile : HilfeZeilen) {
    if (!text.empty()) text += u"\r\n";
    text += zeile;
  }
  return text;
}

}  // namespace paarix::texte
