#include <gtest/gtest.h>

#include <QTimer>
#include <csignal>

#include "EventGate.h"
#include "SignalBridge.h"
#include "Spieltisch.h"
#include "Texte.h"

namespace paarix::test {
namespace {

using namespace std::chrono_literals;

TEST(Neustart, LeavingTheBrailleListDealsEveryTime) {
  Spieltisch t;
  t.LstBrl()->setFocus();
  t.Taste(Qt::Key_Tab);
  EXPECT_EQ(t.Deals(), 1);
  EXPECT_EQ(t.fenster->Zustand().Loesung.size(), 12u);

  // A game in progress: one card face up. Leaving the list again, unchanged, deals anew.
  t.FeldFokus(0);
  t.Taste(Qt::Key_Space);
  t.fenster->Zustand().Punkte[0] = 3;
  t.LstBrl()->setFocus();
  t.Taste(Qt::Key_Down);  // the 40-cell entry
  t.Taste(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(t.Deals(), 2);
  EXPECT_EQ(t.fenster->Zustand().Kartenzahl, 32);
  EXPECT_EQ(t.Feld(), QString(32, QLatin1Char('.')) + QStringLiteral("  -"));
  EXPECT_EQ(t.fenster->Zustand().Zug, 0);
  EXPECT_EQ(t.fenster->Zustand().Punkte[0], 3) << "points carry over";
  EXPECT_EQ(t.FokusName(), QStringLiteral("CmdInfo"));
}

TEST(Neustart, SwitchingAwayFromTheWindowDoesNotDeal) {
  Spieltisch t;
  t.LstBrl()->setFocus();
  QWidget anderes;
  anderes.show();
  QApplication::setActiveWindow(&anderes);
  QApplication::setActiveWindow(t.fenster.get());
  EXPECT_EQ(t.Deals(), 0);
  // Opening and closing the help view does not count as leaving the list either.
  t.Button("CmdInfo")->click();
  t.Zeichen('x');
  ASSERT_EQ(t.FokusName(), QStringLiteral("LstBrl"));
  EXPECT_EQ(t.Deals(), 0);
}

TEST(Neustart, NewGameClickedFromTheBrailleListDealsTwice) {
  Spieltisch t;
  t.LstBrl()->setFocus();
  QTest::mouseClick(t.Button("CmdNeu"), Qt::LeftButton);
  EXPECT_EQ(t.Deals(), 2);
  EXPECT_EQ(t.FokusName(), QStringLiteral("Spiel"));
}

TEST(Neustart, PlayerListRestartsWithoutDealing) {
  Spieltisch t;
  t.Button("CmdNeu")->click();
  const auto loesung = t.fenster->Zustand().Loesung;
  t.FeldFokus(0);
  t.Taste(Qt::Key_Space);
  t.LstAnzahl()->setFocus();
  t.Taste(Qt::Key_Down);
  EXPECT_EQ(t.fenster->Zustand().Spielerzahl, 2);
  EXPECT_EQ(t.Feld(), QStringLiteral("............  --"));
  EXPECT_EQ(t.fenster->Zustand().Zug, 0);
  EXPECT_EQ(t.fenster->Zustand().Loesung, loesung);
  EXPECT_EQ(t.Deals(), 1);
}

TEST(Ansichten, HelpViewOpensAndAnyCharacterClosesIt) {
  Spieltisch t;
  t.Taste(Qt::Key_Return);  // on CmdInfo
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Hilfe);
  EXPECT_EQ(t.FokusName(), QStringLiteral("Info"));
  EXPECT_EQ(t.fenster->windowTitle(), texte::Titel());
  for (const char* name : {"CmdInfo", "LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde"}) {
    EXPECT_FALSE(t.Control<QWidget>(name)->isVisible()) << name;
  }
  // Keys without a character move through the text and keep the view.
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_Up}) t.Taste(key);
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Hilfe);

  for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Space, Qt::Key_Return, Qt::Key_V, Qt::Key_5}) {
    t.Button("CmdInfo")->click();
    ASSERT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Hilfe);
    t.Taste(key);
    EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Normal) << key;
    EXPECT_EQ(t.FokusName(), QStringLiteral("LstBrl"));
  }
  EXPECT_TRUE(t.Cues().empty());
  EXPECT_EQ(t.Deals(), 0);
}

TEST(Ansichten, FullFieldViewShowsTheFieldAloneUnderAnEmptyCaption) {
  Spieltisch t;
  t.FeldFokus(0);
  t.Zeichen('v');
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Vollbild);
  EXPECT_TRUE(t.fenster->windowTitle().isEmpty());
  EXPECT_TRUE(t.fenster->isVisible());
  EXPECT_EQ(t.FokusName(), QStringLiteral("Spiel"));
  for (const char* name : {"CmdInfo", "LstBrl", "LstAnzahl", "CmdNeu", "CmdEnde", "Info"}) {
    EXPECT_FALSE(t.Control<QWidget>(name)->isVisible()) << name;
  }
  t.Taste(Qt::Key_Escape);
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Normal);
  EXPECT_EQ(t.fenster->windowTitle(), texte::Titel());
  EXPECT_EQ(t.FokusName(), QStringLiteral("Spiel"));
  EXPECT_EQ(t.Deals(), 0);
}

TEST(Ansichten, GameEndInTheFullFieldViewBringsBackTheNewGameButton) {
  Spieltisch t;
  t.Button("CmdNeu")->click();
  t.fenster->Zustand().Loesung = u"aabbccddeeff";
  t.FeldFokus(0);
  t.Zeichen('v');
  for (int pos = 0; pos < 12; ++pos) {
    t.Spiel()->setCursorPosition(pos);
    t.Taste(Qt::Key_Space);
  }
  ASSERT_EQ(t.fenster->Zustand().Zug, 14);
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.fenster->AktuelleAnsicht(), Ansicht::Normal);
  EXPECT_EQ(t.FokusName(), QStringLiteral("CmdNeu"));
  EXPECT_EQ(t.fenster->windowTitle(), texte::Titel());
}

TEST(Schliessen, EveryWayOfClosingWritesTheFileOnce) {
  {
    Spieltisch t;
    t.LstBrl()->setCurrentRow(1);
    t.LstAnzahl()->setCurrentRow(2);
    t.Button("CmdEnde")->click();
    EXPECT_FALSE(t.fenster->isVisible());
    EXPECT_EQ(t.gespeichert->count(), 1);
    EXPECT_EQ(t.DateiInhalt(), QByteArray("1,2,0\r\n"));
  }
  {
    Spieltisch t("2,1,-5\r\n");
    t.Taste(Qt::Key_E, Qt::AltModifier);
    QTRY_VERIFY(!t.fenster->isVisible());
    t.fenster->close();
    EXPECT_EQ(t.gespeichert->count(), 1);
    EXPECT_EQ(t.DateiInhalt(), QByteArray("2,1,-5\r\n"));
  }
  {
    Spieltisch t("1,3,0\r\n");
    t.fenster->close();  // the close box
    EXPECT_EQ(t.gespeichert->count(), 1);
    EXPECT_EQ(t.DateiInhalt(), QByteArray("1,3,0\r\n"));
  }
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) {
    Spieltisch t("0,1,9\r\n");
    SignalBridge bruecke([&t] { t.fenster->close(); });
    std::raise(sig);
    QTRY_VERIFY(!t.fenster->isVisible());
    EXPECT_EQ(t.gespeichert->count(), 1) << sig;
    EXPECT_EQ(t.DateiInhalt(), QByteArray("0,1,9\r\n"));
  }
}

TEST(Schliessen, CloseDuringACueWaitsForTheHandler) {
  Spieltisch t({}, 300ms);
  t.Button("CmdNeu")->click();
  t.FeldFokus(0);
  bool warOffenWaehrendTon = false;
  QTimer::singleShot(50ms, [&] {
    t.fenster->close();
    warOffenWaehrendTon = t.fenster->isVisible() && t.fenster->Gate().busy();
  });
  t.Taste(Qt::Key_Space);
  EXPECT_TRUE(warOffenWaehrendTon);
  EXPECT_FALSE(t.fenster->isVisible());
  EXPECT_EQ(t.gespeichert->count(), 1);
}

TEST(Eingabe, InputDuringACueWaitsAndThenRunsInOrder) {
  Spieltisch t({}, 300ms);
  t.Button("CmdNeu")->click();
  t.fenster->Zustand().Loesung = u"abcdefabcdef";
  t.FeldFokus(0);
  QString feldWaehrendTon;
  int caretWaehrendTon = -1;
  QTimer::singleShot(50ms, [&] {
    QTest::keyClick(t.Spiel(), Qt::Key_Right);
    QTest::keyClick(t.Spiel(), Qt::Key_Space);
    QTest::mouseClick(t.Spiel(), Qt::LeftButton, {}, t.Zelle(5));
    feldWaehrendTon = t.Feld();
    caretWaehrendTon = t.Spiel()->cursorPosition();
  });
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(feldWaehrendTon, QStringLiteral("a...........  -")) << "nothing ran while the cue played";
  EXPECT_EQ(caretWaehrendTon, 0);
  // Afterwards: the caret moved right, the second card turned, then the click
  // on cell 5 turned the unequal pair face down again.
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 16}));
  EXPECT_EQ(t.Feld(), QStringLiteral("............  -"));
  EXPECT_EQ(t.fenster->Zustand().Zug, 0);
  EXPECT_EQ(t.Spiel()->cursorPosition(), 5);
  EXPECT_EQ(t.fenster->Gate().waiting(), 0u);
}

TEST(Eingabe, FieldTextCanBeReadWhileACuePlays) {
  Spieltisch t({}, 300ms);
  t.Button("CmdNeu")->click();
  t.fenster->Zustand().Loesung = u"abcdefabcdef";
  t.FeldFokus(0);
  t.Taste(Qt::Key_Space);
  t.Spiel()->setCursorPosition(6);
  QString gelesen;
  QTimer::singleShot(50ms, [&] { gelesen = t.Feld(); });
  t.Taste(Qt::Key_Space);  // the pair cue
  EXPECT_EQ(gelesen, QStringLiteral("a.....a.....  -")) << "both letters show while the pair cue plays";
  EXPECT_EQ(t.Feld(), QStringLiteral("-.....-.....  a"));
}

}  // namespace
}  // namespace paarix::test
