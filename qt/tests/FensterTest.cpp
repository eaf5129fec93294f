// The window through its controls: start-up, texts and places, keys, clicks,
// restarts, the views, closing, and input that arrives while a cue plays.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QElapsedTimer>
#include <QInputMethodEvent>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <csignal>

#include "SignalBridge.h"
#include "Spieltisch.h"
#include "Texte.h"
#include "Tonausgabe.h"

#if defined(__SANITIZE_ADDRESS__)
#define PAARIX_LSAN 1
#include <sanitizer/lsan_interface.h>
#endif

namespace paarix::test {
namespace {

using namespace std::chrono_literals;
using Cues = std::vector<int>;
const QString kTitel = QStringLiteral("Paarix Version 27.02.2012 von den Paarix-Entwicklern");

QStringList Eintraege(const QListWidget* liste) {
  QStringList e;
  for (int i = 0; i < liste->count(); ++i) e << liste->item(i)->text();
  return e;
}

TEST(Start, WithoutAndWithASettingsFile) {
  struct Fall { QByteArray datei; int brl, anzahl, karten; QString feld; QByteArray nachStart; };
  for (const Fall& f : {Fall{"", 0, 0, 12, "............  -", "0,0,0\r\n"},
                        Fall{"2,3,7\r\n", 2, 3, 52, QString(52, u'.') + "  ----", "2,3,7\r\n"}}) {
    Spieltisch t(f.datei);
    SCOPED_TRACE(f.datei.toStdString());
    EXPECT_EQ(t.DateiInhalt(), f.nachStart);
    EXPECT_EQ(t.fenster->LstBrlIndex(), f.brl);
    EXPECT_EQ(t.fenster->LstAnzahlIndex(), f.anzahl);
    EXPECT_EQ(t.Z().Kartenzahl, f.karten);
    EXPECT_EQ(t.Feld(), f.feld);
    EXPECT_EQ(t.Deals(), 0) << "start-up deals no cards";
    EXPECT_TRUE(t.Z().Loesung.empty());
    EXPECT_EQ(t.FokusName(), QStringLiteral("CmdInfo"));
    EXPECT_EQ(t.fenster->windowTitle(), kTitel);
    EXPECT_TRUE(t.Cues().empty());
    t.fenster->close();
    EXPECT_EQ(t.DateiInhalt(), f.nachStart) << "the reserve value is kept";
  }
}

TEST(Start, TextsPlacesAndFonts) {
  Spieltisch t;
  EXPECT_EQ(t.Button("CmdInfo")->text(), QStringLiteral("Drücke Enter für die Anleitung"));
  EXPECT_EQ(t.Button("CmdNeu")->text(), QStringLiteral("&Neues Spiel"));
  EXPECT_EQ(t.Button("CmdEnde")->text(), QStringLiteral("Programm&ende"));
  EXPECT_EQ(Eintraege(t.LstBrl()), (QStringList{"20er Braillezeile! 6 Karten für Einsteiger!",
                                                "40er Braillezeile! 16 Karten Standardgröße!",
                                                "70er Braillezeile! 26 Karten nur für Profis!"}));
  EXPECT_EQ(Eintraege(t.LstAnzahl()), (QStringList{"Ein Spieler", "Zwei Spieler", "Drei Spieler", "Vier Spieler"}));
  const QStringList zeilen = texte::HilfeText().split(QStringLiteral("\r\n"));
  ASSERT_EQ(zeilen.size(), 21);
  EXPECT_EQ(zeilen.front(), QStringLiteral("Bedienung von Paarix:"));
  EXPECT_EQ(zeilen.back(), QStringLiteral("Zur Aufhebung der vollbild-Darstellung drücke ESCAPE!"));
  EXPECT_FALSE(texte::HilfeText().contains(QRegularExpression(QStringLiteral("[^\r]\n|\r[^\n]"))));
  EXPECT_EQ(t.Control<QPlainTextEdit>("Info")->toPlainText().split(u'\n'), zeilen);

  // Places in twips at 15 twips to the pixel.
  EXPECT_EQ(t.fenster->size(), QSize(8910 / 15, 6630 / 15));
  const std::pair<const char*, QRect> orte[] = {
      {"CmdInfo", {10, 110, 300, 20}}, {"LstBrl", {10, 131, 400, 28}}, {"LstAnzahl", {10, 166, 300, 28}},
      {"Spiel", {10, 197, 500, 20}},   {"CmdNeu", {10, 219, 110, 20}}, {"CmdEnde", {130, 219, 120, 20}},
      {"Info", {10, 140, 570, 300}}};
  for (const auto& [name, ort] : orte) EXPECT_EQ(t.Control(name)->geometry(), ort) << name;
  EXPECT_EQ(t.Spiel()->font().family(), QStringLiteral("Courier"));
  EXPECT_DOUBLE_EQ(t.Spiel()->font().pointSizeF(), 9.75);
  EXPECT_EQ(t.Control("Info")->font().family(), QStringLiteral("MS Sans Serif"));
  EXPECT_DOUBLE_EQ(t.Control("Info")->font().pointSizeF(), 8.25);
  EXPECT_FALSE(t.Control("Info")->isVisible());
}

TEST(Start, TabOrderWrapsBothWaysAndTabSelectsNothingInTheField) {
  Spieltisch t;
  t.Spiel()->setCursorPosition(3);
  for (const char* name : {"LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde", "CmdInfo", "LstBrl"}) {
    t.Taste(Qt::Key_Tab);
    EXPECT_EQ(t.FokusName(), name);
    EXPECT_TRUE(t.FokusName() != "Spiel" || !t.Spiel()->hasSelectedText());
  }
  for (const char* name : {"CmdInfo", "CmdEnde", "CmdNeu", "Spiel", "LstAnzahl", "LstBrl"}) {
    t.Taste(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(t.FokusName(), name);
    EXPECT_TRUE(t.FokusName() != "Spiel" || !t.Spiel()->hasSelectedText());
  }
  EXPECT_EQ(t.Caret(), 3);
}

TEST(Spiel, WholeGameByKeys) {
  Spieltisch t("0,1,0\r\n");
  t.Geben(u"abcdefabcdef");
  ASSERT_EQ(t.FokusName(), QStringLiteral("Spiel"));
  t.Taste(Qt::Key_Home);
  t.Taste(Qt::Key_Space);  // a miss first: the turn passes to player 2
  for (int i = 0; i < 7; ++i) t.Taste(Qt::Key_Right);
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.Feld(), QStringLiteral("a......b....  --"));
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.Feld(), QStringLiteral("............  --"));
  EXPECT_EQ(t.Z().AktSpieler, 2);
  for (int paar = 0; paar < 6; ++paar) {
    t.Taste(Qt::Key_Home);
    for (int i = 0; i < paar; ++i) t.Taste(Qt::Key_Right);
    t.Taste(Qt::Key_Space);
    for (int i = 0; i < 6; ++i) t.Taste(Qt::Key_Right);
    t.Taste(Qt::Key_Space);
  }
  EXPECT_EQ(t.Feld(), QStringLiteral("Spielschluss  -f"));
  EXPECT_EQ(t.Cues(), (Cues{9, 16, 9, 11, 9, 11, 9, 11, 9, 11, 9, 11, 9, 11}));
  t.Taste(Qt::Key_Space);  // the next activation goes to the new-game button
  EXPECT_EQ(t.FokusName(), QStringLiteral("CmdNeu"));
}

TEST(Spiel, WholeGameByClicksAndADoubleClickIsOneActivation) {
  Spieltisch t;
  t.Geben(u"aabbccddeeff");
  // What the platform delivers for a double click: press, release, double click, release.
  const QPoint zelle = t.Zelle(0);
  QTest::mousePress(t.Spiel(), Qt::LeftButton, {}, zelle);
  QTest::mouseRelease(t.Spiel(), Qt::LeftButton, {}, zelle);
  QMouseEvent doppel(QEvent::MouseButtonDblClick, zelle, t.Spiel()->mapToGlobal(zelle), Qt::LeftButton,
                     Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t.Spiel(), &doppel);
  QTest::mouseRelease(t.Spiel(), Qt::LeftButton, {}, zelle);
  EXPECT_EQ(t.Feld(), QStringLiteral("a...........  -"));
  EXPECT_EQ(t.Cues(), Cues{9});
  EXPECT_FALSE(t.Spiel()->hasSelectedText());
  for (int pos = 1; pos < 12; ++pos) {
    t.Klick(pos);
    ASSERT_EQ(t.Caret(), pos);
  }
  EXPECT_EQ(t.Feld(), QStringLiteral("Spielschluss  f"));
  EXPECT_EQ(t.Cues(), (Cues{9, 11, 9, 11, 9, 11, 9, 11, 9, 11, 9, 11}));
}

TEST(Spiel, KeysOfTheField) {
  Spieltisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(2);
  struct Schritt { std::function<void()> taste; Ansicht ansicht; Cues cues; const char* feld; };
  const Schritt schritte[] = {
      {[&] { t.Zeichen('x'), t.Zeichen('7'), t.Taste(Qt::Key_Return), t.Taste(Qt::Key_V, Qt::ControlModifier); },
       Ansicht::Normal, {}, "............  -"},
      {[&] { t.Taste(Qt::Key_Escape); }, Ansicht::Normal, {9}, "............  -"},
      {[&] { t.Zeichen('v'); }, Ansicht::Vollbild, {9, 9}, "............  -"},
      {[&] { t.Taste(Qt::Key_V, Qt::ShiftModifier); }, Ansicht::Vollbild, {9, 9, 9}, "............  -"},
      {[&] { t.Taste(Qt::Key_Space); }, Ansicht::Vollbild, {9, 9, 9, 9}, "..c.........  -"},
      {[&] { t.Taste(Qt::Key_Escape); }, Ansicht::Normal, {9, 9, 9, 9, 9}, "..c.........  -"},
  };
  for (size_t i = 0; i < std::size(schritte); ++i) {
    schritte[i].taste();
    EXPECT_EQ(t.View(), schritte[i].ansicht) << "step " << i;
    EXPECT_EQ(t.Cues(), schritte[i].cues) << "step " << i;
    EXPECT_EQ(t.Feld(), QString::fromLatin1(schritte[i].feld)) << "step " << i;
    EXPECT_EQ(t.Caret(), 2) << "step " << i;
  }
}

TEST(Spiel, NoEditingInputChangesTheFieldAndTheCaretKeepsItsCell) {
  Spieltisch t;
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(3);
  const QString vorher = t.Feld();
  QApplication::clipboard()->setText(QStringLiteral("zzz"));
  for (char c : std::string("aZ9.-")) t.Zeichen(c);
  for (Qt::Key key : {Qt::Key_Backspace, Qt::Key_Delete}) t.Taste(key);
  t.Taste(Qt::Key_Insert, Qt::ShiftModifier);
  t.Spiel()->selectAll();
  for (Qt::Key key : {Qt::Key_V, Qt::Key_X, Qt::Key_Z, Qt::Key_Y}) t.Taste(key, Qt::ControlModifier);
  QInputMethodEvent ime;
  ime.setCommitString(QStringLiteral("ü"));
  QApplication::sendEvent(t.Spiel(), &ime);
  QMimeData mime;
  mime.setText(QStringLiteral("drop"));
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t.Spiel(), &enter);
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(t.Spiel(), &drop);
  std::unique_ptr<QMenu> menu(t.Spiel()->createStandardContextMenu());
  for (QAction* action : menu->actions()) {
    if (action->isEnabled()) action->trigger();
  }
  EXPECT_EQ(t.Feld(), vorher);
  EXPECT_TRUE(t.Cues().empty());
  t.FeldFokus(5);
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.Caret(), 5) << "the caret stays on its cell when the text is replaced";
  t.fenster->SpielSchreiben(u"ab");
  EXPECT_EQ(t.Caret(), 2) << "clamped to the new length";
}

TEST(Neustart, LeavingTheBrailleListDealsEveryTime) {
  Spieltisch t;
  t.LstBrl()->setFocus();
  t.Taste(Qt::Key_Tab);
  EXPECT_EQ(t.Deals(), 1);
  EXPECT_EQ(t.Z().Loesung.size(), 12u);
  t.FeldFokus(0);
  t.Taste(Qt::Key_Space);
  t.Z().Punkte[0] = 3;
  t.LstBrl()->setFocus();
  t.Taste(Qt::Key_Down);  // the 40-cell entry
  t.Taste(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(t.Deals(), 2);
  EXPECT_EQ(t.Feld(), QString(32, u'.') + QStringLiteral("  -"));
  EXPECT_EQ(t.Z().Zug, 0);
  EXPECT_EQ(t.Z().Punkte[0], 3) << "points carry over";
  t.LstBrl()->setFocus();
  t.Taste(Qt::Key_Tab);  // unchanged, it deals all the same
  EXPECT_EQ(t.Deals(), 3);
}

TEST(Neustart, DeactivationAndViewsDoNotDealCmdNeuFromTheBrailleListDealsTwice) {
  Spieltisch t;
  t.LstBrl()->setFocus();
  QWidget anderes;
  anderes.show();
  QApplication::setActiveWindow(&anderes);
  QApplication::setActiveWindow(t.fenster.get());
  t.Button("CmdInfo")->click();
  t.Zeichen('x');
  ASSERT_EQ(t.FokusName(), QStringLiteral("LstBrl"));
  // A window manager may report the deactivation or a popup after Qt has moved the focus on.
  t.Button("CmdNeu")->setFocus();
  for (Qt::FocusReason grund : {Qt::ActiveWindowFocusReason, Qt::PopupFocusReason}) {
    QFocusEvent aus(QEvent::FocusOut, grund);
    QApplication::sendEvent(t.LstBrl(), &aus);
  }
  EXPECT_EQ(t.Deals(), 1) << "only the move to CmdNeu deals";
  t.LstBrl()->setFocus();
  QTest::mouseClick(t.Button("CmdNeu"), Qt::LeftButton);
  EXPECT_EQ(t.Deals(), 3);
  EXPECT_EQ(t.FokusName(), QStringLiteral("Spiel"));
}

TEST(Neustart, PlayerListRestartsWithoutDealing) {
  Spieltisch t;
  t.Button("CmdNeu")->click();
  const auto loesung = t.Z().Loesung;
  t.FeldFokus(0);
  t.Taste(Qt::Key_Space);
  t.LstAnzahl()->setFocus();
  t.Taste(Qt::Key_Down);
  EXPECT_EQ(t.Feld(), QStringLiteral("............  --"));
  EXPECT_EQ(t.Z().Zug, 0);
  EXPECT_EQ(t.Z().Loesung, loesung);
  EXPECT_EQ(t.Deals(), 1);
}

void ZeigtNur(Spieltisch& t, const QStringList& sichtbar) {
  for (const char* name : {"CmdInfo", "LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde", "Info"}) {
    EXPECT_EQ(t.Control(name)->isVisible(), sichtbar.contains(name)) << name;
  }
}

TEST(Ansichten, HelpViewOpensAndEveryCharacterClosesIt) {
  Spieltisch t;
  t.Taste(Qt::Key_Return);  // on CmdInfo
  EXPECT_EQ(t.View(), Ansicht::Hilfe);
  EXPECT_EQ(t.FokusName(), QStringLiteral("Info"));
  EXPECT_EQ(t.fenster->windowTitle(), kTitel);
  ZeigtNur(t, {"Info"});
  for (Qt::Key key : {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_End, Qt::Key_Home, Qt::Key_Up, Qt::Key_F5}) t.Taste(key);
  EXPECT_EQ(t.View(), Ansicht::Hilfe) << "keys without a character keep the view";
  for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Space, Qt::Key_Return, Qt::Key_V, Qt::Key_5}) {
    t.Button("CmdInfo")->click();
    ASSERT_EQ(t.View(), Ansicht::Hilfe);
    t.Taste(key);
    EXPECT_EQ(t.View(), Ansicht::Normal) << key;
    EXPECT_EQ(t.FokusName(), QStringLiteral("LstBrl"));
  }
  ZeigtNur(t, {"CmdInfo", "LstBrl", "LstAnzahl", "Spiel", "CmdNeu", "CmdEnde"});
  EXPECT_TRUE(t.Cues().empty());
}

TEST(Ansichten, FullFieldViewAndAGameEndInIt) {
  Spieltisch t;
  t.Geben(u"aabbccddeeff");
  t.FeldFokus(0);
  t.Zeichen('v');
  EXPECT_EQ(t.View(), Ansicht::Vollbild);
  EXPECT_TRUE(t.fenster->windowTitle().isEmpty());
  EXPECT_EQ(t.FokusName(), QStringLiteral("Spiel"));
  ZeigtNur(t, {"Spiel"});
  t.Taste(Qt::Key_Escape);
  EXPECT_EQ(t.View(), Ansicht::Normal);
  EXPECT_EQ(t.fenster->windowTitle(), kTitel);
  EXPECT_EQ(t.FokusName(), QStringLiteral("Spiel"));

  t.Zeichen('v');
  for (int pos = 0; pos < 12; ++pos) {
    t.Spiel()->setCursorPosition(pos);
    t.Taste(Qt::Key_Space);
  }
  ASSERT_EQ(t.Z().Zug, 14);
  ASSERT_EQ(t.View(), Ansicht::Vollbild);
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(t.View(), Ansicht::Normal);
  EXPECT_EQ(t.FokusName(), QStringLiteral("CmdNeu"));
  EXPECT_EQ(t.fenster->windowTitle(), kTitel);
  EXPECT_EQ(t.Deals(), 1);
}

TEST(Schliessen, EveryWayOfClosingWritesTheFileOnce) {
  const std::pair<const char*, std::function<void(Spieltisch&)>> wege[] = {
      {"button", [](Spieltisch& t) { t.Button("CmdEnde")->click(); }},
      {"Alt+E", [](Spieltisch& t) { t.Taste(Qt::Key_E, Qt::AltModifier); }},
      {"close box", [](Spieltisch& t) { t.fenster->close(); }},
      {"SIGTERM", [](Spieltisch&) { std::raise(SIGTERM); }},
      {"SIGINT", [](Spieltisch&) { std::raise(SIGINT); }},
      {"SIGHUP", [](Spieltisch&) { std::raise(SIGHUP); }},
  };
  for (const auto& [name, weg] : wege) {
    Spieltisch t("2,1,-5\r\n");
    SignalBridge bruecke([&t] { t.fenster->close(); });
    t.LstAnzahl()->setCurrentRow(2);
    weg(t);
    QTRY_VERIFY2(!t.fenster->isVisible(), name);
    t.fenster->close();  // a second close writes nothing more
    EXPECT_EQ(t.gespeichert->count(), 1) << name;
    EXPECT_EQ(t.DateiInhalt(), QByteArray("2,2,-5\r\n")) << name;
  }
}

// Keys, a click and a close during a cue wait for it, then run in order; the close comes last.
TEST(Eingabe, InputAndCloseDuringACueWaitAndThenRunInOrder) {
  Spieltisch t({}, 300ms);
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  QString feldImTon;
  int caretImTon = -1;
  bool offenImTon = false;
  t.WaehrendCue(1, [&] {
    QTest::keyClick(t.Spiel(), Qt::Key_Right);
    QTest::keyClick(t.Spiel(), Qt::Key_Space);
    t.Klick(5);
    t.fenster->close();
    feldImTon = t.Feld();
    caretImTon = t.Caret();
    offenImTon = t.fenster->isVisible() && t.fenster->Gate().busy();
  });
  t.Taste(Qt::Key_Space);
  EXPECT_EQ(feldImTon, QStringLiteral("a...........  -")) << "nothing ran while the cue played";
  EXPECT_EQ(caretImTon, 0);
  // Then in order: the caret right, the second card (a miss), the click covering both.
  EXPECT_EQ(t.Cues(), (Cues{9, 16}));
  EXPECT_EQ(t.Feld(), QStringLiteral("............  -"));
  EXPECT_EQ(t.Caret(), 5);
  EXPECT_TRUE(offenImTon);
  EXPECT_FALSE(t.fenster->isVisible());
  EXPECT_EQ(t.gespeichert->count(), 1);
}

// A handler that had to wait runs alone as well: what arrives during its own
// cue waits for it in turn.
TEST(Eingabe, AHandlerThatWaitedStillRunsAlone) {
  QWidget fenster;
  EventGate gate(&fenster);
  std::vector<std::string> ablauf;
  gate.run([&] {
    gate.run([&] {
      ablauf.push_back("B begins");
      gate.run([&] { ablauf.push_back("C"); });
      ablauf.push_back("B ends");
    });
    ablauf.push_back("A");
  });
  EXPECT_EQ(ablauf, (std::vector<std::string>{"A", "B begins", "B ends", "C"}));
  EXPECT_FALSE(gate.busy());
}

// A cue asked for while another one is awaited waits in a loop of its own; the
// end of the outer cue must not end the inner wait, or the outer one never ends.
TEST(Eingabe, ACueAskedForWhileAnotherIsAwaitedDoesNotHang) {
  auto device = std::make_unique<RecordingToneDevice>(100ms);
  RecordingToneDevice* geraet = device.get();
  Tonausgabe ton(std::move(device));
  bool innenFertig = false;
  QTimer::singleShot(20ms, [&] {
    ton.Ton(16);
    innenFertig = true;
  });
  QElapsedTimer uhr;
  uhr.start();
  QTimer::singleShot(5s, [] { QCoreApplication::exit(1); });  // ends a wait that would never end
  ton.Ton(9);
  EXPECT_LT(uhr.elapsed(), 5000) << "hung until the guard fired";
  EXPECT_TRUE(innenFertig);
  EXPECT_EQ(geraet->calls().size(), 2u);
}

// SIGTERM while the pair cue plays (silent, 3.6 s, as without a sound card): the
// handler finishes, the window closes, one save, and the loop main() returns from ends with 0.
TEST(Beenden, SigtermDuringThePairCue) {
  Spieltisch t("0,0,4,1\r\n", {}, std::make_unique<SilentToneDevice>());  // the value too many is not written back
  SignalBridge signale([&t] { t.fenster->close(); });
  t.Geben(u"abcdefabcdef");
  t.FeldFokus(0);
  t.Taste(Qt::Key_Space);
  t.Spiel()->setCursorPosition(6);
  QString feldImTon;
  bool offenImTon = false;
  QTimer::singleShot(0, t.Spiel(), [&t] { QTest::keyClick(t.Spiel(), Qt::Key_Space); });
  QTimer::singleShot(500ms, t.fenster.get(), [&] {
    std::raise(SIGTERM);
    feldImTon = t.Feld();
    offenImTon = t.fenster->isVisible() && t.fenster->Gate().busy();
  });
  QTimer::singleShot(30s, [] { QCoreApplication::exit(1); });
  QElapsedTimer uhr;
  uhr.start();
  EXPECT_EQ(QCoreApplication::exec(), 0);
  EXPECT_GE(uhr.elapsed(), 3600) << "the pair cue was cut short";
  EXPECT_EQ(feldImTon, QStringLiteral("a.....a.....  -"));
  EXPECT_TRUE(offenImTon) << "the window closed in the middle of the handler";
  EXPECT_EQ(t.Feld(), QStringLiteral("-.....-.....  a")) << "the handler ran to its end";
  EXPECT_EQ(t.gespeichert->count(), 1);
  EXPECT_EQ(t.DateiInhalt(), QByteArray("0,0,4\r\n"));
}

TEST(Beenden, AWholeGameAndTheCloseLeaveNoLeak) {
#ifndef PAARIX_LSAN
  GTEST_SKIP() << "built without AddressSanitizer";
#else
  {
    Spieltisch t;
    t.Button("CmdInfo")->click();
    t.Zeichen('x');
    t.Geben(u"abcdefabcdef");
    t.FeldFokus(0);
    t.Zeichen('v');
    for (int pos : {0, 7, 7}) {  // a miss
      t.Spiel()->setCursorPosition(pos);
      t.Taste(Qt::Key_Space);
    }
    t.Taste(Qt::Key_Escape);
    for (int pos : {0, 6, 1, 7, 2, 8, 3, 9, 4, 10, 5, 11}) t.Klick(pos);
    ASSERT_EQ(t.Feld(), QStringLiteral("Spielschluss  f"));
    t.fenster->close();
  }
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "LeakSanitizer reported leaks, see above";
#endif
}

}  // namespace
}  // namespace paarix::test
