#include <gtest/gtest.h>

#include <QPlainTextEdit>

#include "Spieltisch.h"
#include "Texte.h"

namespace paarix::test {
namespace {

QStringList Eintraege(const QListWidget* liste) {
  QStringList eintraege;
  for (int i = 0; i < liste->count(); ++i) eintraege << liste->item(i)->text();
  return eintraege;
}

TEST(Start, WithoutSettingsFileCreatesItAndShowsAFreshField) {
  Spieltisch t;
  EXPECT_EQ(t.DateiInhalt(), QByteArray("0,0,0\r\n"));
  EXPECT_EQ(t.LstBrl()->currentRow(), 0);
  EXPECT_EQ(t.LstAnzahl()->currentRow(), 0);
  EXPECT_EQ(t.Feld(), QStringLiteral("............  -"));
  EXPECT_EQ(t.Deals(), 0) << "start-up deals no cards";
  EXPECT_TRUE(t.fenster->Zustand().Loesung.empty());
  EXPECT_EQ(t.fenster->Zustand().AktSpieler, 1);
  EXPECT_EQ(t.FokusName(), QStringLiteral("CmdInfo"));
  EXPECT_EQ(t.fenster->windowTitle(), texte::Titel());
  EXPECT_TRUE(t.fenster->windowTitle().startsWith(QStringLiteral("Paarix Version 27.02.2012 ")));
  EXPECT_TRUE(t.Cues().empty());
}

TEST(Start, RestoresStoredSelectionsAndReserve) {
  Spieltisch t("2,3,7\r\n");
  EXPECT_EQ(t.LstBrl()->currentRow(), 2);
  EXPECT_EQ(t.LstAnzahl()->currentRow(), 3);
  EXPECT_EQ(t.fenster->Zustand().Kartenzahl, 52);
  EXPECT_EQ(t.fenster->Zustand().Spielerzahl, 4);
  EXPECT_EQ(t.Feld(), QString(52, QLatin1Char('.')) + QStringLiteral("  ----"));
  t.fenster->close();
  EXPECT_EQ(t.DateiInhalt(), QByteArray("2,3,7\r\n"));
}

TEST(Start, ControlsTextsAndPlaces) {
  Spieltisch t;
  EXPECT_EQ(t.fenster->objectName(), QStringLiteral("Paarix"));
  EXPECT_EQ(Eintraege(t.LstBrl()), texte::LstBrl());
  EXPECT_EQ(Eintraege(t.LstAnzahl()), texte::LstAnzahl());
  EXPECT_EQ(t.Button("CmdInfo")->text(), QStringLiteral("Drücke Enter für die Anleitung"));
  EXPECT_EQ(t.Button("CmdNeu")->text(), QStringLiteral("&Neues Spiel"));
  EXPECT_EQ(t.Button("CmdEnde")->text(), QStringLiteral("Programm&ende"));

  const QString hilfe = t.Control<QPlainTextEdit>("Info")->toPlainText();
  EXPECT_EQ(hilfe.split(QLatin1Char('\n')), texte::HilfeZeilen());
  EXPECT_EQ(texte::HilfeText().count(QStringLiteral("\r\n")), 20);
  EXPECT_TRUE(texte::HilfeText().endsWith(QStringLiteral("Zur Aufhebung der vollbild-Darstellung drücke ESCAPE!")));
  EXPECT_FALSE(t.Control<QWidget>("Info")->isVisible());

  // Places in twips at 15 twips per pixel.
  EXPECT_EQ(t.fenster->size(), QSize(594, 442));
  EXPECT_EQ(t.Spiel()->geometry(), QRect(10, 197, 500, 20));
  EXPECT_EQ(t.Button("CmdEnde")->geometry(), QRect(130, 219, 120, 20));
  EXPECT_EQ(t.Control<QWidget>("Info")->geometry(), QRect(10, 140, 570, 300));
  EXPECT_DOUBLE_EQ(t.Spiel()->font().pointSizeF(), 9.75);
  EXPECT_DOUBLE_EQ(t.Control<QWidget>("Info")->font().pointSizeF(), 8.25);
}

TEST(Start, TabOrderWrapsAroundBothWays) {
  Spieltisch t;
  const QStringList vorwaerts{"LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde", "CmdInfo", "LstBrl"};
  for (const QString& name : vorwaerts) {
    t.Taste(Qt::Key_Tab);
    EXPECT_EQ(t.FokusName(), name);
  }
  const QStringList rueckwaerts{"CmdInfo", "CmdEnde", "CmdNeu", "Spiel", "LstAnzahl", "LstBrl"};
  for (const QString& name : rueckwaerts) {
    t.Taste(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(t.FokusName(), name);
  }
}

TEST(Start, FocusByTabSelectsNothingInTheField) {
  Spieltisch t;
  t.Spiel()->setCursorPosition(3);
  t.LstAnzahl()->setFocus();
  t.Taste(Qt::Key_Tab);
  ASSERT_EQ(t.FokusName(), QStringLiteral("Spiel"));
  EXPECT_FALSE(t.Spiel()->hasSelectedText());
  EXPECT_EQ(t.Spiel()->cursorPosition(), 3);
}

}  // namespace
}  // namespace paarix::test
