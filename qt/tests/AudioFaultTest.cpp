// The window playing through a real ALSA device that fails in the middle of a cue.
// The device is a WAV capture on a null device; AlsaFaults.h makes it fail.
#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cerrno>
#include <functional>

#include "../../core/tests/FakeFenster.h"
#include "../../sound/tests/AlsaTestConfig.h"
#include "../../sound/tests/SignalCheck.h"
#define PAARIX_ALSA_FAULTS_DEFINE
#include "../../sound/tests/AlsaFaults.h"
#include "AlsaToneDevice.h"
#include "Paarix.h"
#include "SpielFeld.h"
#include "Tonfolge.h"

namespace paarix {
namespace {

constexpr long kPaarMs = 3600;  // cue 11
test::AlsaFaults& faults = test::alsaFaults;

// The window with its cues going through the ALSA capture device; the deal abcdefabcdef.
class FeldMitAlsa : public testing::Test {
 protected:
  void SetUp() override {
    faults.clear();
    test::useAlsaConfig(configs.capture());
    test::captureInto(configs.path() / "erste.wav");
    auto device = AlsaToneDevice::open();
    ASSERT_NE(device, nullptr);
    geraet = device.get();
    fenster = std::make_unique<Paarix>(ordner.filePath(QStringLiteral("paarix.ini")), std::move(device), &zufall);
    fenster->show();
    fenster->findChild<QPushButton*>(QStringLiteral("CmdNeu"))->click();
    fenster->Zustand().Loesung = u"abcdefabcdef";
  }
  void TearDown() override { faults.clear(); }

  // Turns the card at `pos` with the space bar; returns how long the handler ran.
  long Aktivieren(int pos) {
    fenster->Feld().setFocus(Qt::OtherFocusReason);
    fenster->Feld().setCursorPosition(pos);
    QElapsedTimer uhr;
    uhr.start();
    QTest::keyClick(&fenster->Feld(), Qt::Key_Space);
    return static_cast<long>(uhr.elapsed());
  }
  QString Feld() { return fenster->Feld().text(); }

  // The device fails in the middle of the pair cue: the cue keeps its 3.6 s in
  // silence, the pair is scored, the loss is reported once; the next cue opens
  // the device again and sounds in full.
  void FehlerImPaarTon(const std::function<void()>& fehler) {
    ASSERT_GE(Aktivieren(0), 30);
    fehler();
    testing::internal::CaptureStderr();
    const long dauer = Aktivieren(6);
    const std::string gemeldet = testing::internal::GetCapturedStderr();
    EXPECT_GE(dauer, kPaarMs) << "the pair cue ended early";
    EXPECT_LT(dauer, kPaarMs + 2500) << "the failing device held the game up";
    EXPECT_EQ(std::count(gemeldet.begin(), gemeldet.end(), '\n'), 1) << gemeldet;
    EXPECT_EQ(Feld(), QStringLiteral("-.....-.....  a"));
    faults.clear();
    const int opensBefore = faults.opens;
    test::captureInto(configs.path() / "zweite.wav");
    EXPECT_GE(Aktivieren(1), 30);
    EXPECT_GE(Aktivieren(2), 30);  // "b" and "c" differ
    EXPECT_EQ(faults.opens - opensBefore, 1);
    EXPECT_EQ(Feld(), QStringLiteral("-bc...-.....  a"));
    fenster.reset();  // closes the device and with it the capture file
    const auto wav = test::readWav(configs.path() / "zweite.wav");
    ASSERT_TRUE(wav.has_value());
    std::vector<Tone> erwartet = Tonfolge(9);
    for (const Tone& ton : Tonfolge(16)) erwartet.push_back(ton);
    EXPECT_THAT(test::checkCueSignal(wav->samples, erwartet), testing::IsEmpty());
  }

  test::AlsaConfigDir configs;
  QTemporaryDir ordner;
  test::SkriptZufall zufall;
  AlsaToneDevice* geraet = nullptr;  // owned by the window's audio thread
  std::unique_ptr<Paarix> fenster;
};

TEST_F(FeldMitAlsa, DeviceVanishesDuringTheWriteOfThePairCue) { FehlerImPaarTon([] { faults.writesFailAfter(-ENODEV, 1200); }); }
TEST_F(FeldMitAlsa, WriteErrorDuringThePairCue) { FehlerImPaarTon([] { faults.writesFailAfter(-EIO, 1200); }); }
TEST_F(FeldMitAlsa, DeviceVanishesWhileThePairCueDrains) { FehlerImPaarTon([] { faults.drainError = -ENODEV, faults.drainErrorTimes = 1; }); }
TEST_F(FeldMitAlsa, DrainErrorAtTheEndOfThePairCue) { FehlerImPaarTon([] { faults.drainError = -EIO, faults.drainErrorTimes = 1; }); }

// Gone for good and not to be opened again: every later cue is silent but keeps
// its time, and the game plays on.
TEST_F(FeldMitAlsa, DeviceGoneForGoodPlaysOnInSilence) {
  ASSERT_GE(Aktivieren(0), 30);
  faults.writesFailAfter(-ENODEV, 500);
  faults.openError = -ENODEV;
  testing::internal::CaptureStderr();
  EXPECT_GE(Aktivieren(6), kPaarMs);
  const long framesAfterLoss = faults.framesWritten;
  EXPECT_GE(Aktivieren(1), 30);
  EXPECT_GE(Aktivieren(2), 30);  // "b" and "c" differ
  Aktivieren(5);                 // both face down again
  EXPECT_GE(Aktivieren(1), 30);
  EXPECT_GE(Aktivieren(7), kPaarMs);
  const std::string gemeldet = testing::internal::GetCapturedStderr();
  EXPECT_EQ(Feld(), QStringLiteral("--....--....  b"));
  EXPECT_EQ(std::count(gemeldet.begin(), gemeldet.end(), '\n'), 1) << gemeldet;
  EXPECT_FALSE(geraet->isOpen());
  EXPECT_EQ(faults.framesWritten, framesAfterLoss) << "nothing reached the lost device";
}

}  // namespace
}  // namespace paarix
