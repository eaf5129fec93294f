#pragma once

#include <QString>
#include <QStringList>

namespace paarix::texte {

// Every fixed text the window shows. The player hears and reads them exactly so.

inline QString Titel() { return QStringLiteral("Paarix Version 27.02.2012 von den Paarix-Entwicklern"); }

inline QString CmdInfo() { return QStringLiteral("Drücke Enter für die Anleitung"); }
inline QString CmdNeu() { return QStringLiteral("&Neues Spiel"); }
inline QString CmdEnde() { return QStringLiteral("Programm&ende"); }

inline QStringList LstBrl() {
  return {QStringLiteral("20er Braillezeile! 6 Karten für Einsteiger!"),
          QStringLiteral("40er Braillezeile! 16 Karten Standardgröße!"),
          QStringLiteral("70er Braillezeile! 26 Karten nur für Profis!")};
}

inline QStringList LstAnzahl() {
  return {QStringLiteral("Ein Spieler"), QStringLiteral("Zwei Spieler"), QStringLiteral("Drei Spieler"),
          QStringLiteral("Vier Spieler")};
}

inline QStringList HilfeZeilen() {
  return {
      QStringLiteral("Bedienung von Paarix:"),
      QStringLiteral("Mit ESCAPE verlässt Du diesen Text."),
      QStringLiteral("Tab = Wähle mit den Pfeiltasten Deine Braillezeile aus!"),
      QStringLiteral("Tab = Wähle mit den PFEILTASTEN die Anzahl der Mitspieler aus."),
      QStringLiteral("Tab = Du stehst im Spielfeld. Die Karten sind verdeckt."),
      QStringLiteral("Du findest für jede verdeckte Karte einen Punkt vor!"),
      QStringLiteral("Einmal Routingtaste = Zeigt das Bild der verdeckten Karte."),
      QStringLiteral("Alternativ kannst Du mit Pfeillinks -rechts und Leertaste arbeiten!"),
      QStringLiteral("Suche die zwei gleichen Karten. Du hast immer 2 Versuche!"),
      QStringLiteral("Hast Du Glück, so darfst Du weiterspielen."),
      QStringLiteral("Anderenfalls ist jetzt Dein Mitspieler an der Reihe!"),
      QStringLiteral("Merke Dir also unbedingt die Position der Karten!"),
      QStringLiteral("Rechts findest Du die Punkte der Mitspieler."),
      QStringLiteral("Es sind die Buchstaben a - z, die für 1 bis 26 Punkte stehen!"),
      QStringLiteral("Die erkannten Karten werden durch einen Strich gekennzeichnet!"),
      QStringLiteral("Tab und Enter, = Ein neues Spiel beginnt."),
      QStringLiteral("Tab und Enter = Paarix wird beendet!"),
      QStringLiteral("Arbeitest du mit NVDA, kann es sein, dass die Braillezeile ganz"),
      QStringLiteral("rechts das Spielfeld anzeigt. Drück in diesem Fall den Buchstaben v,"),
      QStringLiteral("um die Darstellung unter NVDA zu optimieren."),
      QStringLiteral("Zur Aufhebung der vollbild-Darstellung drücke ESCAPE!"),
  };
}

// The help text as the help box receives it: the lines joined by CR LF.
inline QString HilfeText() { return HilfeZeilen().join(QStringLiteral("\r\n")); }

}  // namespace paarix::texte
