// Ending the program in the middle of play: SIGTERM during the long pair cue, and
// no leak over a whole game and the close.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>
#include <csignal>

#include "EventGate.h"
#include "SignalBridge.h"
#include "Spieltisch.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define PAARIX_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define PAARIX_LSAN 1
#endif
#endif

namespace paarix::test {
namespace {

using namespace std::chrono_literals;

// SIGTERM arrives while the pair cue plays (silent, but 3.6 s long, as on a
// machine without sound). The running handler finishes: the pair is scored
// after its cue. Then the window closes as its close box would, the settings are
// saved once, and the event loop ends with status 0, which main() returns.
TEST(Beenden, SigtermDuringThePairCueLetsTheHandlerFinishSavesOnceAndEndsWithZero) {
  QTemporaryDir ordner;
  const QString ini = ordner.filePath(QStringLiteral("paarix.ini"));
  {
    QFile datei(ini);
    ASSERT_TRUE(datei.open(QIODevice::WriteOnly));
    datei.write("0,0,4,1\r\n");  // the value too many is neither read nor written back
  }
  SkriptZufall zufall;
  Paarix fenster(ini, std::make_unique<SilentToneDevice>(), &zufall);
  QSignalSpy gespeichert(&fenster, &Paarix::Gespeichert);
  SignalBridge signale([&fenster] { fenster.close(); });
  fenster.show();
  QApplication::setActiveWindow(&fenster);
  fenster.findChild<QPushButton*>(QStringLiteral("CmdNeu"))->click();
  fenster.Zustand().Loesung = u"abcdefabcdef";
  auto* feld = fenster.findChild<SpielFeld*>(QStringLiteral("Spiel"));
  feld->setFocus(Qt::OtherFocusReason);
  feld->setCursorPosition(0);
  QTest::keyClick(feld, Qt::Key_Space);
  feld->setCursorPosition(6);

  QString feldImTon;
  bool offenImTon = false;
  QTimer::singleShot(0, feld, [feld] { QTest::keyClick(feld, Qt::Key_Space); });
  QTimer::singleShot(500ms, &fenster, [&] {
    std::raise(SIGTERM);
    feldImTon = feld->text();
    offenImTon = fenster.isVisible() && fenster.Gate().busy();
  });
  bool haengt = false;
  QTimer wache;
  wache.setSingleShot(true);
  QObject::connect(&wache, &QTimer::timeout, [&] {
    haengt = true;
    QCoreApplication::exit(1);
  });
  wache.start(30s);
  QElapsedTimer uhr;
  uhr.start();
  const int status = QCoreApplication::exec();
  wache.stop();

  ASSERT_FALSE(haengt) << "the program did not end";
  EXPECT_EQ(status, 0);
  EXPECT_GE(uhr.elapsed(), 3600) << "the pair cue was cut short";
  EXPECT_EQ(feldImTon, QStringLiteral("a.....a.....  -")) << "SIGTERM came while both cards showed";
  EXPECT_TRUE(offenImTon) << "the window closed in the middle of the handler";
  EXPECT_EQ(feld->text(), QStringLiteral("-.....-.....  a")) << "the handler ran to its end";
  EXPECT_FALSE(fenster.isVisible());
  ASSERT_EQ(gespeichert.count(), 1);
  EXPECT_TRUE(gespeichert.at(0).at(0).toBool());
  QFile datei(ini);
  ASSERT_TRUE(datei.open(QIODevice::ReadOnly));
  EXPECT_EQ(datei.readAll(), QByteArray("0,0,4\r\n"));
}

// A whole game by keys, both views on the way, and the close: afterwards
// LeakSanitizer finds nothing unreachable.
TEST(Lecks, AWholeGameAndTheCloseLeaveNoLeak) {
#ifndef PAARIX_LSAN
  GTEST_SKIP() << "built without AddressSanitizer";
#else
  {
    Spieltisch t;
    t.Button("CmdInfo")->click();
    t.Zeichen('x');  // closes the help view
    t.Button("CmdNeu")->click();
    t.fenster->Zustand().Loesung = u"abcdefabcdef";
    t.FeldFokus(0);
    t.Zeichen('v');
    t.Taste(Qt::Key_Space);
    for (int i = 0; i < 7; ++i) t.Taste(Qt::Key_Right);
    t.Taste(Qt::Key_Space);  // a miss
    t.Taste(Qt::Key_Space);
    t.Taste(Qt::Key_Escape);
    for (int paar = 0; paar < 6; ++paar) {
      t.Spiel()->setCursorPosition(paar);
      t.Taste(Qt::Key_Space);
      t.Spiel()->setCursorPosition(paar + 6);
      t.Taste(Qt::Key_Space);
    }
    ASSERT_EQ(t.Feld(), QStringLiteral("Spielschluss  f"));
    t.fenster->close();
    EXPECT_EQ(t.gespeichert->count(), 1);
  }
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "LeakSanitizer reported leaks, see above";
#endif
}

}  // namespace
}  // namespace paarix::test
