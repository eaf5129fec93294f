// Regression tests for faults that the soak (SoakTest.cpp) found.
#include <gtest/gtest.h>

#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "EventGate.h"
#include "Spieltisch.h"
#include "Tonausgabe.h"

namespace paarix::test {
namespace {

using namespace std::chrono_literals;

// Runs `action` once, from the event loop, as soon as the tone device has been
// asked for `cues` cues, that is while that cue plays and its handler waits.
void WhileCue(Spieltisch& t, size_t cues, std::function<void()> action) {
  auto* timer = new QTimer(t.fenster.get());
  timer->setInterval(2ms);
  QObject::connect(timer, &QTimer::timeout, timer, [&t, cues, timer, action = std::move(action)] {
    if (t.geraet->calls().size() < cues) return;
    timer->stop();
    timer->deleteLater();
    action();
  });
  timer->start();
}

// A handler that had to wait for the running one used to run with the gate open:
// whatever arrived while it waited for its own cue ran at once, nested inside it.
TEST(Gate, AHandlerThatWaitedStillRunsAlone) {
  QWidget fenster;
  EventGate gate(&fenster);
  std::vector<std::string> ablauf;
  gate.run([&] {
    gate.run([&] {
      ablauf.push_back("B begins");
      EXPECT_TRUE(gate.busy());
      gate.run([&] { ablauf.push_back("C"); });
      ablauf.push_back("B ends");
    });
    ablauf.push_back("A");
  });
  EXPECT_EQ(ablauf, (std::vector<std::string>{"A", "B begins", "B ends", "C"}));
  EXPECT_FALSE(gate.busy());
  EXPECT_EQ(gate.waiting(), 0u);
}

// The same in the window: a routing key during the first card's cue waits and
// then finds the pair; a second routing key during the pair cue must wait for the
// pair to be scored instead of turning a card in the middle of it.
TEST(Gate, RoutingDuringTheCueOfAWaitingActivationWaitsForIt) {
  Spieltisch t({}, 300ms);
  t.Button("CmdNeu")->click();
  t.fenster->Zustand().Loesung = u"abcdefabcdef";
  t.FeldFokus(0);
  WhileCue(t, 1, [&] { t.fenster->Routing(6); });
  WhileCue(t, 2, [&] { t.fenster->Routing(1); });
  t.Taste(Qt::Key_Space);
  QTRY_COMPARE_WITH_TIMEOUT(t.geraet->calls().size(), 3u, 5000);
  QTRY_VERIFY(!t.fenster->Gate().busy());
  EXPECT_EQ(t.Cues(), (std::vector<int>{9, 11, 9}));
  EXPECT_EQ(t.Feld(), QStringLiteral("-b....-.....  a"));
  EXPECT_EQ(t.fenster->Zustand().Zug, 1);
  EXPECT_EQ(t.fenster->Zustand().Pos1, 2);
}

// A cue requested while the window waits for another one queues behind it, and
// each call returns when its own cue has ended. The end of the outer cue used to
// quit the inner wait instead of its own, and the outer wait then never ended.
TEST(Tonausgabe, ACueRequestedWhileWaitingForAnotherDoesNotHang) {
  auto device = std::make_unique<RecordingToneDevice>(100ms);
  RecordingToneDevice* geraet = device.get();
  Tonausgabe ton(std::move(device));
  bool innenFertig = false;
  bool haengt = false;
  QTimer::singleShot(20ms, [&] {
    ton.Ton(16);
    innenFertig = true;
  });
  // Should a wait never end, every event loop is told to stop, so the test fails
  // instead of hanging.
  QTimer wache;
  wache.setSingleShot(true);
  QObject::connect(&wache, &QTimer::timeout, [&] {
    haengt = true;
    QCoreApplication::exit(1);
  });
  wache.start(5s);
  ton.Ton(9);
  wache.stop();
  EXPECT_FALSE(haengt);
  EXPECT_TRUE(innenFertig) << "the outer call returned before the inner one";
  EXPECT_EQ(geraet->calls().size(), 2u);
}

}  // namespace
}  // namespace paarix::test
