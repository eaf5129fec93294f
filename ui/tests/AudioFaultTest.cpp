// The window playing through a real ALSA device that fails in the middle of a cue.
// This program puts its own snd_pcm_open, snd_pcm_writei and snd_pcm_drain in front
// of libasound's: they pass through to the real ones (a WAV capture on a null
// device) until a test tells them to fail.
#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cerrno>
#include <functional>

#include "../../core/tests/FakeFenster.h"
#include "../../sound/tests/AlsaTestConfig.h"
#include "../../sound/tests/SignalCheck.h"
#include "AlsaToneDevice.h"
#include "Paarix.h"
#include "SpielFeld.h"
#include "Tonfolge.h"

namespace {

struct Faults {
  std::atomic<int> openError{0};         // returned by every open while set
  std::atomic<int> writeError{0};        // returned by writes while set ...
  std::atomic<long> writeErrorAfter{0};  // ... once the frame counter has reached this
  std::atomic<int> drainError{0};        // returned by the next drain, once
  std::atomic<int> opens{0};
  std::atomic<long> framesWritten{0};

  void clear() {
    openError = 0;
    writeError = 0;
    writeErrorAfter = 0;
    drainError = 0;
  }
} faults;

template <typename F>
F real(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int snd_pcm_open(snd_pcm_t** pcm, const char* name, snd_pcm_stream_t stream, int mode) {
  static const auto next = real<int (*)(snd_pcm_t**, const char*, snd_pcm_stream_t, int)>("snd_pcm_open");
  ++faults.opens;
  if (const int error = faults.openError) return error;
  return next(pcm, name, stream, mode);
}

extern "C" snd_pcm_sframes_t snd_pcm_writei(snd_pcm_t* pcm, const void* buffer, snd_pcm_uframes_t size) {
  static const auto next =
      real<snd_pcm_sframes_t (*)(snd_pcm_t*, const void*, snd_pcm_uframes_t)>("snd_pcm_writei");
  if (const int error = faults.writeError) {
    const long room = faults.writeErrorAfter - faults.framesWritten;
    if (room <= 0) return error;
    size = std::min<snd_pcm_uframes_t>(size, static_cast<snd_pcm_uframes_t>(room));
  }
  const snd_pcm_sframes_t n = next(pcm, buffer, size);
  if (n > 0) faults.framesWritten += n;
  return n;
}

extern "C" int snd_pcm_drain(snd_pcm_t* pcm) {
  static const auto next = real<int (*)(snd_pcm_t*)>("snd_pcm_drain");
  if (const int error = faults.drainError.exchange(0)) return error;
  return next(pcm);
}

namespace paarix {
namespace {

constexpr long kPaarMs = 3600;  // cue 11

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

// Writes fail from `ms` into the cue on.
void WritesFailAfter(int error, long ms) {
  faults.writeErrorAfter = faults.framesWritten + 48 * ms;
  faults.writeError = error;
}

TEST_F(FeldMitAlsa, DeviceVanishesDuringTheWriteOfThePairCue) { FehlerImPaarTon([] { WritesFailAfter(-ENODEV, 1200); }); }
TEST_F(FeldMitAlsa, WriteErrorDuringThePairCue) { FehlerImPaarTon([] { WritesFailAfter(-EIO, 1200); }); }
TEST_F(FeldMitAlsa, DeviceVanishesWhileThePairCueDrains) { FehlerImPaarTon([] { faults.drainError = -ENODEV; }); }
TEST_F(FeldMitAlsa, DrainErrorAtTheEndOfThePairCue) { FehlerImPaarTon([] { faults.drainError = -EIO; }); }

// Gone for good and not to be opened again: every later cue is silent but keeps
// its time, and the game plays on.
TEST_F(FeldMitAlsa, DeviceGoneForGoodPlaysOnInSilence) {
  ASSERT_GE(Aktivieren(0), 30);
  WritesFailAfter(-ENODEV, 500);
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
